#!/usr/bin/env bash
# Runs a command on a virtual X server, under a window manager when one is
# installed, so Qt's xcb platform paints and frames real windows.
# Usage: with_x.sh COMMAND [ARGS...]
set -euo pipefail
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
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
export DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work
if command -v openbox >/dev/null; then
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
