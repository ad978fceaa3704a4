#!/usr/bin/env bash
# Installs what is missing, builds Pictor in Release and starts it.
set -euo pipefail
PICTOR_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$PICTOR_ROOT/scripts/common.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Pictor needs a graphical desktop, and this machine has no display (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
    echo "Start it from a desktop session, or run ./test.sh to build and test without one." >&2
    exit 2
fi

install_missing "${PICTOR_PACKAGES[@]}"
build_tree "$PICTOR_ROOT/build-release" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
exec "$PICTOR_ROOT/build-release/src/pictor"
