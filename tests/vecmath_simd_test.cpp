// vecmath_simd_test.cpp: the choice between the plain and the AVX2 code of the matrix
// product, the inverse and the transform of many points, and their agreement bit for bit
// on inputs that the other tests' random numbers seldom or never reach: zeros of both
// signs, subnormals, huge values, infinities and NaNs. The other tests run through each
// code in turn (CTest passes --vecmath-simd); these check what they cannot: that the code
// asked for is the code that runs, and that the two codes agree with each other on every
// kind of input.
#include "vecmath_simd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "matrix4x4.h"
#include "vecmath_test_util.h"

#if VECMATH_HAVE_AVX2_PATH
#include <cpuid.h>
#endif

namespace {

using namespace vecmath_test;

// Whether the CPU has AVX2 and the operating system saves the AVX registers, read here
// from CPUID and XGETBV directly rather than through the compiler's record that the
// library reads.
bool CpuRunsAvx2()
{
#if VECMATH_HAVE_AVX2_PATH
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX))
        return false;
    unsigned low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 0x6) != 0x6) // the SSE and AVX register state
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
#else
    return false;
#endif
}

// Puts back the code in use when the test ends, whatever the test chose.
class RestoreSimd
{
public:
    RestoreSimd() : m_saved(vecmathSimdInUse()) {}
    ~RestoreSimd() { vecmathUseSimd(m_saved); }
    RestoreSimd(const RestoreSimd&) = delete;
    RestoreSimd& operator=(const RestoreSimd&) = delete;

private:
    VecmathSimd m_saved;
};

// A random matrix with `special` of its elements of any kind. With few special elements
// most matrices are invertible; with many, most are singular or not finite.
Matrix4x4 MatrixWithSpecials(std::mt19937_64& rng, int special)
{
    Matrix4x4 m;
    RandomFill(m, rng);
    for (int s = 0; s < special; ++s)
        m.m_d[rng() % 4][rng() % 4] = AnyDouble(rng);
    return m;
}

// The same bits, or NaN in both (see SameResult in vecmath_test_util.h).
::testing::AssertionResult SameResult(const Matrix4x4& a, const Matrix4x4& b)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const double x = a.m_d[r][c], y = b.m_d[r][c];
            if (Bits(x) != Bits(y) && !(std::isnan(x) && std::isnan(y)))
                return ::testing::AssertionFailure()
                    << std::hexfloat << "element (" << r << ", " << c << "): " << x << " vs " << y;
        }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(SimdDispatch, RunsTheCodeItWasAskedForOrTheCpusChoice)
{
    const bool avx2 = VECMATH_HAVE_AVX2_PATH && CpuRunsAvx2();
    EXPECT_EQ(vecmathSimdAvailable(VecmathSimd::Avx2), avx2);
    EXPECT_TRUE(vecmathSimdAvailable(VecmathSimd::Scalar));
    EXPECT_TRUE(vecmathSimdAvailable(VecmathSimd::Auto));
    const VecmathSimd expected = RequestedSimd() != VecmathSimd::Auto ? RequestedSimd()
                               : avx2                                 ? VecmathSimd::Avx2
                                                                      : VecmathSimd::Scalar;
    EXPECT_EQ(vecmathSimdName(vecmathSimdInUse()), vecmathSimdName(expected));
}

TEST(SimdDispatch, ForcingSwitchesTheCodeAndAnUnavailableOneChangesNothing)
{
    RestoreSimd restore;
    ASSERT_TRUE(vecmathUseSimd(VecmathSimd::Scalar));
    EXPECT_EQ(vecmathSimdInUse(), VecmathSimd::Scalar);
    const bool avx2 = vecmathSimdAvailable(VecmathSimd::Avx2);
    EXPECT_EQ(vecmathUseSimd(VecmathSimd::Avx2), avx2);
    EXPECT_EQ(vecmathSimdInUse(), avx2 ? VecmathSimd::Avx2 : VecmathSimd::Scalar);
    ASSERT_TRUE(vecmathUseSimd(VecmathSimd::Auto));
    EXPECT_EQ(vecmathSimdInUse(), avx2 ? VecmathSimd::Avx2 : VecmathSimd::Scalar);
}

