#!/usr/bin/env bash
# Scale benchmark: a folder of N generated papers (1 to 30 pages, a third
# without an abstract heading), a dry-run folder run over it, and Poppler's
# own pdftotext over the same files as the floor.
#   bench/scale.sh [N...]          default: 100 1000 5000
# Needs a build in build/ (cmake --build build).
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(100 1000 5000)
bin=build/src/tidemark
gen=build/bench/make-papers
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# GNU time's %M is the peak resident set in KiB (of the largest process).
measure() { /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1 || true; cat "$work/time"; }

printf '%6s | %9s %8s %8s | %9s %8s %7s | %9s %7s\n' N "run s" "files/s" "peak MB" \
  "floor1 s" "files/s" "ratio" "floorP s" "ratio"
for n in "${sizes[@]}"; do
  dir="$work/papers-$n"; mkdir -p "$dir/sub"
  "$gen" "$dir" "$n" 7 > "$work/manifest"
  # A few papers in a subfolder, so that the walk descends.
  for f in $(head -n $((n / 10)) "$work/manifest" | cut -f1); do mv "$f" "$dir/sub/"; done
  sync
  read -r run_s run_kb < <(measure "$bin" rename --dry-run --recursive "$dir")
  # Floor 1: pdftotext on page 1 of every file.
  find "$dir" -name '*.pdf' > "$work/files"
  read -r f1_s _ < <(measure sh -c 'while read -r f; do pdftotext -q -f 1 -l 1 "$f" /dev/null; done' < "$work/files")
  # Floor P: pdftotext on the pages the title search reads (page 1 to the
  # abstract heading, every page without one).
  while IFS=$'\t' read -r f _ p; do
    b=$(basename "$f"); [ -e "$f" ] || f="$dir/sub/$b"; printf '%s\t%s\n' "$f" "$p"
  done < "$work/manifest" > "$work/pages"
  read -r fp_s _ < <(measure sh -c 'while IFS="	" read -r f p; do pdftotext -q -f 1 -l "$p" "$f" /dev/null; done' < "$work/pages")
  awk -v n="$n" -v r="$run_s" -v k="$run_kb" -v a="$f1_s" -v p="$fp_s" 'BEGIN {
    printf "%6d | %9.2f %8.0f %8.1f | %9.2f %8.0f %7.2f | %9.2f %7.2f\n",
      n, r, n / r, k / 1024, a, n / a, r / a, p, r / p }'
  rm -rf "$dir"
done
