#!/usr/bin/env bash
# Installs what is missing, builds Pictor and runs every test headless:
# once in a normal build and once with the address and undefined-behaviour
# sanitizers. Exits non-zero on any failure.
set -euo pipefail
PICTOR_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$PICTOR_ROOT/scripts/common.sh"

install_missing "${PICTOR_PACKAGES[@]}" xvfb xauth xdotool imagemagick x11-utils openbox \
    desktop-file-utils appstream lintian dpkg-dev

export QT_QPA_PLATFORM=offscreen
# Leaks are checked too; tests/lsan.supp names the one system library whose
# buffer is never freed, and why.
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$PICTOR_ROOT/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== Build and test"
build_tree "$PICTOR_ROOT/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$PICTOR_ROOT/build-test" --output-on-failure -j 2

echo "== Build and test with sanitizers"
build_tree "$PICTOR_ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DPICTOR_SANITIZE=ON
ctest --test-dir "$PICTOR_ROOT/build-asan" --output-on-failure -j 2
