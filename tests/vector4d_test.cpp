// vector4d_test.cpp: Vector4D behaviour, its conversions, the Matrix4x4 members that take
// it, and bit-for-bit agreement with a plain evaluation in the documented order.
#include "vector4d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <type_traits>

#include "matrix4x4.h"
#include "vecmath_test_util.h"

namespace {

using namespace vecmath_test;

double RefSquared(const Vector4D& a)
{
    return ((Mul(a.m_x, a.m_x) + Mul(a.m_y, a.m_y)) + Mul(a.m_z, a.m_z)) + Mul(a.m_w, a.m_w);
}

double RefTransformRow(const double (&row)[4], const Vector4D& p)
{
    return ((Mul(row[0], p.m_x) + Mul(row[1], p.m_y)) + Mul(row[2], p.m_z)) + Mul(row[3], p.m_w);
}

// cartesianize applied to a copy.
Vector4D Cartesianized4(Vector4D v)
{
    v.cartesianize();
    return v;
}

} // namespace

TEST(Vector4DConversion, AddsAUnitWeightAndDropsItWithoutDividing)
{
    EXPECT_TRUE(SameBits(Vector4D(Vector3D(1, 2, 3)), Vector4D(1, 2, 3, 1)));
    EXPECT_TRUE(SameBits(Vector3D(Vector4D(2, 4, 6, 2)), Vector3D(2, 4, 6)));
    EXPECT_TRUE(SameBits(Vector3D(Vector4D(-0.0, kNaN, kInf, 0)), Vector3D(-0.0, kNaN, kInf)));

    const Vector4D source(-0.0, kNaN, 4e-320, -kInf);
    const Vector4D copied(source); // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_TRUE(SameBits(copied, source));
    Vector4D assigned(9, 9, 9, 9);
    static_assert(std::is_same_v<decltype(assigned = source), Vector4D&>);
    EXPECT_EQ(&(assigned = source), &assigned);
    EXPECT_TRUE(SameBits(assigned, source));
}

TEST(Vector4DArithmetic, TakesAllFourComponentsWeightIncluded)
{
    Vector4D a(1, 2, 3, 1), b(0.5, -1, 4, 2);
    EXPECT_TRUE(SameBits(a + b, Vector4D(1.5, 1, 7, 3)));
    EXPECT_TRUE(SameBits(a - b, Vector4D(0.5, 3, -1, -1)));
    EXPECT_TRUE(SameBits(+a, a));
    EXPECT_TRUE(SameBits(-a, Vector4D(-1, -2, -3, -1)));
    EXPECT_TRUE(SameBits(-Vector4D(0, 0, 0, 0), Vector4D(-0.0, -0.0, -0.0, -0.0)));
    static_assert(std::is_same_v<decltype(a += b), Vector4D&>);
    static_assert(std::is_same_v<decltype(a -= b), Vector4D&>);
    a += b;
    EXPECT_TRUE(SameBits(a, Vector4D(1.5, 1, 7, 3)));
    a -= b;
    EXPECT_TRUE(SameBits(a, Vector4D(1, 2, 3, 1)));
    // Scaling and division take the weight too; the scalar may stand on either side.
    EXPECT_TRUE(SameBits(a * 2, Vector4D(2, 4, 6, 2)));
    EXPECT_TRUE(SameBits(-0.5 * a, Vector4D(-0.5, -1, -1.5, -0.5)));
    EXPECT_TRUE(SameBits(a / 4, Vector4D(0.25, 0.5, 0.75, 0.25)));
    static_assert(std::is_same_v<decltype(a *= 2), Vector4D&>);
    static_assert(std::is_same_v<decltype(a /= 2), Vector4D&>);
    (a *= 4) /= 8;
    EXPECT_TRUE(SameBits(a, Vector4D(0.5, 1, 1.5, 0.5)));
}

TEST(Vector4DAccess, AccessorsAndIndicesReferToTheComponents)
{
    Vector4D v(1, 2, 3, 4);
    EXPECT_EQ(&v.X(), &v.m_x);
    EXPECT_EQ(&v.W(), &v.m_w);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(&v[i], &v.m_x + i) << "index " << i;
    v[3] = 9;
    v.Z() = 7;
    EXPECT_TRUE(SameBits(v, Vector4D(1, 2, 7, 9)));
    const Vector4D& c = v;
    static_assert(std::is_same_v<decltype(c[0]), const double&>);
    static_assert(std::is_same_v<decltype(c.W()), const double&>);
    EXPECT_EQ(&c.Y(), &v.m_y);
    EXPECT_EQ(&c.W(), &v.m_w);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(&c[i], &v.m_x + i) << "index " << i;
}

