// Entry point of Mirrane.

#include "app/Startup.h"
#include "platform/Text.h"

int main(int argc, char** argv) {
  std::vector<olstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::utf8ToUtf16(argv[i]));
  return runMirrane(arguments, {});
}
