#!/usr/bin/env bash
# Regenerates the bundled sample store samples/Sample.dbx from samples/mails/*.eml. The
# result is the same bytes every time (the test SampleStore.RegeneratesIdentically checks).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build build/native -j2 --target qm_makestore
./build/native/tests/support/storegen/qm_makestore --layout in-order --seed 1 \
  -o samples/Sample.dbx samples/mails/*.eml
