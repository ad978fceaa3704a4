#!/usr/bin/env bash
# A crash campaign of any length: kills the real program at KILLS seeded
# random moments of Make Art and Judge Art sessions and checks the files
# after each kill (tests/crash). The test suite runs 60 with a fixed seed.
# Usage: scripts/crash_campaign.sh [KILLS] [SEED]
set -euo pipefail
PICTOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$PICTOR_ROOT/scripts/common.sh"
install_missing "${PICTOR_PACKAGES[@]}"
cmake -S "$PICTOR_ROOT" -B "$PICTOR_ROOT/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$PICTOR_ROOT/build-test" -j "$(nproc)" --target tst_crash_campaign >/dev/null
PICTOR_CRASH_KILLS=${1:-300} PICTOR_CRASH_SEED=${2:-$(date +%s)} QT_QPA_PLATFORM=offscreen \
    "$PICTOR_ROOT/build-test/tests/tst_crash_campaign" -maxwarnings 0
