#!/usr/bin/env bash
# Prints, one a line, what the programs of a build are made of besides
# Tidemark's own sources: the Debian packages, and the libraries the Windows
# build cross-compiles from Debian's sources (poppler, freetype, fribidi). It is read
# from the build itself:
#   - the headers the programs' objects included (header-only libraries
#     among them), from Ninja's dependency log;
#   - the static archives the linker took members from, from link maps;
#   - the shared libraries the programs load (dpkg-shlibdeps).
#
#   scripts/linked-packages.sh BUILD_DIR MAP... [-- SHARED_PROGRAM...]
#
# Fails when a file belongs to no package, so that nothing is left out.
set -euo pipefail
build=$1
shift
maps=() programs=()
while (($#)) && [[ $1 != -- ]]; do maps+=("$1"); shift; done
(($#)) && shift
programs=("$@")

source_root=$(cd "$(dirname "$0")/.." && pwd)
build_root=$(cd "$build" && pwd)

# The headers and the archives, outside the sources and the build tree.
files() {
    # Objects of the programs live under src/; the tests' do not count.
    ninja -C "$build" -t deps | awk '/^src\// { take = 1; next } /^[^ ]/ { take = 0 } take && NF { print $1 }'
    local map
    for map in "${maps[@]}"; do
        awk '/^Archive member included/ { take = 1; next }
             /^(Discarded input|Allocating common|Memory Configuration)/ { take = 0 }
             take && /^[^ ]+\.a\(/ { sub(/\(.*/, ""); print }' "$map"
    done
}

# The packages of the shared libraries the programs load, as
# dpkg-shlibdeps finds them (it wants a debian/control to read).
shared_library_packages() {
    ((${#programs[@]})) || return 0
    local dir
    dir=$(mktemp -d)
    mkdir "$dir/debian"
    printf 'Source: probe\n\nPackage: probe\nArchitecture: any\n' >"$dir/debian/control"
    local absolute=() program
    for program in "${programs[@]}"; do absolute+=("$(realpath "$program")"); done
    (cd "$dir" && dpkg-shlibdeps -O "${absolute[@]}" 2>/dev/null) |
        sed -n 's/^shlibs:Depends=//p' | tr ',|' '\n\n' | awk '{ print $1 }'
    rm -rf "$dir"
}

# Absolute, without "..", with symbolic links followed.
mapfile -t paths < <({
    files | sed "s|^[^/]|$build_root/&|" | sort -u | xargs -r -d '\n' realpath -m --
} | grep -v -e "^$source_root/" -e "^$build_root/" | sort -u)

# The owner of each file, from the package database's file lists (one
# "dpkg -S" for hundreds of files takes minutes). Files the Windows
# build's cross-compiled prefix holds are named by their library.
deps_root=$(realpath -m -- "${TIDEMARK_DEPS_DIR:-/var/cache/tidemark-deps}")
owners=$(printf '%s\n' "${paths[@]}" | awk -v deps="$deps_root/" '
    NR == FNR { want[$0] = 1; next }
    FNR == 1 { pkg = FILENAME; sub(/.*\//, "", pkg); sub(/\.list$/, "", pkg); sub(/:.*/, "", pkg) }
    $0 in want { print pkg; found[$0] = 1 }
    END {
        for (f in want) {
            if (f in found) continue
            rest = index(f, deps) == 1 ? substr(f, length(deps) + 1) : ""
            sub(/^[^\/]*\//, "", rest)
            if (rest ~ /^(include\/poppler\/|lib\/libpoppler\.a$)/) print "poppler"
            else if (rest ~ /^(include\/freetype2\/|lib\/libfreetype\.a$)/) print "freetype"
            else if (rest ~ /^(include\/fribidi\/|lib\/libfribidi\.a$)/) print "fribidi"
            else print "?" f
        }
    }' - /var/lib/dpkg/info/*.list)
if grep -q '^?' <<<"$owners"; then
    grep '^?' <<<"$owners" | sed 's/^?/linked-packages: not from any package: /' >&2
    exit 1
fi
{
    printf '%s\n' "$owners"
    shared_library_packages
} | sort -u
