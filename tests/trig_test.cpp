// Unit tests of the library's own sine and cosine (trig.h): special values, symmetry, the
// same bits in every rounding mode, a few values known to the last bit, and which sine and
// cosine the rotation loaders take. The
// comparison with GNU MPFR on every kind of argument is trig_oracle.cpp.
#include "trig.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "matrix4x4.h"
#include "vecmath_test_util.h"

namespace {

using namespace vecmath_test;
using vecmath::portableCos;
using vecmath::portableSin;
using vecmath::portableSinCos;

// Arguments of every size: both signs, exponents from -1074 to 1023, all mantissas.
double AnyFinite(std::mt19937_64& rng)
{
    double x;
    do {
        const std::uint64_t b = rng();
        std::memcpy(&x, &b, sizeof x);
    } while (!std::isfinite(x));
    return x;
}

// Zeros keep their sign in the sine, infinities and NaNs give NaN, and below 2^-27 the
// sine is x and the cosine 1, subnormals included.
TEST(PortableTrig, SpecialValuesGiveWhatTheHeaderSays)
{
    EXPECT_EQ(Bits(portableSin(0.0)), Bits(0.0));
    EXPECT_EQ(Bits(portableSin(-0.0)), Bits(-0.0));
    EXPECT_EQ(portableCos(0.0), 1.0);
    EXPECT_EQ(portableCos(-0.0), 1.0);
    EXPECT_EQ(Bits(portableSinCos(-0.0).sine), Bits(-0.0));
    EXPECT_EQ(portableSinCos(-0.0).cosine, 1.0);

    for (double x : {kInf, -kInf, kNaN, -kNaN}) {
        EXPECT_TRUE(std::isnan(portableSin(x))) << x;
        EXPECT_TRUE(std::isnan(portableCos(x))) << x;
        EXPECT_TRUE(std::isnan(portableSinCos(x).sine)) << x;
        EXPECT_TRUE(std::isnan(portableSinCos(x).cosine)) << x;
    }

    for (double x : {DBL_TRUE_MIN, 3 * DBL_TRUE_MIN, DBL_MIN / 3, std::nextafter(DBL_MIN, 0.0),
                     DBL_MIN, 1e-300, 1e-20, std::nextafter(0x1p-27, 0.0)}) {
        EXPECT_EQ(Bits(portableSin(x)), Bits(x)) << x;
        EXPECT_EQ(Bits(portableSin(-x)), Bits(-x)) << x;
        EXPECT_EQ(portableCos(x), 1.0) << x;
        EXPECT_EQ(portableCos(-x), 1.0) << x;
    }
    // From 2^-27 on the cosine is not always 1: at 2^-26, 1 - x^2/2 + x^4/24 is just above
    // the double below 1, 1 - 2^-53.
    EXPECT_EQ(portableCos(0x1p-26), std::nextafter(1.0, 0.0));
}

// On arguments of every size, and angles in [-8, 8] half the time: the sine is odd and the
// cosine even, bit for bit; portableSinCos gives the bits of portableSin and portableCos;
// no result leaves [-1, 1].
TEST(PortableTrig, SymmetricConsistentAndBounded)
{
    std::mt19937_64 rng(0x5eed7001);
    std::uniform_real_distribution<double> angle(-8.0, 8.0);
    for (int i = 0; i < kSamples; ++i) {
        const double x = (i % 2 == 0) ? angle(rng) : AnyFinite(rng);
        EXPECT_EQ(Bits(portableSin(-x)), Bits(-portableSin(x))) << std::hexfloat << x;
        EXPECT_EQ(Bits(portableCos(-x)), Bits(portableCos(x))) << std::hexfloat << x;
        const vecmath::SinCos sc = portableSinCos(x);
        EXPECT_EQ(Bits(sc.sine), Bits(portableSin(x))) << std::hexfloat << x;
        EXPECT_EQ(Bits(sc.cosine), Bits(portableCos(x))) << std::hexfloat << x;
        EXPECT_LE(std::fabs(sc.sine), 1.0) << std::hexfloat << x;
        EXPECT_LE(std::fabs(sc.cosine), 1.0) << std::hexfloat << x;
    }
}

// In every rounding mode the three functions return the round-to-nearest results, bit for
// bit, and leave the mode as they found it, with the exception flags they raised: on
// arguments of every size, and angles in [-8, 8] half the time. (trig_oracle.cpp checks
// the modes against MPFR where MPFR is; this test also runs in the cross builds, whose
// control registers differ.)
TEST(PortableTrig, GiveTheSameBitsInEveryRoundingMode)
{
    std::mt19937_64 rng(0x5eed7005);
    std::uniform_real_distribution<double> angle(-8.0, 8.0);
    std::vector<double> args;
    args.reserve(kSamples);
    for (int i = 0; i < kSamples; ++i)
        args.push_back((i % 2 == 0) ? angle(rng) : AnyFinite(rng));
    for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        for (const double x : args) {
            const double s = portableSin(x), c = portableCos(x);
            ASSERT_EQ(std::fesetround(mode), 0) << "mode " << mode;
            const double sMode = portableSin(x), cMode = portableCos(x);
            const vecmath::SinCos scMode = portableSinCos(x);
            const int after = std::fegetround();
            std::fesetround(FE_TONEAREST);
            EXPECT_EQ(after, mode) << std::hexfloat << x;
            EXPECT_EQ(Bits(sMode), Bits(s)) << "mode " << mode << ", " << std::hexfloat << x;
            EXPECT_EQ(Bits(cMode), Bits(c)) << "mode " << mode << ", " << std::hexfloat << x;
            EXPECT_EQ(Bits(scMode.sine), Bits(s)) << "mode " << mode << ", " << std::hexfloat << x;
            EXPECT_EQ(Bits(scMode.cosine), Bits(c))
                << "mode " << mode << ", " << std::hexfloat << x;
        }
    }
    // Only the mode goes back: the invalid flag of an infinity's sine (IEEE 754), raised
    // while rounding to nearest, stays raised. Checked where the platform records flags at
    // all (valgrind's CPU does not).
    std::feclearexcept(FE_ALL_EXCEPT);
    volatile double zero = 0.0;
    volatile double nan = zero / zero; // volatile: divided here, before the flags are read
    const bool recorded = std::fetestexcept(FE_INVALID) != 0;
    std::feclearexcept(FE_ALL_EXCEPT);
    std::fesetround(FE_UPWARD);
    const double s = portableSin(kInf);
    const bool invalid = std::fetestexcept(FE_INVALID) != 0;
    std::fesetround(FE_TONEAREST);
    EXPECT_TRUE(invalid || !recorded) << s << ' ' << static_cast<double>(nan);
}

