#!/usr/bin/env bash
# Builds Mirrane with its tests (installing what is missing when run as root) and runs
# every test. With --sanitize the same tests run under AddressSanitizer and
# UndefinedBehaviorSanitizer in a build folder of their own, built with clang++ (the windows
# included), so that the tree stays free of warnings under both compilers; with --tsan the
# engine's tests (the compare worker and its content readers) run under ThreadSanitizer.
set -euo pipefail
MIRRANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$MIRRANE_ROOT/scripts/deps.sh"
mirrane_install_dependencies

build_dir="$MIRRANE_ROOT/build"
options=(-DMIRRANE_TESTS=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build_dir="$MIRRANE_ROOT/build-sanitize"
  options+=(-DMIRRANE_SANITIZE=ON -DMIRRANE_GUI=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++)
fi
if [ "${1:-}" = "--tsan" ]; then
  build_dir="$MIRRANE_ROOT/build-tsan"
  mirrane_configure "$build_dir" -DMIRRANE_TESTS=ON -DMIRRANE_TSAN=ON
  cmake --build "$build_dir" -j "$(nproc)" --target engine_tests
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  exec "$build_dir/tests/engine_tests" --gtest_brief=1
fi
mirrane_build "$build_dir" "${options[@]}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