TEST(SimdDispatch, NamesReadBackAndNothingElseIsTaken)
{
    for (VecmathSimd simd : {VecmathSimd::Auto, VecmathSimd::Scalar, VecmathSimd::Avx2}) {
        VecmathSimd read = simd == VecmathSimd::Auto ? VecmathSimd::Scalar : VecmathSimd::Auto;
        ASSERT_TRUE(vecmathSimdFromName(vecmathSimdName(simd), read));
        EXPECT_EQ(read, simd);
    }
    EXPECT_STREQ(vecmathSimdName(VecmathSimd::Avx2), "avx2");
    VecmathSimd untouched = VecmathSimd::Avx2;
    for (const char* name : {"", "AVX2", "sse2", "scalar ", "avx"})
        EXPECT_FALSE(vecmathSimdFromName(name, untouched)) << '"' << name << '"';
    EXPECT_EQ(untouched, VecmathSimd::Avx2);
}

TEST(SimdDispatch, BothCodesGiveTheSameResultsOnEveryKindOfInput)
{
    if (!vecmathSimdAvailable(VecmathSimd::Avx2))
        GTEST_SKIP() << "no AVX2 code in this build or CPU: only the plain code can run";
    RestoreSimd restore;
    std::mt19937_64 rng(0x5eed1601);
    Mismatches product, inPlace, inverse, points, homogeneous;
    int inverted = 0;
    for (int i = 0; i < kSamples; ++i) {
        const int special = i % 17; // from none to all 16 elements, and once more none
        Matrix4x4 a = MatrixWithSpecials(rng, special), b = MatrixWithSpecials(rng, special);
        Matrix4x4 result[2], square[2], inv[2];
        bool ok[2];
        // Five points, one of them in the spare lane's reach of the next block, with
        // components of every kind.
        Vector3D p3[5], images3[2][5];
        Vector4D p4[5], images4[2][5];
        for (int k = 0; k < 5; ++k) {
            p3[k] = Vector3D(AnyDouble(rng), AnyDouble(rng), AnyDouble(rng));
            p4[k] = Vector4D(AnyDouble(rng), AnyDouble(rng), AnyDouble(rng), AnyDouble(rng));
        }
        for (int path = 0; path < 2; ++path) {
            ASSERT_TRUE(vecmathUseSimd(path == 0 ? VecmathSimd::Scalar : VecmathSimd::Avx2));
            result[path] = a * b;
            square[path] = a;
            square[path] *= square[path];
            inv[path] = a;
            ok[path] = inv[path].inv();
            a.Transform(p3, images3[path], 5);
            a.Transform(p4, images4[path], 5);
        }
        product.check(SameResult(result[0], result[1]), i);
        inPlace.check(SameResult(square[0], square[1]), i);
        inverse.check(ok[0] == ok[1] && SameBits(inv[0], inv[1].m_d), i);
        bool samePoints = true, sameHomogeneous = true;
        for (int k = 0; k < 5; ++k) {
            samePoints = samePoints && SameResult(images3[0][k], images3[1][k]);
            sameHomogeneous = sameHomogeneous && SameResult(images4[0][k], images4[1][k]);
        }
        points.check(samePoints, i);
        homogeneous.check(sameHomogeneous, i);
        inverted += ok[0];
    }
    EXPECT_EQ(points.count, 0) << "first at sample " << points.first;
    EXPECT_EQ(homogeneous.count, 0) << "first at sample " << homogeneous.first;
    EXPECT_EQ(product.count, 0) << "first at sample " << product.first;
    EXPECT_EQ(inPlace.count, 0) << "first at sample " << inPlace.first;
    EXPECT_EQ(inverse.count, 0) << "first at sample " << inverse.first;
    // Both outcomes of inv() were compared many times.
    EXPECT_GT(inverted, kSamples / 10);
    EXPECT_LT(inverted, kSamples * 9 / 10);
}
