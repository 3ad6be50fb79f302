#!/usr/bin/env bash
# Runs one Windows program under Wine for CTest; the prefix lives outside the source tree.
set -u
export WINEPREFIX="${WINEPREFIX:-${HOME}/.cache/quillmend/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
wine "$@"
