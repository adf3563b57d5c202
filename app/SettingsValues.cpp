#include "app/SettingsValues.h"

#include <limits>

namespace {

bool isWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

int digitValue(char16_t c, int base) {
  int value = -1;
  if (c >= u'0' && c <= u'9') value = c - u'0';
  else if (c >= u'a' && c <= u'z') value = c - u'a' + 10;
  else if (c >= u'A' && c <= u'Z') value = c - u'A' + 10;
  return value < base ? value : -1;
}

}  // namespace

int64_t readNumber(olstring_view value) {
  int base = 10;
  if (value.size() >= 2 && value[0] == u'0' && (value[1] == u'x' || value[1] == u'X')) {
    base = 16;
    value.remove_prefix(2);
  }
  size_t i = 0;
  while (i < value.size() && isWhiteSpace(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) negative = value[i++] == u'-';
  // The largest magnitude the sign allows; anything beyond saturates to it.
  const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
  uint64_t magnitude = 0;
  for (; i < value.size(); ++i) {
    const int digit = digitValue(value[i], base);
    if (digit < 0) break;
    // Checked before multiplying: once the product wraps, no later test can tell.
    if (magnitude > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
      magnitude = limit;
      break;
    }
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  if (negative) return magnitude == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
  return static_cast<int64_t>(magnitude);
}

bool readBoolean(olstring_view value) {
  if (value.empty()) return false;
  if (value.size() == 4) {
    olstring lower(value);
    for (char16_t& c : lower) {
      if (c >= u'A' && c <= u'Z') c += 32;
    }
    if (lower == u"true") return true;
  }
  return readNumber(value) != 0;
}

bool readWholeSeconds(olstring_view value, uint32_t maxSeconds, uint32_t* seconds) {
  if (value.empty() || value.size() > 10) return false;
  uint64_t number = 0;
  for (const char16_t unit : value) {
    if (unit < u'0' || unit > u'9') return false;
    number = number * 10 + (unit - u'0');
  }
  if (number > maxSeconds) return false;
  *seconds = static_cast<uint32_t>(number);
  return true;
}

olstring writeBoolean(bool value) { return value ? u"true" : u"false"; }

olstring writeNumber(int64_t value) { return fromUtf8(std::to_string(value)); }
