#!/usr/bin/env bash
# The real program as a screen reader meets it: a D-Bus session with the accessibility bus,
# the program on Xvfb with its accessibility always on, and screen_reader.py reading it
# through AT-SPI (python3-pyatspi) while it compares a folder with an archive. 7-Zip is
# reached through a gate, so that the compare holds in its unpacking step while the script
# reads the progress dialog, and goes on when the script opens the gate. A second compare,
# started from the panel, is paused from the keyboard while it reads a large pair, and read
# while it stands.
# Exit 77 (skipped) only when the machine lacks the tools (the test packages in
# scripts/deps.sh install them); a bus that does not come up is a failure, said as such.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1

skip() {
  echo "skipped: $1 (the test packages in scripts/deps.sh install it)"
  exit 77
}
for tool in Xvfb dbus-run-session dbus-daemon dbus-send timeout; do
  command -v "$tool" >/dev/null || skip "$tool is missing"
done
launcher=""
for candidate in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  [ -x "$candidate" ] && launcher=$candidate && break
done
[ -n "$launcher" ] || skip "at-spi-bus-launcher (at-spi2-core) is missing"
# pyatspi is a package of the system's Python, whatever python3 comes first on PATH.
python=""
for candidate in /usr/bin/python3 python3; do
  # Bounded: the import may look for a session bus, which must not hold the test.
  if command -v "$candidate" >/dev/null && timeout 20 "$candidate" -c 'import pyatspi' 2>/dev/null; then
    python=$candidate
    break
  fi
done
[ -n "$python" ] || skip "python3-pyatspi is missing"
sevenzip=""
for name in 7zz 7z 7za; do
  command -v "$name" >/dev/null && sevenzip=$(command -v "$name") && break
done
[ -n "$sevenzip" ] || skip "7-Zip is missing"

if [ "${2:-}" = --inside-session ]; then
  # Inside the test's own D-Bus session, started with the display set: the accessibility
  # bus is started by D-Bus on the first question for it, and the services it starts in
  # turn get that display too (the registry reaches the keyboard through it).
  work=$3
  app=""
  # The program is ended even when it does not heed TERM (stuck in a call to the bus).
  stop_program() {
    touch "$work/gate-open" 2>/dev/null || true
    if [ -n "$app" ]; then
      kill "$app" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
      kill -KILL "$app" 2>/dev/null || true
    fi
    wait 2>/dev/null || true
  }
  trap stop_program EXIT
  # Asked until a deadline, each question bounded too: a launcher that hangs, is missing from
  # the session's services or ends at once all end here, said as such.
  bus_up=no
  deadline=$((SECONDS + 15))
  answer=""
  while [ "$SECONDS" -lt "$deadline" ]; do
    if answer=$(timeout 5 dbus-send --session --print-reply --reply-timeout=2000 --dest=org.a11y.Bus \
        /org/a11y/bus org.a11y.Bus.GetAddress 2>&1) && grep -q 'unix:' <<<"$answer"; then
      bus_up=yes
      break
    fi
    sleep 0.2
  done
  if [ "$bus_up" != yes ]; then
    echo "FAILED: the accessibility bus (org.a11y.Bus, $launcher) did not start within 15 s"
    echo "--- the last answer of the session bus: ${answer:-none}"
    exit 1
  fi

  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  "$work/app/mirrane" "$work/a" "$work/b.zip" start >"$work/mirrane.log" 2>&1 &
  app=$!
  status=0
  timeout -k 5 180 "$python" "$here/screen_reader.py" "$work" || status=$?
  if [ "$status" -ne 0 ]; then
    [ "$status" -eq 124 ] && echo "FAILED: the reading script did not finish within 180 s"
    kill -0 "$app" 2>/dev/null || echo "mirrane had ended"
    echo "--- mirrane's output:"
    cat "$work/mirrane.log"
    exit 1
  fi
  kill -0 "$app" 2>/dev/null || { echo "mirrane ended while being read:"; cat "$work/mirrane.log"; exit 1; }
  exit 0
fi

source "$here/xvfb_session.sh"
xvfb_work
# Whatever waits at the gate goes on, so that it can end.
xvfb_before_cleanup() { touch "$work/gate-open" 2>/dev/null; }

# A copy of the program with its data, and 7-Zip behind the gate in its folder, where the
# program looks for 7-Zip first.
xvfb_copy_program "$build"
cat >"$work/app/7z" <<EOF
#!/bin/sh
# Unpacking waits until the reading script opens the gate (two minutes at most).
if [ "\$1" = x ]; then
  touch "$work/gate-entered"
  i=0
  while [ ! -e "$work/gate-open" ] && [ \$i -lt 1200 ]; do sleep 0.1; i=\$((i + 1)); done
fi
exec "$sevenzip" "\$@"
EOF
chmod +x "$work/app/7z"

# The first side a folder, the second an archive of a folder, with one item of each kind of
# verdict: equal, content, only on one side, letter case, folder against file.
mkdir -p "$work/a/docs" "$work/a/thing" "$work/b/docs"
for side in a b; do
  printf 'same\n' >"$work/$side/same.txt"
  printf 'content %s\n' "$side" >"$work/$side/docs/report.txt"
done
printf 'only here\n' >"$work/a/only-first.txt"
printf 'only there\n' >"$work/b/only-second.txt"
printf 'case\n' >"$work/a/Case.txt"
printf 'case\n' >"$work/b/case.txt"
printf 'inside\n' >"$work/a/thing/inside.txt"
printf 'a file\n' >"$work/b/thing"
(cd "$work/b" && "$sevenzip" a -tzip "$work/b.zip" . >/dev/null)
# For the second compare, read while it is held by its pause: two equal folders whose
# middle pair is large (sparse: no room taken on the disk), so that the compare stands
# with some items done and some not while it reads that pair, whenever the pause comes.
for side in a b; do
  mkdir -p "$work/big/$side"
  printf 'first\n' >"$work/big/$side/a1.txt"
  printf 'second\n' >"$work/big/$side/a2.txt"
  truncate -s 8G "$work/big/$side/m-large.bin"
  printf 'last\n' >"$work/big/$side/z1.txt"
done

xvfb_start
unset AT_SPI_BUS_ADDRESS

# A D-Bus session of the test's own, gone with it: nothing of the user's session is touched.
# timeout leads a process group of its own, which the services the session started (the
# accessibility bus, its registry) stay in: whatever of it outlives the session is ended
# with the group, so that nothing holds the test's output open.
status=0
timeout -k 10 280 dbus-run-session -- "$0" "$build" --inside-session "$work" &
session=$!
wait "$session" || status=$?
kill -TERM -- "-$session" 2>/dev/null || true
sleep 0.5
kill -KILL -- "-$session" 2>/dev/null || true
[ "$status" -ne 124 ] || echo "FAILED: the test did not finish within 280 s"
exit "$status"
