# Cross build for 64-bit Windows with Debian's mingw-w64. The -posix compilers: the win32
# thread model has no std::mutex. Everything is linked statically (libgcc, libstdc++,
# winpthread), so the executables need no DLLs beside them.
# The target's dependencies (scripts/windeps) are found in ZR_WINDEPS_DIR; the tests run
# under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZR_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZR_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${ZR_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZR_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT ZR_WINDEPS_DIR AND DEFINED ENV{ZR_WINDEPS_DIR})
  set(ZR_WINDEPS_DIR "$ENV{ZR_WINDEPS_DIR}")
endif()
if(NOT ZR_WINDEPS_DIR)
  message(FATAL_ERROR "ZR_WINDEPS_DIR is not set: it names the prefix that scripts/windeps filled")
endif()
# try_compile projects read this file again: they need the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZR_WINDEPS_DIR)

set(CMAKE_FIND_ROOT_PATH ${ZR_WINDEPS_DIR} /usr/${ZR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# wine64 is on PATH with some packagings, under /usr/lib/wine with Debian's.
find_program(ZR_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZR_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZR_WINE64})
endif()
