#!/usr/bin/env bash
# Scale benchmark: folder runs (dry run, recursive) with one job and with
# two, side by side.
#   bench/scale.sh [N...]          folders of N generated papers (1 to 30
#                                  pages, a third without an abstract heading,
#                                  a tenth in a subfolder); default 100 1000 5000
#   bench/scale.sh --folder DIR    a folder of real papers instead
# ROUNDS (default 3) runs of each job count take turns; "best s" is the
# fastest, the figure that other work on a shared machine disturbs least,
# and files/s and the speedup are taken from it. Generated folders also get
# Poppler's own pdftotext over the same files as the floor: page 1 of every
# file (floor1), and the pages the title search reads (floorP: to the
# abstract heading, or all without one), each against the one-job run.
# Needs a build in build/ (cmake --build build).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/src/tidemark
gen=build/bench/make-papers
rounds=${ROUNDS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# GNU time's %M is the peak resident set in KiB. Prints wall seconds, peak
# KiB, and CPU seconds (user + system).
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
  awk 'END { printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time"
}

# Runs both job counts ROUNDS times over $1 and prints one line for each:
# label, pages (0: unknown), then the figures.
runs() {
  local dir=$1 n=$2 pages=$3 j
  rm -f "$work"/j*
  for _ in $(seq "$rounds"); do
    for j in 1 2; do measure "$bin" rename --dry-run --recursive -j "$j" "$dir" >> "$work/j$j"; done
  done
  for j in 1 2; do
    sort -n "$work/j$j" | awk -v n="$n" -v pg="$pages" -v j="$j" -v base="$(sort -n "$work/j1" | head -n 1 | cut -d' ' -f1)" '
      { wall[NR] = $1; if ($2 > kb) kb = $2; cpu[NR] = $3 }
      END {
        best = wall[1]; median = wall[int((NR + 1) / 2)]; c = cpu[int((NR + 1) / 2)]
        printf "%6d %6s | %4d %7.2f %8.2f %7.2f %8.1f %8.1f %7s | %7s", n, (pg > 0 ? pg : "-"), j, best, median, c, n / best,
          kb / 1024, (pg > 0 ? sprintf("%.3f", 1000 * c / pg) : "-"), (j > 1 ? sprintf("%.2f", base / best) : "") }'
    [ "$j" = 2 ] || echo
  done
}

header() {
  printf '%6s %6s | %4s %7s %8s %7s %8s %8s %7s | %7s' N pages jobs "best s" "median s" "cpu s" "files/s" "peak MB" \
    "ms/page" speedup
  [ "${1:-}" != floor ] || printf ' | %8s %6s | %8s %6s' "floor1 s" ratio "floorP s" ratio
  echo
}

echo "$rounds rounds, $(nproc) processors, load average $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "${1:-}" = --folder ]; then
  dir=$(cd "$2" && pwd)
  header
  runs "$dir" "$(find "$dir" -type f -iname '*.pdf' | wc -l)" 0
  echo
  exit
fi

sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(100 1000 5000)
header floor
for n in "${sizes[@]}"; do
  dir="$work/papers-$n"; mkdir -p "$dir/sub"
  "$gen" "$dir" "$n" 7 > "$work/manifest"
  # A few papers in a subfolder, so that the walk descends.
  for f in $(head -n $((n / 10)) "$work/manifest" | cut -f1); do mv "$f" "$dir/sub/"; done
  sync
  pages=$(awk -F'\t' '{ s += $3 } END { print s }' "$work/manifest")
  runs "$dir" "$n" "$pages"
  # Floor 1: pdftotext on page 1 of every file.
  find "$dir" -name '*.pdf' > "$work/files"
  read -r f1_s _ _ < <(measure sh -c 'while read -r f; do pdftotext -q -f 1 -l 1 "$f" /dev/null; done' < "$work/files")
  # Floor P: pdftotext on the pages the title search reads.
  while IFS=$'\t' read -r f _ p; do
    b=$(basename "$f"); [ -e "$f" ] || f="$dir/sub/$b"; printf '%s\t%s\n' "$f" "$p"
  done < "$work/manifest" > "$work/pages"
  read -r fp_s _ _ < <(measure sh -c 'while IFS="	" read -r f p; do pdftotext -q -f 1 -l "$p" "$f" /dev/null; done' < "$work/pages")
  best=$(sort -n "$work/j1" | head -n 1 | cut -d' ' -f1)
  awk -v a="$f1_s" -v p="$fp_s" -v r="$best" 'BEGIN { printf " | %8.2f %6.2f | %8.2f %6.2f\n", a, r / a, p, r / p }'
  rm -rf "$dir"
done
