#!/usr/bin/env bash
# Takes the screenshots of Tidemark.exe in docs/screenshots/: the real
# program under Wine in Xvfb, driven by the end-to-end test program, which
# keeps a picture of each window it checks (TIDEMARK_SCREENSHOTS). Also
# draws the tray icons on a light and a dark taskbar colour.
#
#   scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps-native.sh wine wine64 xvfb xauth zlib1g-dev imagemagick
scripts/build-win.sh Tidemark tidemark tray_program_tests

out=docs/screenshots
work=$(mktemp -d)
WINEPREFIX=$work/prefix
export WINEPREFIX WINEDEBUG=-all
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
mkdir -p "$work/shots" "$out"

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
export TIDEMARK_SCREENSHOTS=$(winpath "$work/shots")
export TIDEMARK_EXE=$(winpath "$PWD/build-win/src/app/Tidemark.exe")
# The log page shows runs that the command-line program records.
export TIDEMARK_CLI=$(winpath "$PWD/build-win/src/tidemark-cli.exe")
xvfb-run -a -s "-screen 0 1280x800x24" \
  wine build-win/tests/app/tray_program_tests.exe --gtest_brief=1 >/dev/null

for shot in "$work"/shots/*.ppm; do
  name=$(basename "${shot%.ppm}")
  convert "$shot" -bordercolor '#9a9a9a' -border 1 "$out/$name.png"
  echo "$out/$name.png"
done

# The two tray icons at the notification area's sizes (100 % to 200 %),
# on the light and the dark taskbar of Windows 11.
icons=build-win/src/res/make-icons
row() {
  local bg=$1; shift
  local tiles=()
  for name in tidemark disabled; do
    for size in 16 20 24 32; do
      "$icons" --png "$size" "$work/$name-$size.png" "$name"
      tiles+=("$work/$name-$size.png")
    done
  done
  montage -background "$bg" "${tiles[@]}" -tile 8x1 -geometry '32x32>+6+6' -gravity center "$work/row-$bg.png"
}
row '#f3f3f3'
row '#202020'
convert "$work/row-#f3f3f3.png" "$work/row-#202020.png" -append "$out/tray-icons.png"
echo "$out/tray-icons.png"
