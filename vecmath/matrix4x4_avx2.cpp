// matrix4x4_avx2.cpp: the library's own AVX2 code of the matrix product, the inverse and
// the transforms of many points, for callers that are not compiled for AVX2 and a CPU that
// has it (see vecmath_simd.h). Each function is the four-wide code of matrix4x4_avx2.h,
// compiled here for AVX2 alone, without FMA (the library adds -mno-fma too), and with
// contraction off, so no multiply is ever fused into an addition. The rest of the library
// is not compiled for AVX2, so nothing here may be called on a CPU without it.
#define VECMATH_COMPILING_AVX2_CODE 1
#include "matrix4x4_avx2.h"

#include "vecmath_simd.h"

#if VECMATH_HAVE_AVX2_PATH

// AVX2 code in an otherwise plain build: these functions only, chosen at run time.
#define VECMATH_AVX2 __attribute__((target("avx2")))

namespace vecmath {

VECMATH_AVX2 void matrix4x4ProductAvx2(const double (&L)[4][4], const double (&R)[4][4],
                                       double (&out)[4][4])
{
    avx2::product(L, R, out);
}

VECMATH_AVX2 bool matrix4x4InverseAvx2(const double (&m)[4][4], double (&out)[4][4])
{
    return avx2::inverse(m, out);
}

VECMATH_AVX2 void matrix4x4TransformPointsAvx2(const double (&m)[4][4], const double* from,
                                               double* to, std::size_t count)
{
    avx2::transformPoints(m, from, to, count);
}

VECMATH_AVX2 void matrix4x4TransformHomogeneousAvx2(const double (&m)[4][4], const double* from,
                                                    double* to, std::size_t count)
{
    avx2::transformHomogeneous(m, from, to, count);
}

} // namespace vecmath

#endif // VECMATH_HAVE_AVX2_PATH
