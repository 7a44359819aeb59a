#!/usr/bin/env bash
# A real folder run over copies of the samples under valgrind memcheck, and
# the undo of that run: fails on any definite or indirect leak and on any
# memory error.
#   scripts/leak-check.sh [BUILD_DIR]      default: build
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
XDG_STATE_HOME=$(mktemp -d)  # the journal, outside the folder that is renamed
export XDG_STATE_HOME
trap 'rm -rf "$work" "$XDG_STATE_HOME"' EXIT
mkdir -p "$work/sub"
cp samples/*.pdf "$work/"
cp samples/paper-cover-page.pdf "$work/sub/COPY.PDF"
cp samples/paper-cover-page.pdf "$work/sub/copy two.pdf"
printf 'not a pdf' > "$work/sub/broken.pdf"
memcheck() {
  valgrind --quiet --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --error-exitcode=3 "$build/src/tidemark" "$@"
}
memcheck rename --recursive "$work" > "$work/out.txt" 2>"$work/err.txt" || status=$?
status=${status:-0}
if [ "$status" -le 1 ]; then
  memcheck undo >> "$work/out.txt" 2>>"$work/err.txt" || status=$?
fi
cat "$work/out.txt"
# Status 1 is the program's own "a file had no title" (broken.pdf); 3 is valgrind's.
# The undo restores every file, so it ends with 0 or 3.
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
