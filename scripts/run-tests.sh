#!/usr/bin/env bash
# Sets up the machine, builds everything and runs all tests.
#   BUILD_DIR=...   build folder (default: build)
#   SANITIZE=1      build with AddressSanitizer and UndefinedBehaviorSanitizer (no benchmarks)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

build_dir=${BUILD_DIR:-build}
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${SANITIZE:-0}" = 1 ]; then
    flags+=(-DZARN_SANITIZE=ON -DZARN_BENCH=OFF)
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi

cmake -S . -B "$build_dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
