#!/usr/bin/env bash
# Builds everything and runs every test: the native build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, both Windows builds under Wine, and a
# short run of every fuzz target. Installs what is missing first.
# Usage: scripts/test.sh [--quick]   (--quick: native build and tests only)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh $([ "${1:-}" = "--quick" ] && echo --native)

jobs=$(nproc)
# Compiled objects are shared between builds and checkouts through ccache where it is present.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
fi
build() {  # preset
  cmake --preset "$1" >/dev/null
  cmake --build "build/$1" -j "$jobs"
}
run_ctest() {  # preset [wrapper...]: every test but the slow group
  local preset=$1; shift
  echo "== Tests: $preset"
  "$@" ctest --test-dir "build/$preset" --output-on-failure -j "$jobs" --timeout 900 -LE slow
}

build native
run_ctest native
[ "${1:-}" = "--quick" ] && exit 0

# The slow group (multi-GB stores), once, natively; one test at a time for the disk's sake.
echo "== Tests: native, slow group"
ctest --test-dir build/native --output-on-failure -L slow --no-tests=ignore

build asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest asan

export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/quillmend/wineprefix}"
for preset in win32 win64; do
  build "$preset"
  # One virtual display for the whole run; the Wine server is ended before it goes away.
  run_ctest "$preset" timeout 1800 xvfb-run -a
  wineserver -k 2>/dev/null || true
done

build fuzz
bash scripts/fuzz.sh "${QM_FUZZ_SECONDS:-20}"
echo "All builds and tests passed."
