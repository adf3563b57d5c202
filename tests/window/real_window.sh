#!/usr/bin/env bash
# The real program on a real X server: "mirrane A B start" opens its window, compares two
# folders and shows the rows. The window's picture is saved (screenshots/real-main-window.png
# in the build folder) and must not be blank. Exit 77 (skipped) only when Xvfb or the
# picture tools are missing.
set -euo pipefail
build=$1
for tool in Xvfb xwininfo xwd python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (the test packages in scripts/deps.sh install it)"
    exit 77
  fi
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program with its data: its settings stay in the copy's config folder.
mkdir -p "$work/app/config"
cp "$build/mirrane" "$work/app/"
cp -r "$build/lang" "$work/app/"
cp "$build/config/advconf.ini" "$work/app/config/"

mkdir -p "$work/a/docs" "$work/b/docs"
for side in a b; do
  printf 'same\n' > "$work/$side/same.txt"
  printf 'content %s\n' "$side" > "$work/$side/docs/report.txt"
done
printf 'only here\n' > "$work/a/only-first.txt"
printf 'only there\n' > "$work/b/only-second.txt"

display=""
for n in $(seq 90 150); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free display number"; exit 1; }
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
[ -e "/tmp/.X11-unix/X$display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }

export DISPLAY=":$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
"$work/app/mirrane" "$work/a" "$work/b" start >"$work/mirrane.log" 2>&1 &
pids+=($!)
app=$!

window=""
for _ in $(seq 100); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"Mirrane"/ {print $1; exit}')
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
