// Entry point of Mirrane.
//
// FIXME: a stand-in until the console mode arrives: "mirrane PATH1 PATH2 hide" runs the
// compare job with the default options and prints the three counters; exit code 0 without
// differences, 1 with differences or on failure.

#include "engine/CompareEngine.h"
#include "foundation/Paths.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int runHiddenCompare(const char* first, const char* second) {
  static CompareEngine engine;
  engine.options.path0 = fullPath(fromUtf8(first));
  engine.options.path1 = fullPath(fromUtf8(second));
  if (!engine.worker.startWorker(engine)) return 1;
  engine.worker.waitFinished();
  const CompareResult& result = engine.result;
  if (engine.worker.exitCode() != 0) {
    olstring text;
    const uint32_t code = engine.job.getError(text, u": ");
    std::printf("fail 0x%.8x %s\n", code, toUtf8(text).c_str());
    return 1;
  }
  std::printf("missing_second %lld\ndiffering %lld\nmissing_first %lld\n",
              static_cast<long long>(result.missingSecond), static_cast<long long>(result.differing),
              static_cast<long long>(result.missingFirst));
  return result.differing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  if (argc == 4 && std::strcmp(argv[3], "hide") == 0) return runHiddenCompare(argv[1], argv[2]);
  std::puts("Mirrane 1.2.0");
  return 0;
}
