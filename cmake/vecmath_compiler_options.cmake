# vecmath_compiler_options.cmake: the compiler options of the library and of every target
# of the project, as variables of the scope that includes this file (nothing global):
#   VECMATH_EXACT_FP_OPTIONS  keep floating-point contraction and fast-math off, and on
#                             32-bit x86 do double arithmetic in SSE2, not the x87 unit
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
  # 32-bit x86 (i686 Linux, 32-bit Windows): GCC and clang do double arithmetic in the x87
  # unit by default, whose 80-bit registers keep excess precision (FLT_EVAL_METHOD 2), so
  # the same sums would round differently, and the library's own sine and cosine refuse to
  # build. SSE2, on every 32-bit x86 CPU of the last twenty years (Pentium 4, Athlon 64 on),
  # rounds every operation to double as on x86-64. Like the options above, these go to
  # every target that links the library, whose headers' code is compiled there too.
  # Emscripten calls its WebAssembly target x86 with 4-byte pointers; it has no x87, and
  # takes SSE flags only as SIMD to translate.
  if(NOT EMSCRIPTEN AND CMAKE_SIZEOF_VOID_P EQUAL 4
     AND CMAKE_SYSTEM_PROCESSOR MATCHES "^([iI][3-6]86|x86|X86|x86_64|AMD64|amd64)$")
    list(APPEND VECMATH_EXACT_FP_OPTIONS -msse2 -mfpmath=sse)
  endif()
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
