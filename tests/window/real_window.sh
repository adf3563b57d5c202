#!/usr/bin/env bash
# The real program on a real X server: "mirrane A B start" opens its window, compares two
# folders and shows the rows. The window's picture is saved (screenshots/real-main-window.png
# in the build folder) and must not be blank. Exit 77 (skipped) only when Xvfb or the
# picture tools are missing.
set -euo pipefail
build=$1
source "$(dirname "$0")/xvfb_session.sh"
xvfb_need Xvfb xwininfo xwd python3
xvfb_work
xvfb_copy_program "$build"

mkdir -p "$work/a/docs" "$work/b/docs"
for side in a b; do
  printf 'same\n' > "$work/$side/same.txt"
  printf 'content %s\n' "$side" > "$work/$side/docs/report.txt"
done
printf 'only here\n' > "$work/a/only-first.txt"
printf 'only there\n' > "$work/b/only-second.txt"

xvfb_start
"$work/app/mirrane" "$work/a" "$work/b" start >"$work/mirrane.log" 2>&1 &
pids+=($!)
app=$!

window=""
for _ in $(seq 100); do
  # A failed look (the server still busy, or awk done before xwininfo) is only tried again:
  # under pipefail it would end the test without a word.
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"Mirrane"/ && !found {print $1; found = 1}' || true)
  [ -n "$window" ] && break
  kill -0 "$app" 2>/dev/null || { echo "mirrane ended early:"; cat "$work/mirrane.log"; exit 1; }
  sleep 0.1
done
[ -n "$window" ] || { echo "no window titled Mirrane appeared"; cat "$work/mirrane.log"; exit 1; }
# The compare of a handful of files is over long before this; the rows are then painted.
sleep 3
kill -0 "$app" 2>/dev/null || { echo "mirrane ended while showing its window:"; cat "$work/mirrane.log"; exit 1; }
xwd -id "$window" -silent >"$work/window.xwd"
mkdir -p "$build/screenshots"
python3 "$(dirname "$0")/xwd_check.py" "$work/window.xwd" "$build/screenshots/real-main-window.png"
