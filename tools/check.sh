#!/usr/bin/env bash
# Builds and runs every test twice: a normal build, and one under
# AddressSanitizer + UndefinedBehaviorSanitizer. Installs missing packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BENCH=OFF > /dev/null
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
   UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
   ctest --output-on-failure -j "$jobs")

# The data sources' threads under ThreadSanitizer: only those test targets.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DKV_TSAN=ON -DKV_BENCH=OFF > /dev/null
tsan_tests="test_acquisition_data_source_test test_acquisition_obd_source_test test_acquisition_bluetooth_discovery_test"
cmake --build build-tsan -j "$jobs" --target $tsan_tests
for t in $tsan_tests; do TSAN_OPTIONS=halt_on_error=1 "build-tsan/tests/acquisition/$t"; done
