// matrix4x4_avx2.h: the four-wide AVX2 code of Matrix4x4's product, determinant, inverse,
// transpose and transform of many points. Nothing here is part of the library's interface;
// it is installed because matrix4x4.h includes it.
//
// Each lane does for one element exactly what the plain code does: the same multiplies,
// additions and subtractions, of the same operands, in the same order, each rounded on its
// own; a sign is flipped by a flip of the sign bit, of the same operand or, where that
// gives the same product, of the other factor. There is no fused multiply-add:
// the operators below are one vmulpd, vaddpd or vsubpd each, and the library's options
// keep contraction off wherever they are compiled, so the bits are those of the plain code.
//
// The code is compiled in one of two ways:
// - inline in the caller, where the compiler targets AVX2 itself (-mavx2, -march=haswell,
//   x86-64-v3 or native: __AVX2__): VECMATH_INLINE_AVX2 is 1, and matrix4x4.h's members
//   run it with no call and no run-time choice, as glm and Eigen run their own;
// - into functions of the library compiled for AVX2 alone (target attribute), which the
//   library calls where the CPU has AVX2 (vecmath_simd.h), in every other x86-64 build by
//   GCC or clang; matrix4x4_avx2.cpp defines VECMATH_COMPILING_AVX2_CODE for that.
// A program whose files are compiled for different CPUs should keep the same -m flags in
// every file that includes the library's headers, as for any header of SIMD code.
#ifndef VECMATH_MATRIX4X4_AVX2_H
#define VECMATH_MATRIX4X4_AVX2_H

/// \cond INTERNAL

// 1 where the library has AVX2 code: GCC or clang (not in MSVC's mode) targeting x86-64.
#if (defined(__GNUC__) || defined(__clang__)) && !defined(_MSC_VER) && defined(__x86_64__)
#define VECMATH_HAVE_AVX2_PATH 1
#else
#define VECMATH_HAVE_AVX2_PATH 0
#endif

// 1 where this file is compiled for AVX2: the product, the inverse and the array transforms
// are then the code below, inline.
#if VECMATH_HAVE_AVX2_PATH && defined(__AVX2__)
#define VECMATH_INLINE_AVX2 1
#else
#define VECMATH_INLINE_AVX2 0
#endif

#if VECMATH_INLINE_AVX2 || (VECMATH_HAVE_AVX2_PATH && defined(VECMATH_COMPILING_AVX2_CODE))

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <immintrin.h>

// Always inlined: into the caller's code where it is compiled for AVX2, into the library's
// own AVX2 functions otherwise, which carry the target themselves.
#if VECMATH_INLINE_AVX2
#define VECMATH_AVX2_CODE __attribute__((always_inline)) inline
#else
#define VECMATH_AVX2_CODE __attribute__((target("avx2"), always_inline)) inline
#endif

