#!/usr/bin/env bash
# Checks of what gets installed. Usage: check.sh CHECK BUILD_DIR SOURCE_DIR
#   options   pictor and pictor-data answer --help and --version without a
#             display, and refuse an unknown option with status 2; pictor
#             refuses an unknown screen with the list of screens
#   desktop   desktop-file-validate passes on the desktop entry
#   metainfo  appstreamcli validate --no-net passes on the metainfo
#   package   the .deb builds, unpacks, runs from where it unpacked, and
#             lintian finds no errors in it
# A check whose tool cannot be had says so and is skipped (status 77).
set -euo pipefail
check=$1 build=$2 source=$3
need() { command -v "$1" >/dev/null || { echo "SKIP: $1 is not installed (Debian package $2)"; exit 77; }; }
fail() { echo "FAIL: $*"; exit 1; }
version=$(sed -n 's/^inline constexpr char kPictorVersion\[\] = "\(.*\)";/\1/p' "$build/src/generated/core/version.h")

case $check in
options)
    # No display at all: the answers must not need one.
    export -n DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM 2>/dev/null || true
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
    [ "$("$build/src/pictor" --version)" = "pictor $version" ] || fail "pictor --version"
    "$build/src/pictor" --help | grep -q '^Usage: pictor' || fail "pictor --help"
    [ "$("$build/src/pictor-data" --version)" = "pictor-data $version" ] || fail "pictor-data --version"
    "$build/src/pictor-data" --help | grep -q '^Usage:' || fail "pictor-data --help"
    for program in pictor pictor-data; do
        status=0
        err=$("$build/src/$program" --frobnicate 2>&1 >/dev/null) || status=$?
        [ "$status" = 2 ] || fail "$program --frobnicate ended with $status, not 2"
        [ "$(printf '%s\n' "$err" | wc -l)" = 1 ] || fail "$program --frobnicate said more than one line: $err"
        printf '%s\n' "$err" | grep -q -- '--frobnicate' || fail "$program does not name the option: $err"
    done
    status=0
    err=$(QT_QPA_PLATFORM=offscreen "$build/src/pictor" --screen 9 2>&1 >/dev/null) || status=$?
    [ "$status" = 2 ] && printf '%s\n' "$err" | grep -qx 'pictor: there is no screen "9"; the screens are 0 "".' ||
        fail "pictor --screen 9 ended with $status: $err"
    ;;
desktop)
    need desktop-file-validate desktop-file-utils
    desktop-file-validate "$source/packaging/pictor.desktop"
    ;;
metainfo)
    need appstreamcli appstream
    appstreamcli validate --no-net "$build/packaging/org.pictorlab.Pictor.metainfo.xml"
    ;;
package)
    need cpack cmake
    need dpkg-deb dpkg
    need dpkg-shlibdeps dpkg-dev
    need lintian lintian
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null)
    deb=$(ls "$work"/pictor_*.deb)
    [ "$(basename "$deb")" = "pictor_${version}_$(dpkg --print-architecture).deb" ] || fail "package named $deb"
    dpkg-deb -f "$deb" Depends | grep -q 'fonts-blankenburg' || fail "no font dependency"
    dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt dependency"
    dpkg-deb -x "$deb" "$work/root"
    [ "$("$work/root/usr/bin/pictor" --version)" = "pictor $version" ] || fail "unpacked pictor --version"
    "$work/root/usr/bin/pictor-data" --help >/dev/null || fail "unpacked pictor-data --help"
    for f in usr/share/applications/pictor.desktop usr/share/icons/hicolor/scalable/apps/pictor.svg \
             usr/share/metainfo/org.pictorlab.Pictor.metainfo.xml usr/share/man/man1/pictor.1.gz \
             usr/share/man/man1/pictor-data.1.gz usr/share/doc/pictor/copyright; do
        [ -f "$work/root/$f" ] || fail "$f is not in the package"
    done
    status=0
    lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || status=$?
    grep -v 'root privileges' "$work/lintian" || true
    [ "$status" = 0 ] || fail "lintian found errors"
    ;;
*) fail "unknown check $check" ;;
esac
echo "ok: $check"
