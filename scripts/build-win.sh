#!/usr/bin/env bash
# Configures and builds the Windows build (MinGW-w64) in build-win/: all of
# it, or the targets named as arguments. The dependencies come from
# scripts/build-win-deps.sh, which builds them once.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(scripts/build-win-deps.sh | tail -n 1)
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEMARK_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake -DTIDEMARK_WIN_DEPS="$prefix" \
  -DCMAKE_CROSSCOMPILING_EMULATOR=wine >/dev/null
if (($#)); then
  cmake --build build-win --target "$@"
else
  cmake --build build-win
fi
