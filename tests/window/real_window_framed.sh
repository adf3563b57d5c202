#!/usr/bin/env bash
# The real program on a real X server with a window manager (openbox), as a user has it.
#   real_window_framed.sh BUILD frame: a stored placement taller than the screen (top 100,
#     bottom 1150 on an 800-pixel screen) comes back with the whole frame, title bar
#     included, inside the work area.
#   real_window_framed.sh BUILD tab: after a compare, Tab goes from the list through every
#     control of the window, in the order they stand, back to the list; Shift+Tab the same
#     way back. Where the focus is is read from the window's picture: the focused control
#     is the one that shows the Light theme's accent colour it did not show before.
# Exit 77 (skipped) only when a tool is missing.
set -euo pipefail
build=$1
check=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/xvfb_session.sh"
xvfb_need Xvfb openbox xdotool xprop xwininfo xwd python3
xvfb_work

# Waits (up to ten seconds) until the command succeeds.
wait_until() {
  for _ in $(seq 100); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

# A copy of the program with its data; its settings in the copy's config folder, written as
# the program writes them (UTF-16 with its byte order mark, CR LF).
xvfb_copy_program "$build"
settings=$'[global]\r\ntheme=Light\r\n'
if [ "$check" = frame ]; then
  settings+=$'[window]\r\nleft=100\r\ntop=100\r\nright=1000\r\nbottom=1150\r\nmax=false\r\npanel_width=294\r\n'
fi
printf '%s' "$settings" | python3 -c 'import sys; sys.stdout.buffer.write(b"\xff\xfe" + sys.stdin.read().encode("utf-16-le"))' \
  >"$work/app/config/config.ini"

xvfb_start
# Openbox runs its start-up command once it manages windows: that is when it is ready.
openbox --sm-disable --startup "touch $work/openbox-ready" >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_until test -e "$work/openbox-ready" || { echo "openbox did not start:"; cat "$work/openbox.log"; exit 1; }

arguments=()
if [ "$check" = tab ]; then
  mkdir -p "$work/a/docs" "$work/b/docs"
  printf 'one\n' >"$work/a/docs/changed.txt"
  printf 'two\n' >"$work/b/docs/changed.txt"
  printf 'only here\n' >"$work/a/only-first.txt"
  arguments=("$work/a" "$work/b" start)
fi
"$work/app/mirrane" "${arguments[@]}" >"$work/mirrane.log" 2>&1 &
pids+=($!)
app=$!

# awk reads to the end, so that xdotool is never cut off mid-write (pipefail would count it).
find_window() { xdotool search --onlyvisible --name '^Mirrane$' 2>/dev/null | awk 'NR == 1'; }
has_window() { [ -n "$(find_window)" ]; }
wait_until has_window || { echo "no window titled Mirrane appeared"; cat "$work/mirrane.log"; exit 1; }
window=$(find_window || true)
[ -n "$window" ] || { echo "the window titled Mirrane could not be found again"; cat "$work/mirrane.log"; exit 1; }
kill -0 "$app" || { echo "mirrane ended early:"; cat "$work/mirrane.log"; exit 1; }

if [ "$check" = frame ]; then
  # left, right, top, bottom of the frame; the client's place on the screen; the work area.
  frame_inside() {
    local extents geometry work
    extents=$(xprop -id "$window" -notype _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
    [ -n "$extents" ] || return 1
    geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                             /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x","y","w","h}')
    work=$(xprop -root -notype _NET_WORKAREA | sed -n 's/.*= //p' | cut -d, -f1-4 | tr -d ' ')
    echo "frame extents $extents, client $geometry, work area $work" >"$work_report"
    python3 - "$extents" "$geometry" "$work" <<'EOF'
import sys
left, right, top, bottom = map(int, sys.argv[1].split(','))
x, y, w, h = map(int, sys.argv[2].split(','))
wx, wy, ww, wh = map(int, sys.argv[3].split(','))
inside = x - left >= wx and y - top >= wy and x + w + right <= wx + ww and y + h + bottom <= wy + wh
sys.exit(0 if inside else 1)
EOF
  }
  work_report="$work/frame.txt"
  if ! wait_until frame_inside; then
    echo "the window's frame is not inside the work area: $(cat "$work_report")"
    cat "$work/mirrane.log"
    exit 1
  fi
  echo "inside: $(cat "$work_report")"
  exit 0
fi

# tab: the compare has ended once the list holds rows and has the focus (its frame shows).
xdotool mousemove 0 0
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
python3 "$here/focus_walk.py" "$window"
