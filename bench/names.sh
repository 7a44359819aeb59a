#!/usr/bin/env bash
# What a name template costs, and how well the authors and years are read.
# For each corpus (a folder of PDFs, or a manifest of bench/corpus/):
#   1. dry folder runs with the refined rule alone and with --name, each
#      alternated five times; the shortest wall time of each counts, and
#      the cost of --name is printed in percent;
#   2. with a scorer (a program that takes a file of "PATH<TAB>AUTHOR|YEAR"
#      lines, such as the labels' own scorer kept outside the repository),
#      the authors and years read.
#
#   bench/names.sh CORPUS [SCORER] [CORPUS [SCORER]]...
#
# Needs a build in build/ (or the one TIDEMARK_BUILD names); manifests are
# fetched into TIDEMARK_CORPUS_CACHE (by default ~/.cache/tidemark-corpus).
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: bench/names.sh CORPUS [SCORER] [CORPUS [SCORER]]..." >&2; exit 2; }
cd "$(dirname "$0")/.."
bin=${TIDEMARK_BUILD:-build}/src/tidemark
cache=${TIDEMARK_CORPUS_CACHE:-$HOME/.cache/tidemark-corpus}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state"
template='[{author}[ {year}] - ]{title}'

wall() {
  /usr/bin/time -f '%e' -o "$work/time" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$work/time"
}
best() { printf '%s\n' "$@" | sort -n | head -n 1; }

run_corpus() {
  local corpus=$1 scorer=$2 folder=$1
  [[ $corpus == *.tsv ]] && folder=$(bench/corpus/fetch.sh "$corpus" "$cache" | tail -n 1)
  local files=("$folder"/*.pdf)
  echo "==== $(basename "$corpus" .tsv): ${#files[@]} PDFs in $folder"
  local plain=() named=()
  for _ in 1 2 3 4 5; do
    plain+=("$(wall "$bin" rename -n -j 1 "$folder")")
    named+=("$(wall "$bin" rename -n -j 1 --name "$template" "$folder")")
  done
  local p n
  p=$(best "${plain[@]}") n=$(best "${named[@]}")
  echo "dry folder run, one job: refined rule ${p} s, with --name ${n} s" \
    "($(awk -v p="$p" -v n="$n" 'BEGIN { printf "%+.1f%%", (n - p) * 100 / p }'))"
  if [ -n "$scorer" ]; then
    "$bin" title -j 2 --name '[{author}]|[{year}]|{title}' "${files[@]}" 2>/dev/null |
      sed 's/|[^|]*$//' > "$work/fields.tsv" || true
    "$scorer" "$work/fields.tsv"
  fi
}

corpus=""
for arg in "$@"; do
  if [ -d "$arg" ] || [[ $arg == *.tsv ]]; then
    [ -n "$corpus" ] && run_corpus "$corpus" ""
    corpus=$arg
  elif [ -n "$corpus" ] && [ -x "$arg" ]; then
    run_corpus "$corpus" "$arg"
    corpus=""
  else
    echo "bench/names.sh: '$arg' is neither a folder, a manifest nor a scorer" >&2
    exit 2
  fi
done
[ -n "$corpus" ] && run_corpus "$corpus" ""
exit 0
