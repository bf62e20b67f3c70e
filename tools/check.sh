#!/usr/bin/env bash
# Checks the layering, then builds and runs every test twice, a Release
# build and one under AddressSanitizer + UndefinedBehaviorSanitizer, then the
# thread tests under ThreadSanitizer; every build here treats
# warnings as errors. Installs missing packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh
jobs=$(nproc 2>/dev/null || echo 2)
tools/check_layers.py

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKV_WERROR=ON > /dev/null
log=$(mktemp)
trap 'rm -f "$log"' EXIT
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs") | tee -a "$log"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BENCH=OFF -DKV_WERROR=ON > /dev/null
cmake --build build-asan -j "$jobs"
# The session bus library keeps a buffer to the end of a process that
# showed a window; it is not ours to free.
suppressions="$PWD/tools/lsan.supp"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS="suppressions=$suppressions" \
   UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
   ctest --output-on-failure -j "$jobs") | tee -a "$log"

# The worker threads (data sources, device discovery, the HTTP client's
# requests) under ThreadSanitizer: only those test targets.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DKV_TSAN=ON -DKV_BENCH=OFF -DKV_WERROR=ON > /dev/null
tsan_tests="acquisition/data_source acquisition/obd_source acquisition/bluetooth_discovery online/http_client"
targets=$(for t in $tsan_tests; do echo "test_${t%/*}_${t#*/}_test"; done)
cmake --build build-tsan -j "$jobs" --target $targets
tsan_passed=0
for t in $tsan_tests; do
  TSAN_OPTIONS=halt_on_error=1 "build-tsan/tests/${t%/*}/test_${t%/*}_${t#*/}_test"
  tsan_passed=$((tsan_passed + 1))
done

# One closing line for the whole run (each ctest run above stops the script
# on its first failure, so reaching here means none failed).
total=$(grep -oE 'tests failed out of [0-9]+' "$log" | awk '{s += $5} END {print s + 0}')
echo "check: $((total + tsan_passed)) passed, 0 failed"
