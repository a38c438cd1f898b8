// vecmath_simd_test.cpp: the codes of the matrix product, the inverse and the transform of
// many points, and their agreement bit for bit on inputs that the other tests' random
// numbers seldom or never reach: zeros of both signs, subnormals, huge values, infinities
// and NaNs. The codes are the plain code, which constant evaluation runs too; the library's
// own AVX2 code, which it chooses at run time for callers not compiled for AVX2; and the
// same AVX2 code inline, where the caller is compiled for AVX2. The other tests run
// through the members (CTest passes --vecmath-simd); these check what they cannot: that
// the code asked for is the code that runs, and that the codes agree with each other on
// every kind of input.
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
using vecmath_test::SameResult;
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

namespace {

// What one sample gives through one code: the product, the square in place, the
// determinant, the inverse and its verdict, the transpose, and five points of each kind
// transformed, with components of every kind, one of them in the spare lane's reach of the
// next block.
struct Results {
    Matrix4x4 product, square, inverse, transpose;
    double det = 0.0;
    bool inverted = false;
    Vector3D points[5];
    Vector4D homogeneous[5];
};

struct Sample {
    Matrix4x4 a, b;
    Vector3D points[5];
    Vector4D homogeneous[5];
};

// Through the members, as a program calls them: inline AVX2 code in a build compiled for
// AVX2, the library's code chosen (and here forced) otherwise.
Results ThroughMembers(const Sample& s)
{
    Results r;
    r.product = s.a * s.b;
    r.square = s.a;
    r.square *= r.square;
    r.det = s.a.det();
    r.inverse = s.a;
    r.inverted = r.inverse.inv();
    r.transpose = s.a;
    r.transpose.transpose();
    s.a.Transform(s.points, r.points, 5);
    s.a.Transform(s.homogeneous, r.homogeneous, 5);
    return r;
}

// Through the library's own code, called directly, forced to `simd`; the determinant's and
// the transpose's are the plain code only (the transpose is transposed()'s).
Results ThroughLibrary(const Sample& s, VecmathSimd simd)
{
    EXPECT_TRUE(vecmathUseSimd(simd));
    Results r;
    vecmath::detail::libraryProduct(s.a, s.b, r.product);
    r.square = s.a;
    vecmath::detail::libraryProduct(r.square, r.square, r.square);
    r.det = vecmath::detail::libraryDeterminant(s.a);
    r.inverted = vecmath::detail::libraryInverse(s.a, r.inverse);
    r.transpose = s.a.transposed();
    vecmath::detail::libraryTransform(s.a, s.points, r.points, 5);
    vecmath::detail::libraryTransform(s.a, s.homogeneous, r.homogeneous, 5);
    return r;
}

// Counts the samples in which `got` differs from the plain code's `plain`, per operation.
struct Agreement {
    Mismatches product, square, det, inverse, transpose, points, homogeneous;

    void check(const Results& plain, const Results& got, int i)
    {
        product.check(SameResult(plain.product, got.product), i);
        square.check(SameResult(plain.square, got.square), i);
        det.check(
            Bits(plain.det) == Bits(got.det) || (std::isnan(plain.det) && std::isnan(got.det)), i);
        inverse.check(plain.inverted == got.inverted && SameBits(plain.inverse, got.inverse.m_d),
                      i);
        transpose.check(SameBits(plain.transpose, got.transpose.m_d), i);
        bool samePoints = true, sameHomogeneous = true;
        for (int k = 0; k < 5; ++k) {
            samePoints = samePoints && SameResult(plain.points[k], got.points[k]);
            sameHomogeneous =
                sameHomogeneous && SameResult(plain.homogeneous[k], got.homogeneous[k]);
        }
        points.check(samePoints, i);
        homogeneous.check(sameHomogeneous, i);
    }
    void expectNone(const char* code) const
    {
        EXPECT_EQ(product.count, 0) << code << ": first at sample " << product.first;
        EXPECT_EQ(square.count, 0) << code << ": first at sample " << square.first;
        EXPECT_EQ(det.count, 0) << code << ": first at sample " << det.first;
        EXPECT_EQ(inverse.count, 0) << code << ": first at sample " << inverse.first;
        EXPECT_EQ(transpose.count, 0) << code << ": first at sample " << transpose.first;
        EXPECT_EQ(points.count, 0) << code << ": first at sample " << points.first;
        EXPECT_EQ(homogeneous.count, 0) << code << ": first at sample " << homogeneous.first;
    }
};

} // namespace

