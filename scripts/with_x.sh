#!/usr/bin/env bash
# Runs a command on a virtual X server of its own, under a window manager
# when openbox is installed, so Qt's xcb platform paints and frames real
# windows. Every test and script that needs a display goes through here.
# Usage: with_x.sh COMMAND [ARGS...]
#   WITH_X_SCREEN   the screen (default 1280x1024x24), or several separated
#                   by blanks: one X screen each, numbered from 0
#   WITH_X_WM=0     no window manager
set -euo pipefail
work=$(mktemp -d)
screens=()
n=0
for size in ${WITH_X_SCREEN:-1280x1024x24}; do
    screens+=(-screen "$n" "$size")
    n=$((n + 1))
done
Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
wm=
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    kill "$xvfb" 2>/dev/null || true
    # A server still shutting down would remove the next server's socket.
    wait "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
mkdir -m 700 "$work/runtime"
export DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime PICTOR_WITH_X=1
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if [ "${WITH_X_WM:-1}" != 0 ] && command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    wm=$!
    # Windows mapped before the manager has taken over are never framed.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    export PICTOR_TEST_WINDOW_MANAGER=openbox
fi
"$@"
