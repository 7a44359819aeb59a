#!/usr/bin/env bash
# The two title rules on a folder of papers, in one run on one machine:
#   1. a dry folder run with each rule ("tidemark rename -n --rule=..."),
#      alternated three times; the shortest wall time of each counts;
#   2. rules-bench: each rule on each file in one process (shortest of 9
#      runs per file), totals, medians, and the files where the refined rule
#      took more than twice the layout rule's time;
#   3. with a scorer (a program that takes a file<TAB>title list, such as
#      the development corpus's score.py), the accuracy of each rule.
#
#   bench/rules.sh FOLDER [SCORER]
# Needs a build in build/ (cmake --build build).
set -euo pipefail
folder=${1:?usage: bench/rules.sh FOLDER [SCORER]}
scorer=${2:-}
cd "$(dirname "$0")/.."
bin=build/src/tidemark
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

wall() {
  /usr/bin/time -f '%e' -o "$work/time" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$work/time"
}
best() { printf '%s\n' "$@" | sort -n | head -n 1; }

layout=() refined=()
for _ in 1 2 3; do
  layout+=("$(wall "$bin" rename -n --rule=layout "$folder")")
  refined+=("$(wall "$bin" rename -n --rule=refined "$folder")")
done
echo "dry folder run, wall seconds (best of 3): layout $(best "${layout[@]}"), refined $(best "${refined[@]}")"
echo

build/bench/rules-bench --runs 9 --titles "$work/titles" "$folder"/*.pdf | tail -n +2 | sed -n '/^total ms/,$p'
if [ -n "$scorer" ]; then
  for rule in layout refined; do
    echo
    echo "== $rule"
    "$scorer" "$work/titles-$rule.tsv" --quiet | sed -n 1,3p
  done
fi
