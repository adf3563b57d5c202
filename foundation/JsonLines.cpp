#include "foundation/JsonLines.h"

#include "platform/FolderListing.h"

#include <charconv>
#include <cstdio>

namespace {

constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;
constexpr int64_t kSecondsPerDay = 86400;
// Deep enough for any line the program writes; a hostile line cannot exhaust the stack.
constexpr int kMaxNesting = 32;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void appendEscapedUnit(std::string& out, char16_t unit) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

// Whether JSON cannot take the unit at i as it is: a quote, a backslash, a control
// character, or a lone surrogate (a byte of a name that is not UTF-8, as the program
// decodes it), which has no UTF-8 form.
bool needsEscape(olstring_view text, size_t i) {
  const char16_t unit = text[i];
  if (unit < 0x20 || unit == u'"' || unit == u'\\') return true;
  if (isLowSurrogate(unit)) return true;
  return isHighSurrogate(unit) && (i + 1 == text.size() || !isLowSurrogate(text[i + 1]));
}

// Days since 1970-01-01 of a civil date, in 400-year eras counted from 0000-03-01 (the leap
// day then falls at the end of a year); and the way back.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(int64_t days, int64_t& year, int64_t& month, int64_t& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

void appendNumber(std::string& out, int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

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

void appendRelativePath(std::string& out, std::string_view key, const std::vector<olstring_view>& names) {
  out += ",\"";
  out += key;
  out += "\":\"";
  bool lone = false;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i != 0) out += '/';
    lone = appendJsonText(out, names[i]) || lone;
  }
  out += '"';
  if (!lone) return;
  std::string bytes;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i != 0) bytes += '/';
    bytes += toUtf8(names[i]);
  }
  out += ",\"";
  out += key;
  out += "_bytes\":";
  appendBase64(out, bytes);
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

namespace {

void appendIsoTimeWith(std::string& out, uint64_t fileTime, const char* fraction) {
  const int64_t seconds =
      static_cast<int64_t>(fileTime / kFileTimeUnitsPerSecond) - platform::kEpochDifferenceSeconds;
  int64_t days = seconds / kSecondsPerDay;
  int64_t secondOfDay = seconds % kSecondsPerDay;
  if (secondOfDay < 0) {
    secondOfDay += kSecondsPerDay;
    --days;
  }
  int64_t year = 0;
  int64_t month = 0;
  int64_t day = 0;
  civilFromDays(days, year, month, day);
  char text[128];
  std::snprintf(text, sizeof text, "\"%04lld-%02d-%02dT%02d:%02d:%02d%sZ\"", static_cast<long long>(year),
                static_cast<int>(month), static_cast<int>(day), static_cast<int>(secondOfDay / 3600),
                static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60), fraction);
  out += text;
}

}  // namespace

void appendIsoTime(std::string& out, uint64_t fileTime) { appendIsoTimeWith(out, fileTime, ""); }

void appendIsoTime(std::string& out, uint64_t fileTime, uint32_t nanoseconds) {
  char fraction[16];
  std::snprintf(fraction, sizeof fraction, ".%09u", static_cast<unsigned>(nanoseconds % 1000000000u));
  appendIsoTimeWith(out, fileTime, fraction);
}

// ---- Reading

bool decodeBase64(std::string_view text, std::string& bytes) {
  bytes.clear();
  if (text.size() % 4 != 0) return false;
  const auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    const int padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=' && text[i + 3] == '=') : 0;
    uint32_t group = 0;
    for (int k = 0; k < 4; ++k) {
      const int v = k >= 4 - padding ? 0 : value(text[i + k]);
      if (v < 0) return false;
      group = (group << 6) | static_cast<uint32_t>(v);
    }
    bytes += static_cast<char>((group >> 16) & 0xFF);
    if (padding < 2) bytes += static_cast<char>((group >> 8) & 0xFF);
    if (padding < 1) bytes += static_cast<char>(group & 0xFF);
  }
  return true;
}

