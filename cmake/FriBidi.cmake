# FriBidi, the Unicode bidirectional algorithm: natively Debian's
# libfribidi-dev; for Windows the static library that
# scripts/build-win-deps.sh cross-builds into the same prefix as Poppler
# (tidemark_dependency: cmake/Poppler.cmake).
tidemark_dependency(fribidi_lib fribidi INCLUDE ${TIDEMARK_WIN_DEPS}/include/fribidi LIBS fribidi)