// Values whose correct rounding is well known: the doubles nearest to pi/6, pi/3, pi/2 and
// pi, 1, and 1e22, a classic test of argument reduction.
TEST(PortableTrig, KnownValuesToTheLastBit)
{
    EXPECT_EQ(portableSin(0.5235987755982988), 0.49999999999999994);
    EXPECT_EQ(portableCos(1.0471975511965976), 0.5000000000000001);
    EXPECT_EQ(portableCos(1.5707963267948966), 6.123233995736766e-17);
    EXPECT_EQ(portableSin(1.5707963267948966), 1.0);
    EXPECT_EQ(portableSin(3.141592653589793), 1.2246467991473532e-16);
    EXPECT_EQ(portableCos(3.141592653589793), -1.0);
    EXPECT_EQ(portableSin(1.0), 0.8414709848078965);
    EXPECT_EQ(portableCos(1.0), 0.5403023058681398);
    EXPECT_EQ(portableSin(1e22), -0.8522008497671888);
    EXPECT_EQ(portableCos(1e22), 0.523214785395139);
}

// The rotation loaders take portableSinCos where the library is built with
// VECMATH_PORTABLE_TRIG and std::sin and std::cos otherwise, as rotationsUsePortableTrig()
// says; the two differ in the last bit now and then.
TEST(PortableTrig, LoadersTakeTheSineAndCosineTheBuildChose)
{
    std::mt19937_64 rng(0x5eed7004);
    std::uniform_real_distribution<double> angle(-8.0, 8.0);
    const bool portable = vecmath::rotationsUsePortableTrig();
    int differ = 0;
    for (int i = 0; i < kSamples; ++i) {
        const double phi = angle(rng);
        const double s = portable ? portableSin(phi) : std::sin(phi);
        const double c = portable ? portableCos(phi) : std::cos(phi);
        Matrix4x4 m;
        m.loadRotateZ(phi);
        EXPECT_EQ(Bits(m.m_d[1][0]), Bits(s)) << std::hexfloat << phi;
        EXPECT_EQ(Bits(m.m_d[0][0]), Bits(c)) << std::hexfloat << phi;
        differ += Bits(portableSin(phi)) != Bits(std::sin(phi));
        differ += Bits(portableCos(phi)) != Bits(std::cos(phi));
    }
    RecordProperty("c_library_differs_from_portable", differ);
}

} // namespace