bool parseIsoTime(std::string_view text, uint64_t* fileTime, uint32_t* nanoseconds) {
  // YYYY-MM-DDTHH:MM:SS is 19 characters, then an optional fraction, then Z.
  if (text.size() < 20 || text.back() != 'Z') return false;
  const auto digits = [&text](size_t at, size_t count, int64_t& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      value = value * 10 + (text[i] - '0');
    }
    return true;
  };
  int64_t year, month, day, hour, minute, second;
  if (!digits(0, 4, year) || text[4] != '-' || !digits(5, 2, month) || text[7] != '-' || !digits(8, 2, day) ||
      text[10] != 'T' || !digits(11, 2, hour) || text[13] != ':' || !digits(14, 2, minute) || text[16] != ':' ||
      !digits(17, 2, second)) {
    return false;
  }
  uint32_t fraction = 0;
  const std::string_view rest = text.substr(19, text.size() - 20);
  if (!rest.empty()) {
    if (rest.size() < 2 || rest.size() > 10 || rest[0] != '.') return false;
    int64_t value = 0;
    if (!digits(20, rest.size() - 1, value)) return false;
    for (size_t i = rest.size() - 1; i < 9; ++i) value *= 10;
    fraction = static_cast<uint32_t>(value);
  }
  static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1] || hour > 23 || minute > 59 ||
      second > 59) {
    return false;
  }
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && day == 29 && !leap) return false;
  const int64_t seconds = daysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
  *fileTime = platform::fileTimeFromPosix(seconds, fraction);
  *nanoseconds = fraction;
  return true;
}

namespace {

class Scanner {
public:
  explicit Scanner(std::string_view text) : m_text(text) {}

