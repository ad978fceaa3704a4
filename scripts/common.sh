# Shared by run.sh and test.sh: installs the Debian packages Pictor needs
# when they are missing, and configures and builds a tree.

PICTOR_PACKAGES=(build-essential cmake qt6-base-dev qt6-svg-dev libgl-dev fontconfig
                 fonts-liberation2 fonts-blankenburg)

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

build_tree() {  # build_tree DIR [cmake options...]
    local dir=$1
    shift
    cmake -S "$PICTOR_ROOT" -B "$dir" "$@" >/dev/null &&
        cmake --build "$dir" -j "$(nproc)"
}
