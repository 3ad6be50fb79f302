#!/usr/bin/env bash
# Starts the real window under Wine on a virtual display and saves pictures of it:
# docs/screenshots/main-window.png, about-box.png, search-dialog.png and save-as-dialog.png.
# Usage: scripts/screenshot.sh [preset]   (default win64; win32 needs a kernel that runs
# 32-bit programs)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
preset=${1:-win64}

if [ -z "${QM_SCREENSHOT_INNER:-}" ]; then
  bash scripts/setup.sh
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j 2 --target quillmend_window qm_window_poke qm_dialog_scene
  export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/quillmend/wineprefix}"
  export QM_SCREENSHOT_INNER=1
  timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$preset"
  wineserver -k 2>/dev/null || true
  exit 0
fi

# Inside the virtual display.
run=(bash "$root/cmake/wine-run.sh")
exe="$root/build/$preset/ui/Quillmend.exe"
poke="$root/build/$preset/tests/ui/window_poke.exe"
scene="$root/build/$preset/tests/ui/dialog_scene.exe"
out="$root/docs/screenshots"
mkdir -p "$out"
# Window frames need the TrueType fonts inside the prefix.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
"${run[@]}" cmd /c exit >/dev/null 2>&1 || true
if [ -d "$fonts" ] && [ -z "$(ls "$fonts"/*.ttf 2>/dev/null)" ]; then
  cp /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
fi

# A folder of its own, so that no config.ini or log of another run is picked up.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/Quillmend.exe"
size=660x600
"${run[@]}" explorer "/desktop=quillmend,$size" "$work/Quillmend.exe" >/dev/null 2>&1 &
sleep 6
import -window root -crop "$size+0+0" "$out/main-window.png"
# Help > About Us, sent from inside the same virtual desktop.
"${run[@]}" explorer "/desktop=quillmend,$size" "$poke" 32784 >/dev/null 2>&1 || true
sleep 2
import -window root -crop "$size+0+0" "$out/about-box.png"
wineserver -k 2>/dev/null || true
wait 2>/dev/null || true

# The Search Files dialog after a search, and the Save As dialog, each over the window.
cp "$scene" "$work/Quillmend.exe"
for shot in search:search-dialog saveas:save-as-dialog; do
  "${run[@]}" explorer "/desktop=quillmend,$size" "$work/Quillmend.exe" "${shot%%:*}" >/dev/null 2>&1 &
  # Wait until the picture shows more than the desktop's colour, then let it settle.
  for _ in $(seq 30); do
    sleep 1
    import -window root -crop "$size+0+0" "$out/${shot#*:}.png"
    [ "$(identify -format %k "$out/${shot#*:}.png")" -gt 2 ] && break
  done
  sleep 2
  import -window root -crop "$size+0+0" "$out/${shot#*:}.png"
  wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
done
echo "Saved main-window.png, about-box.png, search-dialog.png and save-as-dialog.png in $out"
