// Reading a JSON Lines line back: what the strict parser takes and refuses, every name the
// writer can write coming back unit for unit, times to the nanosecond, base64.

#include "foundation/JsonLines.h"

#include "platform/FolderListing.h"

#include <gtest/gtest.h>

TEST(JsonLines, TheParserTakesJsonObjectsAndNothingElse) {
  struct Case {
    std::string line;
    bool accepted;
  };
  const Case cases[] = {
      {R"({"a":1,"b":"x","c":true,"d":null,"e":[1,{"f":[]}],"g":-0.5e+3})", true},
      {" {\"a\" : 1 }\r", true},
      {"{}", true},
      {R"({"a":1,})", false},          // a trailing comma
      {R"({"a":1}{"b":2})", false},    // two objects on one line
      {R"({"a":1} x)", false},         // something after the object
      {R"({"a":1,"a":2})", false},     // a member twice
      {R"({"a":01})", false},          // a leading zero
      {R"({"a":1.})", false},          // a fraction without digits
      {R"({"a":"\x"})", false},        // an escape JSON does not have
      {R"({"a":"\u12G4"})", false},    // a \u escape that is not hexadecimal
      {"{\"a\":\"tab\there\"}", false},  // a raw control character inside a string
      {R"({"a":"open})", false},       // a string that never ends
      {R"({"a":tru})", false},
      {R"(["a"])", false},             // not an object
      {"", false},
      {"{\"a\":" + std::string(40, '[') + std::string(40, ']') + "}", false},  // too deep
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    JsonObject object;
    EXPECT_EQ(object.parse(c.line), c.accepted);
  }
}

TEST(JsonLines, EveryNameComesBackUnitForUnit) {
  // Escapes JSON needs, a character outside the BMP, the bytes 0xE9 and 0xFF that are not
  // UTF-8 (held as U+DCE9 and U+DCFF), the bytes of an encoded surrogate (ED B3 A9, no
  // UTF-8 either), and plain text.
  const olstring names[] = {u"q\"b\\s\n\t\x01/", u"caf\u00e9 \U0001F600", u"caf\xDCE9\xDCFF",
                            u"x\xDCED\xDCB3\xDCA9y", u"plain"};
  for (const olstring& name : names) {
    SCOPED_TRACE(toUtf8(name));
    std::string line = "{\"type\":\"item\"";
    appendPathField(line, "path", name);
    line += '}';
    JsonObject object;
    ASSERT_TRUE(object.parse(line)) << line;
    olstring back;
    ASSERT_TRUE(object.getString("path", back));
    EXPECT_EQ(back, name);
    // The bytes come beside the text exactly when the text alone cannot give them back.
    const bool lone = name.find_first_of(u"\xDCE9\xDCED") != olstring::npos;
    std::string_view encoded;
    ASSERT_EQ(object.getAscii("path_bytes", encoded), lone);
    std::string bytes;
    if (lone) {
      ASSERT_TRUE(decodeBase64(encoded, bytes));
      EXPECT_EQ(fromUtf8(bytes), name);
    }
  }
  // A string that is not UTF-8 is refused, not guessed at.
  olstring value;
  EXPECT_FALSE(JsonObject::decodeString("\"caf\xE9\"", value));
  EXPECT_FALSE(JsonObject::decodeString("\"\xED\xA0\x80\"", value));  // an encoded surrogate
}

TEST(JsonLines, TimesToTheNanosecondAndBase64) {
  struct Case {
    int64_t seconds;
    uint32_t nanoseconds;
    const char* text;
  };
  const Case cases[] = {
      {0, 0, "\"1970-01-01T00:00:00.000000000Z\""},
      {951782400, 123456789, "\"2000-02-29T00:00:00.123456789Z\""},
      {-1, 999999999, "\"1969-12-31T23:59:59.999999999Z\""},
      {4102444799, 1, "\"2099-12-31T23:59:59.000000001Z\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string out;
    const uint64_t fileTime = platform::fileTimeFromPosix(c.seconds, c.nanoseconds);
    appendIsoTime(out, fileTime, c.nanoseconds);
    EXPECT_EQ(out, c.text);
    uint64_t back = 0;
    uint32_t nanoseconds = 0;
    ASSERT_TRUE(parseIsoTime(std::string_view(out).substr(1, out.size() - 2), &back, &nanoseconds));
    EXPECT_EQ(back, fileTime);
    EXPECT_EQ(nanoseconds, c.nanoseconds);
  }
  uint64_t fileTime = 0;
  uint32_t nanoseconds = 0;
  EXPECT_TRUE(parseIsoTime("2024-05-01T10:00:00Z", &fileTime, &nanoseconds));
  EXPECT_TRUE(parseIsoTime("2024-05-01T10:00:00.5Z", &fileTime, &nanoseconds));
  EXPECT_EQ(nanoseconds, 500000000u);
  for (const char* wrong : {"2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z", "2024-05-01T24:00:00Z",
                            "2024-05-01 10:00:00Z", "2024-05-01T10:00:00", "2024-05-01T10:00:00.Z",
                            "2024-05-01T10:00:00.1234567890Z"}) {
    EXPECT_FALSE(parseIsoTime(wrong, &fileTime, &nanoseconds)) << wrong;
  }

  std::string bytes;
  const std::string raws[] = {"", "f", "fo", "foo", "foob", std::string("\xE9\xFF\0", 3)};
  for (const std::string& raw : raws) {
    std::string encoded;
    appendBase64(encoded, raw);
    ASSERT_TRUE(decodeBase64(std::string_view(encoded).substr(1, encoded.size() - 2), bytes));
    EXPECT_EQ(bytes, raw);
  }
  for (const char* wrong : {"Zm9", "Zm9v!A==", "Z===", "=m9v"}) EXPECT_FALSE(decodeBase64(wrong, bytes)) << wrong;
}
