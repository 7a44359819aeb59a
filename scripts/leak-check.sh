#!/usr/bin/env bash
# A real folder run over copies of the samples under valgrind memcheck:
# fails on any definite or indirect leak and on any memory error.
#   scripts/leak-check.sh [BUILD_DIR]      default: build
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sub"
cp samples/*.pdf "$work/"
cp samples/paper-cover-page.pdf "$work/sub/COPY.PDF"
cp samples/paper-cover-page.pdf "$work/sub/copy two.pdf"
printf 'not a pdf' > "$work/sub/broken.pdf"
valgrind --quiet --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=definite,indirect --error-exitcode=3 \
  "$build/src/tidemark" rename --recursive "$work" > "$work/out.txt" 2>"$work/err.txt" || status=$?
status=${status:-0}
cat "$work/out.txt"
# Status 1 is the program's own "a file had no title" (broken.pdf); 3 is valgrind's.
if [ "$status" -ne 0 ] && [ "$status" -ne 1 ]; then
  cat "$work/err.txt" >&2
  echo "leak check failed (status $status)" >&2
  exit 1
fi
if grep -q '==[0-9]*==' "$work/err.txt"; then
  cat "$work/err.txt" >&2
  exit 1
fi
echo "valgrind: no leaks and no memory errors"
