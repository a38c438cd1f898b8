// vecmath_test_util.h: what the vecmath unit tests share: bit comparisons, random inputs
// that cancel and round in every way, and a product that is never fused, for the short
// reference evaluations that the library's results are compared with bit for bit.
#ifndef TESTS_VECMATH_TEST_UTIL_H
#define TESTS_VECMATH_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "matrix4x4.h"
#include "trig.h"
#include "vecmath_simd.h"
#include "vector3d.h"
#include "vector4d.h"

namespace vecmath_test {

// The choice of code for the product and inverse (not part of the installed interface).
using vecmath::vecmathInlineAvx2;
using vecmath::VecmathSimd;
using vecmath::vecmathSimdAvailable;
using vecmath::vecmathSimdFromName;
using vecmath::vecmathSimdInUse;
using vecmath::vecmathSimdName;
using vecmath::vecmathUseSimd;

constexpr int kSamples = 10000;
constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The code the tests' products and inverses were asked to run through, set by main()
// from --vecmath-simd (vecmath_test_main.cpp).
inline VecmathSimd& RequestedSimd()
{
    static VecmathSimd requested = VecmathSimd::Auto;
    return requested;
}

// The sine and cosine that the rotation loaders take in this build: the library's own
// correctly rounded ones where it is built with VECMATH_PORTABLE_TRIG, the C library's
// otherwise. References of the loaders must use the same.
inline double RotationSin(double x)
{
    return vecmath::rotationsUsePortableTrig() ? vecmath::portableSin(x) : std::sin(x);
}
inline double RotationCos(double x)
{
    return vecmath::rotationsUsePortableTrig() ? vecmath::portableCos(x) : std::cos(x);
}

inline std::uint64_t Bits(double d)
{
    std::uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

// Component bits equal: tells -0.0 from 0.0, and lets identical NaNs match.
inline ::testing::AssertionResult SameBits(const Vector3D& a, const Vector3D& b)
{
    if (Bits(a.m_x) == Bits(b.m_x) && Bits(a.m_y) == Bits(b.m_y) && Bits(a.m_z) == Bits(b.m_z))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << std::hexfloat << "(" << a.m_x << ", " << a.m_y << ", " << a.m_z << ") vs (" << b.m_x
        << ", " << b.m_y << ", " << b.m_z << ")";
}

// Both signs, magnitudes from 2^-30 to 2^31, the odd exact zero: sums of such values
// cancel and round in every possible way.
inline ::testing::AssertionResult SameBits(const Vector4D& a, const Vector4D& b)
{
    if (Bits(a.m_x) == Bits(b.m_x) && Bits(a.m_y) == Bits(b.m_y) && Bits(a.m_z) == Bits(b.m_z)
        && Bits(a.m_w) == Bits(b.m_w))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << std::hexfloat << "(" << a.m_x << ", " << a.m_y << ", " << a.m_z << ", " << a.m_w
        << ") vs (" << b.m_x << ", " << b.m_y << ", " << b.m_z << ", " << b.m_w << ")";
}

inline ::testing::AssertionResult SameBits(const Matrix4x4& m, const double (&rows)[4][4])
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (Bits(m.m_d[r][c]) != Bits(rows[r][c]))
                return ::testing::AssertionFailure()
                    << std::hexfloat << "element (" << r << ", " << c << ") is " << m.m_d[r][c]
                    << ", expected " << rows[r][c];
    return ::testing::AssertionSuccess();
}

inline void ExpectNear(const Vector3D& v, double x, double y, double z, double tolerance = 1e-12)
{
    EXPECT_NEAR(v.m_x, x, tolerance);
    EXPECT_NEAR(v.m_y, y, tolerance);
    EXPECT_NEAR(v.m_z, z, tolerance);
}

inline Matrix4x4 FromRows(const double (&rows)[4][4])
{
    Matrix4x4 m;
    std::memcpy(m.m_d, rows, sizeof m.m_d);
    return m;
}

// Every element NaN, so that anything a loader forgets to write shows.
inline Matrix4x4 Garbage()
{
    Matrix4x4 m;
    for (auto& row : m.m_d)
        for (double& e : row)
            e = kNaN;
    return m;
}

inline double RandomDouble(std::mt19937_64& rng)
{
    if (rng() % 32 == 0)
        return 0.0;
    const double mantissa = 1.0 + std::ldexp(static_cast<double>(rng() >> 11), -53);
    const double d = std::ldexp(mantissa, static_cast<int>(rng() % 61) - 30);
    return (rng() & 1) ? -d : d;
}

// Elements of every kind, and ordinary random ones half the time.
inline double AnyDouble(std::mt19937_64& rng)
{
    static const double kinds[] = {0.0,     -0.0,     1.0,   -1.0,   0.5,    3.0,
                                   1e-310,  -1e-310,  1e300, -1e300, 1e-160, -1e160,
                                   DBL_MAX, -DBL_MAX, kInf,  -kInf,  kNaN,   -kNaN};
    if (rng() % 2 == 0)
        return RandomDouble(rng);
    return kinds[rng() % (sizeof kinds / sizeof kinds[0])];
}

// The same bits, or NaN in both: which NaN's payload comes out of an operation on two
// NaNs depends on the operand order the compiler picks, and no member promises one.
inline ::testing::AssertionResult SameResult(const Vector3D& a, const Vector3D& b)
{
    const double x[3] = {a.m_x, a.m_y, a.m_z}, y[3] = {b.m_x, b.m_y, b.m_z};
    for (int k = 0; k < 3; ++k)
        if (Bits(x[k]) != Bits(y[k]) && !(std::isnan(x[k]) && std::isnan(y[k])))
            return ::testing::AssertionFailure()
                << std::hexfloat << "component " << k << ": " << x[k] << " vs " << y[k];
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult SameResult(const Vector4D& a, const Vector4D& b)
{
    const double x[4] = {a.m_x, a.m_y, a.m_z, a.m_w}, y[4] = {b.m_x, b.m_y, b.m_z, b.m_w};
    for (int k = 0; k < 4; ++k)
        if (Bits(x[k]) != Bits(y[k]) && !(std::isnan(x[k]) && std::isnan(y[k])))
            return ::testing::AssertionFailure()
                << std::hexfloat << "component " << k << ": " << x[k] << " vs " << y[k];
    return ::testing::AssertionSuccess();
}

inline Vector3D RandomVector(std::mt19937_64& rng)
{
    const double x = RandomDouble(rng), y = RandomDouble(rng), z = RandomDouble(rng);
    return Vector3D(x, y, z);
}

inline Vector4D RandomVector4(std::mt19937_64& rng)
{
    const double x = RandomDouble(rng), y = RandomDouble(rng), z = RandomDouble(rng);
    const double w = RandomDouble(rng);
    return Vector4D(x, y, z, w);
}

inline void RandomFill(Matrix4x4& m, std::mt19937_64& rng)
{
    for (auto& row : m.m_d)
        for (double& e : row)
            e = RandomDouble(rng);
}

// Samples whose bits differ from the reference: how many, and the first.
struct Mismatches {
    int count = 0;
    int first = -1;
    void check(bool same, int sample)
    {
        if (!same && count++ == 0)
            first = sample;
    }
};

// A product rounded to double on its own, for the reference evaluations. The volatile
// accesses keep the compiler from fusing it into the add that follows, and from sharing
// it with the code under test, where sharing would stop that code being fused and so
// hide a fault.
inline double Mul(double a, double b)
{
    volatile double va = a, vb = b;
    volatile double product = va * vb;
    return product;
}

} // namespace vecmath_test

#endif // TESTS_VECMATH_TEST_UTIL_H
