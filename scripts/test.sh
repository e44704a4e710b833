#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
#   scripts/test.sh              the normal build, in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh build test bench

build=build
extra=()
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  extra=(-DQV_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug -DQV_BUILD_BENCH=OFF)
fi
cmake -S . -B "$build" -G Ninja "${extra[@]}"
cmake --build "$build"
export QV_ALERT_PRESENTER=log
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
