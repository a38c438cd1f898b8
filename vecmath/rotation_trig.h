// rotation_trig.h: the sine, cosine and arctangent that the library's rotations use: the
// C library's, or, when the library is built with VECMATH_PORTABLE_TRIG, its own correctly
// rounded ones (trig.h), which give the same bits on every platform. Not installed; for
// the library's own source files, which are compiled with VECMATH_PORTABLE_TRIG defined.
#ifndef VECMATH_ROTATION_TRIG_H
#define VECMATH_ROTATION_TRIG_H

#include <cmath>

#include "trig.h"

namespace vecmath {
namespace detail {

/// sin(x) and cos(x).
inline SinCos rotationSinCos(double x) noexcept
{
#if VECMATH_PORTABLE_TRIG
    return portableSinCos(x);
#else
    return {std::sin(x), std::cos(x)};
#endif
}

/// sin(x).
inline double rotationSin(double x) noexcept
{
#if VECMATH_PORTABLE_TRIG
    return portableSin(x);
#else
    return std::sin(x);
#endif
}

/// atan2(y, x): the angle of the point (x, y), in [-pi, pi].
inline double rotationAtan2(double y, double x) noexcept
{
#if VECMATH_PORTABLE_TRIG
    return portableAtan2(y, x);
#else
    return std::atan2(y, x);
#endif
}

} // namespace detail
} // namespace vecmath

#endif
