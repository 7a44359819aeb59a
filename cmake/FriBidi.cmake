# FriBidi, the Unicode bidirectional algorithm: natively Debian's
# libfribidi-dev; for Windows the static library that
# scripts/build-win-deps.sh cross-builds into the same prefix as Poppler.
if(WIN32)
  add_library(fribidi_lib INTERFACE)
  target_include_directories(fribidi_lib SYSTEM INTERFACE ${TIDEMARK_WIN_DEPS}/include/fribidi)
  target_link_directories(fribidi_lib INTERFACE ${TIDEMARK_WIN_DEPS}/lib)
  target_link_libraries(fribidi_lib INTERFACE fribidi)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(FRIBIDI REQUIRED IMPORTED_TARGET fribidi)
  add_library(fribidi_lib INTERFACE)
  target_link_libraries(fribidi_lib INTERFACE PkgConfig::FRIBIDI)
endif()
