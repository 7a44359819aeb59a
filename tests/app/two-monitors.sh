#!/usr/bin/env bash
# Runs the two-screen scenarios of tray_program_tests (TwoMonitorsTest.cpp)
# on a desk with two screens side by side: Xephyr, nested in Xvfb, with two
# Xinerama screens of different sizes, which Wine shows as two monitors once
# it reads Xinerama rather than RandR (Xephyr's RandR has one output). A
# prefix and displays of their own.
#   two-monitors.sh PATH/tray_program_tests.exe
set -euo pipefail
work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 2200x1100x24" sh -c '
  work=$1
  Xephyr -displayfd 3 -screen 800x600 -screen 1280x1024 +xinerama -ac -nolisten tcp 3>"$work/display" \
    >"$work/xephyr.log" 2>&1 &
  xephyr=$!
  # The display number comes once Xephyr takes connections.
  while [ ! -s "$work/display" ] && kill -0 $xephyr 2>/dev/null; do sleep 0.1; done
  export DISPLAY=:$(cat "$work/display")
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v UseXRandR /d N /f >/dev/null 2>&1
  wineserver -k || true
  status=0
  wine "$2" --gtest_brief=1 --gtest_filter="TwoMonitors.*" || status=$?
  wineserver -k || true
  kill $xephyr
  exit $status' sh "$work" "$1"
