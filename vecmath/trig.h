// trig.h: the library's own sine, cosine and two-argument arctangent, correctly rounded for
// every argument.
//
// portableSin, portableCos and portableSinCos return the double nearest to the exact sine
// and cosine of their argument (ties cannot occur), for every finite double, so their bits
// are the same on every platform, compiler and CPU; the C library's sin and cos differ in
// the last bit from one library to another. They reduce the argument exactly (Cody-Waite
// with pi/2 in four parts below 2^20, Payne-Hanek with the bits of 2/pi above), evaluate in
// double-double arithmetic from a table of sin(j/512) and cos(j/512), and check with Ziv's
// rounding test that the result's rounding is certain; where it is not (fewer than one
// result in 50,000 for angles between -8 and 8), they decide it in 256-bit integer arithmetic.
//
// They use only IEEE double additions, subtractions, multiplications and divisions in a
// fixed order, and exact integer operations; no long double and no fused multiply-add. They
// compute rounding to nearest, ties to even, whatever rounding mode the caller has set, and
// leave the caller's mode as they found it (another mode costs two writes of the control
// register per call). Their source stops the build where its flags would break that
// arithmetic: -ffast-math and the like, or double expressions evaluated in more than double
// (FLT_EVAL_METHOD other than 0, the x87 unit), and it switches floating-point contraction
// off for itself.
//
// Special values: sin(+-0) is +-0 with the sign kept, cos(+-0) is 1; the sine and cosine of
// an infinity or a NaN are NaN; subnormal arguments give sin(x) = x and cos(x) = 1.
//
// portableAtan2(y, x) is the double nearest to the angle of the point (x, y), in [-pi, pi],
// for every pair of doubles, by the same method: the quotient of the smaller by the larger
// of |x| and |y| in double-double, a table of atan(j/512), Ziv's test and 256-bit integer
// arithmetic where it cannot decide (about one result in 130,000). Its special values are
// C's (C99 Annex F): atan2(+-0, +0) = +-0, atan2(+-0, -0) = +-pi, atan2(+-0, x) = +-0 for
// x > 0 and +-pi for x < 0, atan2(y, +-0) = +-pi/2 for y != 0, atan2(+-y, +inf) = +-0 and
// atan2(+-y, -inf) = +-pi for finite y > 0, atan2(+-inf, x) = +-pi/2 for finite x,
// atan2(+-inf, +inf) = +-pi/4, atan2(+-inf, -inf) = +-3 pi/4, and NaN where either is NaN
// (pi, pi/2, pi/4 and 3 pi/4 meaning the doubles nearest to them). It rounds to nearest
// whatever rounding mode the caller has set, and leaves that mode as it was.
//
// The rotation loaders of Matrix4x4 take their sine and cosine from here when the library
// is built with the CMake option VECMATH_PORTABLE_TRIG, and from the C library's std::sin
// and std::cos otherwise; rotationsUsePortableTrig() tells which.
#ifndef VECMATH_TRIG_H
#define VECMATH_TRIG_H

namespace vecmath {

/// The sine and the cosine of one angle.
struct SinCos {
    double sine;   ///< the sine
    double cosine; ///< the cosine
};

/// The double nearest to the sine of x (radians); NaN for an infinity or a NaN.
double portableSin(double x) noexcept;
/// The double nearest to the cosine of x (radians); NaN for an infinity or a NaN.
double portableCos(double x) noexcept;
/// Both at once, with one argument reduction: the same bits as portableSin and portableCos.
SinCos portableSinCos(double x) noexcept;
/// The double nearest to the angle of the point (x, y) from the X axis, in [-pi, pi]; C's
/// atan2 special values (signed zeros, infinities; NaN for a NaN).
double portableAtan2(double y, double x) noexcept;

/// True when the library was built with VECMATH_PORTABLE_TRIG, so that the rotation loaders
/// take their sine and cosine from portableSinCos; false when they take std::sin and
/// std::cos.
bool rotationsUsePortableTrig() noexcept;

} // namespace vecmath

#endif
