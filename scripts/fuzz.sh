#!/usr/bin/env bash
# Builds the libFuzzer targets with clang++ (libFuzzer and AddressSanitizer) in the build
# folder build-fuzz and runs each for a number of seconds (first argument, default 60):
# the INI parser, the text decoder, the JSON line parser of listings, the command-line parser
# and the exclusion parser. Further arguments name the targets to run (default: all). Exits non-zero when a fuzzer finds a
# crash, a leak or a broken round trip; the input that shows it is left in
# build-fuzz/findings/.
set -euo pipefail
MIRRANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$MIRRANE_ROOT/scripts/deps.sh"
mirrane_install_dependencies

seconds=${1:-60}
shift || true
build_dir="$MIRRANE_ROOT/build-fuzz"

# target | seed folders (read only) | dictionary | longest input
all_targets=(
  "ini_fuzz|tests/foundation/fuzz/corpus lang config|tests/foundation/fuzz/ini.dict|4096"
  "text_fuzz|tests/foundation/fuzz/text-corpus lang|tests/foundation/fuzz/ini.dict|4096"
  "json_fuzz|tests/foundation/fuzz/json-corpus|tests/foundation/fuzz/json.dict|2048"
  "commandline_fuzz|tests/app/fuzz/corpus|tests/app/fuzz/commandline.dict|1024"
  "exclude_fuzz|tests/engine/fuzz/corpus|tests/engine/fuzz/exclude.dict|512"
)
wanted=("$@")

cmake -S "$MIRRANE_ROOT" -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMIRRANE_FUZZ=ON -DMIRRANE_GUI=OFF -DMIRRANE_TESTS=OFF >/dev/null

failed=()
for entry in "${all_targets[@]}"; do
  IFS='|' read -r target seeds dictionary max_len <<<"$entry"
  if [ ${#wanted[@]} -gt 0 ] && [[ ! " ${wanted[*]} " =~ " $target " ]]; then continue; fi
  cmake --build "$build_dir" --target "$target"
  # New inputs go to the target's own corpus folder (kept between runs); the seeds are read only.
  corpus="$build_dir/corpus/$target"
  mkdir -p "$corpus" "$build_dir/findings"
  seed_paths=()
  for seed in $seeds; do seed_paths+=("$MIRRANE_ROOT/$seed"); done
  echo "== $target for $seconds s" >&2
  if ! "$build_dir/$target" -max_total_time="$seconds" -dict="$MIRRANE_ROOT/$dictionary" -max_len="$max_len" \
      -artifact_prefix="$build_dir/findings/$target-" -print_final_stats=1 "$corpus" "${seed_paths[@]}"; then
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in $build_dir/findings/)" >&2
  exit 1
fi
