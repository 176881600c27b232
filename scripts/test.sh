#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test through
# CTest; then builds the thread tests with ThreadSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
# A compiler cache, when the machine has one, makes rebuilds of unchanged files cheap.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
jobs=$(nproc)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp"

cmake -S . -B build/tsan -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOURGLEN_TSAN=ON \
    -DHOURGLEN_WERROR=ON >/dev/null
cmake --build build/tsan -j"$jobs"
ctest --test-dir build/tsan -L tsan --output-on-failure -j"$jobs"

cmake -S . -B build/sanitize -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOURGLEN_SANITIZE=ON \
    -DHOURGLEN_WERROR=ON >/dev/null
cmake --build build/sanitize -j"$jobs"
ctest --test-dir build/sanitize --output-on-failure -j"$jobs"
