#!/usr/bin/env bash
# Rewrites tests/data/demo-laps.json: `laps --json` of the demo recording
# (data/demo/) recorded with `demo --fast`, without the session's base
# name (it is the creation time); and the storage goldens in
# tests/data/storage/ (each file kind as our writers save the storage
# tests' sample values; the older versions there are fixed inputs and are
# not rewritten). Review the diff before committing.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-goldens -DKV_BENCH=OFF >/dev/null
storage_tests="settings session_header track perf_test_file"
make -C build-goldens -j2 korvatinel $(printf 'test_storage_%s_test ' $storage_tests) >/dev/null
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
build-goldens/bin/korvatinel --data "$dir" demo --fast >/dev/null
session=$(basename "$(ls "$dir"/Korvatinel/Sessions/*-session.bin)" -session.bin)
build-goldens/bin/korvatinel --data "$dir" laps "$session" --json |
  python3 -c 'import json,sys; d=json.load(sys.stdin); d.pop("session"); print(json.dumps(d, indent=1, sort_keys=True))' \
  > tests/data/demo-laps.json
for t in $storage_tests; do
  KV_REGENERATE_GOLDENS=1 "build-goldens/tests/storage/test_storage_${t}_test" --gtest_filter='*Golden*' >/dev/null
done
git status --short -- tests/data/storage
git diff --stat -- tests/data/demo-laps.json tests/data/storage
