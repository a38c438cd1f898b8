// matrix4x4_test.cpp: Matrix4x4 behaviour, and bit-for-bit agreement of Transform and the
// product with a plain evaluation in the documented order on many random inputs.
#include "matrix4x4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

#include "vecmath_test_util.h"

namespace {

using namespace vecmath_test;

double RefTransformRow(const double (&row)[4], const Vector3D& p)
{
    return ((Mul(row[0], p.m_x) + Mul(row[1], p.m_y)) + Mul(row[2], p.m_z)) + row[3];
}

double RefProductElement(const Matrix4x4& a, const Matrix4x4& b, int i, int j)
{
    double sum = 0.0;
    for (int k = 0; k < 4; ++k)
        sum = sum + Mul(a.m_d[i][k], b.m_d[k][j]);
    return sum;
}

} // namespace

// ---- Storage, copying, element access -------------------------------------------------

TEST(Matrix4x4Layout, StoresRowsOneAfterAnother)
{
    Matrix4x4 m;
    const Matrix4x4& cm = m;
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(cm[r], m[r]);
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(&m[r][c], &m.m_d[0][0] + 4 * r + c);
    }
    static_assert(std::is_same_v<decltype(m[0]), double*>);
    static_assert(std::is_same_v<decltype(cm[0]), const double*>);
}

TEST(Matrix4x4Layout, ZeroAndIdentityOverwriteEveryElement)
{
    // clang-format off
    const double zero[4][4] = {
        {0, 0, 0, 0},
        {0, 0, 0, 0},
        {0, 0, 0, 0},
        {0, 0, 0, 0},
    };
    const double identity[4][4] = {
        {1, 0, 0, 0},
        {0, 1, 0, 0},
        {0, 0, 1, 0},
        {0, 0, 0, 1},
    };
    // clang-format on
    Matrix4x4 m = Garbage();
    m.zero();
    EXPECT_TRUE(SameBits(m, zero));
    m = Garbage();
    m.identity();
    EXPECT_TRUE(SameBits(m, identity));
}

TEST(Matrix4x4Copying, EveryFormOfCopyKeepsAllBits)
{
    const double inf = std::numeric_limits<double>::infinity();
    // clang-format off
    const double rows[4][4] = {
        {1.5,  -0.0, kNaN,   4e-320},
        {-inf, 6.25, 7,      8},
        {9,    10,   -11,    12},
        {13,   14,   1e300,  -16},
    };
    // clang-format on
    Matrix4x4 source = FromRows(rows);
    const Matrix4x4& constSource = source;
    Matrix4x4 constructed(source);
    EXPECT_TRUE(SameBits(constructed, rows));
    Matrix4x4 assigned = Garbage();
    assigned = source;
    EXPECT_TRUE(SameBits(assigned, rows));
    Matrix4x4 assignedConst = Garbage();
    assignedConst = constSource;
    EXPECT_TRUE(SameBits(assignedConst, rows));
    Matrix4x4 copied = Garbage();
    copied.copy(source);
    EXPECT_TRUE(SameBits(copied, rows));
    // Assigning a matrix to itself, by either operator, changes nothing (and copies no
    // overlapping memory, which the sanitized build would report).
    Matrix4x4& self = source;
    source = self;
    EXPECT_TRUE(SameBits(source, rows));
    source = constSource;
    EXPECT_TRUE(SameBits(source, rows));
}

TEST(Matrix4x4Copying, EveryAssignmentReturnsTheTarget)
{
    Matrix4x4 a = Garbage();
    Matrix4x4 b;
    b.loadScale(2.0, 3.0, 4.0);
    static_assert(std::is_same_v<decltype(a = b), Matrix4x4&>);
    static_assert(std::is_same_v<decltype(a = std::as_const(b)), Matrix4x4&>);
    static_assert(std::is_same_v<decltype(a = Garbage()), Matrix4x4&>);
    static_assert(std::is_same_v<decltype(a *= b), Matrix4x4&>);
    static_assert(std::is_same_v<decltype(a += b), Matrix4x4&>);
    static_assert(std::is_same_v<decltype(a -= b), Matrix4x4&>);
    static_assert(std::is_same_v<decltype(a *= 2.0), Matrix4x4&>);
    static_assert(std::is_same_v<decltype(a /= 2.0), Matrix4x4&>);
    Matrix4x4& r = (a = b);
    EXPECT_EQ(&r, &a);
    EXPECT_TRUE(SameBits(a, b.m_d));
    // Chained: c = a = const b, each a copy of b.
    Matrix4x4 c = Garbage();
    c = a = std::as_const(b);
    EXPECT_TRUE(SameBits(c, b.m_d));
    EXPECT_EQ(&(a *= b), &a);
}

// ---- Loaders --------------------------------------------------------------------------

