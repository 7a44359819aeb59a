#!/usr/bin/env bash
# Scale benchmark: folder runs (dry run, recursive) with one job and with
# two, side by side.
#   bench/scale.sh [N...]          folders of N generated papers (1 to 30
#                                  pages, a third without an abstract heading,
#                                  a tenth in a subfolder); default 100 1000 5000
#   bench/scale.sh DIR             a folder of real papers instead (also
#                                  --folder DIR): both rules, each with one
#                                  job and with two, the two reports compared
#                                  byte for byte, and where each thread spent
#                                  a two-job run (below)
# ROUNDS (default 3) runs of each job count take turns; "best s" is the
# fastest, the figure that other work on a shared machine disturbs least,
# and files/s and the speedup are taken from it. Generated folders also get
# Poppler's own pdftotext over the same files as the floor: page 1 of every
# file (floor1), and the pages the title search reads (floorP: to the
# abstract heading, or all without one), each against the one-job run.
# Needs a build in build/ (cmake --build build), or BIN=path/to/tidemark.
#
# Per thread (real folders, when perf may trace the scheduler, as root): one
# more two-job run of each rule under `perf sched record`, and for every
# thread its CPU time, its busy share of the run's wall time, the time it
# was runnable but waited for a processor (other work on the machine), the
# time it was blocked (its own waits: the queue, locks, the disk), and when
# it first and last ran after the process began. On a
# shared machine the wall times move with the load; CPU time and blocked
# time move much less. perf's tracing slows the run, so these wall times are
# not the ones above.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${BIN:-build/src/tidemark}
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
# Per-thread figures of one run of "$@" (see the top): one line per thread.
threads() {
  perf sched record -o "$work/sched.data" -- sh -c 'echo $$ > "$0"; exec "$@" >/dev/null 2>&1' "$work/pid" "$@" \
    >/dev/null 2>&1 || true  # the run's own status: 1 when a file had no title
  [ -s "$work/sched.data" ] || { echo "  (perf sched record failed: no per-thread figures)"; return; }
  perf sched timehist -i "$work/sched.data" --state -p "$(cat "$work/pid")" 2>/dev/null | awk -v pid="$(cat "$work/pid")" '
    # time cpu task wait(ms) delay(ms) run(ms) state; the task is name[tid] or name[tid/pid], the main thread has the
    # tid of the pid (its first lines, before the exec, name the shell).
    $3 ~ /\[[0-9]/ && $1 ~ /^[0-9.]+$/ {
      t = $3; sub(/.*\[/, "", t); sub(/[\/\]].*/, "", t)
      if (!(t in first)) { first[t] = $1 - ($4 + $6) / 1000; order[++n] = t }
      # The wait before this run began when the thread last left the processor: preempted (state R), it was
      # runnable all along; asleep, it was blocked until woken, then runnable for the scheduling delay.
      if (state[t] == "R") ready[t] += $4; else { ready[t] += $5; blocked[t] += $4 - $5 }
      state[t] = $7; run[t] += $6; last[t] = $1
      if (!begun || first[t] < begin) { begin = first[t]; begun = 1 }
      if ($1 > end) end = $1
    }
    END {
      wall = (end - begin) * 1000
      printf "  %-8s %9s %7s %11s %11s %9s %9s   (traced wall %.0f ms)\n", "thread", "cpu ms", "busy", "runnable ms",
        "blocked ms", "from ms", "to ms", wall
      for (i = 1; i <= n; i++) {
        t = order[i]
        printf "  %-8s %9.1f %6.1f%% %11.1f %11.1f %9.1f %9.1f\n", (t == pid ? "main" : "worker" (++w)), run[t],
          100 * run[t] / wall, ready[t], blocked[t], 1000 * (first[t] - begin), 1000 * (last[t] - begin)
      }
    }'
}

# Both rules over a folder of real papers.
folder() {
  local dir rule j
  dir=$(cd "$1" && pwd)
  n=$(find "$dir" -type f -iname '*.pdf' | wc -l)
  echo "$n PDF files in $dir"
  for rule in layout refined; do
    rm -f "$work"/j*
    for _ in $(seq "$rounds"); do
      for j in 1 2; do
        /usr/bin/time -f '%e %U %S' -o "$work/time" "$bin" rename --dry-run --recursive --rule="$rule" -j "$j" "$dir" \
          > "$work/report$j" 2>&1 || true
        awk 'END { printf "%s %.2f\n", $1, $2 + $3 }' "$work/time" >> "$work/j$j"
      done
      cmp -s "$work/report1" "$work/report2" || { echo "$rule: the -j 1 and -j 2 reports differ" >&2; exit 1; }
    done
    sort -n "$work/j1" | head -n 1 > "$work/best1"
    sort -n "$work/j2" | head -n 1 > "$work/best2"
    awk -v rule="$rule" -v rounds="$rounds" '
      FNR == 1 { wall[++k] = $1; cpu[k] = $2 }
      END {
        printf "%-8s -j 1 %6.0f ms (cpu %5.0f ms)  -j 2 %6.0f ms (cpu %5.0f ms)  speedup %.2fx  (best of %d; reports identical)\n",
          rule, 1000 * wall[1], 1000 * cpu[1], 1000 * wall[2], 1000 * cpu[2], wall[1] / wall[2], rounds
      }' "$work/best1" "$work/best2"
    if command -v perf >/dev/null; then threads "$bin" rename --dry-run --recursive --rule="$rule" -j 2 "$dir"; fi
  done
  echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
}

if [ "${1:-}" = --folder ] || { [ $# -eq 1 ] && [ -d "$1" ]; }; then
  [ "$1" != --folder ] || shift
  folder "$1"
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
