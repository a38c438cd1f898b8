// vector3d_test.cpp: Vector3D behaviour, and bit-for-bit agreement of its arithmetic with
// a plain evaluation in the documented order on many random inputs.
#include "vector3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>
#include <type_traits>

#include "matrix4x4.h"
#include "vecmath_test_util.h"

namespace {

using namespace vecmath_test;

void ExpectComponents(const Vector3D& v, double x, double y, double z)
{
    EXPECT_EQ(v.m_x, x);
    EXPECT_EQ(v.m_y, y);
    EXPECT_EQ(v.m_z, z);
}

double RefDot(const Vector3D& a, const Vector3D& b)
{
    return (Mul(a.m_x, b.m_x) + Mul(a.m_y, b.m_y)) + Mul(a.m_z, b.m_z);
}

Vector3D RefCross(const Vector3D& a, const Vector3D& b)
{
    return Vector3D(Mul(a.m_y, b.m_z) - Mul(a.m_z, b.m_y), Mul(a.m_z, b.m_x) - Mul(a.m_x, b.m_z),
                    Mul(a.m_x, b.m_y) - Mul(a.m_y, b.m_x));
}

Vector3D RefNormalized(const Vector3D& v)
{
    const double n = std::sqrt(RefDot(v, v));
    if (n <= 1e-10)
        return Vector3D(0.0, 0.0, 0.0);
    return Vector3D(v.m_x / n, v.m_y / n, v.m_z / n);
}

Vector3D RefNormal(const Vector3D& a, const Vector3D& b, const Vector3D& c)
{
    const Vector3D p(c.m_x - b.m_x, c.m_y - b.m_y, c.m_z - b.m_z);
    const Vector3D q(a.m_x - b.m_x, a.m_y - b.m_y, a.m_z - b.m_z);
    return RefNormalized(RefCross(p, q));
}

} // namespace

// ---- Construction and access ----------------------------------------------------------

TEST(Vector3DConstruction, KeepsComponentsInArgumentOrder)
{
    Vector3D v(1.0, -2.0, 3.5);
    const Vector3D copy(v);
    v.Set(4.0, 5.0, 6.0);
    ExpectComponents(v, 4.0, 5.0, 6.0);
    ExpectComponents(copy, 1.0, -2.0, 3.5);
    v.Set(-1.0, -2.0, -3.0);
    v.zero();
    EXPECT_TRUE(SameBits(v, Vector3D(0.0, 0.0, 0.0)));
}

TEST(Vector3DAccess, AccessorsAndIndicesReferToTheComponents)
{
    Vector3D v(1.0, 2.0, 3.0);
    EXPECT_EQ(&v.X(), &v.m_x);
    EXPECT_EQ(&v.Y(), &v.m_y);
    EXPECT_EQ(&v.Z(), &v.m_z);
    EXPECT_EQ(&v[0], &v.m_x);
    EXPECT_EQ(&v[1], &v.m_y);
    EXPECT_EQ(&v[2], &v.m_z);
    v.Y() = 7.0;
    v[2] = 9.0;
    ExpectComponents(v, 1.0, 7.0, 9.0);
    // The read-only forms refer to the same components of a const vector.
    const Vector3D& c = v;
    static_assert(std::is_same_v<decltype(c[0]), const double&>);
    static_assert(std::is_same_v<decltype(c.X()), const double&>);
    EXPECT_EQ(&c.X(), &v.m_x);
    EXPECT_EQ(&c.Y(), &v.m_y);
    EXPECT_EQ(&c.Z(), &v.m_z);
    EXPECT_EQ(&c[0], &v.m_x);
    EXPECT_EQ(&c[1], &v.m_y);
    EXPECT_EQ(&c[2], &v.m_z);
}

