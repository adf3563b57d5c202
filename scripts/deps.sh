#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root), or prints the
# apt-get line to run (as anyone else). Sourced by run.sh and test.sh.
set -euo pipefail

MIRRANE_PACKAGES=(g++ cmake ninja-build pkg-config libicu-dev libgtest-dev qt6-base-dev fonts-dejavu-core 7zip
                  clang libclang-rt-dev)
# The archive tests make compressed tarballs with the real compressors.
MIRRANE_PACKAGES+=(xz-utils bzip2 zstd)

mirrane_missing_packages() {
  local missing=()
  for package in "${MIRRANE_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  echo "${missing[@]:-}"
}

mirrane_install_dependencies() {
  local missing
  missing=$(mirrane_missing_packages)
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

# mirrane_build BUILD_DIR [cmake options...]
mirrane_build() {
  local build_dir=$1
  shift
  cmake -S "$MIRRANE_ROOT" -B "$build_dir" -G Ninja "$@" >/dev/null
  cmake --build "$build_dir" -j "$(nproc)"
}
