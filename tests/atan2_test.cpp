// Unit tests of the library's own two-argument arctangent (portableAtan2, trig.h): C's
// special values, against the C library's atan2 too; the rounding mode; exact symmetries;
// and values known to the last bit. The comparison with GNU MPFR on every kind of argument
// is atan2_oracle.cpp.
#include "trig.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "vecmath_test_util.h"

namespace {

using namespace vecmath_test;
using vecmath::portableAtan2;

const double kPi = 0x1.921fb54442d18p+1; // the doubles nearest to pi, pi/2, pi/4, 3 pi/4
const double kHalfPi = 0x1.921fb54442d18p+0;
const double kQuarterPi = 0x1.921fb54442d18p-1;
const double kThreeQuarterPi = 0x1.2d97c7f3321d2p+1;

// The C library's atan2, called at run time rather than folded by the compiler.
double CAtan2(double y, double x)
{
    volatile double vy = y, vx = x;
    return std::atan2(vy, vx);
}

// The same bits, or both NaN.
bool Same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || Bits(a) == Bits(b);
}

// Any double but a NaN: both signs, every exponent.
double AnyNumber(std::mt19937_64& rng)
{
    double x;
    do {
        const std::uint64_t b = rng();
        std::memcpy(&x, &b, sizeof x);
    } while (std::isnan(x));
    return x;
}

// C99 Annex F.9.1.4, case by case, and every pair of zeros, infinities, NaNs and a few
// finite values compared with the C library's atan2 bit for bit.
TEST(PortableAtan2, SpecialValuesAreThoseOfC)
{
    struct Case {
        double y, x, result;
    };
    // clang-format off
    const Case cases[] = {
        {0.0, 0.0, 0.0},          {-0.0, 0.0, -0.0},          // atan2(+-0, +0) = +-0
        {0.0, -0.0, kPi},         {-0.0, -0.0, -kPi},         // atan2(+-0, -0) = +-pi
        {0.0, 2.0, 0.0},          {-0.0, 2.0, -0.0},          // atan2(+-0, x > 0) = +-0
        {0.0, -2.0, kPi},         {-0.0, -2.0, -kPi},         // atan2(+-0, x < 0) = +-pi
        {3.0, 0.0, kHalfPi},      {3.0, -0.0, kHalfPi},       // atan2(y > 0, +-0) = pi/2
        {-3.0, 0.0, -kHalfPi},    {-3.0, -0.0, -kHalfPi},     // atan2(y < 0, +-0) = -pi/2
        {5.0, kInf, 0.0},         {-5.0, kInf, -0.0},         // atan2(+-y, +inf) = +-0
        {5.0, -kInf, kPi},        {-5.0, -kInf, -kPi},        // atan2(+-y, -inf) = +-pi
        {kInf, 7.0, kHalfPi},     {-kInf, -7.0, -kHalfPi},    // atan2(+-inf, x) = +-pi/2
        {kInf, 0.0, kHalfPi},     {-kInf, -0.0, -kHalfPi},
        {kInf, kInf, kQuarterPi}, {-kInf, kInf, -kQuarterPi}, // +-pi/4
        {kInf, -kInf, kThreeQuarterPi},                       // +-3 pi/4
        {-kInf, -kInf, -kThreeQuarterPi},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(Bits(portableAtan2(c.y, c.x)), Bits(c.result)) << c.y << ", " << c.x;
    for (double v : {kNaN, -kNaN}) {
        EXPECT_TRUE(std::isnan(portableAtan2(v, 1.0)));
        EXPECT_TRUE(std::isnan(portableAtan2(1.0, v)));
        EXPECT_TRUE(std::isnan(portableAtan2(v, kInf)));
        EXPECT_TRUE(std::isnan(portableAtan2(0.0, v)));
    }

    const double values[] = {0.0,  -0.0,    kInf,     -kInf,        kNaN,         1.0,
                             -1.0, DBL_MAX, -DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN};
    int pairs = 0;
    for (double y : values)
        for (double x : values) {
            EXPECT_TRUE(Same(portableAtan2(y, x), CAtan2(y, x))) << y << ", " << x;
            pairs++;
        }
    RecordProperty("pairs_compared_with_c", pairs);
}

// Under every rounding mode the results are those of rounding to nearest, and the caller's
// mode is still set afterwards.
TEST(PortableAtan2, RoundsToNearestInEveryModeAndLeavesTheModeAsFound)
{
    std::mt19937_64 rng(0x5eed7a01);
    std::vector<double> ys, xs, nearest;
    for (int i = 0; i < kSamples; ++i) {
        ys.push_back(AnyNumber(rng));
        xs.push_back(i % 2 == 0 ? AnyNumber(rng) : ys.back() * 0.75); // near the diagonal too
        nearest.push_back(portableAtan2(ys.back(), xs.back()));
    }
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0) << "cannot set rounding mode " << mode;
        int differ = 0;
        for (int i = 0; i < kSamples; ++i)
            differ += Same(portableAtan2(ys[i], xs[i]), nearest[i]) ? 0 : 1;
        const int after = std::fegetround();
        std::fesetround(FE_TONEAREST);
        EXPECT_EQ(differ, 0) << "rounding mode " << mode;
        EXPECT_EQ(after, mode);
    }
}

