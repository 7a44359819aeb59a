#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the native suites (Linux),
#   2. the same suites built with AddressSanitizer and UndefinedBehaviorSanitizer,
#      and the parallel folder run built with ThreadSanitizer,
#   3. a short fuzzing run on top of the inputs that ever failed,
#   4. a leak check of a folder run under valgrind,
#   5. the Windows build (MinGW-w64) and its suites under Wine, the tray
#      program Tidemark.exe driven end to end among them,
#   6. the release packages: the installer and uninstaller under Wine, the
#      zip, and the Debian package installed and removed with dpkg.
# Fails on the first stage that fails.
set -euo pipefail
cd "$(dirname "$0")"
export CTEST_OUTPUT_ON_FAILURE=1

# Each stage says when it began, so that a slow stage shows in the log.
stage() { printf '\n==== %s (%d s in)\n' "$*" "$SECONDS"; }

stage "Installing missing packages"
scripts/deps-native.sh clang libclang-rt-14-dev valgrind wine wine64 xvfb xauth xserver-xephyr zlib1g-dev

stage "Native build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEMARK_WERROR=ON >/dev/null
cmake --build build
ctest --test-dir build -j2

stage "Sanitizer build (address, undefined) and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTIDEMARK_WERROR=ON \
  -DTIDEMARK_SANITIZE=address,undefined >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j2

stage "Thread sanitizer build (clang) and the parallel folder run tests"
# Only what runs titles on several threads: the small suite and the program
# it starts. A race report makes the program exit with status 66.
CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEMARK_WERROR=ON \
  -DTIDEMARK_SANITIZE=thread >/dev/null
cmake --build build-tsan --target parallel_tests tidemark
tsan_state=$(mktemp -d)  # the journal of the runs, kept apart
TSAN_OPTIONS=halt_on_error=1:exitcode=66 TIDEMARK_CLI="$PWD/build-tsan/src/tidemark" XDG_STATE_HOME="$tsan_state" \
  timeout 600 build-tsan/tests/rename/parallel_tests --gtest_brief=1
rm -rf "$tsan_state"

stage "Leak check: a folder run under valgrind"
scripts/leak-check.sh build

stage "Fuzzing smoke run (60 s, fixed seed)"
scripts/fuzz.sh 60 1

stage "Windows build"
scripts/build-win.sh

stage "Windows tests under Wine"
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
xvfb-run -a ctest --test-dir build-win
scripts/compare-wine.sh build build-win

stage "Packages: installer, zip, Debian package"
scripts/test-packages.sh

stage "All passed"
