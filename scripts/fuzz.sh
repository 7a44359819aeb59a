#!/usr/bin/env bash
# Builds the libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, replays every input that ever failed
# (tests/fuzz/regressions), then fuzzes for a while from the seeds.
#   scripts/fuzz.sh [SECONDS] [SEED]     defaults: 60 s, seed 1
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
seed=${2:-1}
scripts/deps-native.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTIDEMARK_FUZZ=ON -DTIDEMARK_SANITIZE=address,undefined -DTIDEMARK_WERROR=ON >/dev/null
cmake --build build-fuzz --target fuzz_title make-samples

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/seeds" "$work/corpus"
cp samples/*.pdf "$work/seeds/"
cp tests/fuzz/corpus/* "$work/seeds/" 2>/dev/null || true
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

regressions=(tests/fuzz/regressions/*)
if [ -e "${regressions[0]}" ]; then
  echo "Replaying ${#regressions[@]} regression inputs"
  build-fuzz/tests/fuzz/fuzz_title "${regressions[@]}"
fi
echo "Fuzzing for ${seconds}s (seed $seed)"
build-fuzz/tests/fuzz/fuzz_title -seed="$seed" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
  -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus" "$work/seeds" 2>&1 | tail -15
