#!/usr/bin/env bash
# Sets up, builds the benchmarks in an optimised build and runs each of them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOURGLEN_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
for bench in build/release/bench/*/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    echo "== $bench"
    QT_QPA_PLATFORM=offscreen "$bench"
done
