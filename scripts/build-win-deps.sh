#!/usr/bin/env bash
# Cross-builds Tidemark's Windows dependencies (static FreeType, Poppler and
# FriBidi)
# from Debian's own source packages with MinGW-w64, and caches the result.
#
#   prefix=$(scripts/build-win-deps.sh | tail -1)
#
# The install prefix is ${TIDEMARK_DEPS_DIR:-/var/cache/tidemark-deps}/win64-<key>,
# where <key> names the Debian versions of the freetype, poppler and fribidi
# source packages and RECIPE_VERSION below. A prefix holding the completion stamp is
# reused as it is (fast path). Progress goes to stderr, build output to a log
# file, and the prefix path is the last line of stdout.
#
# Runs as root on Debian 12 (bookworm): installs missing build tools and adds
# a deb-src entry for bookworm when no source entry is configured.
set -euo pipefail

# Bump whenever the build recipe (flags, options, post-install fixes, the
# toolchain file) changes, so that existing caches are not reused.
RECIPE_VERSION=3

SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TOOLCHAIN_FILE=$(cd "$SCRIPT_DIR/../cmake" && pwd)/mingw-w64-posix.cmake
DEPS_DIR=${TIDEMARK_DEPS_DIR:-/var/cache/tidemark-deps}
STAMP_NAME=.tidemark-deps-complete
JOBS=${TIDEMARK_DEPS_JOBS:-2}

export DEBIAN_FRONTEND=noninteractive
export LC_ALL=C

