#!/usr/bin/env bash
# fetch.sh MANIFEST CACHE_DIR
#
# Downloads the pinned Debian 12 packages that a corpus manifest names
# (file, package, version, path inside the package, sha256: one PDF a line,
# after a header line) into CACHE_DIR/deb/, and extracts exactly those PDFs
# to CACHE_DIR/NAME/FILE, NAME being the manifest's name without ".tsv".
# Prints that folder last. Safe to run again: packages already downloaded
# and PDFs whose checksum already matches are left alone.
#
# Needs apt-get with current package lists (run `apt-get update` once),
# dpkg-deb, tar and sha256sum. Exits non-zero when a package cannot be had
# or a PDF does not match its checksum; such a PDF is not left behind.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 MANIFEST CACHE_DIR" >&2
    exit 2
fi
manifest=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
name=$(basename "$manifest" .tsv)
mkdir -p "$2/deb" "$2/$name"
cache=$(cd "$2" && pwd)
out=$cache/$name
work=$(mktemp -d "$cache/.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT

# apt-get download names a file <package>_<version, ':' as %3a>_<arch>.deb
deb_of() {
    local matches=("$cache/deb/$1_${2//:/%3a}_"*.deb)
    [ -e "${matches[0]}" ] && echo "${matches[0]}"
}
sha_of() { sha256sum "$1" | cut -d' ' -f1; }

# 1. the packages not in the cache yet, in one apt-get call
missing=()
while IFS=$'\t' read -r file package version path sha; do
    [ "$file" = file ] && continue
    [ -z "$(deb_of "$package" "$version")" ] && missing+=("$package=$version")
done < "$manifest"
if [ ${#missing[@]} -gt 0 ]; then
    mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
    echo "downloading ${#missing[@]} packages" >&2
    mkdir -p "$work/dl"
    if ! (cd "$work/dl" && apt-get download -q "${missing[@]}" >"$work/apt.log" 2>&1); then
        cat "$work/apt.log" >&2
        echo "error: apt-get download failed (try 'apt-get update'; a pinned version may have left the archive)" >&2
        exit 1
    fi
    mv "$work/dl/"*.deb "$cache/deb/"
fi

# 2. the PDFs that are absent or stale, one tar pass per package
declare -A wanted  # deb -> newline-separated "file<TAB>path<TAB>sha256"
debs=()
while IFS=$'\t' read -r file package version path sha; do
    [ "$file" = file ] && continue
    if [ -f "$out/$file" ] && [ "$(sha_of "$out/$file")" = "$sha" ]; then
        continue
    fi
    deb=$(deb_of "$package" "$version") || { echo "error: no .deb for $package $version" >&2; exit 1; }
    [ -z "${wanted[$deb]+x}" ] && debs+=("$deb")
    wanted[$deb]+="$file"$'\t'"$path"$'\t'"$sha"$'\n'
done < "$manifest"

bad=0
for deb in "${debs[@]}"; do
    rm -rf "$work/x" && mkdir -p "$work/x"
    members=()
    while IFS=$'\t' read -r file path sha; do
        [ -n "$file" ] && members+=("./$path")
    done <<< "${wanted[$deb]}"
    if ! dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work/x" "${members[@]}"; then
        echo "error: cannot extract ${members[*]} from $deb" >&2
        bad=1
        continue
    fi
    while IFS=$'\t' read -r file path sha; do
        [ -z "$file" ] && continue
        if [ "$(sha_of "$work/x/$path")" != "$sha" ]; then
            echo "error: sha256 mismatch for $file" >&2
            rm -f "$out/$file"
            bad=1
            continue
        fi
        mv "$work/x/$path" "$out/$file"
    done <<< "${wanted[$deb]}"
done
[ $bad -eq 0 ] || { echo "FAILED: some PDFs are missing or do not match $manifest" >&2; exit 1; }
echo "$out"