TEST(Vector4DComparison, EveryComponentStrictlyWithinEpsilonWeightIncluded)
{
    const Vector4D a(1, 2, 3, 1);
    EXPECT_TRUE(a.cmp(a, 1e-12));
    EXPECT_FALSE(a.cmp(a, 0.0));
    EXPECT_FALSE(a.cmp(Vector4D(1, 2, 3, kNaN), 1.0));
    EXPECT_TRUE(a == Vector4D(1, 2, 3, 1 + 5e-11));
    EXPECT_FALSE(a == Vector4D(1, 2, 3, 1 + 1e-9)); // the weight counts
    EXPECT_FALSE(a == Vector4D(1 + 1e-9, 2, 3, 1));
    EXPECT_TRUE(a != Vector4D(1, 2, 3, 2));
    EXPECT_TRUE(Vector4D(0, 0, 0, 0) == -Vector4D(0, 0, 0, 0));
    for (const Vector4D& b : {a, Vector4D(1, 2, 3, 1 + 1e-9), Vector4D(1, 2, kNaN, 1)})
        EXPECT_NE(a == b, a != b);
    // A Vector3D and a Vector4D compare by x, y and z, whatever the weight, either way round.
    const Vector3D p(1, 2, 3);
    EXPECT_TRUE(p == Vector4D(1, 2, 3, 5) && Vector4D(1, 2, 3, 5) == p);
    EXPECT_TRUE(p != Vector4D(1, 2, 4, 1) && Vector4D(1, 2, 4, 1) != p);
}

TEST(Vector4DValue, PrintsAsATupleInTheStreamsFormat)
{
    std::ostringstream out;
    out << Vector4D(1, -2.5, -0.0, kNaN);
    EXPECT_EQ(out.str(), "(1, -2.5, -0, nan)");
}