say() { printf 'build-win-deps: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

[[ -f $TOOLCHAIN_FILE ]] || die "toolchain file not found: $TOOLCHAIN_FILE"

as_root() {
    if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# ---------------------------------------------------------------- tools ----
REQUIRED_PACKAGES=(
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 mingw-w64-tools
    cmake ninja-build dpkg-dev pkg-config xz-utils make bzip2
)

APT_UPDATED=0
apt_update() {
    say "apt-get update"
    as_root apt-get -o DPkg::Lock::Timeout=900 update -qq >&2
    APT_UPDATED=1
}

install_missing_packages() {
    local missing=() p
    for p in "${REQUIRED_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    ((${#missing[@]} == 0)) && return 0
    say "installing: ${missing[*]}"
    apt_update
    as_root apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# ------------------------------------------------------------- deb-src ----
# Only files apt reads count (not *.disabled, *.save, ...).
deb_src_configured() {
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -f $f ]] && grep -qE '^[[:space:]]*deb-src[[:space:]]' "$f" && return 0
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [[ -f $f ]] && grep -qiE '^Types:.*(^|[[:space:]:])deb-src([[:space:]]|$)' "$f" && return 0
    done
    return 1
}

# deb822 (.sources): copy every stanza whose Types has "deb" and whose Suites
# name bookworm, with Types replaced by deb-src (URIs, Suites, Components,
# Signed-By, ... stay as they are).
deb822_to_src() {
    awk '
    function flush() {
        if (n > 0 && isdeb && isbw) {
            if (out) printf "\n"
            for (i = 1; i <= n; i++) print st[i]
            out = 1
        }
        n = 0; isdeb = 0; isbw = 0; field = ""
    }
    /^[ \t]*$/ { flush(); next }
    /^#/ { next }
    {
        if ($0 ~ /^[A-Za-z-]+:/) field = tolower(substr($0, 1, index($0, ":") - 1))
        if (field == "types") {
            v = substr($0, index($0, ":") + 1)
            if (v ~ /(^|[ \t])deb([ \t]|$)/) isdeb = 1
            st[++n] = "Types: deb-src"; next
        }
        if (field == "suites" && $0 ~ /bookworm/) isbw = 1
        st[++n] = $0
    }
    END { flush() }' "$1"
}

# One-line form: "deb [opts] URI bookworm... comps" -> "deb-src ...".
oneline_to_src() {
    sed -n -E '/^[[:space:]]*deb[[:space:]].*[[:space:]]bookworm/ s/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$1"
}

ensure_deb_src() {
    deb_src_configured && return 0
    local f text="" part
    for f in /etc/apt/sources.list.d/*.sources; do
        [[ -f $f ]] || continue
        part=$(deb822_to_src "$f")
        [[ -n $part ]] && text+="${text:+$'\n\n'}$part"
    done
    if [[ -n $text ]]; then
        say "adding deb-src entries: /etc/apt/sources.list.d/tidemark-deb-src.sources"
        printf '# Added by Tidemark scripts/build-win-deps.sh\n%s\n' "$text" |
            as_root tee /etc/apt/sources.list.d/tidemark-deb-src.sources >/dev/null
    else
        for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
            [[ -f $f ]] || continue
            part=$(oneline_to_src "$f")
            [[ -n $part ]] && text+="${text:+$'\n'}$part"
        done
        [[ -n $text ]] || die "no 'deb' entry for bookworm found in the apt sources"
        say "adding deb-src entries: /etc/apt/sources.list.d/tidemark-deb-src.list"
        printf '# Added by Tidemark scripts/build-win-deps.sh\n%s\n' "$text" |
            as_root tee /etc/apt/sources.list.d/tidemark-deb-src.list >/dev/null
    fi
    apt_update
}

# Version that "apt-get source" would fetch (from the .dsc file name).
source_version() {
    local pkg=$1 dir dsc
    dir=$(mktemp -d)
    dsc=$(cd "$dir" && apt-get source --print-uris -qq "$pkg" 2>/dev/null |
        awk -v p="$pkg" '$2 ~ "^" p "_.*\\.dsc$" { print $2; exit }') || true
    rmdir "$dir"
    [[ -n $dsc ]] || return 1
    dsc=${dsc#"${pkg}_"}
    printf '%s\n' "${dsc%.dsc}"
}

# ----------------------------------------------------------- fast path ----
install_missing_packages
ensure_deb_src

if ! FT_VERSION=$(source_version freetype) || ! POPPLER_VERSION=$(source_version poppler) ||
    ! FRIBIDI_VERSION=$(source_version fribidi); then
    # Source lists not downloaded yet (or stale): refresh once.
    ((APT_UPDATED)) && die "apt cannot find the freetype/poppler/fribidi source packages"
    apt_update
    FT_VERSION=$(source_version freetype) || die "no source package: freetype"
    POPPLER_VERSION=$(source_version poppler) || die "no source package: poppler"
    FRIBIDI_VERSION=$(source_version fribidi) || die "no source package: fribidi"
fi

KEY="freetype-${FT_VERSION}_poppler-${POPPLER_VERSION}_fribidi-${FRIBIDI_VERSION}_r${RECIPE_VERSION}"
KEY=${KEY//[^A-Za-z0-9.+_-]/_}
PREFIX="$DEPS_DIR/win64-$KEY"

if [[ -f $PREFIX/$STAMP_NAME ]]; then
    say "cached: $PREFIX"
    printf '%s\n' "$PREFIX"
    exit 0
fi

# ----------------------------------------------------------- slow path ----
mkdir -p "$DEPS_DIR"
# One builder per key at a time; a second caller waits, then takes the cache.
exec 9>"$DEPS_DIR/.win64-$KEY.lock"
flock 9
if [[ -f $PREFIX/$STAMP_NAME ]]; then
    say "cached (built by a concurrent run): $PREFIX"
    printf '%s\n' "$PREFIX"
    exit 0
fi

LOG="$DEPS_DIR/win64-$KEY.log"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tidemark-win-deps.XXXXXX")
# Install with DESTDIR into a staging folder beside the cache (same file
# system), then rename it into place: the prefix either is complete or absent,
# and all installed paths (.pc files) name the final prefix.
STAGING="$DEPS_DIR/.staging-$KEY.$$"
STAGED_PREFIX="$STAGING$PREFIX"
cleanup() {
    rm -rf "$WORK" "$STAGING"
}
trap cleanup EXIT
: >"$LOG"

run() {
    printf '\n+ %s\n' "$*" >>"$LOG"
    if ! "$@" >>"$LOG" 2>&1; then
        say "failed: $*"
        say "last lines of $LOG:"
        tail -n 40 "$LOG" >&2
        exit 1
    fi
}

START=$SECONDS
say "building freetype $FT_VERSION + poppler $POPPLER_VERSION + fribidi $FRIBIDI_VERSION (recipe $RECIPE_VERSION), log: $LOG"

say "downloading sources"
mkdir -p "$WORK/dl"
(cd "$WORK/dl" && run apt-get source --download-only freetype="$FT_VERSION" poppler="$POPPLER_VERSION" \
    fribidi="$FRIBIDI_VERSION")
run dpkg-source --no-check -x "$WORK/dl/freetype_${FT_VERSION#*:}.dsc" "$WORK/freetype"
run dpkg-source --no-check -x "$WORK/dl/poppler_${POPPLER_VERSION#*:}.dsc" "$WORK/poppler"
run dpkg-source --no-check -x "$WORK/dl/fribidi_${FRIBIDI_VERSION#*:}.dsc" "$WORK/fribidi"

# Both builds see the staged prefix as a target search root (FreeType for Poppler).
export TIDEMARK_WIN_DEPS="$STAGED_PREFIX"
COMMON=(
    -G Ninja
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN_FILE"
    -DTIDEMARK_WIN_DEPS="$STAGED_PREFIX"
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$PREFIX"
    -DCMAKE_INSTALL_LIBDIR=lib
    -DBUILD_SHARED_LIBS=OFF
)

say "building freetype"
run cmake -S "$WORK/freetype" -B "$WORK/build-freetype" "${COMMON[@]}" \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
run cmake --build "$WORK/build-freetype" -j "$JOBS"
run env DESTDIR="$STAGING" cmake --install "$WORK/build-freetype"

# Poppler 22.12 has no switch for Splash (always built into the library) or
# GPGME (not in this version); NSS3, PNG, TIFF, Cairo, GLib, GTK are optional
# finds switched off with WITH_<name>=OFF. Fonts: poppler's own win32 lookup.
# POPPLER_PRIVATE_STATIC_DEFINE: the generated export header otherwise marks
# every class __declspec(dllimport), even in a static library.
say "building poppler"
# JPEG and JPEG 2000 images use Poppler's own decoders (no libjpeg or
# OpenJPEG for this target): without any, every paper with a photograph
# gets an "Unknown filter" message that the Linux build never prints.
run cmake -S "$WORK/poppler" -B "$WORK/build-poppler" "${COMMON[@]}" \
    -DCMAKE_PREFIX_PATH="$STAGED_PREFIX" \
    -DCMAKE_C_FLAGS="-DPOPPLER_PRIVATE_STATIC_DEFINE" \
    -DCMAKE_CXX_FLAGS="-DPOPPLER_PRIVATE_STATIC_DEFINE" \
    -DENABLE_UNSTABLE_API_ABI_HEADERS=ON \
    -DFONT_CONFIGURATION=win32 \
    -DENABLE_UTILS=OFF -DENABLE_CPP=OFF -DENABLE_GLIB=OFF \
    -DENABLE_GOBJECT_INTROSPECTION=OFF -DENABLE_GTK_DOC=OFF \
    -DENABLE_QT5=OFF -DENABLE_QT6=OFF -DENABLE_BOOST=OFF \
    -DENABLE_LIBCURL=OFF -DENABLE_ZLIB=OFF -DENABLE_ZLIB_UNCOMPRESS=OFF \
    -DENABLE_LIBOPENJPEG=unmaintained -DENABLE_DCTDECODER=unmaintained -DENABLE_CMS=none \
    -DWITH_NSS3=OFF -DWITH_JPEG=OFF -DWITH_PNG=OFF -DWITH_TIFF=OFF \
    -DWITH_Cairo=OFF -DWITH_GLIB=OFF -DWITH_GTK=OFF -DWITH_GObjectIntrospection=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_Boost=ON -DCMAKE_DISABLE_FIND_PACKAGE_ECM=ON \
    -DBUILD_GTK_TESTS=OFF -DBUILD_QT5_TESTS=OFF -DBUILD_QT6_TESTS=OFF \
    -DBUILD_CPP_TESTS=OFF -DBUILD_MANUAL_TESTS=OFF \
    -DRUN_GPERF_IF_PRESENT=OFF \
    -DTESTDATADIR="$WORK/no-test-data"
run cmake --build "$WORK/build-poppler" -j "$JOBS"
run env DESTDIR="$STAGING" cmake --install "$WORK/build-poppler"

# FriBidi: the library alone (not its program, manual or tests), static,
# from the tables its release already holds; its own allocator as Debian
# builds it (--enable-malloc).
say "building fribidi"
run mkdir -p "$WORK/build-fribidi"
(cd "$WORK/build-fribidi" && run "$WORK/fribidi/configure" --host=x86_64-w64-mingw32 --prefix="$PREFIX" \
    --libdir="$PREFIX/lib" --enable-static --disable-shared --enable-malloc \
    CC=x86_64-w64-mingw32-gcc-posix CFLAGS=-O2)
run make -C "$WORK/build-fribidi/lib" -j "$JOBS"
run make -C "$WORK/build-fribidi/lib" install DESTDIR="$STAGING"
run make -C "$WORK/build-fribidi" install-pkgconfigDATA DESTDIR="$STAGING"

say "finishing the prefix"
# Consumers of the static library need no extra define.
EXPORT_H="$STAGED_PREFIX/include/poppler/poppler_private_export.h"
[[ -f $EXPORT_H ]] || die "missing $EXPORT_H"
{
    printf '/* Static build (Tidemark scripts/build-win-deps.sh): no dllimport. */\n'
    printf '#ifndef POPPLER_PRIVATE_STATIC_DEFINE\n#  define POPPLER_PRIVATE_STATIC_DEFINE\n#endif\n'
    cat "$EXPORT_H"
} >"$EXPORT_H.new"
mv "$EXPORT_H.new" "$EXPORT_H"

# Make "pkg-config --static --libs poppler" give the whole static link line
# (poppler imports Reg* from advapi32 and SHGetFolderPathA from shell32;
# MinGW's gcc adds both by default, listed here for -nodefaultlibs users).
POPPLER_PC="$STAGED_PREFIX/lib/pkgconfig/poppler.pc"
[[ -f $POPPLER_PC ]] || die "missing $POPPLER_PC"
grep -q '^Requires.private:' "$POPPLER_PC" || printf 'Requires.private: freetype2\n' >>"$POPPLER_PC"
grep -q '^Libs.private:' "$POPPLER_PC" || printf 'Libs.private: -ladvapi32 -lshell32\n' >>"$POPPLER_PC"

for f in include/poppler/PDFDoc.h include/poppler/GlobalParams.h include/poppler/TextOutputDev.h \
    include/poppler/UnicodeMap.h include/poppler/Error.h include/freetype2/ft2build.h \
    include/fribidi/fribidi.h lib/libpoppler.a lib/libfreetype.a lib/libfribidi.a; do
    [[ -f $STAGED_PREFIX/$f ]] || die "missing $f in the installed prefix"
done

{
    printf 'freetype=%s\npoppler=%s\nfribidi=%s\nrecipe=%s\n' "$FT_VERSION" "$POPPLER_VERSION" "$FRIBIDI_VERSION" \
        "$RECIPE_VERSION"
    printf 'compiler=%s\n' "$(x86_64-w64-mingw32-g++-posix -dumpfullversion 2>/dev/null || true)"
    printf 'built=%s\n' "$(date -u +%Y-%m-%dT%H:%M:%SZ)"
} >"$STAGED_PREFIX/$STAMP_NAME"

rm -rf "$PREFIX"   # a stamp-less leftover is never complete
mv "$STAGED_PREFIX" "$PREFIX"
say "done in $((SECONDS - START)) s: $PREFIX"
printf '%s\n' "$PREFIX"
