# What the tests of the real program on a real X server share; sourced by them, not run.
#   xvfb_need TOOL...     exit 77 (skipped) when a tool is missing
#   xvfb_work             $work, a folder of the test's own, removed at the end together
#                         with every process in $pids (after the test's own
#                         xvfb_before_cleanup, when it defines one)
#   xvfb_copy_program B   the program of build folder B with its window module, languages
#                         and advconf.ini in $work/app, so that its settings stay in
#                         $work/app/config
#   xvfb_start            Xvfb on a display number it picks itself (two tests running at
#                         once never race for one), DISPLAY and a home in $work set; when
#                         Xvfb does not come up within ten seconds, its log and exit 1

xvfb_need() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "skipped: $tool is missing (the test packages in scripts/deps.sh install it)"
      exit 77
    fi
  done
}

xvfb_cleanup() {
  if declare -F xvfb_before_cleanup >/dev/null; then xvfb_before_cleanup || true; fi
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}

xvfb_work() {
  work=$(mktemp -d)
  pids=()
  trap xvfb_cleanup EXIT
}

xvfb_copy_program() {
  mkdir -p "$work/app/config"
  cp "$1/mirrane" "$1/mirrane-window.so" "$work/app/"
  cp -r "$1/lang" "$work/app/"
  cp "$1/config/advconf.ini" "$work/app/config/"
}

xvfb_start() {
  local display="" xvfb
  # Xvfb writes the number of the display it took once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/xvfb.display" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  pids+=("$xvfb")
  for _ in $(seq 100); do
    display=$(tr -dc '0-9' <"$work/xvfb.display" 2>/dev/null || true)
    [ -n "$display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$display" ]; then
    if kill -0 "$xvfb" 2>/dev/null; then echo "FAILED: Xvfb did not start within 10 s:"; else echo "FAILED: Xvfb ended at its start:"; fi
    cat "$work/xvfb.log"
    exit 1
  fi
  mkdir -p "$work/home/.config"
  export DISPLAY=":$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
}
