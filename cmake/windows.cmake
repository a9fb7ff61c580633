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

# Test units that cannot run on Windows, each with the reason; scripts/windows prints them
# beside the tests skipped at run time. A unit is named by its path under tests/.
set(zr_windows_left_out
  "platform/files_test.cpp|its holders and readers are forked children, and it uses FIFOs, rlimits, symbolic links and fcntl locks (the Windows backend's own file tests are platform/win_files_test.cpp)"
  "platform/jet_test.cpp|its stand-in readers are shell scripts (the child process on Windows is tested by platform/win_process_test.cpp)"
  "export/commitset_test.cpp|crashes and signals at each commit step happen in forked children")
if(NOT TARGET PkgConfig::LIBMDB)
  list(APPEND zr_windows_left_out
    "platform/jetfiles_test.cpp|the Access helper is not built (no libmdb for the target)"
    "platform/jetdamage_test.cpp|the Access helper is not built (no libmdb for the target)"
    "mdbreader/reader_test.cpp|the Access helper is not built (no libmdb for the target)")
endif()
set(zr_left_out_text "")
foreach(entry ${zr_windows_left_out})
  string(REPLACE "|" ": " line "${entry}")
  string(APPEND zr_left_out_text "  tests/${line}\n")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/windows-left-out.txt "${zr_left_out_text}")

# Removes the units above from a suite's list of sources.
function(zr_windows_leave_out srcs_var)
  set(srcs ${${srcs_var}})
  foreach(entry ${zr_windows_left_out})
    string(FIND "${entry}" "|" bar)
    string(SUBSTRING "${entry}" 0 ${bar} unit)
    list(REMOVE_ITEM srcs ${CMAKE_SOURCE_DIR}/tests/${unit})
  endforeach()
  set(${srcs_var} ${srcs} PARENT_SCOPE)
endfunction()
