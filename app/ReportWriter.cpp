#include "app/ReportWriter.h"

#include "app/CompareSwitches.h"
#include "app/Version.h"
#include "platform/Console.h"
#include "platform/Error.h"
#include "platform/FolderListing.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

namespace {

// Big enough that writing costs little next to comparing, small enough to be no burden.
constexpr size_t kFlushSize = 64 * 1024;

constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;
constexpr int64_t kSecondsPerDay = 86400;

void appendNumber(std::string& out, int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

void appendEscapedUnit(std::string& out, char16_t unit) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Whether JSON cannot take the unit at i as it is: a quote, a backslash, a control
// character, or a lone surrogate (a byte of a name that is not UTF-8, as the program
// decodes it), which has no UTF-8 form.
bool needsEscape(olstring_view text, size_t i) {
  const char16_t unit = text[i];
  if (unit < 0x20 || unit == u'"' || unit == u'\\') return true;
  if (isLowSurrogate(unit)) return true;
  return isHighSurrogate(unit) && (i + 1 == text.size() || !isLowSurrogate(text[i + 1]));
}

// The text as the inside of a JSON string. The result tells whether a lone surrogate had to
// be written as a \u escape, that is whether the bytes must be given beside the text.
bool appendJsonText(std::string& out, olstring_view text) {
  bool lone = false;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = i;
    bool ascii = true;
    for (; end < text.size() && !needsEscape(text, end); end += isHighSurrogate(text[end]) ? 2 : 1) {
      ascii = ascii && text[end] < 0x80;
    }
    if (end > i) {
      if (ascii) {
        for (; i < end; ++i) out += static_cast<char>(text[i]);
      } else {
        out += toUtf8(text.substr(i, end - i));
      }
      i = end;
      continue;
    }
    const char16_t unit = text[i++];
    if (unit == u'"' || unit == u'\\') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit == u'\n') {
      out += "\\n";
    } else if (unit == u'\r') {
      out += "\\r";
    } else if (unit == u'\t') {
      out += "\\t";
    } else {
      appendEscapedUnit(out, unit);
      lone = lone || unit >= 0xD800;
    }
  }
  return lone;
}

bool appendJsonString(std::string& out, olstring_view text) {
  out += '"';
  const bool lone = appendJsonText(out, text);
  out += '"';
  return lone;
}

void appendBase64(std::string& out, std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out += '"';
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = (uint32_t(uint8_t(bytes[i])) << 16) | (uint32_t(uint8_t(bytes[i + 1])) << 8) |
                           uint32_t(uint8_t(bytes[i + 2]));
    for (int shift = 18; shift >= 0; shift -= 6) out += kAlphabet[(group >> shift) & 0x3F];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t group = uint32_t(uint8_t(bytes[i])) << 16;
    if (rest == 2) group |= uint32_t(uint8_t(bytes[i + 1])) << 8;
    out += kAlphabet[(group >> 18) & 0x3F];
    out += kAlphabet[(group >> 12) & 0x3F];
    out += rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    out += '=';
  }
  out += '"';
}

// ,"key":"text" (null when empty), and ,"key_bytes":"base64" when the text alone cannot
// give the bytes back.
void appendPathField(std::string& out, std::string_view key, olstring_view text) {
  out += ",\"";
  out += key;
  out += "\":";
  if (text.empty()) {
    out += "null";
    return;
  }
  if (!appendJsonString(out, text)) return;
  out += ",\"";
  out += key;
  out += "_bytes\":";
  appendBase64(out, toUtf8(text));
}

// ,"key":[first,second] for the two sides, each null when empty, with ,"key_bytes":[...]
// when either needs its bytes.
void appendPathPair(std::string& out, std::string_view key, olstring_view first, olstring_view second) {
  const olstring_view texts[2] = {first, second};
  out += ",\"";
  out += key;
  out += "\":[";
  bool lone = false;
  for (int side = 0; side < 2; ++side) {
    if (side != 0) out += ',';
    if (texts[side].empty()) {
      out += "null";
    } else {
      lone = appendJsonString(out, texts[side]) || lone;
    }
  }
  out += ']';
  if (!lone) return;
  out += ",\"";
  out += key;
  out += "_bytes\":[";
  for (int side = 0; side < 2; ++side) {
    if (side != 0) out += ',';
    if (texts[side].empty()) {
      out += "null";
    } else {
      appendBase64(out, toUtf8(texts[side]));
    }
  }
  out += ']';
}

