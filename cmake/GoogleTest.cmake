# GoogleTest: the installed package natively; for a cross build, Debian's
# googletest sources compiled as part of this project.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # googletest defines the GTest:: aliases itself.
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
