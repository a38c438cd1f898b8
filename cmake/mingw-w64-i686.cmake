# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 (GCC) from Linux:
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
#         -DVECMATH_BUILD_PROGRAMS=OFF -DCMAKE_FIND_ROOT_PATH=/where/googletest/is/installed
#
# As cmake/mingw-w64-x86_64.cmake, for i686: the POSIX-thread compilers, libraries and
# headers only from the MinGW-w64 tree and CMAKE_FIND_ROOT_PATH, executables linked
# statically. The library's options switch the compiler's x87 default to SSE2
# (cmake/vecmath_compiler_options.cmake). Running the programs needs 32-bit Wine
# (docs/platforms.md).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
