#!/usr/bin/env bash
# What a name template costs, and how well the authors and years are read.
# For each corpus (a folder of PDFs, or a manifest of bench/corpus/):
#   1. dry folder runs with the refined rule alone and with --name, each
#      alternated five times; the shortest wall and processor (user and
#      system) times of each count, and the cost of --name is printed in
#      percent. The refined rule alone runs the program TIDEMARK_BASELINE
#      names when set (a build from before authors and years were read), so
#      that what reading them costs every run shows too;
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
baseline=${TIDEMARK_BASELINE:-$bin}
cache=${TIDEMARK_CORPUS_CACHE:-$HOME/.cache/tidemark-corpus}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state"
template='[{author}[ {year}] - ]{title}'

# "WALL CPU" seconds of one run.
times() {
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$work/time" | awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }'
}
best() { printf '%s\n' "$@" | sort -n | head -n 1; }
percent() { awk -v p="$1" -v n="$2" 'BEGIN { printf "%+.1f%%", (n - p) * 100 / p }'; }

run_corpus() {
  local corpus=$1 scorer=$2 folder=$1
  [[ $corpus == *.tsv ]] && folder=$(bench/corpus/fetch.sh "$corpus" "$cache" | tail -n 1)
  local files=("$folder"/*.pdf)
  echo "==== $(basename "$corpus" .tsv): ${#files[@]} PDFs in $folder"
  local plainWall=() plainCpu=() namedWall=() namedCpu=() t
  for _ in 1 2 3 4 5; do
    read -r -a t <<<"$(times "$baseline" rename -n -j 1 "$folder")"
    plainWall+=("${t[0]}") plainCpu+=("${t[1]}")
    read -r -a t <<<"$(times "$bin" rename -n -j 1 --name "$template" "$folder")"
    namedWall+=("${t[0]}") namedCpu+=("${t[1]}")
  done
  local pw pc nw nc
  pw=$(best "${plainWall[@]}") pc=$(best "${plainCpu[@]}") nw=$(best "${namedWall[@]}") nc=$(best "${namedCpu[@]}")
  echo "dry folder run, one job: refined rule alone ${pw} s (processor ${pc} s)," \
    "with --name ${nw} s (${nc} s): $(percent "$pw" "$nw") wall, $(percent "$pc" "$nc") processor"
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
