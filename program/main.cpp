// Entry point of Mirrane: the arguments in, the exit code out; the window when it is built.

#include "app/Startup.h"
#include "platform/Text.h"

#if MIRRANE_WITH_WINDOW
#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "platform/Console.h"
#include "platform/Path.h"

#include <dlfcn.h>

namespace {

// The window, from its module; a module that cannot be loaded is said with the loader's reason.
int runWindowModule(MirraneCore& core) {
  const std::string path = platform::utf16ToUtf8(platform::moduleFolder() + u"/mirrane-window.so");
  // Never closed: Qt leaves handlers behind that run at the process's exit.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  using Run = int (*)(MirraneCore&);
  const auto run = module != nullptr ? reinterpret_cast<Run>(dlsym(module, "mirraneRunWindowed")) : nullptr;
  if (run == nullptr) {
    const char* why = dlerror();
    platform::writeConsole(platform::StandardStream::error,
                           langText(lang::console::kWindowMissing, platform::utf8ToUtf16(why ? why : path)) + u"\r\n");
    return 1;
  }
  return run(core);
}

}  // namespace
#endif

int main(int argc, char** argv) {
  std::vector<olstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(platform::utf8ToUtf16(argv[i]));
#if MIRRANE_WITH_WINDOW
  return runMirrane(arguments, runWindowModule);
#else
  return runMirrane(arguments, {});
#endif
}