// The three types are plain values: copied as bytes, never throwing, and built at compile
// time where their arguments are constants.
TEST(Vector3DValue, BehavesLikeABuiltInValue)
{
    static_assert(std::is_trivially_copyable_v<Vector3D>);
    static_assert(std::is_trivially_default_constructible_v<Vector3D>);
    static_assert(std::is_standard_layout_v<Vector3D> && sizeof(Vector3D) == 3 * sizeof(double));
    static_assert(std::is_nothrow_copy_constructible_v<Vector3D>);
    static_assert(std::is_nothrow_move_assignable_v<Vector3D>);
    static_assert(std::is_trivially_copyable_v<Vector4D>);
    static_assert(std::is_trivially_default_constructible_v<Vector4D>);
    static_assert(std::is_trivially_copyable_v<Matrix4x4>);
    static_assert(std::is_trivially_default_constructible_v<Matrix4x4>);
    static_assert(std::is_nothrow_copy_assignable_v<Matrix4x4>);
    static_assert(noexcept(Vector3D() + Vector3D())&& noexcept(Vector3D().Normalized()));
    static_assert(noexcept(Matrix4x4().inverse())&& noexcept(Matrix4x4().det()));
    // Constant axes and arithmetic: the compiler evaluates these.
    constexpr Vector3D up = Vector3D::AxisY;
    static_assert(up.m_x == 0.0 && up.m_y == 1.0 && up.m_z == 0.0);
    static_assert(Vector3D::AxisX.Cross(Vector3D::AxisY).m_z == 1.0);
    static_assert((2.0 * Vector3D::AxisZ + Vector3D::AxisX).dot(Vector3D(1, 1, 1)) == 3.0);
    // Value-initialised, every component is a zero.
    EXPECT_TRUE(SameBits(Vector3D{}, Vector3D(0.0, 0.0, 0.0)));
    EXPECT_TRUE(SameBits(Vector4D{}, Vector4D(0.0, 0.0, 0.0, 0.0)));
    double zeros[4][4] = {};
    EXPECT_TRUE(SameBits(Matrix4x4{}, zeros));
    // Through the namespace, the same classes as the global names.
    static_assert(std::is_same_v<vecmath::Vector3D, Vector3D>);
    static_assert(std::is_same_v<vecmath::Matrix4x4, Matrix4x4>);
}

TEST(Vector3DValue, PrintsAsATupleInTheStreamsFormat)
{
    std::ostringstream out;
    out << Vector3D(1.0, -2.5, -0.0);
    EXPECT_EQ(out.str(), "(1, -2.5, -0)");
    out.str("");
    out << std::fixed << std::setprecision(2) << Vector3D(1.0 / 3.0, 2.0, kInf);
    EXPECT_EQ(out.str(), "(0.33, 2.00, inf)");
}

TEST(Vector3DAxes, FormARightHandedUnitBasis)
{
    ExpectComponents(Vector3D::AxisX, 1.0, 0.0, 0.0);
    ExpectComponents(Vector3D::AxisY, 0.0, 1.0, 0.0);
    ExpectComponents(Vector3D::AxisZ, 0.0, 0.0, 1.0);
    Vector3D v;
    v.cross(Vector3D::AxisX, Vector3D::AxisY);
    ExpectComponents(v, 0.0, 0.0, 1.0);
    v.cross(Vector3D::AxisY, Vector3D::AxisX);
    ExpectComponents(v, 0.0, 0.0, -1.0);
}

// ---- Measures -------------------------------------------------------------------------

TEST(Vector3DMeasures, GiveExactValuesForSmallIntegers)
{
    const Vector3D v(3.0, 4.0, 12.0);
    EXPECT_EQ(v.NormSqr(), 169.0);
    EXPECT_EQ(v.Norm(), 13.0);
    const Vector3D a(1.0, 2.0, 3.0), b(4.0, -5.0, 6.0);
    EXPECT_EQ(a * b, 12.0);
    EXPECT_EQ(a.dot(b), 12.0);
}

TEST(Vector3DMeasures, SumLeftToRight)
{
    // y*y and h are each under half an ulp of 1.0: added to 1.0 one at a time both are
    // lost, added to each other first they carry 1.0 up to the next double.
    const double y = std::ldexp(1.3, -27);
    const double h = std::ldexp(1.0, -53);
    const double oneUp = 1.0 + std::ldexp(1.0, -52);
    EXPECT_EQ(Vector3D(1.0, y, y).NormSqr(), 1.0);
    EXPECT_EQ(Vector3D(y, y, 1.0).NormSqr(), oneUp);
    const Vector3D ones(1.0, 1.0, 1.0);
    EXPECT_EQ(Vector3D(1.0, h, h) * ones, 1.0);
    EXPECT_EQ(Vector3D(h, h, 1.0) * ones, oneUp);
}

// ---- Arithmetic -----------------------------------------------------------------------

