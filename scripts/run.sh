#!/usr/bin/env bash
# Builds Mirrane (installing what is missing when run as root) and runs it with the
# arguments given.
set -euo pipefail
MIRRANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$MIRRANE_ROOT/scripts/deps.sh"
mirrane_install_dependencies
mirrane_build "$MIRRANE_ROOT/build" >&2
exec "$MIRRANE_ROOT/build/mirrane" "$@"
