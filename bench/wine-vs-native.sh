#!/usr/bin/env bash
# The Windows program under Wine against the native one on one folder, side
# by side: "rename --dry-run" over FOLDER for each job count, the two
# programs taking turns for ROUNDS rounds; medians per program and count.
#   bench/wine-vs-native.sh FOLDER [ROUNDS] [JOBS...]   defaults: 3 rounds, jobs 1 2
# A job count of "-" gives no -j option (for programs that predate it).
# Needs build/ (native) and build-win/ (MinGW), or the programs named by
# TIDEMARK_NATIVE and TIDEMARK_WINDOWS. "cpu s" is the program's
# own user + system time; "server s" the CPU time Wine's server spent
# meanwhile, which the program waits for. Wine's start-up is in every Wine
# figure; the "start" line shows what it costs alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=$(cd "$1" && pwd)
rounds=${2:-3}
shift $(($# < 2 ? $# : 2))
jobs=("$@"); [ ${#jobs[@]} -gt 0 ] || jobs=(1 2)
native=${TIDEMARK_NATIVE:-$root/build/src/tidemark}
windows=${TIDEMARK_WINDOWS:-$root/build-win/src/tidemark-cli.exe}
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
winfolder="Z:$(printf '%s' "$folder" | tr / '\\')"
files=$(find "$folder" -maxdepth 1 -type f -iname '*.pdf' | wc -l)

mkdir -p "$WINEPREFIX"
wineserver -p  # one server for every run, as on a desktop where Wine is up
wine "$windows" --version >/dev/null 2>&1  # fills the prefix
# This prefix's server works in /tmp/.wine-UID/server-DEV-INODE of the prefix.
serverdir=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
for p in $(pgrep -u "$(id -u)" wineserver); do
  case $(readlink "/proc/$p/cwd" || true) in */"$serverdir") server=$p ;; esac
done
server_ticks() { awk '{ print $14 + $15 }' "/proc/$server/stat"; }
hz=$(getconf CLK_TCK)

# One run: wall s, peak KiB, cpu s, server s.
measure() {
  local before after
  before=$(server_ticks)
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" >"$work/out" 2>/dev/null || true
  after=$(server_ticks)
  awk -v s=$((after - before)) -v hz="$hz" 'END { printf "%s %s %.2f %.2f\n", $1, $2, $3 + $4, s / hz }' "$work/time"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "$files PDFs in $folder, $rounds rounds, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for r in $(seq "$rounds"); do
  measure wine "$windows" --version >> "$work/start"
  for j in "${jobs[@]}"; do
    option=(-j "$j"); [ "$j" != - ] || option=()
    measure "$native" rename --dry-run "${option[@]}" "$folder" >> "$work/native-$j"
    tail -n 1 "$work/out" > "$work/native-summary"
    measure wine "$windows" rename --dry-run "${option[@]}" "$winfolder" >> "$work/wine-$j"
    tail -n 1 "$work/out" | tr -d '\r' > "$work/wine-summary"
    # Name rules differ (a name too long for Linux may fit Windows).
    cmp -s "$work/native-summary" "$work/wine-summary" ||
      printf 'native: %s\nwine:   %s\n' "$(cat "$work/native-summary")" "$(cat "$work/wine-summary")" >> "$work/differ"
  done
done

printf '%-7s %4s | %7s %7s %8s %8s %8s | %s\n' program jobs "wall s" "cpu s" "server s" "files/s" "peak MB" "wine/native"
row() {  # program jobs file [native wall]
  local wall cpu srv kb
  wall=$(cut -d' ' -f1 "$3" | median); kb=$(cut -d' ' -f2 "$3" | median)
  cpu=$(cut -d' ' -f3 "$3" | median); srv=$(cut -d' ' -f4 "$3" | median)
  awk -v p="$1" -v j="$2" -v w="$wall" -v c="$cpu" -v s="$srv" -v k="$kb" -v n="$files" -v nw="${4:-}" 'BEGIN {
    printf "%-7s %4s | %7.2f %7.2f %8.2f %8.1f %8.1f | %s\n", p, j, w, c, s, (w > 0 ? n / w : 0), k / 1024,
      (nw == "" ? "" : sprintf("%.2f", w / nw)) }'
  printf '%s\n' "$wall" > "$work/last-wall"
}
[ ! -e "$work/differ" ] || sort -u "$work/differ"
row start - "$work/start"
for j in "${jobs[@]}"; do
  row native "$j" "$work/native-$j"
  row wine "$j" "$work/wine-$j" "$(cat "$work/last-wall")"
done
