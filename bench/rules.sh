#!/usr/bin/env bash
# The two title rules side by side, in one run on one machine, over one or
# more corpora. A corpus is a folder of PDFs, or a manifest of
# bench/corpus/ (fetched first, see bench/corpus/fetch.sh), each optionally
# followed by a scorer: a program that takes a file<TAB>title list and
# --quiet, such as the development corpus's score.py. For each corpus:
#   1. a dry folder run with each rule ("tidemark rename -n --rule=..."),
#      alternated three times; the shortest wall time of each counts;
#   2. rules-bench: each rule on each file in one process (shortest of 9
#      runs per file), totals, medians, and the files where the refined rule
#      took more than twice the layout rule's time;
#   3. with a scorer, the accuracy of each rule.
# Last, one table of every corpus: exact and close titles and milliseconds
# per paper for each rule.
#
#   bench/rules.sh CORPUS [SCORER] [CORPUS [SCORER]]...
#
# Needs a build in build/ (cmake --build build), or the one TIDEMARK_BUILD
# names; manifests are fetched into TIDEMARK_CORPUS_CACHE (by default
# ~/.cache/tidemark-corpus).
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: bench/rules.sh CORPUS [SCORER] [CORPUS [SCORER]]..." >&2; exit 2; }
cd "$(dirname "$0")/.."
build=${TIDEMARK_BUILD:-build}
bin=$build/src/tidemark
cache=${TIDEMARK_CORPUS_CACHE:-$HOME/.cache/tidemark-corpus}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

wall() {
  /usr/bin/time -f '%e' -o "$work/time" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$work/time"
}
best() { printf '%s\n' "$@" | sort -n | head -n 1; }
# "exact: 148/176 (84.1%)" -> "148/176 (84.1%)"
figure() { sed -n "s/^$1: //p" "$2" | head -n 1; }

# The corpora and their scorers, in order.
corpora=() scorers=()
for arg in "$@"; do
  if [ -d "$arg" ] || [[ $arg == *.tsv ]]; then
    corpora+=("$arg")
    scorers+=("")
  elif [ ${#corpora[@]} -gt 0 ] && [ -x "$arg" ]; then
    scorers[${#scorers[@]}-1]=$arg
  else
    echo "bench/rules.sh: '$arg' is neither a folder, a manifest nor a scorer" >&2
    exit 2
  fi
done

summary=()
for i in "${!corpora[@]}"; do
  corpus=${corpora[$i]} scorer=${scorers[$i]}
  folder=$corpus
  [[ $corpus == *.tsv ]] && folder=$(bench/corpus/fetch.sh "$corpus" "$cache" | tail -n 1)
  name=$(basename "$corpus" .tsv)
  files=("$folder"/*.pdf)
  echo "==== $name: ${#files[@]} PDFs in $folder"

  layout=() refined=()
  for _ in 1 2 3; do
    layout+=("$(wall "$bin" rename -n --rule=layout "$folder")")
    refined+=("$(wall "$bin" rename -n --rule=refined "$folder")")
  done
  echo "dry folder run, wall seconds (best of 3): layout $(best "${layout[@]}"), refined $(best "${refined[@]}")"
  echo

  "$build"/bench/rules-bench --runs 9 --titles "$work/titles" "${files[@]}" >"$work/bench"
  sed -n '/^total ms/,$p' "$work/bench"
  read -r lt rt < <(sed -n 's/^total ms: layout \([0-9.]*\), refined \([0-9.]*\).*/\1 \2/p' "$work/bench")
  per() { awk -v t="$1" -v n="${#files[@]}" 'BEGIN { printf "%.1f", t / n }'; }
  row="$name|${#files[@]}"
  for rule in layout refined; do
    if [ -n "$scorer" ]; then
      echo
      echo "== $rule"
      "$scorer" "$work/titles-$rule.tsv" --quiet >"$work/score-$rule" 2>&1 || true
      sed -n 1,3p "$work/score-$rule"
      row+="|$(figure exact "$work/score-$rule")|$(figure close "$work/score-$rule")"
    else
      row+="|-|-"
    fi
  done
  summary+=("$row|$(per "$lt")|$(per "$rt")")
  echo
done

echo "==== all corpora (exact and close titles; ms per paper, best of 9 runs)"
{
  echo "corpus|files|layout exact|layout close|refined exact|refined close|layout ms|refined ms"
  printf '%s\n' "${summary[@]}"
} | column -t -s '|'
