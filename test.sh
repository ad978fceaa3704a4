#!/usr/bin/env bash
# Installs what is missing, builds Pictor and runs every test headless,
# warnings as errors: the unit tests and one session in real windows with the
# address and undefined-behaviour sanitizers, leaks checked; the tests of the
# program as shipped (the crash campaign, real windows on several screens and
# scales, the package, the frame timing) in a normal build.
# No test runs twice; the libraries and the real-window test program are
# compiled in both builds.
# Exits non-zero on any failure.
#
# The normal build's tests mostly wait; they run while the sanitizer build
# compiles. The frame timing test runs last, alone, on a machine at rest.
set -euo pipefail
PICTOR_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$PICTOR_ROOT/scripts/common.sh"

install_missing "${PICTOR_PACKAGES[@]}" xvfb xauth xdotool imagemagick x11-utils openbox weston \
    desktop-file-utils appstream lintian dpkg-dev

export QT_QPA_PLATFORM=offscreen
# tests/lsan.supp names the one system library whose buffer is never freed, and why.
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$PICTOR_ROOT/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
common=(-DPICTOR_WERROR=ON -DPICTOR_BENCH=OFF)

echo "== Build"
build_tree "$PICTOR_ROOT/build-test" "${common[@]}" -DPICTOR_UNIT_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
log=$(mktemp)
ctest --test-dir "$PICTOR_ROOT/build-test" --output-on-failure -j 4 -LE timing >"$log" 2>&1 &
slow=$!
trap 'kill "$slow" 2>/dev/null || true; rm -f "$log"' EXIT

echo "== Build with sanitizers"
build_tree "$PICTOR_ROOT/build-asan" "${common[@]}" -DPICTOR_SYSTEM_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DPICTOR_SANITIZE=ON
echo "== Unit tests and a real-window session with sanitizers"
ctest --test-dir "$PICTOR_ROOT/build-asan" --output-on-failure -j 4

echo "== Crash campaign, real windows and package of the normal build"
status=0
wait "$slow" || status=$?
cat "$log"
echo "== Frame timing"
ctest --test-dir "$PICTOR_ROOT/build-test" --output-on-failure -L timing || status=$?
exit "$status"
