// A stand-in for 7-Zip that shows what the real one cannot be made to; its behaviour is
// chosen by MRN_FAKE7Z_MODE.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  const char* mode = std::getenv("MRN_FAKE7Z_MODE");
  const std::string how = mode != nullptr ? mode : "exit1";
  if (how == "exit1") {
    std::printf("WARNING: something odd in %s\n", argc > 3 ? argv[3] : "?");
    return 1;
  }
  if (how == "flood") {
    // 50 MiB of output, then failure: the reader must drain the pipe as it goes.
    static char line[1024];
    std::memset(line, 'x', sizeof line - 1);
    line[sizeof line - 1] = '\n';
    for (int i = 0; i < 50 * 1024; ++i) std::fwrite(line, 1, sizeof line, stdout);
    return 1;
  }
  if (how == "crash") std::abort();
  if (how == "utf16") {
    // Output in UTF-16LE, as some builds print it.
    std::fwrite("E\0r\0r\0", 1, 6, stdout);
    return 2;
  }
  if (how == "sleep") {
    for (;;) pause();
  }
  if (how == "slow-unpack") {
    // Has no listing to give, and unpacks until stopped.
    if (argc < 2 || std::strcmp(argv[1], "x") != 0) return 2;
    for (;;) pause();
  }
  if (how == "tar") {
    // An unpacker that keeps every link as the archive holds it, also those 7-Zip refuses:
    // "x" unpacks the tar named last into the current folder; anything else fails.
    if (argc < 3 || std::strcmp(argv[1], "x") != 0) return 2;
    execlp("tar", "tar", "-xf", argv[argc - 1], static_cast<char*>(nullptr));
    return 2;
  }
  return 0;
}
