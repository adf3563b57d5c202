#include "foundation/Paths.h"
#include "foundation/TextFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using testing_support::TempFolder;

namespace {

olstring readBytesAsText(const std::string& bytes) {
  TempFolder folder;
  testing_support::writeFileBytes(folder.path("t"), bytes);
  return readTextFile(folder.widePath("t"));
}

std::string writtenBytes(const olstring& text, TextEncoding encoding) {
  TempFolder folder;
  platform::FileHandle handle = openFile(folder.widePath("out"), true);
  EXPECT_NE(handle, nullptr);
  EXPECT_TRUE(writeTextFile(text, handle, encoding));
  EXPECT_TRUE(platform::closeFile(handle));
  return testing_support::readFileBytes(folder.path("out"));
}

}  // namespace

TEST(TextFile, DecodingByByteOrderMark) {
  struct Case {
    std::string bytes;
    olstring text;
    bool complete;  // decoded to the end
  };
  const Case cases[] = {
      {"", u"", true},
      {std::string("\0abc", 4), u"", false},
      {"\xFF\xFE", u"", true},
      {std::string("\xFF\xFE" "a\0b\0", 6), u"ab", true},
      {std::string("\xFF\xFE" "a\0\0\0b\0", 8), u"a", false},  // stops at a NUL unit
      {std::string("\xFF\xFE" "a\0\0\0\0\0", 8), u"a", true},  // zeros to the end are padding
      {std::string("\xFF\xFE" "a\0b", 5), u"ab", true},            // an odd length keeps its last character
      {std::string("\xFE\xFF\0a\0b", 6), u"ab", true},
      {"\xEF\xBB\xBF" "caf\xC3\xA9", u"caf\u00E9", true},
      {"plain", u"plain", true},
      {"\xFF", std::u16string(1, char16_t(0xDCFF)), true},  // one byte FF: one ANSI character
      {std::string("ab\0cd", 5), u"ab", false},
      {std::string("k = v\0\0", 7), u"k = v", true},
      // Without a byte-order mark, UTF-16 shows by its zero bytes.
      {std::string("[\0g\0]\0\r\0\n\0k\0=\0\xE9\0", 16), u"[g]\r\nk=\u00E9", true},
      {std::string("\0[\0g\0]\0\r\0\n\0k\0=\0\xE9", 16), u"[g]\r\nk=\u00E9", true},
      {std::string("[\0g\0]\0\r\0\n\0k", 11), u"[g]\r\nk", true},
      {std::string("[\0g\0]\0\r\0\0\0k\0", 12), u"[g]\r", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(readBytesAsText(c.bytes), c.text);
    bool complete = !c.complete;
    EXPECT_EQ(decodeText(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), &complete), c.text);
    EXPECT_EQ(complete, c.complete);
  }
}

TEST(TextFile, WritingInEachEncodingAndReadingBack) {
  const olstring text = u"Gr\u00FC\u00DFe \U0001F600\r\n";
  EXPECT_EQ(writtenBytes(text, TextEncoding::utf16le).substr(0, 4), std::string("\xFF\xFEG\0", 4));
  EXPECT_EQ(writtenBytes(text, TextEncoding::utf16be).substr(0, 4), std::string("\xFE\xFF\0G", 4));
  EXPECT_EQ(writtenBytes(text, TextEncoding::utf8), "\xEF\xBB\xBF" + toUtf8(text));
  EXPECT_EQ(writtenBytes(text, TextEncoding::ansi), toUtf8(text));
  EXPECT_EQ(writtenBytes(text, static_cast<TextEncoding>(7)), writtenBytes(text, TextEncoding::utf16le));
  for (auto encoding : {TextEncoding::utf16le, TextEncoding::utf16be, TextEncoding::utf8}) {
    EXPECT_EQ(readBytesAsText(writtenBytes(text, encoding)), text);
  }
  // An empty text writes nothing at all, not even a byte-order mark.
  EXPECT_EQ(writtenBytes(u"", TextEncoding::utf16le), "");
}

TEST(TextFile, SmallTextHelpers) {
  EXPECT_EQ(textToNumber(u"0X1f"), 31u);
  EXPECT_EQ(textToNumber(u"12abc"), 12u);
  EXPECT_EQ(textToNumber(u""), 0u);
  EXPECT_EQ(textToNumber(u"0x"), 0u);
  EXPECT_EQ(textToNumber(u"0"), 0u);
  EXPECT_EQ(textToNumber(u"99999999999"), 0xFFFFFFFFu);
  EXPECT_EQ(numberToText(255), u"255");
  EXPECT_EQ(lowerCaseCopy(u"AbC\u00C9"), u"abc\u00C9");
  EXPECT_EQ(byteSwappedCopy(u"\u0102"), u"\u0201");
  EXPECT_EQ(toWide(nullptr, 0), u"");
  EXPECT_EQ(toWide("abc\0def", 0), u"abc");

  uint8_t bytes[92] = {};
  EXPECT_EQ(hexToBytes(u"0x4A 0x0B", bytes), 2u);
  EXPECT_EQ(bytes[0], 0x4A);
  EXPECT_EQ(bytes[1], 0x0B);
  EXPECT_EQ(hexToBytes(u"abc", bytes), 2u);  // odd: a leading 0
  EXPECT_EQ(bytes[0], 0x0A);
  EXPECT_EQ(hexToBytes(olstring(184, u'f'), bytes), 92u);
  EXPECT_EQ(hexToBytes(olstring(186, u'f'), bytes), 0u);
}

TEST(TextFile, FileObjectInMemoryAndOnDisk) {
  olbuffer block = olbuffer::allocate(4);
  olfile memory;
  memory.attachMemory(block);
  EXPECT_TRUE(memory.write("ab", 2));
  EXPECT_FALSE(memory.write("abc", 3)) << "only two bytes remain";
  memory.setPosition(0);
  char out[8] = {};
  EXPECT_EQ(memory.read(out, 8), 4u);
  EXPECT_TRUE(memory.atEnd());
  EXPECT_EQ(memory.read(out, 8), 0u);

  TempFolder folder;
  testing_support::writeFileBytes(folder.path("f"), "hello");
  olfile file;
  EXPECT_FALSE(file.openForReading(u""));
  ASSERT_TRUE(file.openForReading(folder.widePath("f")));
  EXPECT_EQ(file.size(), 5u);
  EXPECT_TRUE(file.setPosition(3));
  EXPECT_EQ(file.read(out, 8), 2u);
  EXPECT_EQ(file.position(), 5u);
  EXPECT_TRUE(file.atEnd());
}
