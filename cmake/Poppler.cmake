# An interface library `target` for a library Tidemark links: natively the
# Debian package's pkg-config `module`; for Windows the static libraries
# LIBS of the prefix that scripts/build-win-deps.sh builds
# (TIDEMARK_WIN_DEPS), with the headers of INCLUDE.
function(tidemark_dependency target module)
  cmake_parse_arguments(PARSE_ARGV 2 win "" "" "INCLUDE;LIBS")
  add_library(${target} INTERFACE)
  if(WIN32)
    target_include_directories(${target} SYSTEM INTERFACE ${win_INCLUDE})
    target_link_directories(${target} INTERFACE ${TIDEMARK_WIN_DEPS}/lib)
    target_link_libraries(${target} INTERFACE ${win_LIBS})
  else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(${target}_pc REQUIRED IMPORTED_TARGET ${module})
    target_link_libraries(${target} INTERFACE PkgConfig::${target}_pc)
  endif()
endfunction()

if(WIN32 AND NOT TIDEMARK_WIN_DEPS)
  message(FATAL_ERROR "Set TIDEMARK_WIN_DEPS to the prefix made by scripts/build-win-deps.sh")
endif()

# Poppler's internal (unstable) headers and its static or shared library:
# natively from Debian's libpoppler-private-dev.
tidemark_dependency(poppler_lib poppler
  INCLUDE ${TIDEMARK_WIN_DEPS}/include/poppler ${TIDEMARK_WIN_DEPS}/include
  LIBS poppler freetype advapi32 shell32)
