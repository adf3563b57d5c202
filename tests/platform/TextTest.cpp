#include "platform/Text.h"

#include <gtest/gtest.h>

#include <random>

using namespace platform;

TEST(Text, EveryByteSequenceRoundTrips) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 24, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 256);
    SCOPED_TRACE(round);
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(bytes)), bytes);
  }
}

TEST(Text, DecodesValidUtf8AndEscapesInvalidBytes) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"abc", u"abc"},
      {"\xC3\xA9", u"\u00E9"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},  // non-BMP: a surrogate pair
      {"\xFF", std::u16string(1, char16_t(0xDCFF))},
      {"\xC0\xAF", std::u16string{char16_t(0xDCC0), char16_t(0xDCAF)}},  // overlong
      {"\xED\xA0\x80", std::u16string{char16_t(0xDCED), char16_t(0xDCA0), char16_t(0xDC80)}},  // surrogate
      {"a\xE2\x82", std::u16string{u'a', char16_t(0xDCE2), char16_t(0xDC82)}},  // cut short
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(utf8ToUtf16(c.bytes), c.text);
    EXPECT_EQ(utf16ToUtf8(c.text), c.bytes);
  }
}

TEST(Text, CaseInsensitiveOrderUsesSimpleUpperCase) {
  EXPECT_EQ(compareNoCase(u"readme.txt", u"README.TXT"), 0);
  EXPECT_EQ(compareNoCase(u"\u00E9t\u00E9", u"\u00C9T\u00C9"), 0);
  EXPECT_EQ(compareNoCase(u"\u03C3", u"\u03A3"), 0);  // Greek sigma
  // Underscore (0x5F) sorts after upper-case letters once both sides are upper-cased.
  EXPECT_LT(compareNoCase(u"a", u"_"), 0);
  EXPECT_LT(compareNoCase(u"ab", u"abc"), 0);
  EXPECT_GT(compareNoCase(u"b", u"A"), 0);
  // Lone surrogates stay themselves.
  EXPECT_NE(compareNoCase(std::u16string(1, char16_t(0xDCE9)), std::u16string(1, char16_t(0xDCC9))), 0);
  // The German sharp s has no single-unit upper case; it only equals itself.
  EXPECT_NE(compareNoCase(u"\u00DF", u"SS"), 0);
}

TEST(Text, FindIgnoringCase) {
  EXPECT_EQ(findNoCase(u"Hello World", u"WORLD"), 6u);
  EXPECT_EQ(findNoCase(u"Hello", u""), 0u);
  EXPECT_EQ(findNoCase(u"Hello", u"hellos"), std::u16string_view::npos);
  EXPECT_EQ(findNoCase(u"\u00C4rger", u"\u00E4R"), 0u);
}
