#!/usr/bin/env bash
# The main job on the bundled sample store: builds the command-line program and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --native
cmake --preset native >/dev/null
cmake --build build/native -j "$(nproc)" --target quillmend
./build/native/cli/quillmend scan samples/Sample.dbx
