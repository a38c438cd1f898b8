# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (GCC) from Linux:
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_FIND_ROOT_PATH=/where/freeglut/and/googletest/are/installed
#
# The POSIX-thread compilers are used: the win32-thread ones lack std::mutex, which
# GoogleTest needs. Libraries, headers and CMake packages are looked for only in the
# MinGW-w64 tree and the folders given in CMAKE_FIND_ROOT_PATH (a list), programs (the
# build tools) only on the host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Executables link the C++ runtime, libgcc and winpthread statically, so that they run
# without MinGW-w64's DLLs beside them: under Wine, or copied to any Windows machine.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
