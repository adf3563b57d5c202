#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root), or prints the
# apt-get line to run (as anyone else). Sourced by run.sh, test.sh and the other scripts.
set -euo pipefail

# One package a line, in the first group that needs it; a new need is one more line.
# Building and running the program:
MIRRANE_RUN_PACKAGES=(
  g++
  cmake
  ninja-build
  pkg-config
  libicu-dev          # letter-case tables
  libssl-dev          # SHA-256 of listings (libcrypto)
  qt6-base-dev        # the windows
  qt6-svg-dev         # the application icon as SVG for the install
  qt6-translations-l10n  # Qt's own texts (file dialog, edit menus) in the chosen language
  7zip                # unpacking archives
)
# What the tests, the sanitizer and fuzz runs and the package check add:
MIRRANE_TEST_PACKAGES=(
  libgtest-dev
  fonts-dejavu-core   # the same font in every GUI picture
  clang               # libFuzzer (scripts/fuzz.sh)
  libclang-rt-dev
  desktop-file-utils  # desktop-file-validate
  appstream           # appstreamcli validate
  man-db              # man -l on the manual page
  dpkg-dev            # dpkg-shlibdeps for the Debian package
  file                # cpack finds the package's binaries with it
  lintian             # the package checked as a distribution would check it
  xz-utils            # the archive tests make compressed tarballs
  bzip2
  zstd
  python3             # reads the item report back with its json module
  git                 # the judge of what ignore files leave out
  locales             # a German locale made by the tests: decimal comma, day-first dates
  xvfb                # a real X server for the program's own window
  x11-utils           # xwininfo finds that window
  x11-apps            # xwd takes its picture
  dosfstools          # a FAT image, loop-mounted where the tests may mount
  openbox             # a window manager that frames the window, for the frame and Tab tests
  xdotool             # types keys into the real window
  at-spi2-core        # the accessibility bus a screen reader reads the window through
  python3-pyatspi     # the screen reader's side of it, in the window's test
  dbus-daemon         # a D-Bus session of the test's own (dbus-run-session)
  dbus-bin            # dbus-send asks whether the accessibility bus is up
)

# The packages given that are not installed, on one line.
mirrane_missing_packages() {
  local missing=()
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  echo "${missing[@]:-}"
}

# mirrane_install_dependencies [run]: both groups, or with "run" only what building and
# running the program needs.
mirrane_install_dependencies() {
  local wanted=("${MIRRANE_RUN_PACKAGES[@]}")
  [ "${1:-}" = run ] || wanted+=("${MIRRANE_TEST_PACKAGES[@]}")
  local missing
  missing=$(mirrane_missing_packages "${wanted[@]}")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: $missing" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get -o DPkg::Lock::Timeout=300 update -qq
    # shellcheck disable=SC2086
    apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends $missing >&2
  else
    echo "Missing packages. Run as root:" >&2
    echo "  apt-get install -y $missing" >&2
    return 1
  fi
}

# mirrane_configure BUILD_DIR [cmake options...]
mirrane_configure() {
  local build_dir=$1
  shift
  cmake -S "$MIRRANE_ROOT" -B "$build_dir" -G Ninja "$@" >/dev/null
}

# mirrane_build BUILD_DIR [cmake options...]: configures and builds everything.
mirrane_build() {
  mirrane_configure "$@"
  cmake --build "$1" -j "$(nproc)"
}