TEST(SimdDispatch, EveryCodeGivesThePlainCodesResultsOnEveryKindOfInput)
{
    if (!vecmathSimdAvailable(VecmathSimd::Avx2))
        GTEST_SKIP() << "no AVX2 code in this build or CPU: only the plain code can run";
    RestoreSimd restore;
    std::mt19937_64 rng(0x5eed1601);
    Agreement library, members;
    int inverted = 0;
    for (int i = 0; i < kSamples; ++i) {
        const int special = i % 17; // from none to all 16 elements, and once more none
        Sample s{MatrixWithSpecials(rng, special), MatrixWithSpecials(rng, special), {}, {}};
        for (int k = 0; k < 5; ++k) {
            s.points[k] = Vector3D(AnyDouble(rng), AnyDouble(rng), AnyDouble(rng));
            s.homogeneous[k] =
                Vector4D(AnyDouble(rng), AnyDouble(rng), AnyDouble(rng), AnyDouble(rng));
        }
        const Results plain = ThroughLibrary(s, VecmathSimd::Scalar);
        library.check(plain, ThroughLibrary(s, VecmathSimd::Avx2), i);
        // The members with the library forced to AVX2: its code, or the inline code.
        members.check(plain, ThroughMembers(s), i);
        inverted += plain.inverted;
    }
    library.expectNone("the library's AVX2 code");
    members.expectNone(vecmathInlineAvx2() ? "the inline AVX2 code" : "the members");
    // Both outcomes of inv() were compared many times.
    EXPECT_GT(inverted, kSamples / 10);
    EXPECT_LT(inverted, kSamples * 9 / 10);
}

TEST(SimdDispatch, InlineCodeIsTheBuildsOwnChoice)
{
    // Code compiled for AVX2 runs it inline; code that is not runs the library's.
#if defined(__AVX2__) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    EXPECT_TRUE(vecmathInlineAvx2());
#else
    EXPECT_FALSE(vecmathInlineAvx2());
#endif
}

// ---- The product in constant expressions ----------------------------------------------------

namespace {

// clang-format off
constexpr double kLeft[4][4] = {
    { 0.0,   0.0,  0.0,  0.0},
    { 1.0,  -2.0,  0.5,  3.0},
    {-0.0,   4.0, -1.5,  0.25},
    { 1e300, 1e300, 0.0, 1.0},
};
constexpr double kRight[4][4] = {
    {-1.0,  2.0,  0.125, 0.0},
    {-3.0, -0.5,  1.0,   1e-3},
    {-2.0,  0.75, -4.0,  -0.0},
    {-0.5,  6.0,  2.0,   1e10},
};
// clang-format on

constexpr Matrix4x4 MatrixOf(const double (&rows)[4][4])
{
    Matrix4x4 m{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.m_d[r][c] = rows[r][c];
    return m;
}

constexpr Matrix4x4 SquareInPlace(Matrix4x4 m)
{
    m *= m;
    return m;
}

struct Images {
    Vector3D points[3];
    Vector4D homogeneous[3];
};

constexpr Images TransformedInPlace(const Matrix4x4& m)
{
    Images images{{Vector3D(1.0, -2.0, 0.5), Vector3D(-0.0, 0.0, 0.0), Vector3D(3.0, 1e-3, -7.0)},
                  {Vector4D(1.0, -2.0, 0.5, 1.0), Vector4D(-0.0, 0.0, 0.0, -0.0),
                   Vector4D(3.0, 1e-3, -7.0, 2.0)}};
    m.Transform(images.points, images.points, 3);
    m.Transform(images.homogeneous, images.homogeneous, 3);
    return images;
}

constexpr Matrix4x4 kProduct = MatrixOf(kLeft) * MatrixOf(kRight);
constexpr Matrix4x4 kSquare = SquareInPlace(MatrixOf(kRight));
constexpr Images kImages = TransformedInPlace(MatrixOf(kRight));

// Results the compiler worked out, checked by the compiler against the sums written out:
// each element from 0.0, in increasing k.
static_assert(kProduct.m_d[1][0] == (((0.0 + -1.0) + 6.0) + -1.0) + -1.5, "the product");
static_assert(kProduct.m_d[3][0] == (((0.0 + -1e300) + -3e300) + -0.0) + -0.5, "the product");
static_assert(kSquare.m_d[0][0] == (((0.0 + 1.0) + -6.0) + -0.25) + -0.0, "the square in place");
static_assert(kImages.points[0].m_x == ((-1.0 + -4.0) + 0.0625) + 0.0, "the transform in place");
static_assert(kImages.homogeneous[2].m_w == ((-1.5 + 6.0 * 1e-3) + -14.0) + 2e10, "homogeneous");

} // namespace

TEST(Matrix4x4ConstantProduct, HasTheBitsOfTheProductAtRunTime)
{
    // Copies the compiler cannot see through: the products below are computed at run time,
    // by the code this build runs.
    volatile double sink = 0.0;
    Matrix4x4 left = MatrixOf(kLeft), right = MatrixOf(kRight);
    left.m_d[0][0] += sink;
    right.m_d[0][0] += sink;
    EXPECT_TRUE(SameResult(kProduct, left * right));
    Matrix4x4 square = right;
    square *= square;
    EXPECT_TRUE(SameResult(kSquare, square));
    // Row 0 of the left factor is zeros, column 0 of the right one negatives: four -0.0
    // products, summed from +0.0 to +0.0, in constant evaluation as at run time.
    EXPECT_FALSE(std::signbit(kProduct.m_d[0][0]));
    const Images images = TransformedInPlace(right);
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(SameBits(kImages.points[k], images.points[k])) << "point " << k;
        EXPECT_TRUE(SameBits(kImages.homogeneous[k], images.homogeneous[k])) << "point " << k;
    }
}