TEST(Matrix4x4Loaders, TranslateFillsTheLastColumn)
{
    // clang-format off
    const double expected[4][4] = {
        {1, 0, 0, 1},
        {0, 1, 0, 2},
        {0, 0, 1, 3},
        {0, 0, 0, 1},
    };
    // clang-format on
    Matrix4x4 m = Garbage();
    m.loadTranslate(1.0, 2.0, 3.0);
    EXPECT_TRUE(SameBits(m, expected));
    EXPECT_TRUE(SameBits(m.Transform(Vector3D(0.0, 0.0, 0.0)), Vector3D(1.0, 2.0, 3.0)));
    EXPECT_TRUE(SameBits(m.Translate(Vector3D(1.0, 1.0, 1.0)), Vector3D(2.0, 3.0, 4.0)));
}

TEST(Matrix4x4Loaders, ScaleFillsTheDiagonal)
{
    // clang-format off
    const double expected[4][4] = {
        {2, 0, 0, 0},
        {0, 3, 0, 0},
        {0, 0, 4, 0},
        {0, 0, 0, 1},
    };
    // clang-format on
    Matrix4x4 m = Garbage();
    m.loadScale(2.0, 3.0, 4.0);
    EXPECT_TRUE(SameBits(m, expected));
    m.loadTranslate(7.0, 8.0, 9.0);
    m.loadScale(2.0, 3.0, 4.0);
    EXPECT_TRUE(SameBits(m, expected));
    EXPECT_TRUE(SameBits(m * Vector3D(1.0, 1.0, 1.0), Vector3D(2.0, 3.0, 4.0)));
}

TEST(Matrix4x4Loaders, RotationsHoldSineAndCosineInTheirPlane)
{
    const double s = RotationSin(0.3), c = RotationCos(0.3);
    // clang-format off
    const double x[4][4] = {
        {1, 0,  0, 0},
        {0, c, -s, 0},
        {0, s,  c, 0},
        {0, 0,  0, 1},
    };
    const double y[4][4] = {
        { c, 0, s, 0},
        { 0, 1, 0, 0},
        {-s, 0, c, 0},
        { 0, 0, 0, 1},
    };
    const double z[4][4] = {
        {c, -s, 0, 0},
        {s,  c, 0, 0},
        {0,  0, 1, 0},
        {0,  0, 0, 1},
    };
    // clang-format on
    // Each loaded over garbage and over another rotation: nothing of either may remain.
    Matrix4x4 m = Garbage();
    m.loadRotateX(0.3);
    EXPECT_TRUE(SameBits(m, x));
    m.loadRotateY(0.3);
    EXPECT_TRUE(SameBits(m, y));
    m = Garbage();
    m.loadRotateY(0.3);
    EXPECT_TRUE(SameBits(m, y));
    m.loadRotateZ(0.3);
    EXPECT_TRUE(SameBits(m, z));
    m = Garbage();
    m.loadRotateZ(0.3);
    EXPECT_TRUE(SameBits(m, z));
    m.loadRotateX(0.3);
    EXPECT_TRUE(SameBits(m, x));
}

TEST(Matrix4x4Loaders, RotationsTurnCounterClockwiseAboutTheirAxis)
{
    Matrix4x4 m;
    m.loadRotateZ(kPi / 2);
    ExpectNear(m.Transform(Vector3D(1.0, 0.0, 0.0)), 0.0, 1.0, 0.0);
    ExpectNear(m.Transform(Vector3D(0.0, 1.0, 0.0)), -1.0, 0.0, 0.0);
    m.loadRotateX(kPi / 2);
    ExpectNear(m.Transform(Vector3D(0.0, 1.0, 0.0)), 0.0, 0.0, 1.0);
    m.loadRotateY(kPi / 2);
    ExpectNear(m.Transform(Vector3D(0.0, 0.0, 1.0)), 1.0, 0.0, 0.0);
}

TEST(Matrix4x4Loaders, ZeroAngleGivesTheIdentityWithANegativeZero)
{
    // clang-format off
    const double expected[4][4] = {
        {1, -0.0, 0, 0},
        {0,  1,   0, 0},
        {0,  0,   1, 0},
        {0,  0,   0, 1},
    };
    // clang-format on
    Matrix4x4 m;
    m.loadRotateZ(0.0);
    EXPECT_TRUE(SameBits(m, expected));
}

// ---- Transforming points --------------------------------------------------------------

