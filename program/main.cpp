// Entry point of Mirrane: the arguments in, the exit code out; the window when it is built in.

#include "app/Startup.h"
#include "platform/Text.h"

#if MIRRANE_WITH_WINDOW
#include "window/WindowedRun.h"
#endif

int main(int argc, char** argv) {
  std::vector<olstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::utf8ToUtf16(argv[i]));
#if MIRRANE_WITH_WINDOW
  return runMirrane(arguments, runWindowed);
#else
  return runMirrane(arguments, {});
#endif
}
