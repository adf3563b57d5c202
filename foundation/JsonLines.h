// JSON text for the program's JSON Lines files (the item report, listings): writing values
// so that every name survives exactly, and reading one line back strictly.
//
// Names are the program's UTF-16 text. A unit JSON cannot carry as it is (a control
// character, a lone surrogate: a byte of a name that is not UTF-8) is written as a \u
// escape; when a lone surrogate had to be escaped, the path also goes out as its raw bytes
// in base64 under "KEY_bytes", so that any reader gets the bytes back.
#pragma once

#include "foundation/olstring.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---- Writing. Each call appends to out.

void appendNumber(std::string& out, int64_t value);
// The text as the inside of a JSON string. True when a lone surrogate had to be written as
// a \u escape, that is when the bytes must be given beside the text.
bool appendJsonText(std::string& out, olstring_view text);
// The same in quotes.
bool appendJsonString(std::string& out, olstring_view text);
// The bytes in base64, in quotes.
void appendBase64(std::string& out, std::string_view bytes);
// ,"key":"text" (null when empty), and ,"key_bytes":"base64" when the text alone cannot
// give the bytes back.
void appendPathField(std::string& out, std::string_view key, olstring_view text);
// ,"key":[first,second] for two sides, each null when empty, with ,"key_bytes":[...] when
// either needs its bytes.
void appendPathPair(std::string& out, std::string_view key, olstring_view first, olstring_view second);
// ,"key":"a/b/c" for the names joined by "/", and ,"key_bytes" when a name is not UTF-8.
void appendRelativePath(std::string& out, std::string_view key, const std::vector<olstring_view>& names);
void appendBool(std::string& out, std::string_view key, bool value);
void appendCount(std::string& out, std::string_view key, int64_t value);
// A time (100 ns units since 1601) as ISO 8601 in UTC in quotes, to the second:
// "2024-05-01T10:00:00Z"; with nanoseconds (0 to 999,999,999) given, to the nanosecond:
// "2024-05-01T10:00:00.123456789Z" (the seconds of fileTime, the fraction from nanoseconds).
void appendIsoTime(std::string& out, uint64_t fileTime);
void appendIsoTime(std::string& out, uint64_t fileTime, uint32_t nanoseconds);

// ---- Reading.

// Standard base64 with padding; false on anything else.
bool decodeBase64(std::string_view text, std::string& bytes);

// "YYYY-MM-DDTHH:MM:SSZ" with an optional fraction of 1 to 9 digits before the Z, as a time
// in 100 ns units since 1601 (times before 1601 give 0) and the fraction in nanoseconds.
// False when the text is not such a time or names no real date.
bool parseIsoTime(std::string_view text, uint64_t* fileTime, uint32_t* nanoseconds);

// One line of a JSON Lines file parsed strictly (RFC 8259): one object, members given at
// most once, nothing after it but blanks. The values stay where they are in the line; they
// are checked for their syntax here and decoded on request. The line must outlive the object.
class JsonObject {
public:
  enum class Kind { string, number, boolean, null, object, array };
  struct Member {
    std::string key;
    Kind kind = Kind::null;
    // The value's text as it stands in the line (a string with its quotes).
    std::string_view raw;
  };

  // False when the text is not a JSON object (or nests deeper than the reader allows).
  bool parse(std::string_view text);
  // The member with this key, or null.
  const Member* find(std::string_view key) const;
  const std::vector<Member>& members() const { return m_members; }

  // The member's value when it is of that kind; false when the member is missing, of
  // another kind, or (a string) not valid UTF-8, or (an integer) not a whole number that
  // fits in 64 bits.
  bool getString(std::string_view key, olstring& value) const;
  bool getInteger(std::string_view key, int64_t& value) const;
  bool getBool(std::string_view key, bool& value) const;
  // A string's raw bytes when it holds nothing but ASCII without escapes (a hash, a time, a
  // kind); false otherwise.
  bool getAscii(std::string_view key, std::string_view& value) const;

  // Decodes a string value given with its quotes into the program's text; \u escapes of
  // lone surrogates become those units. False when it is not valid UTF-8.
  static bool decodeString(std::string_view raw, olstring& value);

private:
  std::vector<Member> m_members;
};
