#!/usr/bin/env bash
# Checks an installed Mirrane, in steps (each a test of its own):
#   install ROOT BUILD_DIR   cmake --install of the build folder into ROOT (emptied first)
#   program ROOT VERSION     ROOT/bin/mirrane: --version, two compares, its language found,
#                            its window module loaded, nothing written into ROOT
#   manual ROOT              the manual page renders without a warning
#   desktop ROOT             desktop-file-validate on the desktop entry
#   metainfo ROOT VERSION    appstreamcli on the tree's metainfo; its newest release is VERSION
#   icons ROOT SIZE...       the hicolor icons: the SVG and a PNG per size
# ROOT is the install prefix (for a Debian package unpacked with dpkg -x: that folder/usr).
set -euo pipefail
step=$1
root=$2
shift 2
examples="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/examples"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs the installed program with a home, settings and temporary folder of its own.
run_installed() {
  HOME="$scratch/home" XDG_CONFIG_HOME= TMPDIR="$scratch/tmp" "$root/bin/mirrane" "$@"
}

case "$step" in
  install)
    rm -rf "$root"
    cmake --install "$1" --prefix "$root" >/dev/null
    ;;
  program)
    version=$1
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    mkdir -p "$scratch/home" "$scratch/tmp"
    touch "$scratch/before"
    [ "$(run_installed --version)" = "Mirrane $version" ] || fail "--version printed '$(run_installed --version)'"
    # A verdict in words proves the language file was found in share/mirrane/lang; without
    # it the program prints only its built-in failure message.
    status=0
    output=$(run_installed "$examples/left" "$examples/right" hide) || status=$?
    [ "$status" = 1 ] || fail "differing folders gave exit status $status"
    grep -q "Differences found:" <<<"$output" || fail "no verdict for differing folders: $output"
    cp -r "$examples/left" "$scratch/a"
    cp -r "$examples/left" "$scratch/b"
    output=$(run_installed "$scratch/a" "$scratch/b" hide) || fail "equal folders gave exit status $?: $output"
    grep -q "No differences found." <<<"$output" || fail "no verdict for equal folders: $output"
    # Without a display the window is still loaded from lib/mirrane/modules before it finds none
    # (a build without the window says it has none): a module missing from the install
    # would say so instead.
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" XDG_CONFIG_HOME= \
      TMPDIR="$scratch/tmp" "$root/bin/mirrane" "$examples/left" "$examples/right" 2>&1) || true
    grep -q -e "No display" -e "This build has no window" <<<"$output" || fail "the window did not load: $output"
    written=$(find "$root" -newer "$scratch/before")
    [ -z "$written" ] || fail "the program wrote into its install tree: $written"
    ;;
  manual)
    page="$root/share/man/man1/mirrane.1.gz"
    [ -f "$page" ] || fail "no manual page at $page"
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man -l warns: $warnings"
    ;;
  desktop)
    report=$(desktop-file-validate "$root/share/applications/mirrane.desktop" 2>&1) || fail "$report"
    [ -z "$report" ] || fail "desktop-file-validate: $report"
    ;;
  metainfo)
    version=$1
    metainfo="$root/share/metainfo/net.olumbe.mirrane.metainfo.xml"
    # The tree check also finds the desktop entry the metainfo launches.
    report=$(appstreamcli validate-tree --no-net --strict "$root" 2>&1) || fail "$report"
    # The newest release comes first; a version raised without a release entry is a stale
    # metainfo file.
    newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1)
    [ "$newest" = "<release version=\"$version\"" ] || fail "newest release is $newest, the build is $version"
    ;;
  icons)
    folder="$root/share/icons/hicolor"
    [ -s "$folder/scalable/apps/mirrane.svg" ] || fail "no scalable icon"
    for size in "$@"; do
      png="$folder/${size}x${size}/apps/mirrane.png"
      [ -s "$png" ] || fail "no icon at $size px"
      # The PNG header's width and height (big-endian at bytes 16 and 20).
      read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
      [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "$png is ${width}x${height}"
    done
    ;;
  *)
    fail "unknown step $step"
    ;;
esac
