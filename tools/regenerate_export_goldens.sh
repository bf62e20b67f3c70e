#!/usr/bin/env bash
# Rewrites every export golden file (tests/data/exports/: each format in
# each scope, for the simulated session of tests/exchange/export_session.cpp).
# Review the diff before committing.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-goldens -DKV_BENCH=OFF >/dev/null
make -C build-goldens -j2 test_exchange_export_formats_test >/dev/null
KV_REGENERATE_GOLDENS=1 build-goldens/tests/exchange/test_exchange_export_formats_test \
  --gtest_filter='ExportGoldens.*' >/dev/null
git status --short -- tests/data/exports
git diff --stat -- tests/data/exports