TEST(Matrix4x4Transform, IgnoresTheBottomRow)
{
    std::mt19937_64 rng(0x5eed0101);
    Matrix4x4 m;
    RandomFill(m, rng);
    Matrix4x4 two = m, nan = m;
    m[3][0] = m[3][1] = m[3][2] = 0.0;
    m[3][3] = 1.0;
    two[3][0] = two[3][1] = two[3][2] = 0.0;
    two[3][3] = 2.0;
    nan[3][0] = nan[3][1] = nan[3][2] = nan[3][3] = kNaN;
    for (int i = 0; i < 100; ++i) {
        const Vector3D p = RandomVector(rng);
        EXPECT_TRUE(SameBits(two.Transform(p), m.Transform(p)));
        EXPECT_TRUE(SameBits(nan.Transform(p), m.Transform(p)));
        EXPECT_TRUE(SameBits(m * p, m.Transform(p)));
    }
}

TEST(Matrix4x4Transform, AddsTheTranslationLast)
{
    // h is half an ulp of 1.0: two of them added to 1.0 one by one are lost, added to
    // each other first they are not.
    const double h = std::ldexp(1.0, -53);
    // clang-format off
    const double rows[4][4] = {
        {1, 1, 1, 0},
        {1, 1, 1, 1},
        {0, 0, 0, 0},
        {0, 0, 0, 1},
    };
    // clang-format on
    Matrix4x4 m = FromRows(rows);
    EXPECT_EQ(m.Transform(Vector3D(1.0, h, h)).m_x, 1.0);
    EXPECT_EQ(m.Transform(Vector3D(h, h, 0.0)).m_y, 1.0 + 2 * h);
}

TEST(Matrix4x4Translate, UsesOnlyTheTranslationColumn)
{
    Matrix4x4 m;
    m.loadRotateZ(0.5);
    EXPECT_TRUE(SameBits(m.Translate(Vector3D(1.5, -2.25, 1e-3)), Vector3D(1.5, -2.25, 1e-3)));
    m[0][3] = 1.0;
    m[1][3] = 2.0;
    m[2][3] = 3.0;
    EXPECT_TRUE(SameBits(m.Translate(Vector3D(1.0, 1.0, 1.0)), Vector3D(2.0, 3.0, 4.0)));
}

// ---- Products -------------------------------------------------------------------------

TEST(Matrix4x4Product, MultipliesRowsByColumns)
{
    // clang-format off
    const double a[4][4] = {
        {1, 2, 3, 4},
        {0, 1, 0, 0},
        {0, 0, 1, 0},
        {0, 0, 0, 1},
    };
    const double b[4][4] = {
        {1, 0, 0, 0},
        {5, 1, 0, 0},
        {0, 0, 2, 0},
        {0, 0, 0, 1},
    };
    const double ab[4][4] = {
        {11, 2, 6, 4},
        { 5, 1, 0, 0},
        { 0, 0, 2, 0},
        { 0, 0, 0, 1},
    };
    const double ba[4][4] = {
        {1,  2,  3,  4},
        {5, 11, 15, 20},
        {0,  0,  2,  0},
        {0,  0,  0,  1},
    };
    // clang-format on
    Matrix4x4 ma = FromRows(a), mb = FromRows(b);
    EXPECT_TRUE(SameBits(ma * mb, ab));
    EXPECT_TRUE(SameBits(mb * ma, ba));
    ma *= mb;
    EXPECT_TRUE(SameBits(ma, ab));
}

TEST(Matrix4x4Product, AppliesTheRightFactorFirst)
{
    Matrix4x4 t, r;
    t.loadTranslate(1.0, 0.0, 0.0);
    r.loadRotateZ(kPi / 2);
    Matrix4x4 tr = t * r, rt = r * t;
    ExpectNear(tr.Transform(Vector3D(1.0, 0.0, 0.0)), 1.0, 1.0, 0.0);
    ExpectNear(rt.Transform(Vector3D(1.0, 0.0, 0.0)), 0.0, 2.0, 0.0);
}

TEST(Matrix4x4Product, SumsStartFromPositiveZero)
{
    // Every product is -0.0; only a sum started from +0.0 comes out positive.
    Matrix4x4 minusOnes, zeros;
    for (auto& row : minusOnes.m_d)
        for (double& e : row)
            e = -1.0;
    zeros.zero();
    const Matrix4x4 p = minusOnes * zeros;
    EXPECT_TRUE(SameBits(p, zeros.m_d));
}

TEST(Matrix4x4Product, SquaringInPlaceMatchesTheOperator)
{
    std::mt19937_64 rng(0x5eed0102);
    for (int i = 0; i < 1000; ++i) {
        Matrix4x4 m;
        RandomFill(m, rng);
        Matrix4x4 square = m * m;
        m *= m;
        ASSERT_TRUE(SameBits(m, square.m_d)) << "sample " << i;
    }
}

// ---- Bit-exact agreement with the documented evaluation order -------------------------