TEST(Vector3DArithmetic, OperatorsWorkComponentWise)
{
    const Vector3D a(1.0, 2.0, 3.0), b(0.5, -4.0, 8.0);
    ExpectComponents(a + b, 1.5, -2.0, 11.0);
    ExpectComponents(a - b, 0.5, 6.0, -5.0);
    ExpectComponents(a * 2.5, 2.5, 5.0, 7.5);
    ExpectComponents(+a, 1.0, 2.0, 3.0);
    ExpectComponents(-b, -0.5, 4.0, -8.0);
    ExpectComponents(2.5 * a, 2.5, 5.0, 7.5);
    ExpectComponents(b / 2.0, 0.25, -2.0, 4.0);
    ExpectComponents(a.Cross(b), 28.0, -6.5, -5.0);
}

TEST(Vector3DArithmetic, InPlaceFormsChangeTheObjectAndReturnIt)
{
    const Vector3D a(1.0, 2.0, 3.0), b(0.5, -4.0, 8.0);
    Vector3D v = a;
    static_assert(std::is_same_v<decltype(v += b), Vector3D&>);
    static_assert(std::is_same_v<decltype(v -= b), Vector3D&>);
    static_assert(std::is_same_v<decltype(v *= 2.0), Vector3D&>);
    static_assert(std::is_same_v<decltype(v /= 2.0), Vector3D&>);
    EXPECT_EQ(&(v += Vector3D(0, 0, 0)), &v);
    v += b;
    ExpectComponents(v, 1.5, -2.0, 11.0);
    v -= a;
    ExpectComponents(v, 0.5, -4.0, 8.0);
    v *= -2.0;
    ExpectComponents(v, -1.0, 8.0, -16.0);
    v /= -4.0;
    ExpectComponents(v, 0.25, -2.0, 4.0);
    v *= -4.0;
    // Chained: each assignment yields the object it changed.
    Vector3D w(9.0, 9.0, 9.0);
    (w = a) += b;
    ExpectComponents(w, 1.5, -2.0, 11.0);
    (w -= b) *= 2.0;
    ExpectComponents(w, 2.0, 4.0, 6.0);
    v.scalar(0.25);
    ExpectComponents(v, -0.25, 2.0, -4.0);
    v.add(a, b);
    ExpectComponents(v, 1.5, -2.0, 11.0);
    v.sub(a, b);
    ExpectComponents(v, 0.5, 6.0, -5.0);
}

TEST(Vector3DArithmetic, NegatedZeroHasNegativeZerosYetEqualsZero)
{
    const Vector3D zero(0.0, 0.0, 0.0);
    const Vector3D n = -zero;
    EXPECT_TRUE(std::signbit(n.m_x));
    EXPECT_TRUE(std::signbit(n.m_y));
    EXPECT_TRUE(std::signbit(n.m_z));
    EXPECT_TRUE(n == zero);
    EXPECT_FALSE(n != zero);
}

// ---- Cross product, normal, Normalize -------------------------------------------------

TEST(Vector3DCross, IsUnaffectedWhenTheResultIsAlsoAnOperand)
{
    // Storing each component as soon as it is computed would give y = 30 and y = -15.
    Vector3D v(1.0, 2.0, 3.0);
    v.cross(v, Vector3D(4.0, 5.0, 6.0));
    ExpectComponents(v, -3.0, 6.0, -3.0);
    Vector3D w(4.0, 5.0, 6.0);
    w.cross(Vector3D(1.0, 2.0, 3.0), w);
    ExpectComponents(w, -3.0, 6.0, -3.0);

    std::mt19937_64 rng(0x5eed0001);
    for (int i = 0; i < kSamples; ++i) {
        const Vector3D a = RandomVector(rng), b = RandomVector(rng);
        Vector3D expected;
        expected.cross(a, b);
        Vector3D left = a;
        left.cross(left, b);
        ASSERT_TRUE(SameBits(left, expected)) << "sample " << i;
        Vector3D right = b;
        right.cross(a, right);
        ASSERT_TRUE(SameBits(right, expected)) << "sample " << i;
        // x*y - y*x is exactly +0.0 for finite x and y.
        Vector3D both = a;
        both.cross(both, both);
        ASSERT_TRUE(SameBits(both, Vector3D(0.0, 0.0, 0.0))) << "sample " << i;
    }
}

