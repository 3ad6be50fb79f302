#!/usr/bin/env bash
# The main job on the bundled sample store: builds the command-line program, converts
# samples/Sample.dbx to .eml files and shows where they went.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --native
cmake --preset native >/dev/null
cmake --build build/native -j "$(nproc)" --target quillmend
mkdir -p build/demo
./build/native/cli/quillmend convert --to eml -d build/demo samples/Sample.dbx
echo
latest=$(ls -td build/demo/Tarnwick_Converted_DBX_* | head -n 1)
echo "Files written under $latest:"
find "$latest" -type f | sort
