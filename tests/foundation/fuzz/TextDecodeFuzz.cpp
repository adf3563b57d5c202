// Feeds arbitrary bytes to the text decoder. Besides crashes it catches a text that does not
// survive being written and read again in every encoding the program writes, and bytes that
// do not survive the lossless reading of 8-bit text (every byte that is not UTF-8 kept as an
// escape) and writing it back.

#include "foundation/TextFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
  std::abort();
}

std::string hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const unsigned char byte : bytes) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
    out += ' ';
  }
  return out;
}

olstring decode(const std::string& bytes, bool* complete) {
  return decodeText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), complete);
}

bool startsLikeAByteOrderMark(const std::string& bytes) {
  return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xEF\xBB\xBF");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  bool complete = false;
  const olstring text = decode(input, &complete);
  if (text.find(u'\0') != olstring::npos) fail("a decoded text holds a NUL", hex(input));
  if (input.find('\0') == std::string::npos && !complete) fail("text without a zero byte is incomplete", hex(input));

  // Whatever was read can be written in each encoding with a byte-order mark and read back
  // unchanged and whole.
  for (const TextEncoding encoding : {TextEncoding::utf16le, TextEncoding::utf16be}) {
    const std::string written = encodeText(text, encoding);
    bool again = false;
    if (decode(written, &again) != text || !again) fail("a UTF-16 form does not read back", hex(input));
  }

  // Eight-bit text (no zero byte, no byte-order mark) is read without losing a byte: written
  // back, it gives the very bytes, and so does the UTF-8 form after its mark.
  if (!input.empty() && input.find('\0') == std::string::npos && !startsLikeAByteOrderMark(input)) {
    if (encodeText(text, TextEncoding::ansi) != input) fail("8-bit bytes do not survive reading", hex(input));
    const std::string utf8 = encodeText(text, TextEncoding::utf8);
    if (utf8.substr(3) != input) fail("the UTF-8 form loses bytes", hex(input));
    bool again = false;
    if (decode(utf8, &again) != text || !again) fail("the UTF-8 form does not read back", hex(input));
  }
  return 0;
}
