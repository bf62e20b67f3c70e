#!/usr/bin/env bash
# Rewrites tests/data/demo-laps.json: `laps --json` of the demo recording
# (data/demo/) recorded with `demo --fast`, without the session's base
# name (it is the creation time); the storage goldens in tests/data/storage/
# (each file kind as our writers save the storage tests' sample values; the
# older versions there are fixed inputs and are not rewritten); and the .chk
# files of the golden-file tests (tests/util/golden_file.h). The tests write
# them when run with KV_REGENERATE_GOLDENS=1. Review the diff before
# committing: a changed byte in a stored format is a broken file for users.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-goldens -DKV_BENCH=OFF >/dev/null
storage_tests="settings session_header track perf_test_file"
golden_tests=(test_util_number_text_test test_acquisition_nmea_sentences_test
  test_acquisition_obd_engine_test test_acquisition_sdp_record_test)
make -C build-goldens -j2 korvatinel $(printf 'test_storage_%s_test ' $storage_tests) "${golden_tests[@]}" >/dev/null
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
for test in "${golden_tests[@]}"; do
  KV_REGENERATE_GOLDENS=1 "$(find build-goldens/tests -name "$test" -type f)" >/dev/null
done
git status --short -- tests/data
git diff --stat -- tests/data
