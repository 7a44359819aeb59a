#!/usr/bin/env bash
# The journal's cost when it is large: a journal of RUNS runs of FILES moves
# each is written straight in the journal's format (the files it names need
# not exist), and then, each on a fresh copy of it:
#   rename   a one-file rename run (a real paper),
#   history  tidemark history (the newest 10 runs),
#   undo     tidemark undo, which takes back that one-file run,
# and, on a copy that the first rename has left (trimmed, when the journal
# trims), the same three again. Prints wall seconds and peak memory (MiB) of
# each, best of ROUNDS (default 3), and the journal's size before and after.
#   bench/journal-bound.sh [RUNS] [FILES]        default: 200 runs of 5000
# TIDEMARK=path/to/tidemark measures another build (default build/src/tidemark);
# needs build/bench/make-papers (cmake --build build --target make-papers).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-200}
files=${2:-5000}
rounds=${ROUNDS:-3}
bin=$(realpath "${TIDEMARK:-build/src/tidemark}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state
journal=$XDG_STATE_HOME/tidemark/journal

mkdir -p "$XDG_STATE_HOME/tidemark" "$work/paper"
awk -v runs="$runs" -v files="$files" -v root=/home/ann/papers -v sep=/ -f bench/make-journal.awk > "$work/journal.big"
build/bench/make-papers "$work/paper" 1 7 > /dev/null
paper=$(ls "$work/paper")

# Prints wall seconds and peak MiB of one command.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" > /dev/null 2>&1 || true
  awk 'END { printf "%s %.1f\n", $1, $2 / 1024 }' "$work/time"
}
best() { sort -n -k1,1 | head -n 1; }

# One round on a copy of journal $1: the three commands, one line each.
round() {
  cp "$1" "$journal"
  rm -rf "$work/copy"; cp -a "$work/paper" "$work/copy"
  echo "rename $(measure "$bin" rename "$work/copy/$paper")"
  cp "$journal" "$work/journal.after"
  echo "history $(measure "$bin" history)"
  echo "undo $(measure "$bin" undo)"
}

report() {  # label, journal
  : > "$work/rounds"
  for ((r = 0; r < rounds; r++)); do
    round "$2" >> "$work/rounds"
  done
  printf '  %s (%s MiB):\n' "$1" "$(awk -v b="$(stat -c %s "$2")" 'BEGIN { printf "%.1f", b / 1048576 }')"
  for command in rename history undo; do
    read -r wall mib < <(grep "^$command " "$work/rounds" | cut -d' ' -f2- | best)
    printf '    %-8s %7s s %8s MiB\n' "$command" "$wall" "$mib"
  done
}

printf '%s: a journal of %d runs of %d files, best of %d\n' "$bin" "$runs" "$files" "$rounds"
report "as written" "$work/journal.big"
cp "$work/journal.after" "$work/journal.kept"
report "after one run" "$work/journal.kept"