namespace vecmath {
namespace avx2 {

// The three operations, one instruction each: GCC and clang apply the arithmetic operators
// to the lanes of a vector type.
VECMATH_AVX2_CODE __m256d mul(__m256d a, __m256d b)
{
    return a * b;
}

VECMATH_AVX2_CODE __m256d add(__m256d a, __m256d b)
{
    return a + b;
}

VECMATH_AVX2_CODE __m256d sub(__m256d a, __m256d b)
{
    return a - b;
}

VECMATH_AVX2_CODE __m256d broadcast(const double& x)
{
    return _mm256_broadcast_sd(&x);
}

// ---- Product ------------------------------------------------------------------------------
// Row i of the result is sum(L[i][k] * row k of R) over k = 0..3, added in that order to
// +0.0 in all four lanes: the same sums, element by element, as the plain product, the
// leading 0.0 + included (it turns a -0.0 product into +0.0). R is read whole before
// anything is written, and each row of L before the same row of out, so out may be L or R.

VECMATH_AVX2_CODE void product(const double (&L)[4][4], const double (&R)[4][4],
                               double (&out)[4][4])
{
    const __m256d r0 = _mm256_loadu_pd(R[0]), r1 = _mm256_loadu_pd(R[1]);
    const __m256d r2 = _mm256_loadu_pd(R[2]), r3 = _mm256_loadu_pd(R[3]);
    for (int i = 0; i < 4; i++) {
        __m256d sum = _mm256_setzero_pd();
        sum = add(sum, mul(broadcast(L[i][0]), r0));
        sum = add(sum, mul(broadcast(L[i][1]), r1));
        sum = add(sum, mul(broadcast(L[i][2]), r2));
        sum = add(sum, mul(broadcast(L[i][3]), r3));
        _mm256_storeu_pd(out[i], sum);
    }
}

// ---- Determinant and inverse --------------------------------------------------------------
// The adjoint's element (i, j) is (-1)^(i+j) times the 3x3 determinant of m without row j
// and column i. Row i of the adjoint is computed at once, lane j in lane j: for lane j the
// remaining rows are (first, second, third) = (1, 2, 3), (0, 2, 3), (0, 1, 3), (0, 1, 2),
// so column c's elements in those rows are
//   first[c]  = (m[1][c], m[0][c], m[0][c], m[0][c]),
//   second[c] = (m[2][c], m[2][c], m[1][c], m[1][c]),
//   third[c]  = (m[3][c], m[3][c], m[3][c], m[2][c]),
// and the determinant is det3x3 of those over the three columns other than i, in
// increasing order: the arguments of the plain adjoint, lane by lane.
//
// det() expands along column 0 into the same four 3x3 determinants, the adjoint's row 0
// before its signs (u0 below): det = ((m[0][0]*u0 - m[1][0]*u1) + m[2][0]*u2) - m[3][0]*u3,
// as det() adds them. The inverse, which takes det() first, computes them once for both.

// det2x2 and det3x3 of matrix4x4.cpp, lane by lane, with their arguments in the same order.
VECMATH_AVX2_CODE __m256d det2x2(__m256d a, __m256d b, __m256d c, __m256d d)
{
    return sub(mul(a, d), mul(b, c));
}

// clang-format off
VECMATH_AVX2_CODE __m256d det3x3(__m256d a1, __m256d a2, __m256d a3,
                                 __m256d b1, __m256d b2, __m256d b3,
                                 __m256d c1, __m256d c2, __m256d c3)
// clang-format on
{
    return add(sub(mul(a1, det2x2(b2, b3, c2, c3)), mul(b1, det2x2(a2, a3, c2, c3))),
               mul(c1, det2x2(a2, a3, b2, b3)));
}

// The elements of m as the adjoint's rows take them (see above).
struct Minors {
    __m256d first[4], second[4], third[4];
};

VECMATH_AVX2_CODE Minors minorsOf(const double (&m)[4][4])
{
    Minors n;
    for (int c = 0; c < 4; c++) {
        const __m256d e0 = broadcast(m[0][c]), e1 = broadcast(m[1][c]);
        const __m256d e2 = broadcast(m[2][c]), e3 = broadcast(m[3][c]);
        n.first[c] = _mm256_blend_pd(e0, e1, 0x1);  // lane 0 from row 1
        n.second[c] = _mm256_blend_pd(e2, e1, 0xc); // lanes 2 and 3 from row 1
        n.third[c] = _mm256_blend_pd(e3, e2, 0x8);  // lane 3 from row 2
    }
    return n;
}

// Lane j: the 3x3 determinant of m without row j and column i, which is the sign of
// element (i, j) of the adjoint away from it.
VECMATH_AVX2_CODE __m256d cofactors(const Minors& n, int i)
{
    const int x = i == 0 ? 1 : 0, y = i <= 1 ? 2 : 1, z = i <= 2 ? 3 : 2;
    // clang-format off
    return det3x3(n.first[x], n.first[y], n.first[z],
                  n.second[x], n.second[y], n.second[z],
                  n.third[x], n.third[y], n.third[z]);
    // clang-format on
}

// det() from the cofactors of column 0, u0: ((t0 - t1) + t2) - t3 with tj = m[j][0] * u0j.
VECMATH_AVX2_CODE double expandAlongColumn0(const double (&m)[4][4], __m256d u0)
{
    const __m256d column0 = _mm256_set_pd(m[3][0], m[2][0], m[1][0], m[0][0]);
    const __m256d terms = mul(column0, u0);
    const __m128d low = _mm256_castpd256_pd128(terms), high = _mm256_extractf128_pd(terms, 1);
    return ((_mm_cvtsd_f64(low) - _mm_cvtsd_f64(_mm_unpackhi_pd(low, low))) + _mm_cvtsd_f64(high))
         - _mm_cvtsd_f64(_mm_unpackhi_pd(high, high));
}

// Matrix4x4::det.
VECMATH_AVX2_CODE double determinant(const double (&m)[4][4])
{
    return expandAlongColumn0(m, cofactors(minorsOf(m), 0));
}

// The sign bit in the lanes given: XOR flips those lanes' signs, as the unary minus of the
// plain code does.
VECMATH_AVX2_CODE __m256d signs(bool lane0, bool lane1, bool lane2, bool lane3)
{
    return _mm256_set_pd(lane3 ? -0.0 : 0.0, lane2 ? -0.0 : 0.0, lane1 ? -0.0 : 0.0,
                         lane0 ? -0.0 : 0.0);
}

// All lanes ones where the element is finite: |x| < infinity is false for an infinity
// and for a NaN.
VECMATH_AVX2_CODE __m256d finiteLanes(__m256d x)
{
    const __m256d magnitude = _mm256_andnot_pd(_mm256_set1_pd(-0.0), x);
    return _mm256_cmp_pd(magnitude, _mm256_set1_pd(HUGE_VAL), _CMP_LT_OQ);
}

// Matrix4x4::inv: writes the inverse of m to out and returns true, or returns false and
// writes nothing. m is read whole before out is written, so out may be m.
VECMATH_AVX2_CODE bool inverse(const double (&m)[4][4], double (&out)[4][4])
{
    const Minors n = minorsOf(m);
    const __m256d u0 = cofactors(n, 0);
    const double determinant = expandAlongColumn0(m, u0);
    // Singular or nearly so, or not finite: the plain inverse's refusal, in one test.
    if (!(std::fabs(determinant) >= 1e-10 && std::fabs(determinant) <= DBL_MAX))
        return false;
    // The plain code flips the sign of a cofactor and then multiplies it by 1/det; the
    // same flip of 1/det instead gives the same product, bit for bit, in every rounding
    // mode (the exact product is the same number), for two flips instead of four.
    const __m256d k = _mm256_set1_pd(1 / determinant);
    const __m256d even = _mm256_xor_pd(k, signs(false, true, false, true));
    const __m256d odd = _mm256_xor_pd(k, signs(true, false, true, false));
    const __m256d row0 = mul(u0, even);
    const __m256d row1 = mul(cofactors(n, 1), odd);
    const __m256d row2 = mul(cofactors(n, 2), even);
    const __m256d row3 = mul(cofactors(n, 3), odd);

    // A cofactor can overflow where the determinant does not: then, as in the plain code,
    // there is no inverse.
    const __m256d finite = _mm256_and_pd(_mm256_and_pd(finiteLanes(row0), finiteLanes(row1)),
                                         _mm256_and_pd(finiteLanes(row2), finiteLanes(row3)));
    if (_mm256_movemask_pd(finite) != 0xf)
        return false;
    _mm256_storeu_pd(out[0], row0);
    _mm256_storeu_pd(out[1], row1);
    _mm256_storeu_pd(out[2], row2);
    _mm256_storeu_pd(out[3], row3);
    return true;
}

// ---- Transpose ----------------------------------------------------------------------------
// Matrix4x4::transpose, in place: the rows are interleaved in pairs, (0, 1) and (2, 3), and
// the halves of the pairs exchanged. Only moves: every bit of every element is kept.
VECMATH_AVX2_CODE void transpose(double (&m)[4][4])
{
    const __m256d r0 = _mm256_loadu_pd(m[0]), r1 = _mm256_loadu_pd(m[1]);
    const __m256d r2 = _mm256_loadu_pd(m[2]), r3 = _mm256_loadu_pd(m[3]);
    const __m256d even01 = _mm256_unpacklo_pd(r0, r1), odd01 = _mm256_unpackhi_pd(r0, r1);
    const __m256d even23 = _mm256_unpacklo_pd(r2, r3), odd23 = _mm256_unpackhi_pd(r2, r3);
    _mm256_storeu_pd(m[0], _mm256_permute2f128_pd(even01, even23, 0x20)); // m00 m10 m20 m30
    _mm256_storeu_pd(m[1], _mm256_permute2f128_pd(odd01, odd23, 0x20));   // m01 m11 m21 m31
    _mm256_storeu_pd(m[2], _mm256_permute2f128_pd(even01, even23, 0x31)); // m02 m12 m22 m32
    _mm256_storeu_pd(m[3], _mm256_permute2f128_pd(odd01, odd23, 0x31));   // m03 m13 m23 m33
}

// ---- Transforming many points -------------------------------------------------------------
// A point's image is column 0 of the matrix times x, plus column 1 times y, plus column 2
// times z, plus column 3, added in that order: lane r computes
// ((m[r][0]*x + m[r][1]*y) + m[r][2]*z) + m[r][3], as Matrix4x4::Transform does. The
// fourth lane of a 3D point is spare (it computes zeros).

// The image of the point at p whose x is already broadcast into all four lanes.
VECMATH_AVX2_CODE __m256d imageOfPoint(const __m256d (&c)[4], __m256d x, const double* p)
{
    return add(add(add(mul(c[0], x), mul(c[1], broadcast(p[1]))), mul(c[2], broadcast(p[2]))),
               c[3]);
}

VECMATH_AVX2_CODE __m256d imageOfPoint(const __m256d (&c)[4], const double* p)
{
    return imageOfPoint(c, broadcast(p[0]), p);
}

// Writes the x, y and z of `image` to q[0..2] and nothing beyond.
VECMATH_AVX2_CODE void storePoint(double* q, __m256d image)
{
    _mm_storeu_pd(q, _mm256_castpd256_pd128(image));
    _mm_store_sd(q + 2, _mm256_extractf128_pd(image, 1));
}

// Matrix4x4::Transform of `count` points, each three doubles (x, y, z), from `from` to
// `to`, which may be `from` but must not overlap it otherwise.
//
// Four points a step, all four read before any is written, so that `to` may be `from`.
// Each image is stored four lanes wide, the spare lane landing on the x of the point after
// it, which has been read by then and is written again with its own image: the fourth
// point's spare lane lands on the next step's first x, which is read (into x0) before the
// stores. The last whole step, and the points left over, stop at their own z, so that
// nothing past the last point is written.
VECMATH_AVX2_CODE void transformPoints(const double (&m)[4][4], const double* from, double* to,
                                       std::size_t count)
{
    __m256d c[4];
    for (int k = 0; k < 4; k++)
        c[k] = _mm256_set_pd(0.0, m[2][k], m[1][k], m[0][k]);
    std::size_t i = 0;
    if (count >= 4) {
        __m256d x0 = broadcast(from[0]);
        for (;; i += 4) {
            const double* p = from + 3 * i;
            // Ask for the points 512 bytes ahead, while they are in the array: an array
            // larger than the first-level cache (the ride's 70 KB) otherwise waits on it.
            if (i + 22 < count)
                _mm_prefetch(reinterpret_cast<const char*>(p + 64), _MM_HINT_T0);
            const __m256d r0 = imageOfPoint(c, x0, p), r1 = imageOfPoint(c, p + 3);
            const __m256d r2 = imageOfPoint(c, p + 6), r3 = imageOfPoint(c, p + 9);
            const bool last = i + 8 > count; // no whole step after this one
            if (!last)
                x0 = broadcast(p[12]);
            double* q = to + 3 * i;
            _mm256_storeu_pd(q, r0);
            _mm256_storeu_pd(q + 3, r1);
            _mm256_storeu_pd(q + 6, r2);
            if (last) {
                storePoint(q + 9, r3);
                i += 4;
                break;
            }
            _mm256_storeu_pd(q + 9, r3);
        }
    }
    for (; i < count; i++)
        storePoint(to + 3 * i, imageOfPoint(c, from + 3 * i));
}

// The same for homogeneous points, four doubles each. Lane r:
// ((m[r][0]*x + m[r][1]*y) + m[r][2]*z) + m[r][3]*w, all four rows.
VECMATH_AVX2_CODE void transformHomogeneous(const double (&m)[4][4], const double* from, double* to,
                                            std::size_t count)
{
    __m256d c[4];
    for (int k = 0; k < 4; k++)
        c[k] = _mm256_set_pd(m[3][k], m[2][k], m[1][k], m[0][k]);
    for (std::size_t i = 0; i < count; i++) {
        const double* p = from + 4 * i;
        const __m256d image = add(add(add(mul(c[0], broadcast(p[0])), mul(c[1], broadcast(p[1]))),
                                      mul(c[2], broadcast(p[2]))),
                                  mul(c[3], broadcast(p[3])));
        _mm256_storeu_pd(to + 4 * i, image);
    }
}

} // namespace avx2
} // namespace vecmath

#endif // the AVX2 code is compiled here

/// \endcond

#endif // VECMATH_MATRIX4X4_AVX2_H
