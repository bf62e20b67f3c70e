#!/usr/bin/env bash
# Runs one libFuzzer target for a while with clang, on a copy of its corpus
# (the libraries are instrumented too, so coverage reaches into them):
#   tools/fuzz.sh nmea_parser 180
# New inputs land in build-fuzz/corpus/NAME; crashes in fuzz/artifacts/.
# Add what is worth keeping to fuzz/corpus/NAME (small) with a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:?target name, e.g. nmea_parser}
seconds=${2:-120}
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  -DKV_LIBFUZZER=ON -DKV_SANITIZE=ON -DKV_TESTS=OFF -DKV_BENCH=OFF > /dev/null
cmake --build build-fuzz -j "$(nproc)" --target "fuzz_$name"
mkdir -p "build-fuzz/corpus/$name" fuzz/artifacts
cp -n "fuzz/corpus/$name"/* "build-fuzz/corpus/$name"/ 2>/dev/null || true
"build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -artifact_prefix=fuzz/artifacts/ \
  "build-fuzz/corpus/$name"
