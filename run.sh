#!/usr/bin/env bash
# Installs what is missing, builds, and prints the title of each bundled
# sample paper.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps-native.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tidemark
build/src/tidemark title samples/*.pdf
