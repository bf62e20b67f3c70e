#!/usr/bin/env bash
# Rewrites tests/data/demo-laps.json: `laps --json` of the demo recording
# (data/demo/) recorded with `demo --fast`, without the session's base
# name (it is the creation time); and the .chk files of the golden-file
# tests (tests/util/golden_file.h), which the tests below write when run
# with KV_REGENERATE_GOLDENS=1. Review the diff before committing.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-goldens -DKV_BENCH=OFF >/dev/null
make -C build-goldens -j2 korvatinel >/dev/null
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
build-goldens/bin/korvatinel --data "$dir" demo --fast >/dev/null
session=$(basename "$(ls "$dir"/Korvatinel/Sessions/*-session.bin)" -session.bin)
build-goldens/bin/korvatinel --data "$dir" laps "$session" --json |
  python3 -c 'import json,sys; d=json.load(sys.stdin); d.pop("session"); print(json.dumps(d, indent=1, sort_keys=True))' \
  > tests/data/demo-laps.json

golden_tests=(test_util_number_text_test test_acquisition_nmea_sentences_test
  test_acquisition_obd_engine_test test_acquisition_sdp_record_test)
make -C build-goldens -j2 "${golden_tests[@]}" >/dev/null
for test in "${golden_tests[@]}"; do
  KV_REGENERATE_GOLDENS=1 "$(find build-goldens/tests -name "$test" -type f)" >/dev/null
done
git diff --stat -- tests/data/
