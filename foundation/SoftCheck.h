// Soft checks for invariants a caller can break, such as running a dialog that is already
// bound or going on after a window could not be made. A broken check is logged with its
// file and line on standard error and the code recovers with the action given, instead of
// failing silently or crashing the user's session.
#pragma once

#include <atomic>
#include <cstdio>

namespace soft_check {

// How many soft checks have failed in this process (tests read it).
inline std::atomic<unsigned> failures{0};

inline void report(const char* condition, const char* file, int line) {
  failures.fetch_add(1);
  std::fprintf(stderr, "soft check failed: \"%s\" in %s:%d\n", condition, file, line);
}

}  // namespace soft_check

// When the condition does not hold: logs it and runs the recovery statement (for example
// `return false`). Use as a statement: MIRRANE_CHECK(isWindow(hwnd), return -1);
#define MIRRANE_CHECK(condition, recovery)                  \
  if (condition) {                                          \
  } else {                                                  \
    ::soft_check::report(#condition, __FILE__, __LINE__);   \
    recovery;                                               \
  }                                                         \
  do {                                                      \
  } while (false)

// The check alone, for a failure the code can live with: logs it and goes on.
#define MIRRANE_CHECK_ONLY(condition) MIRRANE_CHECK(condition, (void)0)
