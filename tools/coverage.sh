#!/usr/bin/env bash
# Line coverage of src/ by the whole test suite (gcovr, in build-cov/), per
# folder and in all, and the size of the tests against the code they test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-cov -DCMAKE_BUILD_TYPE=Debug -DKV_BENCH=OFF -DCMAKE_CXX_FLAGS=--coverage \
  -DCMAKE_C_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage > /dev/null
cmake --build build-cov -j "$jobs"
find build-cov -name '*.gcda' -delete
(cd build-cov && ctest -j "$jobs" > /dev/null)
report=$(gcovr -r . --filter src/ build-cov)
echo "$report" | awk '$1 ~ /^src\// {split($1, a, "/"); t[a[2]] += $2; c[a[2]] += $3}
  END {for (k in t) printf "%-12s %5d lines  %5.1f%% covered\n", k, t[k], 100 * c[k] / t[k]}' | sort
echo "$report" | grep '^TOTAL'
count() { git ls-files "$@" | grep -E '\.(cpp|h)$' | xargs cat | wc -l; }
code=$(count src)
tests=$(count tests)
echo "source lines: $code, test lines: $tests ($((100 * tests / code))% of the source)"
