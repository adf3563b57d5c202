#!/usr/bin/env bash
# Builds the Debian package (cpack -G DEB) in the build folder, reusing what scripts/test.sh
# or scripts/run.sh built there, and prints its dependencies. With --check it has lintian
# check the package (any error or warning fails), then unpacks it into a scratch root with
# dpkg -x and checks the program installed there.
set -euo pipefail
MIRRANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$MIRRANE_ROOT/scripts/deps.sh"
mirrane_install_dependencies

build_dir="$MIRRANE_ROOT/build"
options=()
[ -f "$build_dir/CMakeCache.txt" ] || options=(-DMIRRANE_TESTS=OFF)
mirrane_build "$build_dir" "${options[@]}"
rm -f "$build_dir"/mirrane_*.deb
if ! report=$(cd "$build_dir" && cpack -G DEB 2>&1); then
  echo "$report" >&2
  exit 1
fi
deb=$(echo "$build_dir"/mirrane_*.deb)
echo "$deb"
dpkg-deb --field "$deb" Version Depends Recommends

if [ "${1:-}" = "--check" ]; then
  # As a distribution would judge it: errors and warnings fail, notes are only shown.
  lintian --fail-on error,warning --display-info "$deb"
  echo "lintian: no errors or warnings"
  root=$(mktemp -d)
  trap 'rm -rf "$root"' EXIT
  dpkg -x "$deb" "$root"
  version=$(dpkg-deb --field "$deb" Version)
  for step in program manual desktop metainfo; do
    bash "$MIRRANE_ROOT/tests/dist/check_installed.sh" "$step" "$root/usr" "$version"
  done
  echo "The package installs and runs from a scratch root: $(find "$root" -type f | wc -l) files"
fi
