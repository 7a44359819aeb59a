#!/usr/bin/env bash
# The journal's cost on a real folder run: the same N generated papers
# renamed with the journal and with --no-journal, alternately, R times each
# on fresh copies; then the undo of a recorded run. Prints wall and CPU
# seconds (user + system) per run, best of R, and the journal's size.
#   bench/journal-cost.sh [N] [R]        default: 1000 papers, 3 rounds
# Needs a build in build/ (cmake --build build).
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-1000}
rounds=${2:-3}
bin=$PWD/build/src/tidemark
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state

mkdir -p "$work/papers"
build/bench/make-papers "$work/papers" "$n" 7 > /dev/null
measure() {  # wall, user + system, system
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" > /dev/null 2>&1 || true
  awk '{ printf "%s %.2f %.2f\n", $1, $2 + $3, $3 }' "$work/time"
}
best() { sort -n -k1,1 | head -n 1; }

: > "$work/with"; : > "$work/without"
for ((r = 0; r < rounds; r++)); do
  for mode in with without; do
    rm -rf "$work/copy"; cp -a "$work/papers" "$work/copy"; sync
    if [ "$mode" = with ]; then
      measure "$bin" rename "$work/copy" >> "$work/with"
    else
      measure "$bin" rename --no-journal "$work/copy" >> "$work/without"
    fi
  done
done
read -r ws wc wsys < <(sort -n -k2,2 "$work/with" | head -n 1)
read -r os oc osys < <(sort -n -k2,2 "$work/without" | head -n 1)
read -r us uc usys < <(measure "$bin" undo)
bytes=$(stat -c %s "$XDG_STATE_HOME/tidemark/journal")
printf '%d papers, best of %d:\n' "$n" "$rounds"
printf '  %-22s %7s %7s %7s\n' "" "wall s" "cpu s" "sys s"
printf '  %-22s %7s %7s %7s\n' "rename (journal)" "$ws" "$wc" "$wsys"
printf '  %-22s %7s %7s %7s\n' "rename --no-journal" "$os" "$oc" "$osys"
printf '  %-22s %7s %7s %7s\n' "undo of the last run" "$us" "$uc" "$usys"
awk -v a="$wc" -v b="$oc" -v n="$n" -v bytes="$bytes" -v runs="$rounds" 'BEGIN {
  printf "  journal: %+.2f s CPU per run (%+.1f%%), %.0f bytes per paper\n", a - b, 100 * (a - b) / b, bytes / n / (runs + 1) }'
