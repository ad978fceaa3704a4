#!/usr/bin/env bash
# Checks of what gets installed. Usage: package_check.sh CHECK BUILD_DIR SOURCE_DIR
# (options, desktop, metainfo or package). A check whose tool cannot be had
# says so and is skipped (status 77).
set -euo pipefail
check=$1 build=$2 source=$3
need() { command -v "$1" >/dev/null || { echo "SKIP: $1 is not installed (Debian package $2)"; exit 77; }; }
fail() { echo "FAIL: $*"; exit 1; }
version=$(sed -n 's/^inline constexpr char kPictorVersion\[\] = "\(.*\)";/\1/p' "$build/src/generated/core/version.h")

case $check in
options)
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM  # --help and --version must not need a display
    for program in pictor pictor-data; do
        [ "$("$build/src/$program" --version)" = "$program $version" ] || fail "$program --version"
        "$build/src/$program" --help | grep -Pqz "^Usage:\s+$program " || fail "$program --help"
        status=0
        err=$("$build/src/$program" --frobnicate 2>&1 >/dev/null) || status=$?
        [ "$status" = 2 ] && [ "$(wc -l <<<"$err")" = 1 ] && grep -q -- --frobnicate <<<"$err" ||
            fail "$program --frobnicate ended with $status, saying: $err"
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
    lintian --fail-on error "$deb" >"$work/lintian" 2>&1 ||
        fail "lintian found errors: $(grep -v 'root privileges' "$work/lintian")"
    ;;
*) fail "unknown check $check" ;;
esac
echo "ok: $check"
