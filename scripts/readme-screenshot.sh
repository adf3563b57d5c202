#!/usr/bin/env bash
# Renews the README's picture of the main window: runs the GUI test that shows the main
# window with two photo folders compared (offscreen) and saves it as
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
# The folders get ordinary names (/home/ann/photos-2025 against /media/backup/photos-2025)
# in a private /home and /media of a mount namespace of its own, so that the picture shows no
# temporary folder of the machine that took it. The homes already there (a checkout may live
# in one) are mounted back into the private /home.
unshare --map-root-user --mount bash -euc '
  homes=$(mktemp -d)
  mount --rbind /home "$homes"
  mount -t tmpfs tmpfs /home
  for home in "$homes"/*; do
    [ -d "$home" ] || continue
    mkdir "/home/${home##*/}" && mount --rbind "$home" "/home/${home##*/}"
  done
  mount -t tmpfs tmpfs /media
  mkdir -p /home/ann
  QT_QPA_PLATFORM=offscreen MIRRANE_PICTURE_FOLDERS=1 ctest --test-dir "$1" -R ReadmeScreenshot --output-on-failure
' picture "$build_dir"
if [ ! -f "$picture" ]; then
  echo "No test saved $picture. The main window's test named ReadmeScreenshot saves it with" >&2
  echo "gui_test::saveScreenshot(hwnd, \"readme-main-window\")." >&2
  exit 1
fi
mkdir -p "$MIRRANE_ROOT/dist/screenshots"
cp "$picture" "$MIRRANE_ROOT/dist/screenshots/main-window.png"
echo "dist/screenshots/main-window.png renewed; show it in README.md where the comment says."
