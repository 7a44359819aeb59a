# CMake toolchain file: cross-compile for 64-bit Windows with Debian's MinGW-w64.
#
# Uses the "-posix" thread-model compilers: the default "-win32" flavour of
# GCC 12 lacks std::mutex / std::thread, which Poppler and Tidemark need.
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake \
#         -DTIDEMARK_WIN_DEPS=/var/cache/tidemark-deps/win64-<key> ...
#
# TIDEMARK_WIN_DEPS (cache variable or environment variable) names the prefix
# built by scripts/build-win-deps.sh (static FreeType + Poppler). It is added
# to the target search roots so find_package/find_library/pkg-config see it.
#
# CMAKE_CROSSCOMPILING_EMULATOR is deliberately left to the caller
# (e.g. -DCMAKE_CROSSCOMPILING_EMULATOR=wine).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TIDEMARK_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER   ${TIDEMARK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIDEMARK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TIDEMARK_MINGW_TRIPLE}-windres)
# CMake derives ar/ranlib/nm/... from the compiler name ("x86_64-w64-mingw32-").

# Where the dependency prefix is: a -D cache variable wins over the environment.
if(NOT TIDEMARK_WIN_DEPS AND DEFINED ENV{TIDEMARK_WIN_DEPS})
  set(TIDEMARK_WIN_DEPS "$ENV{TIDEMARK_WIN_DEPS}")
endif()
if(TIDEMARK_WIN_DEPS)
  set(TIDEMARK_WIN_DEPS "${TIDEMARK_WIN_DEPS}" CACHE PATH
      "Prefix holding the cross-built Windows dependencies (FreeType, Poppler)")
  # Let try_compile() projects, which re-read this file, see it too.
  set(ENV{TIDEMARK_WIN_DEPS} "${TIDEMARK_WIN_DEPS}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TIDEMARK_WIN_DEPS)

# Target roots: the MinGW-w64 runtime/SDK, plus the dependency prefix.
set(CMAKE_FIND_ROOT_PATH /usr/${TIDEMARK_MINGW_TRIPLE})
if(TIDEMARK_WIN_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH "${TIDEMARK_WIN_DEPS}")
  list(APPEND CMAKE_PREFIX_PATH "${TIDEMARK_WIN_DEPS}")
  list(REMOVE_DUPLICATES CMAKE_PREFIX_PATH)
endif()

# Programs (code generators, pkg-config, ...) come from the build host;
# libraries, headers and CMake packages only from the target roots.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config: never look at the build host's .pc files.
if(TIDEMARK_WIN_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} "${TIDEMARK_WIN_DEPS}/lib/pkgconfig")
else()
  set(ENV{PKG_CONFIG_LIBDIR} "/usr/${TIDEMARK_MINGW_TRIPLE}/lib/pkgconfig")
endif()
set(ENV{PKG_CONFIG_PATH} "")