TEST(Vector3DNormal, PointsTowardsTheViewerOfACounterClockwiseTriangle)
{
    const Vector3D o(0.0, 0.0, 0.0), x(1.0, 0.0, 0.0), y(0.0, 1.0, 0.0), z(0.0, 0.0, 1.0);
    Vector3D n;
    n.normal(o, x, y);
    ExpectComponents(n, 0.0, 0.0, 1.0);
    n.normal(y, x, o);
    ExpectComponents(n, 0.0, 0.0, -1.0);
    n.normal(x, y, z);
    const double third = 1.0 / std::sqrt(3.0);
    ExpectComponents(n, third, third, third);
}

TEST(Vector3DNormal, IsZeroForDegenerateTriangles)
{
    Vector3D n(5.0, 5.0, 5.0);
    n.normal(Vector3D(0.0, 0.0, 0.0), Vector3D(1.0, 1.0, 1.0), Vector3D(2.0, 2.0, 2.0));
    ExpectComponents(n, 0.0, 0.0, 0.0);
    const Vector3D p(1.0, 2.0, 3.0);
    n.Set(5.0, 5.0, 5.0);
    n.normal(p, p, p);
    ExpectComponents(n, 0.0, 0.0, 0.0);
}

TEST(Vector3DNormalize, ScalesToUnitLengthOrZero)
{
    Vector3D v(3.0, 0.0, 4.0);
    v.Normalize();
    ExpectComponents(v, 0.6, 0.0, 0.8);
    v.zero();
    v.Normalize();
    ExpectComponents(v, 0.0, 0.0, 0.0);
    Vector3D tiny(1e-10, 0.0, 0.0);
    ASSERT_EQ(tiny.Norm(), 1e-10);
    tiny.Normalize();
    ExpectComponents(tiny, 0.0, 0.0, 0.0);
    Vector3D above(std::nextafter(1e-10, 1.0), 0.0, 0.0);
    above.Normalize();
    ExpectComponents(above, 1.0, 0.0, 0.0);
}

TEST(Vector3DNormalize, SpreadsANaNToEveryComponent)
{
    Vector3D v(kNaN, 1.0, 2.0);
    v.Normalize();
    EXPECT_TRUE(std::isnan(v.m_x));
    EXPECT_TRUE(std::isnan(v.m_y));
    EXPECT_TRUE(std::isnan(v.m_z));
}

// ---- Comparison -----------------------------------------------------------------------

TEST(Vector3DComparison, CmpNeedsEveryComponentStrictlyWithinEpsilon)
{
    const Vector3D a(1.0, 2.0, 3.0);
    for (int i = 0; i < 3; ++i) {
        Vector3D b = a;
        b[i] -= 1.0;
        EXPECT_FALSE(a.cmp(b, 0.5)) << "component " << i;
        EXPECT_FALSE(a.cmp(b, 1.0)) << "component " << i;
        EXPECT_TRUE(a.cmp(b, 1.5)) << "component " << i;
    }
    EXPECT_FALSE(a.cmp(a, 0.0));
    EXPECT_FALSE(a.cmp(a, -1.0));
    const Vector3D withNaN(1.0, kNaN, 3.0);
    EXPECT_FALSE(withNaN.cmp(withNaN, 1e300));
}

TEST(Vector3DComparison, EqualityUsesAToleranceOfOneTenBillionth)
{
    const Vector3D a(1.0, -2.0, 0.0);
    for (int i = 0; i < 3; ++i) {
        Vector3D close = a, apart = a;
        close[i] += 5e-11;
        apart[i] += 1e-9;
        EXPECT_TRUE(a == close) << "component " << i;
        EXPECT_FALSE(a != close) << "component " << i;
        EXPECT_FALSE(a == apart) << "component " << i;
        EXPECT_TRUE(a != apart) << "component " << i;
    }
    const Vector3D zero(0.0, 0.0, 0.0), atTolerance(0.0, 0.0, 1e-10);
    EXPECT_FALSE(zero == atTolerance);
    EXPECT_TRUE(zero != atTolerance);
}

// ---- Bit-exact agreement with the documented evaluation order -------------------------

