#include "app/ReportWriter.h"

#include "app/CompareSwitches.h"
#include "app/Version.h"
#include "engine/TimeRule.h"
#include "foundation/JsonLines.h"
#include "platform/Console.h"
#include "platform/Error.h"
#include "platform/FolderListing.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

namespace {

const char* kindName(const SideInfo& side) {
  if (!side.present()) return "\"missing\"";
  if (side.isLink) return "\"link\"";
  return side.isFolder() ? "\"folder\"" : "\"file\"";
}

// The names from below the root down to the item, as spelled on one side. A level that
// lacks that side (which a tree built by the scan never has) takes the other side's name.
void collectNames(const CompareItem& item, int side, std::vector<olstring_view>& names) {
  names.clear();
  for (const CompareItem* current = &item; current->parent != nullptr; current = current->parent) {
    const SideInfo& own = current->side[side];
    names.push_back(own.present() ? own.name.view() : current->side[1 - side].name.view());
  }
  std::reverse(names.begin(), names.end());
}

bool sameNames(const std::vector<olstring_view>& a, const std::vector<olstring_view>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](olstring_view x, olstring_view y) { return x == y; });
}

// ,"listings":[{"host":...,"root":...,"saved":...},null]: where and when each side's
// listing was saved; null for a side read from the disk.
void appendListings(std::string& out, const CompareResult& result) {
  out += ",\"listings\":[";
  for (int side = 0; side < 2; ++side) {
    if (side != 0) out += ',';
    const ListingOrigin* origin = result.listing[side].get();
    if (origin == nullptr) {
      out += "null";
      continue;
    }
    out += "{\"host\":";
    appendJsonString(out, origin->host);
    appendPathField(out, "root", origin->root);
    out += ",\"saved\":";
    appendIsoTime(out, origin->started);
    out += '}';
  }
  out += ']';
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
  if ((flags & ItemFlags::kNameForm) != 0) add("\"name_form\"");
  if ((flags & ItemFlags::kTimeDiffers) != 0) add("\"time\"");
  if ((flags & ItemFlags::kAttrDiffers) != 0) add("\"attributes\"");
  if ((flags & ItemFlags::kContentDiffers) != 0) add("\"content\"");
  if (category == u"data_same_binpart") add("\"sampled\"");
  out += ']';
}

// Nanoseconds as seconds: the whole part, then up to nine decimals without trailing zeros
// (2, -3600, 0.25, 1.000000001).
void appendSeconds(std::string& out, int64_t nanoseconds) {
  constexpr int64_t kPerSecond = 1000000000;
  if (nanoseconds < 0) out += '-';
  const uint64_t magnitude = nanoseconds < 0 ? 0 - static_cast<uint64_t>(nanoseconds) : static_cast<uint64_t>(nanoseconds);
  out += std::to_string(magnitude / kPerSecond);
  uint64_t fraction = magnitude % kPerSecond;
  if (fraction == 0) return;
  char digits[10];
  std::snprintf(digits, sizeof digits, "%09llu", static_cast<unsigned long long>(fraction));
  std::string_view text(digits, 9);
  while (text.back() == '0') text.remove_suffix(1);
  out += '.';
  out += text;
}

const char* wayName(ContentWay way) {
  switch (way) {
    case ContentWay::bytes: return "bytes";
    case ContentWay::text: return "text";
    case ContentWay::sampled: return "sampled";
    case ContentWay::hash: return "hash";
    case ContentWay::notRead: return "not_read";
  }
  return "bytes";
}

const char* reasonName(ContentReason reason) {
  switch (reason) {
    case ContentReason::none: return "";
    case ContentReason::sizesDiffer: return "sizes_differ";
    case ContentReason::alreadyDiffers: return "already_differs";
    case ContentReason::specialFile: return "special_file";
    case ContentReason::unreadable: return "unreadable";
    case ContentReason::changed: return "changed";
    case ContentReason::noMemory: return "no_memory";
    case ContentReason::notHashed: return "not_hashed";
  }
  return "";
}

// "key":[first,second], after a comma unless it opens an object.
void appendPair(std::string& out, std::string_view key, const std::array<uint64_t, 2>& pair) {
  if (out.back() != '{') out += ',';
  out += '"';
  out += key;
  out += "\":[";
  appendNumber(out, static_cast<int64_t>(pair[0]));
  out += ',';
  appendNumber(out, static_cast<int64_t>(pair[1]));
  out += ']';
}

