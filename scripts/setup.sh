#!/usr/bin/env bash
# Usage: setup.sh [--native]   (--native: only what the Linux build itself needs)
# Installs what building and testing needs on a Debian 12 machine; installs only what is
# missing, so a second run costs a second or two.
set -euo pipefail

need=()
want() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || need+=("$1"); }

# Native build, tests, benchmarks and the fuzzer.
for p in build-essential ccache cmake ninja-build git pkg-config googletest libgtest-dev libgmock-dev \
         libbenchmark-dev clang libclang-rt-14-dev python3; do want "$p"; done
if [ "${1:-}" != "--native" ]; then
# Windows builds, and running them under Wine with a virtual display.
for p in g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 \
         binutils-mingw-w64-x86-64 wine wine64 wine32:i386 fonts-wine xvfb xauth imagemagick; do want "$p"; done
# The help file of the window (chmcmd, the CHM compiler).
want fp-utils
want libchm-bin  # extract_chmLib reads Help.chm back in the tests
# Independent readers of what we write.
for p in pst-utils pff-tools libolecf-utils libemail-outlook-message-perl libemail-address-perl \
         python3-olefile unrtf; do want "$p"; done
# A word processor reads the rich-text documents; poppler-utils makes pictures of its pages.
for p in libreoffice-writer-nogui poppler-utils; do want "$p"; done
# Node.js with npm may come from elsewhere than Debian's packages; take Debian's only when absent.
command -v node >/dev/null 2>&1 || want nodejs
command -v npm >/dev/null 2>&1 || want npm
fi

if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  if printf '%s\n' "${need[@]}" | grep -q ':i386$'; then
    $SUDO dpkg --add-architecture i386
  fi
  echo "Installing: ${need[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# The npm readers the tests use (pst-extractor, msgreader), pinned by
# tests/readers/package-lock.json; installed again whenever the lock file is newer than what
# npm last installed.
readers="$(cd "$(dirname "$0")/.." && pwd)/tests/readers"
installed="$readers/node_modules/.package-lock.json"
if command -v npm >/dev/null 2>&1 && { [ ! -f "$installed" ] || [ "$readers/package-lock.json" -nt "$installed" ]; }; then
  (cd "$readers" && npm ci --no-audit --no-fund --silent)
fi
