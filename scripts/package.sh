#!/usr/bin/env bash
# Builds the release artefacts into dist/, each named with the project's
# version (CMakeLists.txt):
#   setup  Tidemark-<version>-setup.exe    the Windows installer (NSIS)
#   zip    Tidemark-<version>-win64.zip    the portable Windows programs
#   deb    tidemark_<version>-1_amd64.deb  the command-line program for Debian, with
#                                          the watch's user service and the file
#                                          managers' actions
#
#   scripts/package.sh [--version V] [ARTEFACT...]    (all three by default)
#
# --version V builds the same sources as version V instead (the packaging
# tests make an older release that way); the next build without it returns
# to the project's version. Every artefact carries LICENSE and
# THIRD-PARTY-NOTICES, and the build stops when the notices leave out a
# package that the programs are made of (scripts/linked-packages.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: scripts/package.sh [--version V] [setup|zip|deb]..." >&2
    exit 2
}
artefacts=()
while (($#)); do
    case $1 in
    --version) (($# >= 2)) || usage; export TIDEMARK_VERSION_OVERRIDE=$2; shift 2 ;;
    setup | zip | deb) artefacts+=("$1"); shift ;;
    *) usage ;;
    esac
done
((${#artefacts[@]})) || artefacts=(setup zip deb)
wants() { [[ " ${artefacts[*]} " == *" $1 "* ]]; }

say() { printf 'package: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

scripts/deps-native.sh nsis zip dpkg-dev >/dev/null
mkdir -p dist
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

project_version() { sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"; }

# Each "Debian packages:" line of the notices names the packages of one
# library; every package the programs are made of must be on one.
check_notices() {
    local platform=$1 missing=() p
    shift
    local covered packages
    covered=$(sed -n 's/^ *Debian packages: *//p' THIRD-PARTY-NOTICES | tr -s ', ' '\n\n')
    # Taken apart from the loop: a failure inside "for p in $(...)" would
    # go unnoticed and leave nothing to check.
    packages=$(scripts/linked-packages.sh "$@") || die "cannot tell what the $platform programs are made of"
    for p in $packages; do
        grep -qxF "$p" <<<"$covered" || missing+=("$p")
    done
    ((${#missing[@]} == 0)) || die "THIRD-PARTY-NOTICES has no notice for what the $platform programs contain: ${missing[*]}"
}

# Text files for Windows users: CRLF line ends and a .txt name.
windows_text() { sed 's/\r*$/\r/' "$1" >"$2"; }

if wants setup || wants zip; then
    scripts/build-win.sh Tidemark tidemark >&2
    version=$(project_version build-win)
    check_notices Windows build-win build-win/src/app/Tidemark.map build-win/src/tidemark.map
    stage=$work/win
    mkdir -p "$stage"
    x86_64-w64-mingw32-strip -o "$stage/Tidemark.exe" build-win/src/app/Tidemark.exe
    x86_64-w64-mingw32-strip -o "$stage/tidemark-cli.exe" build-win/src/tidemark-cli.exe
    windows_text README.md "$stage/README.txt"
    windows_text LICENSE "$stage/LICENSE.txt"
    windows_text THIRD-PARTY-NOTICES "$stage/THIRD-PARTY-NOTICES.txt"
    if wants zip; then
        zip_file=dist/Tidemark-$version-win64.zip
        rm -f "$zip_file"
        (cd "$stage" && zip -q -X -9 "$OLDPWD/$zip_file" Tidemark.exe tidemark-cli.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt)
        say "$zip_file"
    fi
    if wants setup; then
        # The version resource wants four numbers.
        IFS=. read -r -a numbers <<<"$version.0.0.0"
        setup_file=dist/Tidemark-$version-setup.exe
        makensis -V2 -DVERSION="$version" -DVERSION_NUMBERS="${numbers[0]}.${numbers[1]}.${numbers[2]}.${numbers[3]}" \
            -DSTAGE="$stage" -DICON="$PWD/build-win/src/res/tidemark.ico" -DOUTFILE="$PWD/$setup_file" \
            packaging/windows/Tidemark.nsi >&2
        say "$setup_file"
    fi
fi

if wants deb; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEMARK_WERROR=ON >/dev/null
    cmake --build build --target tidemark >&2
    version=$(project_version build)
    check_notices Linux build build/src/tidemark.map -- build/src/tidemark
    src=$work/deb
    root=$src/debian/tidemark
    doc=$root/usr/share/doc/tidemark
    mkdir -p "$root/DEBIAN" "$root/usr/bin" "$root/usr/share/man/man1" "$doc"
    cp -r packaging/debian/. "$src/debian/"
    install -m 755 build/src/tidemark "$root/usr/bin/tidemark"
    strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root/usr/bin/tidemark"
    gzip -9n <docs/tidemark.1 >"$root/usr/share/man/man1/tidemark.1.gz"
    install -m 644 packaging/debian/copyright "$doc/copyright"
    # The watch as a service of the user, and the file managers' actions.
    install -D -m 644 packaging/debian/tidemark-watch.service "$root/usr/lib/systemd/user/tidemark-watch.service"
    install -D -m 755 packaging/linux/rename-and-notify "$root/usr/libexec/tidemark/rename-and-notify"
    install -D -m 644 -t "$root/usr/share/kio/servicemenus" packaging/linux/dolphin/*.desktop
    install -D -m 644 -t "$root/usr/share/nemo/actions" packaging/linux/nemo/*.nemo_action
    install -D -m 644 -t "$root/usr/share/file-manager/actions" packaging/linux/caja/*.desktop
    install -D -m 755 -t "$root/usr/share/tidemark/nautilus-scripts" packaging/linux/nautilus/*
    gzip -9n <THIRD-PARTY-NOTICES >"$doc/THIRD-PARTY-NOTICES.gz"
    # The package's own changelog, dated by the last commit.
    date=$(date -R -d "@$(git log -1 --format=%ct 2>/dev/null || date +%s)")
    printf 'tidemark (%s-1) unstable; urgency=medium\n\n  * Tidemark %s.\n\n -- %s  %s\n' \
        "$version" "$version" "$(sed -n 's/^Maintainer: //p' packaging/debian/control)" "$date" >"$src/debian/changelog"
    gzip -9n <"$src/debian/changelog" >"$doc/changelog.Debian.gz"
    chmod -R u=rwX,go=rX "$root"
    (
        cd "$src"
        # Depends: the packages of the shared libraries the program loads.
        dpkg-shlibdeps -Tdebian/substvars debian/tidemark/usr/bin/tidemark
        dpkg-gencontrol -ptidemark -Pdebian/tidemark -Tdebian/substvars -fdebian/files
        (cd debian/tidemark && find usr -type f -exec md5sum {} + | sort -k 2) >debian/tidemark/DEBIAN/md5sums
        chmod 644 debian/tidemark/DEBIAN/md5sums
    )
    deb_file=dist/tidemark_${version}-1_amd64.deb
    dpkg-deb --root-owner-group -Zxz --build "$root" "$deb_file" >/dev/null
    say "$deb_file"
fi