  void skipBlanks() {
    while (m_at < m_text.size() &&
           (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\n' || m_text[m_at] == '\r')) {
      ++m_at;
    }
  }
  bool atEnd() const { return m_at >= m_text.size(); }
  char peek() const { return atEnd() ? '\0' : m_text[m_at]; }
  bool take(char c) {
    if (peek() != c) return false;
    ++m_at;
    return true;
  }
  size_t position() const { return m_at; }
  std::string_view since(size_t start) const { return m_text.substr(start, m_at - start); }

  // A string's syntax: quotes, escapes, no raw control characters. UTF-8 is checked when it
  // is decoded.
  bool string() {
    if (!take('"')) return false;
    while (!atEnd()) {
      const auto c = static_cast<unsigned char>(m_text[m_at++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') continue;
      if (atEnd()) return false;
      const char escaped = m_text[m_at++];
      if (escaped == 'u') {
        for (int i = 0; i < 4; ++i) {
          if (atEnd() || !isHex(m_text[m_at++])) return false;
        }
      } else if (std::string_view("\"\\/bfnrt").find(escaped) == std::string_view::npos) {
        return false;
      }
    }
    return false;
  }

  bool number() {
    take('-');
    if (take('0')) {
      // No leading zeros.
    } else if (!digitRun()) {
      return false;
    }
    if (take('.') && !digitRun()) return false;
    if (take('e') || take('E')) {
      if (!take('+')) take('-');
      if (!digitRun()) return false;
    }
    return true;
  }

  bool literal(std::string_view word) {
    if (m_text.substr(m_at, word.size()) != word) return false;
    m_at += word.size();
    return true;
  }

  // Any value; kind receives what it is.
  bool value(JsonObject::Kind& kind, int depth) {
    if (depth > kMaxNesting) return false;
    switch (peek()) {
      case '"': kind = JsonObject::Kind::string; return string();
      case '{': kind = JsonObject::Kind::object; return container('}', depth);
      case '[': kind = JsonObject::Kind::array; return container(']', depth);
      case 't': kind = JsonObject::Kind::boolean; return literal("true");
      case 'f': kind = JsonObject::Kind::boolean; return literal("false");
      case 'n': kind = JsonObject::Kind::null; return literal("null");
      default: kind = JsonObject::Kind::number; return number();
    }
  }

private:
  static bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

  bool digitRun() {
    const size_t start = m_at;
    while (peek() >= '0' && peek() <= '9') ++m_at;
    return m_at > start;
  }

  // An object or array below the top level: checked, not kept.
  bool container(char close, int depth) {
    ++m_at;
    skipBlanks();
    if (take(close)) return true;
    for (;;) {
      JsonObject::Kind kind;
      if (close == '}') {
        if (!string()) return false;
        skipBlanks();
        if (!take(':')) return false;
        skipBlanks();
      }
      if (!value(kind, depth + 1)) return false;
      skipBlanks();
      if (take(close)) return true;
      if (!take(',')) return false;
      skipBlanks();
    }
  }

  std::string_view m_text;
  size_t m_at = 0;
};

// Appends the UTF-8 sequence at bytes[i] as UTF-16 units; false when it is not valid UTF-8
// (overlong forms, encoded surrogates and values above U+10FFFF included).
bool appendUtf8Sequence(std::string_view bytes, size_t& i, olstring& out) {
  const auto lead = static_cast<unsigned char>(bytes[i]);
  int length = 0;
  uint32_t code = 0;
  uint32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return false;
  }
  if (i + length > bytes.size()) return false;
  for (int k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(bytes[i + k]);
    if ((next & 0xC0) != 0x80) return false;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  i += length;
  if (code >= 0x10000) {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  } else {
    out += static_cast<char16_t>(code);
  }
  return true;
}

}  // namespace

bool JsonObject::parse(std::string_view text) {
  m_members.clear();
  Scanner scanner(text);
  scanner.skipBlanks();
  if (!scanner.take('{')) return false;
  scanner.skipBlanks();
  if (!scanner.take('}')) {
    for (;;) {
      const size_t keyStart = scanner.position();
      if (!scanner.string()) return false;
      const std::string_view rawKey = scanner.since(keyStart);
      Member member;
      // Keys are plain ASCII in every line the program writes; only others need decoding.
      if (rawKey.find('\\') == std::string_view::npos) {
        member.key.assign(rawKey.substr(1, rawKey.size() - 2));
      } else {
        olstring key;
        if (!decodeString(rawKey, key)) return false;
        member.key = toUtf8(key);
      }
      scanner.skipBlanks();
      if (!scanner.take(':')) return false;
      scanner.skipBlanks();
      const size_t valueStart = scanner.position();
      if (!scanner.value(member.kind, 1)) return false;
      member.raw = scanner.since(valueStart);
      // A member given twice has no one meaning; a reader must not pick one silently.
      if (find(member.key) != nullptr) return false;
      m_members.push_back(std::move(member));
      scanner.skipBlanks();
      if (scanner.take('}')) break;
      if (!scanner.take(',')) return false;
      scanner.skipBlanks();
    }
  }
  scanner.skipBlanks();
  return scanner.atEnd();
}

const JsonObject::Member* JsonObject::find(std::string_view key) const {
  for (const Member& member : m_members) {
    if (member.key == key) return &member;
  }
  return nullptr;
}

bool JsonObject::decodeString(std::string_view raw, olstring& value) {
  value.clear();
  if (raw.size() < 2) return false;
  const std::string_view inner = raw.substr(1, raw.size() - 2);
  value.reserve(inner.size());
  size_t i = 0;
  while (i < inner.size()) {
    const auto c = static_cast<unsigned char>(inner[i]);
    if (c < 0x80 && c != '\\') {
      value += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    if (c >= 0x80) {
      if (!appendUtf8Sequence(inner, i, value)) return false;
      continue;
    }
    // The syntax was checked by the parser: an escape is whole.
    const char escaped = inner[i + 1];
    i += 2;
    switch (escaped) {
      case 'b': value += u'\b'; break;
      case 'f': value += u'\f'; break;
      case 'n': value += u'\n'; break;
      case 'r': value += u'\r'; break;
      case 't': value += u'\t'; break;
      case 'u': {
        uint32_t unit = 0;
        for (int k = 0; k < 4; ++k) {
          const char h = inner[i + k];
          unit = unit * 16 + static_cast<uint32_t>(h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
        }
        i += 4;
        value += static_cast<char16_t>(unit);
        break;
      }
      default: value += static_cast<char16_t>(escaped); break;
    }
  }
  return true;
}

bool JsonObject::getString(std::string_view key, olstring& value) const {
  const Member* member = find(key);
  return member != nullptr && member->kind == Kind::string && decodeString(member->raw, value);
}

bool JsonObject::getInteger(std::string_view key, int64_t& value) const {
  const Member* member = find(key);
  if (member == nullptr || member->kind != Kind::number) return false;
  const char* first = member->raw.data();
  const char* last = first + member->raw.size();
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last;
}

bool JsonObject::getBool(std::string_view key, bool& value) const {
  const Member* member = find(key);
  if (member == nullptr || member->kind != Kind::boolean) return false;
  value = member->raw == "true";
  return true;
}

bool JsonObject::getAscii(std::string_view key, std::string_view& value) const {
  const Member* member = find(key);
  if (member == nullptr || member->kind != Kind::string) return false;
  const std::string_view inner = member->raw.substr(1, member->raw.size() - 2);
  for (const char c : inner) {
    if (c == '\\' || static_cast<unsigned char>(c) >= 0x80) return false;
  }
  value = inner;
  return true;
}