// ,"content":{...}: how the content was compared and what decided it.
void appendContent(std::string& out, const ContentExplanation& explanation) {
  out += ",\"content\":{\"mode\":\"";
  out += wayName(explanation.way);
  out += '"';
  appendPair(out, "bytes_compared", explanation.bytesCompared);
  if (explanation.differenceFound) {
    out += ",\"first_difference\":{";
    // As text the two sides may disagree at different offsets, on different lines.
    if (explanation.way == ContentWay::text) {
      appendPair(out, "line", explanation.line);
      appendPair(out, "offsets", explanation.firstDifference);
    } else {
      out += "\"offset\":";
      appendNumber(out, static_cast<int64_t>(explanation.firstDifference[0]));
    }
    out += '}';
  }
  if (explanation.way == ContentWay::sampled) {
    appendPair(out, "blocks", {explanation.blocksCompared, explanation.blocksTotal});
  }
  if (explanation.reason != ContentReason::none) {
    out += ",\"reason\":\"";
    out += reasonName(explanation.reason);
    out += '"';
  }
  if (explanation.side >= 0) out += explanation.side == 0 ? ",\"side\":\"first\"" : ",\"side\":\"second\"";
  if (explanation.reason == ContentReason::unreadable) {
    appendCount(out, "error_code", explanation.errorCode);
    out += ",\"error_text\":";
    appendJsonString(out, errorText(explanation.errorCode));
  }
  out += '}';
}

}  // namespace

ReportWriter::ReportWriter(const CompareEngine& engine, ReportScope scope) : m_engine(engine), m_scope(scope) {}

// An unfinished report is abandoned with its file: the old content of the target stays.
ReportWriter::~ReportWriter() = default;

bool ReportWriter::open(olstring_view destination) {
  m_started = std::chrono::steady_clock::now();
  return m_output.open(destination);
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
    if (!m_output.writeFailed()) writeItem(item);
  }
  // A reader of standard output gets each line as it is made, as a pipe into a filter
  // expects; a file is read only once it is in place.
  m_output.flush(m_output.toStandardOutput());
}

void ReportWriter::writeHeader() {
  m_headerWritten = true;
  const CompareOptions& options = m_engine.options;
  const CompareResult& result = m_engine.result;
  std::string& out = m_output.buffer();
  out += "{\"type\":\"header\",\"format\":";
  appendNumber(out, kReportFormatVersion);
  out += ",\"program\":";
  appendJsonString(out, kMirraneNameLine);
  appendPathPair(out, "paths", options.path0, options.path1);
  appendPathPair(out, "roots", result.displayRoot[0], result.displayRoot[1]);
  if (result.isListing(0) || result.isListing(1)) appendListings(out, result);
  out += ",\"report\":";
  out += m_scope == ReportScope::allItems ? "\"all\"" : "\"differences\"";
  out += ",\"options\":{\"excludes\":";
  appendJsonString(out, options.excludes);
  for (const CompareSwitch& entry : kCompareSwitches) appendBool(out, toUtf8(entry.key), options.*entry.option);
  appendCount(out, toUtf8(kTimeToleranceKey), options.timeTolerance);
  out += "}}\n";
}

void ReportWriter::writeItem(const CompareItem& item) {
  std::string& out = m_output.buffer();
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
  out += ']';
  // Only files have their times compared; a folder's time says nothing of the pair.
  if (sides[0].present() && sides[1].present() && !sides[0].isFolder() && !sides[1].isFolder()) {
    out += ",\"time_delta\":";
    appendSeconds(out, modifiedDelta(sides[0], sides[1]));
  }
  out += ",\"category\":";
  if (category.empty()) {
    out += "null";
  } else {
    appendJsonString(out, category);
  }
  // A side from a listing has hashes, not text: such a pair is compared as bytes.
  if (!category.empty() && item.contentMode == ContentMode::hashed) out += ",\"content_compare\":\"sha256\"";
  if (!category.empty()) appendContent(out, explainContent(m_engine.result, item));
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
  std::string& out = m_output.buffer();
  out += "{\"type\":\"summary\"";
  appendBool(out, "succeeded", succeeded);
  appendCount(out, "items", m_items);
  appendCount(out, "differing", m_differing);
  appendCount(out, "only_first", m_onlyFirst);
  appendCount(out, "only_second", m_onlySecond);
  appendSummaryEnd(out, code, errorText, path, m_started);
}

bool ReportWriter::finish(bool succeeded) {
  if (!m_output.isOpen()) {
    platform::setLastError(platform::kErrorInvalidParameter);
    return false;
  }
  if (!m_headerWritten) writeHeader();
  writeSummary(succeeded);
  return m_output.commit();
}
