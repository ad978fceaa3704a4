# Shared by run.sh, test.sh and the other scripts: installs the Debian
# packages Pictor needs when they are missing, and configures and builds a
# tree.

PICTOR_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libgl-dev fontconfig
                 libxcb-screensaver0-dev libxcb-dpms0-dev libxcb-present-dev fonts-liberation2 fonts-blankenburg
                 libwayland-dev wayland-protocols qt6-base-private-dev qt6-wayland)

install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Pictor needs these Debian packages: ${missing[*]}. Install them as root." >&2
            return 1
        fi
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build_tree DIR [cmake options...] [--target TARGET...]: configures DIR with
# Ninja and builds it (or only the targets named).
build_tree() {
    local dir=$1 options=() targets=()
    shift
    while [ $# -gt 0 ]; do
        if [ "$1" = --target ]; then targets+=(--target "$2"); shift 2; else options+=("$1"); shift; fi
    done
    # A tree configured with another generator is started afresh.
    if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    cmake -S "$PICTOR_ROOT" -B "$dir" -G Ninja "${options[@]}" >/dev/null &&
        cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
