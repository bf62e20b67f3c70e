#!/usr/bin/env bash
# Builds the program (and tests and benchmarks) into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_WERROR=OFF > /dev/null
cmake --build build -j "$jobs"
