#!/usr/bin/env bash
# Builds the Debian package of Pictor and pictor-data in Release:
# build-package/pictor_<version>_<arch>.deb. Install it with
#   sudo apt install ./build-package/pictor_*.deb
set -euo pipefail
PICTOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$PICTOR_ROOT/scripts/common.sh"
install_missing "${PICTOR_PACKAGES[@]}" dpkg-dev
build_tree "$PICTOR_ROOT/build-package" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
(cd "$PICTOR_ROOT/build-package" && cpack -G DEB >/dev/null)
ls "$PICTOR_ROOT"/build-package/pictor_*.deb
