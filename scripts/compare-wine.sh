#!/usr/bin/env bash
# The Windows command-line program under Wine, reading four titles at once,
# must rename a tree exactly as the native one does with one job, by titles
# and by a name template. Makes one tree of generated papers (the samples,
# two papers with one title, an upper-case extension, a subfolder, a paper
# already named right), runs both on copies of it, and compares the results.
#   scripts/compare-wine.sh NATIVE_BUILD WINDOWS_BUILD
set -euo pipefail
native=$1/src/tidemark
windows=$2/src/tidemark-cli.exe
samples=$(cd "$(dirname "$0")/../samples" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state"  # the native run's journal; Wine's is in its prefix

tree="$work/tree"
mkdir -p "$tree/sub/deeper"
cp "$samples"/*.pdf "$tree/"
cp "$samples/paper-cover-page.pdf" "$tree/sub/COPY OF COVER.PDF"
cp "$samples/paper-cover-page.pdf" "$tree/sub/another copy.pdf"
cp "$samples/paper-two-line-title.pdf" "$tree/sub/deeper/x.pdf"
cp "$samples/paper-abstract-page1.pdf" "$tree/Tidal Mixing in Shallow Estuaries.pdf"
echo "not a pdf" > "$tree/sub/notes.txt"

# Both programs on copies of the tree with the same options; their trees
# must hold the same files.
listing() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
compare() {
  local name=$1
  shift
  cp -a "$tree" "$work/native-$name"
  cp -a "$tree" "$work/wine-$name"
  "$native" rename --recursive -j 1 "$@" "$work/native-$name" > "$work/native-$name.out" || true
  winpath="Z:$(printf '%s' "$work/wine-$name" | tr / '\\')"
  wine "$windows" rename --recursive -j 4 "$@" "$winpath" > "$work/wine-$name.out" || true
  if diff <(listing "$work/native-$name") <(listing "$work/wine-$name"); then
    echo "Wine and native runs ($name) left the same files:"
    listing "$work/native-$name" | sed 's/^[0-9a-f]* */  /'
  else
    echo "Wine and native runs ($name) differ (native output, then Wine output):" >&2
    cat "$work/native-$name.out" "$work/wine-$name.out" >&2
    exit 1
  fi
}
compare titles
compare template --name '[{authors}[ {year}] - ]{title:6}'
# The template was used, not passed over by both.
named="$work/native-template/Marlow and Pike - Tidal Mixing in Shallow Estuaries.pdf"
[ -f "$named" ] || { echo "compare-wine: the template run did not name '$named'" >&2; exit 1; }
