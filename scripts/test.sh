#!/usr/bin/env bash
# Installs what the tests need, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, so that the fuzz targets build too) and runs
# every test: unit, integration against local servers, and bounded fuzz runs. Then
# builds a second time with ThreadSanitizer, in a directory of its own, and runs the
# unit and integration tests again under it: any data race or lock-order inversion
# between the main thread and the Roles fails the run (FW_TEST_TSAN=0 skips this stage).
# Last, builds the program as it is shipped and checks an install into another prefix and
# the Debian package (scripts/package-check.sh; FW_TEST_PACKAGE=0 skips this stage).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${FW_BUILD_DIR:-build-test}
tsan_build=${FW_TSAN_BUILD_DIR:-build-tsan-test}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFW_SANITIZE=ON -DFW_FUZZ=ON -DFW_BENCH=ON
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd "$build" && ctest --output-on-failure -j"$(nproc)" "$@")

if [ "${FW_TEST_TSAN:-1}" != 0 ]; then
  CC=clang CXX=clang++ cmake -S . -B "$tsan_build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFW_TSAN=ON
  cmake --build "$tsan_build" -j"$(nproc)"
  # The first report ends the test process, so a race fails its test; the second stack
  # of a lock-order report shows where the other order was taken. The only suppressions
  # are for a library built without ThreadSanitizer whose own hand-offs it cannot see
  # (tests/support/tsan.supp says which and why).
  export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/support/tsan.supp}
  (cd "$tsan_build" && ctest --output-on-failure -j"$(nproc)" -L 'unit|integration' "$@")
fi

if [ "${FW_TEST_PACKAGE:-1}" != 0 ]; then
  scripts/package-check.sh
fi
