// The program's string and map types: all text is UTF-16, and names are ordered by the
// ordinal comparison after simple upper-case mapping.
#pragma once

#include "platform/Text.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

using olstring = std::u16string;
using olstring_view = std::u16string_view;

// Orders names ignoring letter case, without locale rules.
struct olmap_nocasecompare {
  using is_transparent = void;
  bool operator()(olstring_view a, olstring_view b) const { return platform::compareNoCase(a, b) < 0; }
};

template <typename Value>
using olstrmap = std::map<olstring, Value, olmap_nocasecompare>;

// A shared byte array with its size.
struct olbuffer {
  std::shared_ptr<uint8_t[]> data;
  uint32_t size = 0;

  static olbuffer allocate(uint32_t bytes) {
    olbuffer buffer;
    buffer.data = std::shared_ptr<uint8_t[]>(new uint8_t[bytes == 0 ? 1 : bytes]());
    buffer.size = bytes;
    return buffer;
  }
};

// UTF-8 (with the lossless byte rule) to and from the program's text.
inline olstring fromUtf8(std::string_view bytes) { return platform::utf8ToUtf16(bytes); }
inline std::string toUtf8(olstring_view text) { return platform::utf16ToUtf8(text); }

// The StrStrIW equivalent: first position of needle in haystack ignoring case, or npos.
inline size_t findNoCase(olstring_view haystack, olstring_view needle) {
  return platform::findNoCase(haystack, needle);
}
