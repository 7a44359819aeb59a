# Poppler's internal (unstable) headers and its static or shared library.
# Natively they come from Debian's libpoppler-private-dev; for Windows from
# the prefix that scripts/build-win-deps.sh builds (TIDEMARK_WIN_DEPS).
if(WIN32)
  if(NOT TIDEMARK_WIN_DEPS)
    message(FATAL_ERROR "Set TIDEMARK_WIN_DEPS to the prefix made by scripts/build-win-deps.sh")
  endif()
  add_library(poppler_lib INTERFACE)
  target_include_directories(poppler_lib SYSTEM INTERFACE
    ${TIDEMARK_WIN_DEPS}/include/poppler ${TIDEMARK_WIN_DEPS}/include)
  target_link_directories(poppler_lib INTERFACE ${TIDEMARK_WIN_DEPS}/lib)
  target_link_libraries(poppler_lib INTERFACE poppler freetype advapi32 shell32)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(POPPLER REQUIRED IMPORTED_TARGET poppler)
  add_library(poppler_lib INTERFACE)
  target_link_libraries(poppler_lib INTERFACE PkgConfig::POPPLER)
endif()
