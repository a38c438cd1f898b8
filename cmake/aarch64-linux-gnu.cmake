# Cross-compiles for 64-bit ARM Linux (aarch64) with Debian's GNU cross compiler:
#
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
#         -DVECMATH_BUILD_PROGRAMS=OFF -DCMAKE_FIND_ROOT_PATH=/where/googletest/is/installed
#
# The programs need an aarch64 OpenGL and freeglut, which this does not provide; the
# library, its tests and the tools build. CTest runs the tests under qemu-user, with the
# aarch64 C and C++ libraries of the cross compiler's tree. GCC contracts a*b+c into one
# fused instruction by default on aarch64: the library's -ffp-contract=off is what keeps
# its results exact there.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLET}-g++)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/${CROSS_TRIPLET})
