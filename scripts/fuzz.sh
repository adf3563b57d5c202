#!/usr/bin/env bash
# Builds the INI parser's fuzz target with clang++ (libFuzzer and AddressSanitizer) in the
# build folder build-fuzz and runs it for a number of seconds (first argument, default 60).
# Exits non-zero when the fuzzer finds a crash, a leak or a written form that does not read
# back; the input that shows it is left in build-fuzz/findings/.
set -euo pipefail
MIRRANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$MIRRANE_ROOT/scripts/deps.sh"
mirrane_install_dependencies

seconds=${1:-60}
build_dir="$MIRRANE_ROOT/build-fuzz"
fuzz_dir="$MIRRANE_ROOT/tests/foundation/fuzz"

cmake -S "$MIRRANE_ROOT" -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMIRRANE_FUZZ=ON -DMIRRANE_GUI=OFF -DMIRRANE_TESTS=OFF >/dev/null
cmake --build "$build_dir" --target ini_fuzz

# New inputs go to the first corpus folder (kept between runs); the seeds are read only.
mkdir -p "$build_dir/corpus" "$build_dir/findings"
"$build_dir/ini_fuzz" -max_total_time="$seconds" -dict="$fuzz_dir/ini.dict" -max_len=4096 \
  -artifact_prefix="$build_dir/findings/" -print_final_stats=1 \
  "$build_dir/corpus" "$fuzz_dir/corpus" "$MIRRANE_ROOT/lang" "$MIRRANE_ROOT/config"
