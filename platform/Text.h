// Text conversion and letter-case rules shared by every part of the program.
// All program text is UTF-16; names and bytes from the system are UTF-8, converted
// losslessly so that any name on disk survives the round trip.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Decodes UTF-8. A byte that is not part of a valid UTF-8 sequence becomes the lone
// surrogate U+DC80 + byte, so the conversion never fails and never loses a byte.
std::u16string utf8ToUtf16(std::string_view bytes);

// Encodes UTF-16 as UTF-8. Lone surrogates U+DC80..U+DCFF turn back into the byte they
// stand for; any other lone surrogate is written as its three-byte form (as WTF-8 does).
std::string utf16ToUtf8(std::u16string_view text);
// The same, appended to out: a caller that encodes many names reuses one buffer.
void appendAsUtf8(std::string& out, std::u16string_view text);

// Simple Unicode upper-case mapping of one UTF-16 code unit (surrogates unchanged),
// from a table built once per process. Locale-independent.
char16_t upperCaseUnit(char16_t unit);

// Ordinal comparison after upper-case mapping of each code unit: <0, 0 or >0.
int compareNoCase(std::u16string_view a, std::u16string_view b);

inline bool equalsNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && compareNoCase(a, b) == 0;
}

// First position of needle in haystack ignoring case, or npos. An empty needle is at 0.
size_t findNoCase(std::u16string_view haystack, std::u16string_view needle);

// The text in Unicode normalization form C (composed: "e" + U+0301 becomes U+00E9). Text
// holding a lone surrogate (a byte that was not UTF-8) comes back unchanged, as does text
// the normalizer refuses.
std::u16string composedForm(std::u16string_view text);

}  // namespace platform
