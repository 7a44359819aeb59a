#!/usr/bin/env bash
# How long Tidemark.exe's log page takes to show a journal of RUNS runs of
# FILES moves each (written straight in the journal's format, as
# bench/journal-bound.sh does), and whether the sheet keeps answering
# meanwhile. Needs build-win (scripts/build-win.sh tray_logpage_bench).
#   bench/log-page.sh [RUNS] [FILES]        default: 1000 runs of 100 (21 MB)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-1000}
files=${2:-100}
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
mkdir -p "$work/appdata/Tidemark"
awk -v runs="$runs" -v files="$files" -v root='C:\\\\papers' -v sep='\\\\' -f bench/make-journal.awk \
  > "$work/appdata/Tidemark/journal"
echo "journal: $runs runs of $files moves, $(du -m "$work/appdata/Tidemark/journal" | cut -f1) MB"
TIDEMARK_EXE="Z:$(pwd | tr / '\\')\\build-win\\src\\app\\Tidemark.exe" \
  xvfb-run -a wine build-win/tests/app/tray_logpage_bench.exe $((runs * (files + 1))) "Z:$(tr / '\\' <<<"$work/appdata")"