TEST(Matrix4x4BitExact, TransformMatchesTheReference)
{
    std::mt19937_64 rng(0x5eed0103);
    Mismatches transform, star;
    Matrix4x4 m;
    for (int i = 0; i < kSamples; ++i) {
        RandomFill(m, rng);
        const Vector3D p = RandomVector(rng);
        const Vector3D expected(RefTransformRow(m.m_d[0], p), RefTransformRow(m.m_d[1], p),
                                RefTransformRow(m.m_d[2], p));
        transform.check(SameBits(m.Transform(p), expected), i);
        star.check(SameBits(m * p, expected), i);
    }
    EXPECT_EQ(transform.count, 0) << "first at sample " << transform.first;
    EXPECT_EQ(star.count, 0) << "first at sample " << star.first;
}

TEST(Matrix4x4BitExact, ProductMatchesTheReference)
{
    std::mt19937_64 rng(0x5eed0104);
    Mismatches product, inPlace;
    Matrix4x4 a, b;
    for (int i = 0; i < kSamples; ++i) {
        RandomFill(a, rng);
        RandomFill(b, rng);
        double expected[4][4];
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                expected[r][c] = RefProductElement(a, b, r, c);
        product.check(SameBits(a * b, expected), i);
        a *= b;
        inPlace.check(SameBits(a, expected), i);
    }
    EXPECT_EQ(product.count, 0) << "first at sample " << product.first;
    EXPECT_EQ(inPlace.count, 0) << "first at sample " << inPlace.first;
}

// The transform of many points, through whichever code this run uses: every point gets
// the bits of its own Transform, in place or into another array, for counts that fill the
// four-point steps and counts that leave points over, and nothing past the last point is
// written.
TEST(Matrix4x4BitExact, TransformOfManyPointsGivesEachTheBitsOfItsOwn)
{
    std::mt19937_64 rng(0x5eed0105);
    const std::uint64_t kUntouched = 0x7ff4'dead'beef'0001; // a NaN no operation makes
    double sentinel;
    std::memcpy(&sentinel, &kUntouched, sizeof sentinel);
    Mismatches outOfPlace, inPlace, outOfPlace4, inPlace4, beyond;
    int sample = 0;
    for (std::size_t count : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 16, 17, 2912}) {
        for (int round = 0; round < 8; ++round, ++sample) {
            // Ordinary numbers in half the rounds, numbers of every kind in the others.
            const bool special = round % 2 == 1;
            const auto number = [&] { return special ? AnyDouble(rng) : RandomDouble(rng); };
            Matrix4x4 m;
            for (auto& row : m.m_d)
                for (double& e : row)
                    e = number();
            std::vector<Vector3D> from(count + 2), to(count + 2), same(count + 2);
            std::vector<Vector4D> from4(count + 1), to4(count + 1), same4(count + 1);
            for (std::size_t i = 0; i < count; ++i) {
                from[i] = same[i] = Vector3D(number(), number(), number());
                from4[i] = same4[i] = Vector4D(number(), number(), number(), number());
            }
            for (std::size_t i = count; i < count + 2; ++i)
                from[i] = to[i] = same[i] = Vector3D(sentinel, sentinel, sentinel);
            to4[count] = same4[count] = Vector4D(sentinel, sentinel, sentinel, sentinel);

            m.Transform(from.data(), to.data(), count);
            m.Transform(same.data(), same.data(), count);
            m.Transform(from4.data(), to4.data(), count);
            m.Transform(same4.data(), same4.data(), count);
            bool a = true, b = true, a4 = true, b4 = true;
            for (std::size_t i = 0; i < count; ++i) {
                a = a && SameResult(to[i], m.Transform(from[i]));
                b = b && SameResult(same[i], m.Transform(from[i]));
                a4 = a4 && SameResult(to4[i], m.Transform(from4[i]));
                b4 = b4 && SameResult(same4[i], m.Transform(from4[i]));
            }
            outOfPlace.check(a, sample);
            inPlace.check(b, sample);
            outOfPlace4.check(a4, sample);
            inPlace4.check(b4, sample);
            const Vector3D untouched(sentinel, sentinel, sentinel);
            beyond.check(
                SameBits(to[count], untouched) && SameBits(to[count + 1], untouched)
                    && SameBits(same[count], untouched)
                    && SameBits(to4[count], Vector4D(sentinel, sentinel, sentinel, sentinel)),
                sample);
        }
    }
    EXPECT_EQ(outOfPlace.count, 0) << "first at sample " << outOfPlace.first;
    EXPECT_EQ(inPlace.count, 0) << "first at sample " << inPlace.first;
    EXPECT_EQ(outOfPlace4.count, 0) << "first at sample " << outOfPlace4.first;
    EXPECT_EQ(inPlace4.count, 0) << "first at sample " << inPlace4.first;
    EXPECT_EQ(beyond.count, 0) << "something past the last point was written, first at sample "
                               << beyond.first;
}