// On pairs of every size: atan2(-y, x) = -atan2(y, x) bit for bit, scaling both arguments
// by the same power of two changes nothing, and no result leaves [-pi, pi] or takes the
// wrong sign.
TEST(PortableAtan2, OddInYScaleFreeAndBounded)
{
    std::mt19937_64 rng(0x5eed7a02);
    for (int i = 0; i < kSamples; ++i) {
        const double y = AnyNumber(rng), x = AnyNumber(rng);
        const double a = portableAtan2(y, x);
        EXPECT_EQ(Bits(portableAtan2(-y, x)), Bits(-a)) << std::hexfloat << y << ", " << x;
        EXPECT_LE(std::fabs(a), kPi) << std::hexfloat << y << ", " << x;
        EXPECT_EQ(std::signbit(a), std::signbit(y)) << std::hexfloat << y << ", " << x;
        const double ys = std::ldexp(y, -8), xs = std::ldexp(x, -8); // exact for these sizes
        if (std::fabs(ys) >= DBL_MIN && std::fabs(xs) >= DBL_MIN) {
            EXPECT_EQ(Bits(portableAtan2(ys, xs)), Bits(a)) << std::hexfloat << y << ", " << x;
        }
    }
}

// Values correctly rounded by GNU MPFR. The quotient 3 2^-1074 / 2 is exactly the midpoint
// between the two smallest subnormals; atan2, just below it, rounds down to 2^-1074 (where
// glibc's atan2 gives 2^-1073).
TEST(PortableAtan2, KnownValuesToTheLastBit)
{
    EXPECT_EQ(portableAtan2(1.0, 1.0), kQuarterPi);
    EXPECT_EQ(portableAtan2(1.0, 2.0), 0x1.dac670561bb4fp-2);
    EXPECT_EQ(portableAtan2(2.0, 1.0), 0x1.1b6e192ebbe44p+0);
    EXPECT_EQ(portableAtan2(1.0, -2.0), 0x1.56c6e7397f5aep+1);
    EXPECT_EQ(portableAtan2(-3.0, 4.0), -0x1.4978fa3269ee1p-1);
    EXPECT_EQ(portableAtan2(1.0, 3.0), 0x1.4978fa3269ee1p-2);
    EXPECT_EQ(portableAtan2(-1.0, -1.0), -kThreeQuarterPi);
    EXPECT_EQ(portableAtan2(1e-300, 1.0), 1e-300);
    EXPECT_EQ(portableAtan2(1.0, 0x1p60), 0x1p-60);
    EXPECT_EQ(portableAtan2(0x1p60, -1.0), kHalfPi);
    EXPECT_EQ(portableAtan2(0.5, -DBL_TRUE_MIN), kHalfPi);
    EXPECT_EQ(portableAtan2(3 * DBL_TRUE_MIN, 2.0), DBL_TRUE_MIN);
    EXPECT_EQ(portableAtan2(5 * DBL_TRUE_MIN, 2.0), 2 * DBL_TRUE_MIN);
}

} // namespace
