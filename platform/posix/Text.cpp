// UTF-8 <-> UTF-16 with the lossless byte rule, and the case-insensitive ordinal order.

#include "platform/Text.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <array>
#include <memory>

namespace platform {
namespace {

constexpr char16_t kEscapeBase = 0xDC80;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at bytes[i] and its code point; 0 when invalid.
// Overlong forms, surrogates and values above U+10FFFF are invalid, which keeps the
// conversion a bijection with the escape rule.
size_t decodeSequence(std::string_view bytes, size_t i, char32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(bytes[i]);
  size_t length;
  char32_t value;
  char32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2; value = lead & 0x1F; minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3; value = lead & 0x0F; minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4; value = lead & 0x07; minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(bytes[i + k]);
    if (!isContinuation(next)) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  codePoint = value;
  return length;
}

void appendUtf8(std::string& out, char32_t value) {
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0 | (value >> 6));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    out += static_cast<char>(0xE0 | (value >> 12));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (value >> 18));
    out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  }
}

using UpperTable = std::array<char16_t, 0x10000>;

const UpperTable& upperTable() {
  // Built once; a function-local static is initialised thread-safely.
  static const std::unique_ptr<UpperTable> table = [] {
    auto built = std::make_unique<UpperTable>();
    for (uint32_t unit = 0; unit < 0x10000; ++unit) {
      char16_t mapped = static_cast<char16_t>(unit);
      if (unit < 0xD800 || unit > 0xDFFF) {
        const UChar32 upper = u_toupper(static_cast<UChar32>(unit));
        // A simple mapping never leaves the BMP for a BMP letter, but guard anyway.
        if (upper >= 0 && upper < 0x10000) mapped = static_cast<char16_t>(upper);
      }
      (*built)[unit] = mapped;
    }
    return built;
  }();
  return *table;
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    char32_t codePoint = 0;
    const size_t length = decodeSequence(bytes, i, codePoint);
    if (length == 0) {
      out += static_cast<char16_t>(kEscapeBase + lead - 0x80);
      ++i;
      continue;
    }
    if (codePoint >= 0x10000) {
      codePoint -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
      out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    } else {
      out += static_cast<char16_t>(codePoint);
    }
    i += length;
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  appendAsUtf8(out, text);
  return out;
}

void appendAsUtf8(std::string& out, std::u16string_view text) {
  // Most names are ASCII: their units are copied as bytes, without a check per byte.
  size_t ascii = 0;
  while (ascii < text.size() && text[ascii] < 0x80) ++ascii;
  const size_t start = out.size();
  out.resize(start + ascii);
  for (size_t i = 0; i < ascii; ++i) out[start + i] = static_cast<char>(text[i]);
  for (size_t i = ascii; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit < 0x80) {
      out += static_cast<char>(unit);
    } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      const char32_t value = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      appendUtf8(out, value);
      ++i;
    } else if (unit >= kEscapeBase && unit <= 0xDCFF) {
      // An escaped byte. Only bytes >= 0x80 are ever escaped.
      out += static_cast<char>(unit - kEscapeBase + 0x80);
    } else {
      appendUtf8(out, unit);
    }
  }
}

char16_t upperCaseUnit(char16_t unit) {
  if (unit < 0x80) return (unit >= u'a' && unit <= u'z') ? unit - 32 : unit;
  return upperTable()[unit];
}

int compareNoCase(std::u16string_view a, std::u16string_view b) {
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  // Units that are the same are the same in upper case: names of one folder often share a
  // long start, which needs no case mapping at all.
  size_t i = 0;
  while (i < common && a[i] == b[i]) ++i;
  for (; i < common; ++i) {
    const char16_t x = upperCaseUnit(a[i]);
    const char16_t y = upperCaseUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

size_t findNoCase(std::u16string_view haystack, std::u16string_view needle) {
  if (needle.empty()) return 0;
  if (needle.size() > haystack.size()) return std::u16string_view::npos;
  for (size_t start = 0; start + needle.size() <= haystack.size(); ++start) {
    size_t k = 0;
    while (k < needle.size() && upperCaseUnit(haystack[start + k]) == upperCaseUnit(needle[k])) ++k;
    if (k == needle.size()) return start;
  }
  return std::u16string_view::npos;
}

std::u16string composedForm(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (!U16_IS_SURROGATE(unit)) continue;
    if (U16_IS_SURROGATE_LEAD(unit) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) {
      ++i;
      continue;
    }
    return std::u16string(text);
  }
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* composer = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status)) return std::u16string(text);
  const auto* source = reinterpret_cast<const UChar*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  if (unorm2_isNormalized(composer, source, length, &status) && U_SUCCESS(status)) return std::u16string(text);
  status = U_ZERO_ERROR;
  // Composition never makes a text longer than its decomposed form; a little room spares
  // a second pass in odd cases.
  std::u16string composed(text.size() + 8, u'\0');
  int32_t written = unorm2_normalize(composer, source, length, reinterpret_cast<UChar*>(composed.data()),
                                     static_cast<int32_t>(composed.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    composed.assign(static_cast<size_t>(written), u'\0');
    written = unorm2_normalize(composer, source, length, reinterpret_cast<UChar*>(composed.data()), written, &status);
  }
  if (U_FAILURE(status)) return std::u16string(text);
  composed.resize(static_cast<size_t>(written));
  return composed;
}

}  // namespace platform
