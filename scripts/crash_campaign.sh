#!/usr/bin/env bash
# A crash campaign of any length: kills the real program at KILLS seeded
# random moments of Make Art and Judge Art sessions and checks the files
# after each kill (tests/system/crash). The test suite runs 60 with a fixed
# seed. Usage: scripts/crash_campaign.sh [KILLS] [SEED]
set -euo pipefail
PICTOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$PICTOR_ROOT/scripts/common.sh"
install_missing "${PICTOR_PACKAGES[@]}"
kills=${1:-300}
build_tree "$PICTOR_ROOT/build-test" -DCMAKE_BUILD_TYPE=Release -DPICTOR_BENCH=OFF --target tst_crash_campaign
# A run takes about a second; Qt Test's own limit of 300 s would cut a
# long campaign off, so the limit grows with it.
PICTOR_CRASH_KILLS=$kills PICTOR_CRASH_SEED=${2:-$(date +%s)} QT_QPA_PLATFORM=offscreen \
    QTEST_FUNCTION_TIMEOUT=$(( (kills * 3 + 120) * 1000 )) \
    "$PICTOR_ROOT/build-test/tests/tst_crash_campaign" -maxwarnings 0
