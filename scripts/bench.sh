#!/usr/bin/env bash
# Sets up, builds the benchmarks in an optimised build and runs each of them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
# A compiler cache, when the machine has one, makes rebuilds of unchanged files cheap.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build/release -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DHOURGLEN_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
for bench in build/release/bench/*/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    echo "== $bench"
    "$bench"
done
