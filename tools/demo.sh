#!/usr/bin/env bash
# First run on a fresh machine: install what is missing, build, and run the
# main job on the bundled demo recording.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh
tools/build.sh
# A temporary data folder, so your own sessions are never touched; pass
# --data DIR to keep the demo session.
exec build/bin/korvatinel "$@" demo
