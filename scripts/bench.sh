#!/usr/bin/env bash
# Builds Pictor in Release and prints the timing and performance table of
# the README. Usage: scripts/bench.sh [--quick]   (--quick: a brief run)
set -euo pipefail
PICTOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$PICTOR_ROOT/scripts/common.sh"
# python3-numpy: the side-by-side measures of bench/measures_numpy.py.
install_missing "${PICTOR_PACKAGES[@]}" xvfb xauth x11-utils xdotool python3-numpy
# The start-up figures need a display: the whole run goes on a virtual one.
[ -n "${PICTOR_WITH_X:-}" ] || exec "$PICTOR_ROOT/scripts/with_x.sh" "$0" "$@"
# The benchmark is built with the tests, in a Release tree of its own.
build_tree "$PICTOR_ROOT/build-bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
    --target pictor --target pictor_bench --target pictor_data_bench >/dev/null

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores, $(uname -sr)"
echo
QT_QPA_PLATFORM=offscreen "$PICTOR_ROOT/build-bench/bench/pictor_bench" "$@"
QT_QPA_PLATFORM=offscreen PICTOR_PYTHON=/usr/bin/python3 "$PICTOR_ROOT/build-bench/bench/pictor_data_bench" "$@" \
    --numpy "$PICTOR_ROOT/bench/measures_numpy.py"
# When the pictures reached the screen: on the virtual X server, whose
# Present extension counts frames at 60 Hz.
QT_QPA_PLATFORM=xcb "$PICTOR_ROOT/build-bench/bench/pictor_bench" --onset "$@"

# Start-up: process start to the title window on the screen, and peak
# resident memory, under a virtual X server.
runs=10
[ "${1:-}" = --quick ] && runs=2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
times=() peaks=()
for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    "$PICTOR_ROOT/build-bench/src/pictor" >"$work/pictor.log" 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name '^Ruz Avevu$' >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "pictor did not start:" >&2; cat "$work/pictor.log" >&2; exit 1; }
    done
    t1=$(date +%s%N)
    sleep 0.5
    peaks+=("$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    times+=("$(( (t1 - t0) / 1000 ))")
done
printf '%s\n' "${times[@]}" | sort -n | awk -v n="$runs" '{ a[NR] = $1 } END {
    printf "| Start to title screen shown, %d runs | %.1f ms | %.1f ms | < 300 ms |\n", n, a[int((n + 1) / 2)] / 1000, a[n] / 1000 }'
printf '%s\n' "${peaks[@]}" | sort -n | awk -v n="$runs" '{ a[NR] = $1 } END {
    printf "| Peak resident memory | %.1f MiB | %.1f MiB | < 80 MiB |\n", a[int((n + 1) / 2)] / 1024, a[n] / 1024 }'
