# The Windows cross build (cmake/mingw64-posix.cmake, driven by scripts/windows): the targets'
# dependencies come from the prefix that scripts/windeps filled, under the names the Linux
# build finds them by. Debian has no Qt for mingw: no window, no Qt printer; no benchmarks or
# fuzzers either (their libraries are not built for the target).
set(ZR_GUI OFF CACHE BOOL "" FORCE)
set(ZR_BENCH OFF CACHE BOOL "" FORCE)
set(ZR_FUZZ OFF CACHE BOOL "" FORCE)

find_path(ZR_CLI11_INCLUDE CLI/CLI.hpp REQUIRED)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 INTERFACE ${ZR_CLI11_INCLUDE})

# libmdb is optional here: scripts/windeps leaves it out when its source cannot be had, and
# then the Access helper is not built (the tests that need it say so when they skip).
set(ENV{PKG_CONFIG_LIBDIR} "${ZR_WINDEPS_DIR}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
pkg_check_modules(LIBMDB QUIET IMPORTED_TARGET libmdb)
if(NOT LIBMDB_FOUND)
  message(WARNING "libmdb for the target is not in ${ZR_WINDEPS_DIR}: the Access helper is not built")
endif()

# The suites are listed when ctest runs them (under Wine), not while they are built.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
