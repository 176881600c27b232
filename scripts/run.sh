#!/usr/bin/env bash
# Sets up, builds and starts Hourglen. Arguments go to the program ("/DEBUG" shows the debug window).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
# A compiler cache, when the machine has one, makes rebuilds of unchanged files cheap.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build/release -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DHOURGLEN_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --target hourglen -j"$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found; start Hourglen under a virtual one: xvfb-run -a build/release/app/hourglen $*"
    exit 1
fi
exec build/release/app/hourglen "$@"