TEST(Vector3DBitExact, MeasuresMatchTheReference)
{
    std::mt19937_64 rng(0x5eed0002);
    Mismatches normSqr, norm, dotOperator, dot;
    for (int i = 0; i < kSamples; ++i) {
        const Vector3D a = RandomVector(rng), b = RandomVector(rng);
        normSqr.check(Bits(a.NormSqr()) == Bits(RefDot(a, a)), i);
        norm.check(Bits(a.Norm()) == Bits(std::sqrt(RefDot(a, a))), i);
        dotOperator.check(Bits(a * b) == Bits(RefDot(a, b)), i);
        dot.check(Bits(a.dot(b)) == Bits(RefDot(a, b)), i);
    }
    EXPECT_EQ(normSqr.count, 0) << "first at sample " << normSqr.first;
    EXPECT_EQ(norm.count, 0) << "first at sample " << norm.first;
    EXPECT_EQ(dotOperator.count, 0) << "first at sample " << dotOperator.first;
    EXPECT_EQ(dot.count, 0) << "first at sample " << dot.first;
}

TEST(Vector3DBitExact, CrossNormalAndNormalizeMatchTheReference)
{
    std::mt19937_64 rng(0x5eed0003);
    Mismatches cross, normal, normalize, crossTwin, normalizedTwin;
    for (int i = 0; i < kSamples; ++i) {
        const Vector3D a = RandomVector(rng), b = RandomVector(rng), c = RandomVector(rng);
        Vector3D v;
        v.cross(a, b);
        cross.check(SameBits(v, RefCross(a, b)), i);
        crossTwin.check(SameBits(a.Cross(b), RefCross(a, b)), i);
        v.normal(a, b, c);
        normal.check(SameBits(v, RefNormal(a, b, c)), i);
        v = a;
        v.Normalize();
        normalize.check(SameBits(v, RefNormalized(a)), i);
        normalizedTwin.check(SameBits(a.Normalized(), RefNormalized(a)), i);
    }
    EXPECT_EQ(cross.count, 0) << "first at sample " << cross.first;
    EXPECT_EQ(normal.count, 0) << "first at sample " << normal.first;
    EXPECT_EQ(normalize.count, 0) << "first at sample " << normalize.first;
    EXPECT_EQ(crossTwin.count, 0) << "first at sample " << crossTwin.first;
    EXPECT_EQ(normalizedTwin.count, 0) << "first at sample " << normalizedTwin.first;
}

TEST(Vector3DBitExact, ScalarOnEitherSideAndDivisionMatchTheReference)
{
    std::mt19937_64 rng(0x5eed0004);
    Mismatches left, divided, dividedInPlace;
    for (int i = 0; i < kSamples; ++i) {
        const Vector3D a = RandomVector(rng);
        const double k = i % 100 == 0 ? (i % 200 == 0 ? 0.0 : kNaN) : RandomDouble(rng);
        left.check(SameBits(k * a, a * k), i);
        const Vector3D quotient(a.m_x / k, a.m_y / k, a.m_z / k);
        divided.check(SameBits(a / k, quotient), i);
        Vector3D v = a;
        v /= k;
        dividedInPlace.check(SameBits(v, quotient), i);
    }
    EXPECT_EQ(left.count, 0) << "first at sample " << left.first;
    EXPECT_EQ(divided.count, 0) << "first at sample " << divided.first;
    EXPECT_EQ(dividedInPlace.count, 0) << "first at sample " << dividedInPlace.first;
}

// Keeps the tests above from being vacuous: on these inputs, fusing the multiplies into
// the adds of the same formulas does change the bits.
TEST(Vector3DBitExact, FusedMultiplyAddWouldChangeTheResults)
{
    std::mt19937_64 rng(0x5eed0002);
    int dotDiffers = 0, crossDiffers = 0;
    for (int i = 0; i < kSamples; ++i) {
        const Vector3D a = RandomVector(rng), b = RandomVector(rng);
        const double fusedDot = std::fma(a.m_z, b.m_z, std::fma(a.m_y, b.m_y, a.m_x * b.m_x));
        dotDiffers += Bits(fusedDot) != Bits(RefDot(a, b));
        const double fusedX = std::fma(a.m_y, b.m_z, -(a.m_z * b.m_y));
        crossDiffers += Bits(fusedX) != Bits(RefCross(a, b).m_x);
    }
    EXPECT_GT(dotDiffers, kSamples / 100);
    EXPECT_GT(crossDiffers, kSamples / 100);
}
