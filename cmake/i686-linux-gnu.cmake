# Cross-compiles for 32-bit x86 Linux (i686) with Debian's GNU cross compiler:
#
#   cmake -S . -B build-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake \
#         -DVECMATH_BUILD_PROGRAMS=OFF -DCMAKE_FIND_ROOT_PATH=/where/googletest/is/installed
#
# The programs need an i686 OpenGL and freeglut, which this does not provide; the library,
# its tests and the tools build. CTest runs the tests under qemu-user (a 64-bit kernel
# without 32-bit support runs no i686 program itself). The compiler's default is x87 arithmetic, whose excess precision
# would change the library's results: the library's options switch to SSE2
# (-msse2 -mfpmath=sse, cmake/vecmath_compiler_options.cmake).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CROSS_TRIPLET i686-linux-gnu)
set(CMAKE_C_COMPILER ${CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLET}-g++)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L /usr/${CROSS_TRIPLET})
# Executables are linked statically: under Debian 12's qemu-i386 (7.2) a dynamically linked
# i686 program cannot fork (the child hangs), and the death tests of the index checks fork.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