// The program's file time (100 ns units since 1601, whole seconds) as ISO 8601 in UTC.
void appendIsoTime(std::string& out, uint64_t modified) {
  const int64_t seconds =
      static_cast<int64_t>(modified / kFileTimeUnitsPerSecond) - platform::kEpochDifferenceSeconds;
  int64_t days = seconds / kSecondsPerDay;
  int64_t secondOfDay = seconds % kSecondsPerDay;
  if (secondOfDay < 0) {
    secondOfDay += kSecondsPerDay;
    --days;
  }
  // Days since 1970 to a civil date, in 400-year eras counted from 0000-03-01 (the leap day
  // then falls at the end of a year).
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[128];
  std::snprintf(text, sizeof text, "\"%04lld-%02d-%02dT%02d:%02d:%02dZ\"", static_cast<long long>(year),
                static_cast<int>(month), static_cast<int>(day), static_cast<int>(secondOfDay / 3600),
                static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60));
  out += text;
}

void appendBool(std::string& out, std::string_view key, bool value) {
  out += ",\"";
  out += key;
  out += value ? "\":true" : "\":false";
}

void appendCount(std::string& out, std::string_view key, int64_t value) {
  out += ",\"";
  out += key;
  out += "\":";
  appendNumber(out, value);
}

const char* kindName(const SideInfo& side) {
  if (!side.present()) return "\"missing\"";
  if (side.isLink) return "\"link\"";
  return side.isFolder() ? "\"folder\"" : "\"file\"";
}

// The names from below the root down to the item, as spelled on one side. A level that
// lacks that side (which a tree built by the scan never has) takes the other side's name.
void collectNames(const CompareItem& item, int side, std::vector<const olstring*>& names) {
  names.clear();
  for (const CompareItem* current = &item; current->parent != nullptr; current = current->parent) {
    const SideInfo& own = current->side[side];
    names.push_back(own.present() ? &own.name : &current->side[1 - side].name);
  }
  std::reverse(names.begin(), names.end());
}

bool sameNames(const std::vector<const olstring*>& a, const std::vector<const olstring*>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const olstring* x, const olstring* y) { return *x == *y; });
}

// ,"key":"a/b/c" and, when a name is not UTF-8, ,"key_bytes":"base64 of the raw path".
void appendRelativePath(std::string& out, std::string_view key, const std::vector<const olstring*>& names) {
  out += ",\"";
  out += key;
  out += "\":\"";
  bool lone = false;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i != 0) out += '/';
    lone = appendJsonText(out, *names[i]) || lone;
  }
  out += '"';
  if (!lone) return;
  std::string bytes;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i != 0) bytes += '/';
    bytes += toUtf8(*names[i]);
  }
  out += ",\"";
  out += key;
  out += "_bytes\":";
  appendBase64(out, bytes);
}

void appendDifferences(std::string& out, const CompareItem& item, olstring_view category) {
  out += ",\"differences\":[";
  const size_t start = out.size();
  const auto add = [&](const char* name) {
    if (out.size() != start) out += ',';
    out += name;
  };
  const uint32_t flags = item.flags;
  if ((flags & ItemFlags::kMissing) != 0) {
    add((flags & ItemFlags::kMissingSecond) != 0 ? "\"only_first\"" : "\"only_second\"");
  }
  if ((flags & ItemFlags::kTypeDiffers) != 0) add("\"type\"");
  if ((flags & ItemFlags::kNameCase) != 0) add("\"name_case\"");
  if ((flags & ItemFlags::kTimeDiffers) != 0) add("\"time\"");
  if ((flags & ItemFlags::kAttrDiffers) != 0) add("\"attributes\"");
  if ((flags & ItemFlags::kContentDiffers) != 0) add("\"content\"");
  if (category == u"data_same_binpart") add("\"sampled\"");
  out += ']';
}

}  // namespace

ReportWriter::ReportWriter(const CompareEngine& engine, ReportScope scope) : m_engine(engine), m_scope(scope) {}

// An unfinished report is abandoned with its file: the old content of the target stays.
ReportWriter::~ReportWriter() = default;

bool ReportWriter::open(olstring_view destination) {
  m_started = std::chrono::steady_clock::now();
  m_buffer.reserve(kFlushSize + 4096);
  if (destination == kStandardOutput) {
    m_toStandardOutput = true;
  } else {
    m_file = platform::File::open(destination, platform::FileAccess::write);
    if (!m_file) return false;
  }
  m_opened = true;
  return true;
}

void ReportWriter::itemJudged(const CompareItem& item) {
  if (!m_headerWritten) writeHeader();
  if (item.flags != 0) {
    ++m_differing;
    if ((item.flags & ItemFlags::kMissing) != 0) {
      ++((item.flags & ItemFlags::kMissingSecond) != 0 ? m_onlyFirst : m_onlySecond);
    }
  }
  if (item.flags != 0 || m_scope == ReportScope::allItems) {
    ++m_items;
    if (!m_failed.load(std::memory_order_relaxed)) writeItem(item);
  }
  // A reader of standard output gets each line as it is made, as a pipe into a filter
  // expects; a file is read only once it is in place.
  flush(m_toStandardOutput);
}

