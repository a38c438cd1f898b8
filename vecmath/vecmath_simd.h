// vecmath_simd.h: which code computes the matrix product, the inverse and the transform of
// an array of points.
//
// Matrix4x4's product (operator*, operator*=), inverse (inv, inverse) and transform of many
// points (Transform(from, to, count)) have two implementations:
// - plain C++, which the compiler turns into whatever the target offers (SSE2 on any
//   x86-64, NEON on aarch64, ...);
// - AVX2 code, four doubles to an instruction (matrix4x4_avx2.h), on x86-64 with GCC or
//   clang (MinGW-w64 included).
// Both do the same IEEE operations on the same operands in the same order, each rounded on
// its own (the AVX2 code has no FMA), so they give the same results bit for bit.
//
// Code compiled for AVX2 itself (__AVX2__: -mavx2, -march=haswell, x86-64-v3, native) runs
// the AVX2 code inline, with no call and no choice (VECMATH_INLINE_AVX2). Everywhere else
// the members call the library's own code, which chooses once, on the first use of any of
// them: AVX2 where the CPU runs it (and the operating system saves the AVX registers), the
// plain code everywhere else. This header is not installed: it lets the library's tests
// and benchmark force each implementation of the library's own code in turn, and call it
// directly, beside the inline code of a build compiled for AVX2.
#ifndef VECMATH_VECMATH_SIMD_H
#define VECMATH_VECMATH_SIMD_H

#include <cstddef>

#include "matrix4x4_avx2.h"

#if VECMATH_HAVE_AVX2_PATH
#include <atomic>
#endif

namespace vecmath {

/// The implementations of the library's own product, inverse and array transforms. Auto
/// stands for the CPU's choice.
enum class VecmathSimd { Auto, Scalar, Avx2 };

/// The implementation that products and inverses use now, Scalar or Avx2. The first call
/// (or the first product or inverse) makes the CPU's choice unless one was forced.
VecmathSimd vecmathSimdInUse();
/// True when this build has the code for `simd` and this CPU can run it (always true for
/// Auto and Scalar).
bool vecmathSimdAvailable(VecmathSimd simd);
/// Makes every later product and inverse use `simd` (Auto: the CPU's choice again) and
/// returns true; returns false and changes nothing when `simd` is not available. For tests
/// and measurements: call it while no other thread computes a product or an inverse.
bool vecmathUseSimd(VecmathSimd simd);
/// "auto", "scalar" or "avx2".
const char* vecmathSimdName(VecmathSimd simd);
/// Reads one of those names into `simd`; false, and `simd` unchanged, for any other text.
bool vecmathSimdFromName(const char* name, VecmathSimd& simd);
/// True where the code that includes this header runs the AVX2 code inline
/// (VECMATH_INLINE_AVX2), whatever vecmathUseSimd chose for the library's own code.
constexpr bool vecmathInlineAvx2()
{
    return VECMATH_INLINE_AVX2 != 0;
}

#if VECMATH_HAVE_AVX2_PATH

/// The implementation chosen, a VecmathSimd as an int; Auto until the first choice.
extern std::atomic<int> vecmathSimdChoice;

/// True when the library's products, inverses and array transforms are to run the AVX2
/// code. Costs one load once the choice is made.
inline bool matrix4x4UseAvx2()
{
    const int choice = vecmathSimdChoice.load(std::memory_order_relaxed);
    if (choice != static_cast<int>(VecmathSimd::Auto))
        return choice == static_cast<int>(VecmathSimd::Avx2);
    return vecmathSimdInUse() == VecmathSimd::Avx2;
}

// The library's AVX2 code (matrix4x4_avx2.cpp), compiled for AVX2 alone: only for a CPU
// that has it. Each runs the function of the same name in matrix4x4_avx2.h.
void matrix4x4ProductAvx2(const double (&L)[4][4], const double (&R)[4][4], double (&out)[4][4]);
bool matrix4x4InverseAvx2(const double (&m)[4][4], double (&out)[4][4]);
void matrix4x4TransformPointsAvx2(const double (&m)[4][4], const double* from, double* to,
                                  std::size_t count);
void matrix4x4TransformHomogeneousAvx2(const double (&m)[4][4], const double* from, double* to,
                                       std::size_t count);

#endif // VECMATH_HAVE_AVX2_PATH

} // namespace vecmath

#endif // VECMATH_VECMATH_SIMD_H
