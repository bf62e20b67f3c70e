#!/usr/bin/env bash
# Rebuilds the demo recording and track in data/demo/ with the track
# simulator; review the diff before committing.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-demo -DKV_BENCH=OFF >/dev/null
make -C build-demo -j2 make_demo >/dev/null
"$(find build-demo -name make_demo -type f | head -1)" data/demo
ls -l data/demo
