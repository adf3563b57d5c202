// Feeds arbitrary bytes to the strict JSON line parser that reads listings. Besides crashes
// it catches a string that does not survive being written again and read back, and a time
// that reads but does not write back to itself.

#include "foundation/JsonLines.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  JsonObject object;
  if (!object.parse(input)) return 0;
  for (const JsonObject::Member& member : object.members()) {
    if (member.kind != JsonObject::Kind::string) continue;
    olstring value;
    if (!JsonObject::decodeString(member.raw, value)) continue;
    // Whatever a line can hold, the writer writes so that it reads back unit for unit.
    std::string line = "{\"k\":";
    appendJsonString(line, value);
    line += '}';
    JsonObject again;
    olstring back;
    if (!again.parse(line) || !again.getString("k", back) || back != value) fail("a string does not read back", input);

    uint64_t fileTime = 0;
    uint32_t nanoseconds = 0;
    std::string_view text;
    if (object.getAscii(member.key, text) && parseIsoTime(text, &fileTime, &nanoseconds) && fileTime != 0) {
      std::string written;
      appendIsoTime(written, fileTime, nanoseconds);
      uint64_t fileTimeAgain = 0;
      uint32_t nanosecondsAgain = 0;
      if (!parseIsoTime(std::string_view(written).substr(1, written.size() - 2), &fileTimeAgain, &nanosecondsAgain) ||
          fileTimeAgain != fileTime || nanosecondsAgain != nanoseconds) {
        fail("a time does not write back to itself", input);
      }
    }
    std::string bytes;
    if (object.getAscii(member.key, text)) decodeBase64(text, bytes);
  }
  return 0;
}
