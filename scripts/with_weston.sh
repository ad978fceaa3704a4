#!/usr/bin/env bash
# Runs a command on a Wayland compositor of its own: weston's headless
# backend, which draws nothing and presents a frame every 16.67 ms, so Qt's
# wayland platform maps and paints real windows. The Wayland counterpart of
# with_x.sh. Exits 77 (skipped) when weston is not installed.
# Usage: with_weston.sh COMMAND [ARGS...]
set -euo pipefail
command -v weston >/dev/null || { echo "weston is not installed" >&2; exit 77; }
work=$(mktemp -d)
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work WAYLAND_DISPLAY=wayland-pictor QT_QPA_PLATFORM=wayland
unset DISPLAY
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --width=1280 --height=1024 --no-config \
    --idle-time=0 >"$work/weston.log" 2>&1 &
weston=$!
cleanup() {
    kill "$weston" 2>/dev/null || true
    wait "$weston" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -S "$work/$WAYLAND_DISPLAY" ] && break; sleep 0.1; done
[ -S "$work/$WAYLAND_DISPLAY" ] || { cat "$work/weston.log" >&2; exit 1; }
"$@"
