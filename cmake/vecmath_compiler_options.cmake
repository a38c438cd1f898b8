# vecmath_compiler_options.cmake: the compiler options of the library and of every target
# of the project, as variables of the scope that includes this file (nothing global):
#   VECMATH_EXACT_FP_OPTIONS  keep floating-point contraction and fast-math off
#   VECMATH_WARNING_OPTIONS   the warnings every target is built with
#   VECMATH_NO_FMA_OPTIONS    keep the FMA instruction set out, where the compiler can
# Included by vecmath/CMakeLists.txt and by the projects that build on it.

# Each compiler's own way to keep contraction and fast-math off:
# - GCC, clang and Apple clang (MinGW-w64's GCC too): -ffp-contract=off -fno-fast-math.
#   Both contract by default in places (GCC wherever the target has FMA, aarch64
#   always; clang within an expression), so the option is needed, not decoration.
# - MSVC: /fp:precise. From Visual Studio 2022 (MSVC 19.30) on, /fp:precise never
#   contracts; contraction is the separate /fp:contract, which is off unless given.
#   Older versions could contract under /fp:precise with /arch:AVX2.
# - clang-cl: /fp:precise as for MSVC, and clang's own -ffp-contract=off through /clang:.
if(CMAKE_CXX_COMPILER_ID STREQUAL "MSVC")
  set(VECMATH_EXACT_FP_OPTIONS /fp:precise)
  set(VECMATH_WARNING_OPTIONS /W4)
  if(MSVC_VERSION LESS 1930)
    message(WARNING "MSVC ${MSVC_VERSION} may contract a*b+c under /fp:precise with "
                    "/arch:AVX2; the library's results are exact from Visual Studio 2022 on")
  endif()
elseif(CMAKE_CXX_COMPILER_FRONTEND_VARIANT STREQUAL "MSVC")
  set(VECMATH_EXACT_FP_OPTIONS /fp:precise /clang:-ffp-contract=off)
  set(VECMATH_WARNING_OPTIONS /W4)
else()
  set(VECMATH_EXACT_FP_OPTIONS -ffp-contract=off -fno-fast-math)
  set(VECMATH_WARNING_OPTIONS -Wall -Wextra -Wpedantic)
endif()

# GCC's vectoriser can still turn a pair of lanes "a*b - c" and "a*b + c" into one fused
# vfmaddsub instruction although contraction is off (GCC 12 does so in
# loadRotateAboutAxisThroughOrigin under -march=x86-64-v3). The library's own code is
# therefore built without the FMA instruction set wherever the compiler takes -mno-fma
# (x86 GCC and clang; not aarch64, whose FMA is part of the base instruction set and
# which -ffp-contract=off alone keeps out of the library, nor MSVC); it never wants a
# fused operation, and every other vector instruction stays available. The same goes for
# the AVX2 code of the product and inverse (matrix4x4_avx2.cpp): its functions switch on
# AVX2 alone, and -mno-fma keeps FMA off even under -march=native.
# Under link-time optimisation the library's code is also compiled inlined into its
# callers, with the callers' options: the project's programs, which inline it, take these
# options too (GCC 12 fused a -mno-fma loader into vfmaddsub in the cockpit's aim() when
# the cockpit was built for x86-64-v3 with FMA).
# WebAssembly (emscripten) has no fused multiply-add instruction to keep out: emcc takes
# -mno-fma only to warn that the argument is unused, so it is not passed there.
include(CheckCXXCompilerFlag)
if(NOT MSVC AND NOT EMSCRIPTEN)
  check_cxx_compiler_flag(-mno-fma VECMATH_HAVE_MNO_FMA)
endif()
set(VECMATH_NO_FMA_OPTIONS $<$<BOOL:${VECMATH_HAVE_MNO_FMA}>:-mno-fma>)