TEST(Vector4DHomogeneous, DivideByTheWeightOnlyWhenItIsAtLeastTheTolerance)
{
    struct Case {
        Vector4D in, out;
    };
    const Case cases[] = {
        {{2, 4, 6, 2}, {1, 2, 3, 1}},
        {{2, 4, 6, -2}, {-1, -2, -3, 1}},
        {{2, 4, 6, 0}, {0, 0, 0, 0}},
        {{2, 4, 6, -0.0}, {0, 0, 0, -0.0}},
        {{2, 4, 6, 1e-11}, {0, 0, 0, 1e-11}},
        {{2, 4, 6, -9.99e-11}, {0, 0, 0, -9.99e-11}},
        // Exactly the tolerance is divided by: each component times 1/w.
        {{2, 4, 6, 1e-10}, {2 * (1 / 1e-10), 4 * (1 / 1e-10), 6 * (1 / 1e-10), 1}},
        {{3, 0, -0.0, 3}, {3 * (1.0 / 3), 0, -0.0, 1}},
        {{1, 2, 3, kNaN}, {kNaN, kNaN, kNaN, 1}},
        {{1, 2, 3, kInf}, {0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        Vector4D cartesianized = c.in, rationalized = c.in, unchanged = c.in;
        cartesianized.cartesianize();
        rationalized.rationalize();
        EXPECT_TRUE(SameBits(cartesianized, c.out)) << "cartesianize of w=" << c.in.m_w;
        EXPECT_TRUE(SameBits(rationalized, c.out)) << "rationalize of w=" << c.in.m_w;
        EXPECT_TRUE(SameBits(unchanged.cartesianized(), Vector3D(c.out)))
            << "cartesianized of w=" << c.in.m_w;
        EXPECT_TRUE(SameBits(unchanged, c.in)) << "cartesianized changed its object";
    }

    Vector4D v(1, 2, 3, 2);
    v.homogenize();
    EXPECT_TRUE(SameBits(v, Vector4D(2, 4, 6, 2)));
    v.set(1, 2, 3, 0);
    v.homogenize();
    EXPECT_TRUE(SameBits(v, Vector4D(0, 0, 0, 0)));
}

TEST(Vector4DNormalize, ScalesAllFourOrZeroesBelowTheTolerance)
{
    Vector4D v(1, 1, 1, 1);
    EXPECT_EQ(v.squared(), 4);
    EXPECT_EQ(v.length(), 2);
    v.normalize();
    EXPECT_TRUE(SameBits(v, Vector4D(0.5, 0.5, 0.5, 0.5)));
    v.set(0, 0, 0, 0);
    v.normalize();
    EXPECT_TRUE(SameBits(v, Vector4D(0, 0, 0, 0)));
    v.set(0, 0, 0, -9.99e-11);
    v.normalize();
    EXPECT_TRUE(SameBits(v, Vector4D(0, 0, 0, 0)));
    // A length of exactly 1e-10 is scaled, where Vector3D::Normalize would give zero.
    v.set(0, 1e-10, 0, 0);
    ASSERT_EQ(v.length(), 1e-10);
    v.normalize();
    EXPECT_TRUE(SameBits(v, Vector4D(0, 1e-10 * (1 / 1e-10), 0, 0)));
    Vector3D v3(0, 1e-10, 0);
    v3.Normalize();
    EXPECT_TRUE(SameBits(v3, Vector3D(0, 0, 0)));
    // A NaN length is not below the tolerance: it spreads to every component.
    v.set(1, kNaN, 0, 0);
    v.normalize();
    EXPECT_TRUE(std::isnan(v.m_x) && std::isnan(v.m_y) && std::isnan(v.m_z) && std::isnan(v.m_w));
}

TEST(Matrix4x4WithVector4D, TransformUsesTheWeightAndDividesByNothing)
{
    Matrix4x4 m;
    m.loadTranslate(1, 2, 3);
    EXPECT_TRUE(SameBits(m.Transform(Vector4D(1, 1, 1, 1)), Vector4D(2, 3, 4, 1)));
    EXPECT_TRUE(SameBits(m * Vector4D(1, 1, 1, 0), Vector4D(1, 1, 1, 0)));
    EXPECT_TRUE(SameBits(m.Translate(Vector4D(1, 1, 1, 0)), Vector4D(2, 3, 4, 0)));
    m.loadScale(2, 2, 2);
    EXPECT_TRUE(SameBits(m.Transform(Vector4D(1, 1, 1, 1)), Vector4D(2, 2, 2, 1)));
    // The bottom row takes part, so a projective matrix yields a weight to divide by.
    m.m_d[3][2] = -1;
    m.m_d[3][3] = 0;
    Vector4D p = m * Vector4D(1, 2, 4, 1);
    EXPECT_TRUE(SameBits(p, Vector4D(2, 4, 8, -4)));
    EXPECT_TRUE(SameBits(p.cartesianized(), Vector3D(-0.5, -1, -2)));
    // Translate ignores the linear part and the bottom row.
    EXPECT_TRUE(SameBits(m.Translate(Vector4D(1, 2, 4, 7)), Vector4D(1, 2, 4, 7)));
}

TEST(Vector4DBitExact, MatchesTheReferenceOnRandomInputs)
{
    std::mt19937_64 rng(0x5eed0401);
    Mismatches squared, length, normalize, normalized, cartesianize, cartesianized, transform, star,
        scaled, divided;
    Matrix4x4 m;
    for (int i = 0; i < kSamples; ++i) {
        Vector4D a = RandomVector4(rng);
        const double sq = RefSquared(a);
        squared.check(Bits(a.squared()) == Bits(sq), i);
        length.check(Bits(a.length()) == Bits(std::sqrt(sq)), i);

        const double l = std::sqrt(sq), c = 1 / l;
        Vector4D n = a;
        n.normalize();
        normalize.check(SameBits(n, l < 1e-10
                                        ? Vector4D(0, 0, 0, 0)
                                        : Vector4D(a.m_x * c, a.m_y * c, a.m_z * c, a.m_w * c)),
                        i);
        normalized.check(SameBits(a.normalized(), n), i);
        const double s = RandomDouble(rng);
        scaled.check(SameBits(s * a, Vector4D(a.m_x * s, a.m_y * s, a.m_z * s, a.m_w * s)), i);
        divided.check(SameBits(a / s, Vector4D(a.m_x / s, a.m_y / s, a.m_z / s, a.m_w / s)), i);

        const double k = 1 / a.m_w;
        const bool tiny = std::fabs(a.m_w) < 1e-10;
        cartesianize.check(
            SameBits(Cartesianized4(a), tiny ? Vector4D(0, 0, 0, a.m_w)
                                             : Vector4D(a.m_x * k, a.m_y * k, a.m_z * k, 1)),
            i);
        cartesianized.check(
            SameBits(a.cartesianized(),
                     tiny ? Vector3D(0, 0, 0) : Vector3D(a.m_x * k, a.m_y * k, a.m_z * k)),
            i);

        RandomFill(m, rng);
        const Vector4D expected(RefTransformRow(m.m_d[0], a), RefTransformRow(m.m_d[1], a),
                                RefTransformRow(m.m_d[2], a), RefTransformRow(m.m_d[3], a));
        transform.check(SameBits(m.Transform(a), expected), i);
        star.check(SameBits(m * a, expected), i);
    }
    for (const Mismatches* mm : {&squared, &length, &normalize, &normalized, &cartesianize,
                                 &cartesianized, &transform, &star, &scaled, &divided})
        EXPECT_EQ(mm->count, 0) << "first at sample " << mm->first;
}
