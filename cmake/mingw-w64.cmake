# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix-threads variant: the win32
# variant of GCC 12 has no std::thread or std::mutex).
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DSUBLUMEN_WINDOWS_PREFIX=DIR
#
# SUBLUMEN_WINDOWS_PREFIX is the folder the cross-built libraries were installed into
# (scripts/build-windows.sh makes it); libraries and headers are searched there only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SUBLUMEN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SUBLUMEN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SUBLUMEN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${SUBLUMEN_MINGW}-windres)

# Passed on to try_compile projects, so that their checks see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SUBLUMEN_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${SUBLUMEN_MINGW} ${SUBLUMEN_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