void ReportWriter::writeHeader() {
  m_headerWritten = true;
  const CompareOptions& options = m_engine.options;
  const CompareResult& result = m_engine.result;
  std::string& out = m_buffer;
  out += "{\"type\":\"header\",\"format\":";
  appendNumber(out, kReportFormatVersion);
  out += ",\"program\":";
  appendJsonString(out, kMirraneNameLine);
  appendPathPair(out, "paths", options.path0, options.path1);
  appendPathPair(out, "roots", result.displayRoot[0], result.displayRoot[1]);
  out += ",\"report\":";
  out += m_scope == ReportScope::allItems ? "\"all\"" : "\"differences\"";
  out += ",\"options\":{\"excludes\":";
  appendJsonString(out, options.excludes);
  for (const CompareSwitch& entry : kCompareSwitches) appendBool(out, toUtf8(entry.key), options.*entry.option);
  out += "}}\n";
}

void ReportWriter::writeItem(const CompareItem& item) {
  std::string& out = m_buffer;
  const SideInfo* sides = item.side;
  const int named = sides[0].present() ? 0 : 1;
  collectNames(item, named, m_names[0]);
  out += "{\"type\":\"item\"";
  appendRelativePath(out, "path", m_names[0]);
  if (named == 0 && sides[1].present()) {
    collectNames(item, 1, m_names[1]);
    if (!sameNames(m_names[0], m_names[1])) appendRelativePath(out, "path_second", m_names[1]);
  }
  out += ",\"kind\":[";
  out += kindName(sides[0]);
  out += ',';
  out += kindName(sides[1]);
  out += ']';
  const olstring_view category = dataCategory(item, m_engine.options.autoSkip);
  appendDifferences(out, item, category);
  out += ",\"size\":[";
  for (int side = 0; side < 2; ++side) {
    if (side != 0) out += ',';
    if (!sides[side].present() || sides[side].isFolder()) {
      out += "null";
    } else {
      appendNumber(out, sides[side].size);
    }
  }
  out += "],\"mtime\":[";
  for (int side = 0; side < 2; ++side) {
    if (side != 0) out += ',';
    if (sides[side].present()) {
      appendIsoTime(out, sides[side].modified);
    } else {
      out += "null";
    }
  }
  out += "],\"category\":";
  if (category.empty()) {
    out += "null";
  } else {
    appendJsonString(out, category);
  }
  out += "}\n";
}

void ReportWriter::writeSummary(bool succeeded) {
  olstring errorText;
  uint32_t code = 0;
  olstring path;
  if (!succeeded) {
    code = m_engine.job.getError(errorText, {});
    path = m_engine.job.errorPath();
    // Code 0 is a compare that found nothing to compare; it has a text of its own.
    if (code == 0 && errorText.empty()) errorText = nothingToCompareText();
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_started;
  std::string& out = m_buffer;
  out += "{\"type\":\"summary\"";
  appendBool(out, "succeeded", succeeded);
  appendCount(out, "items", m_items);
  appendCount(out, "differing", m_differing);
  appendCount(out, "only_first", m_onlyFirst);
  appendCount(out, "only_second", m_onlySecond);
  appendCount(out, "error_code", code);
  out += ",\"error_text\":";
  appendJsonString(out, errorText);
  appendPathField(out, "error_path", path);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, ",\"elapsed_seconds\":%.3f}\n", elapsed.count());
  out += seconds;
}

void ReportWriter::flush(bool force) {
  if (m_buffer.empty() || (!force && m_buffer.size() < kFlushSize)) return;
  if (!m_failed.load(std::memory_order_relaxed)) {
    const bool written = m_toStandardOutput
                             ? platform::writeStandardBytes(platform::StandardStream::output, m_buffer)
                             : platform::writeFile(m_file.handle(), m_buffer.data(), m_buffer.size());
    if (!written) {
      m_error.store(platform::lastError());
      m_failed.store(true);
    }
  }
  m_buffer.clear();
}

bool ReportWriter::finish(bool succeeded) {
  if (!m_opened) {
    platform::setLastError(platform::kErrorInvalidParameter);
    return false;
  }
  m_opened = false;
  if (!m_headerWritten) writeHeader();
  writeSummary(succeeded);
  flush(true);
  // A failed report is abandoned as the file goes out of scope.
  platform::File file = std::move(m_file);
  if (m_failed.load()) {
    platform::setLastError(m_error.load());
    return false;
  }
  if (file && !file.close()) {
    m_error.store(platform::lastError());
    m_failed.store(true);
    return false;
  }
  return true;
}
