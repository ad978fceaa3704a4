#!/usr/bin/env bash
# Fuzzes the Judge Art start check with libFuzzer (clang, address and
# undefined-behaviour sanitizers). Usage: scripts/fuzz.sh SECONDS
# The seed corpus is tests/data/corpus; new inputs go to build-fuzz/corpus,
# and an input that breaks something is written to build-fuzz/crash-*
# (copy it into tests/data/corpus so the normal suite keeps checking it).
set -euo pipefail
PICTOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$PICTOR_ROOT/scripts/common.sh"
seconds=${1:-60}

install_missing "${PICTOR_PACKAGES[@]}" clang libclang-rt-dev
build_tree "$PICTOR_ROOT/build-fuzz" -DPICTOR_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
mkdir -p "$PICTOR_ROOT/build-fuzz/corpus"
# A small quarantine keeps the resident size a measure of the target, not of
# ASan's bookkeeping, so -rss_limit_mb catches real growth.
export ASAN_OPTIONS=quarantine_size_mb=32
"$PICTOR_ROOT/build-fuzz/fuzz/fuzz_judge_material" \
    -max_total_time="$seconds" -timeout=5 -rss_limit_mb=512 -malloc_limit_mb=256 \
    -print_final_stats=1 -artifact_prefix="$PICTOR_ROOT/build-fuzz/" \
    "$PICTOR_ROOT/build-fuzz/corpus" "$PICTOR_ROOT/tests/data/corpus"
