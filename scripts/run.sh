#!/usr/bin/env bash
# Builds the program alone (installing what is missing when run as root) and runs it with
# the arguments given.
set -euo pipefail
MIRRANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$MIRRANE_ROOT/scripts/deps.sh"
mirrane_install_dependencies run
build_dir="$MIRRANE_ROOT/build"
# A new build folder leaves the tests out (scripts/test.sh turns them on in the same folder):
# a first run then needs neither GoogleTest nor the time to compile the tests.
options=()
[ -f "$build_dir/CMakeCache.txt" ] || options=(-DMIRRANE_TESTS=OFF)
mirrane_configure "$build_dir" "${options[@]}"
cmake --build "$build_dir" -j "$(nproc)" --target mirrane >&2
exec "$build_dir/mirrane" "$@"
