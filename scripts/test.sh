#!/usr/bin/env bash
# Installs what the tests need, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, so that the fuzz targets build too) and runs
# every test: unit, integration against local servers, and bounded fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${FW_BUILD_DIR:-build-test}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFW_SANITIZE=ON -DFW_FUZZ=ON -DFW_BENCH=ON
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
