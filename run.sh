#!/usr/bin/env bash
# Installs what is missing, builds, and renames PDF papers to their titles
# (read by the refined rule, the command line's default): a fresh copy of
# the bundled samples, or the folder named as $1 (further arguments go to
# "tidemark rename", e.g. --recursive, --dry-run or --rule=layout).
#
#   ./run.sh                     # the samples, in a new temporary folder
#   ./run.sh ~/papers -r -n      # what a recursive run would do to ~/papers
#   ./run.sh ~/papers --rule=layout -n   # the same by the layout rule
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")"
scripts/deps-native.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tidemark

if (($# > 0)); then
  folder=$1
  shift
  [[ $folder == /* ]] || folder=$caller/$folder
  if [[ ! -d $folder ]]; then
    echo "run.sh: '$folder' is not a folder" >&2
    exit 2
  fi
else
  folder=$(mktemp -d "${TMPDIR:-/tmp}/tidemark-samples.XXXXXX")
  cp samples/*.pdf "$folder"/
fi

list() {
  (cd "$folder" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort)
}

echo "== $folder before:"
list
echo
echo "== in $folder: tidemark rename ${*:+$* }."
status=0
tidemark=$PWD/build/src/tidemark
(cd "$folder" && "$tidemark" rename "$@" -- .) || status=$?
echo
echo "== $folder after:"
list
exit "$status"
