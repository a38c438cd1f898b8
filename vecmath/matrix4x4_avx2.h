// matrix4x4_avx2.h: the AVX2 code of the matrix product and inverse, and the check that
// decides whether it runs. Private to the library (see vecmath_simd.h).
#ifndef VECMATH_MATRIX4X4_AVX2_H
#define VECMATH_MATRIX4X4_AVX2_H

#include "vecmath_simd.h"

#if VECMATH_HAVE_AVX2_PATH

#include <atomic>
#include <cstddef>

namespace vecmath {

/// The implementation chosen, a VecmathSimd as an int; Auto until the first choice.
extern std::atomic<int> vecmathSimdChoice;

/// True when products and inverses are to run the AVX2 code. Costs one load once the
/// choice is made.
inline bool matrix4x4UseAvx2()
{
    const int choice = vecmathSimdChoice.load(std::memory_order_relaxed);
    if (choice != static_cast<int>(VecmathSimd::Auto))
        return choice == static_cast<int>(VecmathSimd::Avx2);
    return vecmathSimdInUse() == VecmathSimd::Avx2;
}

/// out = L * R, each element summed from +0.0 in increasing k, as Matrix4x4::operator*.
/// out may be L or R: R is read whole before anything is written, and each row of L
/// before the same row of out. Only for a CPU with AVX2.
void matrix4x4ProductAvx2(const double (&L)[4][4], const double (&R)[4][4], double (&out)[4][4]);
/// Matrix4x4::Transform of `count` points, each three doubles (x, y, z), from `from` to
/// `to`, which may be `from` but must not overlap it otherwise. Only for a CPU with AVX2.
void matrix4x4TransformPointsAvx2(const double (&m)[4][4], const double* from, double* to,
                                  std::size_t count);
/// The same for homogeneous points, four doubles each. Only for a CPU with AVX2.
void matrix4x4TransformHomogeneousAvx2(const double (&m)[4][4], const double* from, double* to,
                                       std::size_t count);
/// Matrix4x4::inv on m: replaces m by its inverse and returns true, or returns false and
/// leaves m as it was. Only for a CPU with AVX2.
bool matrix4x4InverseAvx2(double (&m)[4][4]);

} // namespace vecmath

#endif // VECMATH_HAVE_AVX2_PATH

#endif // VECMATH_MATRIX4X4_AVX2_H
