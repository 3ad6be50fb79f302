#!/usr/bin/env bash
# Help.chm opens with an independent CHM reader and holds every page with its heading.
# Usage: help_file_test.sh <Help.chm>
set -euo pipefail
chm=$1
command -v extract_chmLib >/dev/null || { echo "skipped: extract_chmLib (libchm-bin) missing"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
extract_chmLib "$chm" "$out" >/dev/null
check() {  # page heading
  grep -q "<h1>$2</h1>" "$out/$1" || { echo "missing or wrong: $1"; exit 1; }
}
check index.html "Quillmend Help"
check window.html "The window"
check outputs.html "Output kinds"
check settings.html "Settings"
check recovery.html "Recovery mode"
check logs.html "Log files"
grep -q 'value="recovery.html"' "$out/toc.hhc" || { echo "contents lack a page"; exit 1; }
echo "Help.chm holds every page"
