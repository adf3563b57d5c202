#!/usr/bin/env bash
# Renews the README's picture of the main window: runs the GUI test that shows the main
# window with the sample folders compared (offscreen) and saves it as
# build/screenshots/readme-main-window.png, and copies that picture to
# dist/screenshots/main-window.png, which is committed.
set -euo pipefail
MIRRANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$MIRRANE_ROOT/scripts/deps.sh"
mirrane_install_dependencies

build_dir="$MIRRANE_ROOT/build"
mirrane_build "$build_dir" -DMIRRANE_TESTS=ON
picture="$build_dir/screenshots/readme-main-window.png"
rm -f "$picture"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" -R ReadmeScreenshot --output-on-failure
if [ ! -f "$picture" ]; then
  echo "No test saved $picture. The main window's test named ReadmeScreenshot saves it with" >&2
  echo "gui_test::saveScreenshot(hwnd, \"readme-main-window\")." >&2
  exit 1
fi
mkdir -p "$MIRRANE_ROOT/dist/screenshots"
cp "$picture" "$MIRRANE_ROOT/dist/screenshots/main-window.png"
echo "dist/screenshots/main-window.png renewed; show it in README.md where the comment says."
