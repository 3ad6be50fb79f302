#!/usr/bin/env bash
# Runs one Windows program under Wine for CTest. The prefix lives outside the source tree.
# Where the kernel cannot run 32-bit programs (no IA-32 support), Wine's 32-bit loader does
# not start: 64-bit programs then run through wine64, and 32-bit ones are reported skipped
# (exit status 77) rather than failed.
set -u
export WINEPREFIX="${WINEPREFIX:-${HOME}/.cache/quillmend/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

pe_machine() {  # prints 14c for i686, 8664 for x86_64
  local off
  off=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((off + 4)) -N2 "$1" | tr -d ' ' | sed 's/^0*//'
}

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  loader=wine
else
  if [ "$(pe_machine "$1")" = "14c" ]; then
    echo "skipped: this machine cannot run 32-bit programs, so Wine cannot run $(basename "$1")"
    exit 77
  fi
  loader=/usr/lib/wine/wine64
  export WINELOADER=$loader
fi

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$loader" wineboot -i >/dev/null 2>&1
    wineserver -w
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
) 9>"$WINEPREFIX.lock"
exec "$loader" "$@"
