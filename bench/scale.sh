#!/usr/bin/env bash
# Scale benchmark: a folder of N generated papers (1 to 30 pages, a third
# without an abstract heading), a dry-run folder run over it, and Poppler's
# own pdftotext over the same files as the floor. "pages" counts the pages
# the title search reads (to the abstract heading, or all without one).
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
# Wall seconds, peak KiB, and CPU seconds (user + system), which a busy
# machine disturbs less than the wall time.
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
  awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time"
}

printf '%6s %6s | %7s %7s %8s %8s %7s | %8s %7s %8s %6s | %8s %6s\n' N pages "run s" "cpu s" "files/s" "peak MB" "ms/page" \
  "floor1 s" "cpu s" "files/s" "ratio" "floorP s" "ratio"
for n in "${sizes[@]}"; do
  dir="$work/papers-$n"; mkdir -p "$dir/sub"
  "$gen" "$dir" "$n" 7 > "$work/manifest"
  # A few papers in a subfolder, so that the walk descends.
  for f in $(head -n $((n / 10)) "$work/manifest" | cut -f1); do mv "$f" "$dir/sub/"; done
  sync
  read -r run_s run_kb run_cpu < <(measure "$bin" rename --dry-run --recursive "$dir")
  # Floor 1: pdftotext on page 1 of every file.
  find "$dir" -name '*.pdf' > "$work/files"
  read -r f1_s _ f1_cpu < <(measure sh -c 'while read -r f; do pdftotext -q -f 1 -l 1 "$f" /dev/null; done' < "$work/files")
  # Floor P: pdftotext on the pages the title search reads (page 1 to the
  # abstract heading, every page without one).
  while IFS=$'\t' read -r f _ p; do
    b=$(basename "$f"); [ -e "$f" ] || f="$dir/sub/$b"; printf '%s\t%s\n' "$f" "$p"
  done < "$work/manifest" > "$work/pages"
  read -r fp_s _ fp_cpu < <(measure sh -c 'while IFS="	" read -r f p; do pdftotext -q -f 1 -l "$p" "$f" /dev/null; done' < "$work/pages")
  pages=$(awk -F'\t' '{ s += $3 } END { print s }' "$work/manifest")
  awk -v n="$n" -v pg="$pages" -v r="$run_s" -v rc="$run_cpu" -v k="$run_kb" -v a="$f1_s" -v ac="$f1_cpu" \
      -v p="$fp_s" -v pc="$fp_cpu" 'BEGIN {
    printf "%6d %6d | %7.2f %7.2f %8.0f %8.1f %7.3f | %8.2f %7.2f %8.0f %6.2f | %8.2f %6.2f\n",
      n, pg, r, rc, n / r, k / 1024, 1000 * rc / pg, a, ac, n / a, r / a, p, r / p }'
  rm -rf "$dir"
done
