// matrix4x4_algebra_test.cpp: the element-wise algebra, transpose, determinant, adjoint,
// inverse and comparison of Matrix4x4, its rotations about an arbitrary axis, and their
// bit-for-bit agreement with a plain evaluation in the documented order.
#include "matrix4x4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <utility>

#include "vecmath_test_util.h"

namespace {

using namespace vecmath_test;

// clang-format off
constexpr double kSample[4][4] = {
    { 1.5, -2,    0.25, 4},
    {-0.0,  6,   -7,    8},
    { 9,   -1e-3, 11,  -12},
    { 0.5,  14,  -15,   16},
};
// clang-format on

// The determinant of the 3x3 matrix with the given rows, expanded along column 0.
double RefDet3(const double (&r)[3][3])
{
    const double m0 = Mul(r[1][1], r[2][2]) - Mul(r[1][2], r[2][1]);
    const double m1 = Mul(r[0][1], r[2][2]) - Mul(r[0][2], r[2][1]);
    const double m2 = Mul(r[0][1], r[1][2]) - Mul(r[0][2], r[1][1]);
    return (Mul(r[0][0], m0) - Mul(r[1][0], m1)) + Mul(r[2][0], m2);
}

// The 3x3 matrix left when row `row` and column `col` are deleted, rows in order.
double RefMinor(const Matrix4x4& m, int row, int col)
{
    double r[3][3];
    for (int i = 0, ri = 0; i < 4; ++i) {
        if (i == row)
            continue;
        for (int j = 0, rj = 0; j < 4; ++j)
            if (j != col)
                r[ri][rj++] = m.m_d[i][j];
        ++ri;
    }
    return RefDet3(r);
}

double RefDet(const Matrix4x4& m)
{
    double sum = Mul(m.m_d[0][0], RefMinor(m, 0, 0));
    for (int k = 1; k < 4; ++k) {
        const double term = Mul(m.m_d[k][0], RefMinor(m, k, 0));
        sum = (k % 2) ? sum - term : sum + term;
    }
    return sum;
}

void RefAdjoint(const Matrix4x4& m, double (&out)[4][4])
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const double minor = RefMinor(m, j, i);
            out[i][j] = ((i + j) % 2) ? -minor : minor;
        }
}

// Element values equal; unlike SameBits, -0.0 equals 0.0.
::testing::AssertionResult SameValues(const Matrix4x4& m, const double (&rows)[4][4])
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!(m.m_d[r][c] == rows[r][c]))
                return ::testing::AssertionFailure() << "element (" << r << ", " << c << ") is "
                                                     << m.m_d[r][c] << ", expected " << rows[r][c];
    return ::testing::AssertionSuccess();
}

Matrix4x4 Loaded(const Vector3D& axis, double phi)
{
    Matrix4x4 m = Garbage();
    m.loadRotateAboutAxisThroughOrigin(axis, phi);
    return m;
}

Matrix4x4 LoadedAbout(const Vector3D& point, const Vector3D& axis, double phi)
{
    Matrix4x4 m = Garbage();
    m.loadRotate(point, axis, phi);
    return m;
}

} // namespace

// ---- Element-wise algebra -------------------------------------------------------------

TEST(Matrix4x4Algebra, ElementWiseOperatorsAndTheirInPlaceForms)
{
    Matrix4x4 a = FromRows(kSample), b;
    b.loadRotateZ(kPi);
    double sum[4][4], diff[4][4], scaled[4][4], divided[4][4], negated[4][4], absolute[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            sum[i][j] = kSample[i][j] + b.m_d[i][j];
            diff[i][j] = kSample[i][j] - b.m_d[i][j];
            scaled[i][j] = kSample[i][j] * -0.5;
            divided[i][j] = kSample[i][j] / 3.0;
            negated[i][j] = -kSample[i][j];
            absolute[i][j] = std::fabs(kSample[i][j]);
        }
    EXPECT_TRUE(SameBits(a + b, sum));
    EXPECT_TRUE(SameBits(a - b, diff));
    EXPECT_TRUE(SameBits(a * -0.5, scaled));
    EXPECT_TRUE(SameBits(-0.5 * a, scaled));
    EXPECT_TRUE(SameBits(a / 3.0, divided));
    EXPECT_TRUE(SameBits(-a, negated));
    EXPECT_TRUE(SameBits(+a, kSample));
    EXPECT_TRUE(SameBits(a, kSample)) << "an operator returning a new matrix changed this one";

    Matrix4x4 c = a;
    c += b;
    EXPECT_TRUE(SameBits(c, sum));
    c = a;
    c -= b;
    EXPECT_TRUE(SameBits(c, diff));
    c = a;
    c *= -0.5;
    EXPECT_TRUE(SameBits(c, scaled));
    c = a;
    c /= 3.0;
    EXPECT_TRUE(SameBits(c, divided));
    c = a;
    c.neg();
    EXPECT_TRUE(SameBits(c, negated));
    c.neg();
    EXPECT_TRUE(SameBits(c, kSample));
    c.abs();
    EXPECT_TRUE(SameBits(c, absolute));

    Matrix4x4 twice = a * 2.0, doubled = a + a, zero;
    EXPECT_TRUE(SameBits(twice, doubled.m_d));
    zero.zero();
    EXPECT_TRUE(a - a == zero);
    // Signed zeros and a NaN with its sign bit set lose the sign too, as with fabs.
    b.m_d[0][3] = -0.0;
    b.m_d[1][3] = -std::numeric_limits<double>::quiet_NaN();
    b.abs();
    EXPECT_TRUE(std::isnan(b.m_d[1][3]));
    for (const auto& row : b.m_d)
        for (double e : row)
            EXPECT_FALSE(std::signbit(e)) << "abs left a negative element";
}

TEST(Matrix4x4Algebra, TransposeSwapsAcrossTheDiagonalOnce)
{
    Matrix4x4 m;
    m.loadTranslate(1, 2, 3);
    m.transpose();
    // clang-format off
    const double moved[4][4] = {
        {1, 0, 0, 0},
        {0, 1, 0, 0},
        {0, 0, 1, 0},
        {1, 2, 3, 1},
    };
    // clang-format on
    EXPECT_TRUE(SameBits(m, moved));
    m = FromRows(kSample);
    m.transpose();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(Bits(m.m_d[i][j]), Bits(kSample[j][i]));
    m.transpose();
    EXPECT_TRUE(SameBits(m, kSample));
    // The value-returning twin gives the same bits and leaves its source alone.
    const Matrix4x4 source = FromRows(kSample);
    Matrix4x4 inPlace = source;
    inPlace.transpose();
    EXPECT_TRUE(SameBits(source.transposed(), inPlace.m_d));
    EXPECT_TRUE(SameBits(source, kSample));
}

TEST(Matrix4x4Algebra, PrintsRowByRowInTheStreamsFormat)
{
    Matrix4x4 m;
    m.loadTranslate(1.5, -2, 1e300);
    m.m_d[3][0] = -0.0;
    std::ostringstream out;
    out << m;
    EXPECT_EQ(out.str(), "(1, 0, 0, 1.5)\n(0, 1, 0, -2)\n(0, 0, 1, 1e+300)\n(-0, 0, 0, 1)");
}

// ---- Determinant, adjoint and inverse -------------------------------------------------

TEST(Matrix4x4Determinant, KnownValues)
{
    Matrix4x4 m;
    m.identity();
    EXPECT_EQ(m.det(), 1);
    m.loadScale(2, 3, 4);
    EXPECT_EQ(m.det(), 24);
    m.loadScale(-1, 1, 1);
    EXPECT_EQ(m.det(), -1);
    for (double phi : {0.3, 1.0, 2.5, -4.0}) {
        m.loadRotateX(phi);
        EXPECT_NEAR(m.det(), 1, 4e-16);
        m.loadRotateY(phi);
        EXPECT_NEAR(m.det(), 1, 4e-16);
        m.loadRotateZ(phi);
        EXPECT_NEAR(m.det(), 1, 4e-16);
    }
    // clang-format off
    const double equalRows[4][4] = {
        {1, 2, 3, 4},
        {5, 6, 7, 8},
        {1, 2, 3, 4},
        {2, 7, 1, 8},
    };
    // clang-format on
    m = FromRows(equalRows);
    EXPECT_EQ(Bits(m.det()), Bits(0.0));
}

TEST(Matrix4x4Adjoint, TimesTheMatrixIsTheDeterminantTimesIdentity)
{
    Matrix4x4 m;
    m.loadScale(2, 3, 4);
    m.adjoint();
    // clang-format off
    const double diagonal[4][4] = {
        {12, 0, 0,  0},
        {0,  8, 0,  0},
        {0,  0, 6,  0},
        {0,  0, 0, 24},
    };
    // clang-format on
    EXPECT_TRUE(SameValues(m, diagonal));

    // Small integers keep every step exact, so the identity holds exactly.
    std::mt19937_64 rng(0x5eed0501);
    for (int sample = 0; sample < 200; ++sample) {
        Matrix4x4 a, adj;
        for (auto& row : a.m_d)
            for (double& e : row)
                e = static_cast<double>(static_cast<int>(rng() % 19) - 9);
        adj = a;
        adj.adjoint();
        Matrix4x4 product = a * adj, expected;
        expected.identity();
        expected *= a.det();
        ASSERT_TRUE(SameValues(product, expected.m_d)) << "sample " << sample;
    }
}

TEST(Matrix4x4Inverse, InvertsAffineTransforms)
{
    Matrix4x4 m, expected;
    m.loadTranslate(1, 2, 3);
    ASSERT_TRUE(m.inv());
    expected.loadTranslate(-1, -2, -3);
    EXPECT_TRUE(m == expected);
    m.loadScale(2, 4, 8);
    ASSERT_TRUE(m.inv());
    expected.loadScale(0.5, 0.25, 0.125);
    EXPECT_TRUE(SameValues(m, expected.m_d));
    m.loadScale(-1, 1, 1);
    ASSERT_TRUE(m.inv());
    expected.loadScale(-1, 1, 1);
    EXPECT_TRUE(SameValues(m, expected.m_d));

    Matrix4x4 composite, step, inverse, identity;
    composite.loadRotateX(0.7);
    step.loadTranslate(3, -4, 5);
    composite *= step;
    step.loadRotateAboutAxisThroughOrigin(Vector3D(1, 2, 3), -1.1);
    composite *= step;
    step.loadTranslate(-0.5, 10, 2);
    composite *= step;
    inverse = composite;
    ASSERT_TRUE(inverse.inv());
    identity.identity();
    Matrix4x4 product = composite * inverse;
    EXPECT_TRUE(product == identity);
    product = inverse * composite;
    EXPECT_TRUE(product == identity);
}

TEST(Matrix4x4Inverse, RefusesSingularAndNonFiniteMatricesAndLeavesThemUnchanged)
{
    const double tiny = 0.99e-10;
    // clang-format off
    const double overflowingCofactor[4][4] = {
        {1, 0,     0,     0},
        {0, 1e200, 0,     0},
        {0, 0,     1e200, 0},
        {0, 0,     0,     1e-300},
    };
    // clang-format on
    Matrix4x4 cases[6];
    cases[0].zero();
    cases[1].loadScale(1, 1, 0);
    cases[2].loadScale(tiny, 1, 1);
    cases[3].loadScale(1, kNaN, 1);
    cases[4].loadScale(1, kInf, 1);
    cases[5] = FromRows(overflowingCofactor);
    for (Matrix4x4& m : cases) {
        const Matrix4x4 before = m;
        // The value-returning inverse reports the refusal and hands back the matrix.
        bool invertible = true;
        EXPECT_TRUE(SameBits(before.inverse(&invertible), before.m_d));
        EXPECT_FALSE(invertible);
        EXPECT_FALSE(m.inv()) << "det " << m.det();
        EXPECT_TRUE(SameBits(m, before.m_d));
    }
    // A finite determinant whose size is exactly the tolerance is inverted, of either sign.
    for (double d : {1e-10, -1e-10}) {
        Matrix4x4 m;
        m.loadScale(d, 1, 1);
        ASSERT_EQ(m.det(), d);
        EXPECT_TRUE(m.inv());
        EXPECT_EQ(m.m_d[0][0], 1 * (1 / d));
    }
}

// ---- Comparison -----------------------------------------------------------------------

TEST(Matrix4x4Comparison, EveryElementStrictlyWithinTheTolerance)
{
    Matrix4x4 a = FromRows(kSample), b = a;
    EXPECT_TRUE(a.cmp(a));
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);
    b.m_d[3][1] += 1e-9;
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
    b = a;
    for (auto& row : b.m_d)
        for (double& e : row)
            e += 5e-11;
    EXPECT_TRUE(a == b);
    // A difference of exactly the tolerance is not within it.
    Matrix4x4 zero, edge;
    zero.zero();
    edge.zero();
    edge.m_d[2][3] = 1e-10;
    EXPECT_FALSE(zero == edge);
    EXPECT_TRUE(zero != edge);
    edge.m_d[2][3] = -0.0;
    EXPECT_TRUE(zero == edge);
    // NaN is never within the tolerance, not even of itself.
    b = a;
    b.m_d[0][0] = kNaN;
    EXPECT_FALSE(b == b);
    EXPECT_TRUE(b != b);
    EXPECT_FALSE(a == b);
}

// ---- Rotation about an arbitrary axis -------------------------------------------------

TEST(Matrix4x4RotateAboutAxis, ThroughTheOrigin)
{
    Matrix4x4 m = Loaded(Vector3D(0, 0, 1), kPi / 2);
    const Vector3D turned = m * Vector3D(1, 0, 0);
    ExpectNear(turned, 0, 1, 0, 1e-16);
    EXPECT_NE(turned.m_x, 0.0);
    for (double phi : {0.4, -2.0, 3.0}) {
        Matrix4x4 z;
        z.loadRotateZ(phi);
        Matrix4x4 r = Loaded(Vector3D(0, 0, 1), phi);
        EXPECT_TRUE(r == z);
    }
    // Length does not matter, and the opposite axis gives the opposite rotation.
    const Vector3D axis(0.3, -1.2, 2.0), opposite(-0.3, 1.2, -2.0);
    EXPECT_TRUE(SameBits(Loaded(Vector3D(0, 0, 5), 0.8), Loaded(Vector3D(0, 0, 1), 0.8).m_d));
    Matrix4x4 longer = Loaded(axis * 7, 0.8), unit = Loaded(axis, 0.8);
    EXPECT_TRUE(longer == unit);
    EXPECT_TRUE(SameBits(Loaded(opposite, 0.8), Loaded(axis, -0.8).m_d));

    // phi = 0: the identity, though some off-diagonal zeros may be negative.
    Matrix4x4 still = Loaded(axis, 0), identity;
    identity.identity();
    EXPECT_TRUE(SameValues(still, identity.m_d));
    // A zero axis scales uniformly by cos(phi).
    Matrix4x4 scale;
    const double c = RotationCos(0.8);
    scale.loadScale(c, c, c);
    EXPECT_TRUE(SameBits(Loaded(Vector3D(0, 0, 0), 0.8), scale.m_d));
}

TEST(Matrix4x4RotateAboutAxis, ThroughAPoint)
{
    Matrix4x4 m = LoadedAbout(Vector3D(1, 0, 0), Vector3D(0, 0, 1), kPi / 2);
    ExpectNear(m * Vector3D(2, 0, 0), 1, 1, 0, 1e-15);
    ExpectNear(m * Vector3D(1, 0, 0), 1, 0, 0, 1e-15);
    const Vector3D point(1, -2, 3), axis(0.3, -1.2, 2.0), opposite(-0.3, 1.2, -2.0);
    Matrix4x4 longer = LoadedAbout(point, axis * 7, 0.8), unit = LoadedAbout(point, axis, 0.8);
    EXPECT_TRUE(longer == unit);
    EXPECT_TRUE(SameBits(LoadedAbout(point, opposite, 0.8), LoadedAbout(point, axis, -0.8).m_d));

    // phi = 0 leaves the squared length of the normalised axis on the diagonal.
    Matrix4x4 still = LoadedAbout(point, Vector3D(1, 1, 0), 0);
    EXPECT_EQ(still.m_d[0][0], 0.9999999999999998);
    EXPECT_EQ(still.m_d[1][1], 0.9999999999999998);
    EXPECT_EQ(still.m_d[2][2], 0.9999999999999998);
    // A zero axis, or one too short to normalise, defines no rotation: the identity, not
    // the closed form's matrix that would send every point to the origin.
    // clang-format off
    const double none[4][4] = {
        {1, 0, 0, 0},
        {0, 1, 0, 0},
        {0, 0, 1, 0},
        {0, 0, 0, 1},
    };
    // clang-format on
    EXPECT_TRUE(SameBits(LoadedAbout(point, Vector3D(0, 0, 0), 0.8), none));
    EXPECT_TRUE(SameBits(LoadedAbout(point, Vector3D(0, 1e-11, 0), 0.8), none));
}

TEST(Matrix4x4RotateAboutAxis, Vector4DFormsIgnoreTheWeight)
{
    const Vector3D point(1, -2, 3), axis(0.3, -1.2, 2.0);
    for (double w : {1.0, 0.0, -3.5, kNaN}) {
        const Vector4D point4(point.m_x, point.m_y, point.m_z, w);
        const Vector4D axis4(axis.m_x, axis.m_y, axis.m_z, w);
        Matrix4x4 m3 = Loaded(axis, 0.8), m4 = Garbage();
        m4.loadRotateAboutAxisThroughOrigin(axis4, 0.8);
        EXPECT_TRUE(SameBits(m4, m3.m_d)) << "w=" << w;
        m3 = LoadedAbout(point, axis, 0.8);
        m4 = Garbage();
        m4.loadRotate(point4, axis4, 0.8);
        EXPECT_TRUE(SameBits(m4, m3.m_d)) << "w=" << w;
    }
}

// ---- Bit-exact agreement with the documented evaluation order -------------------------

TEST(Matrix4x4AlgebraBitExact, DeterminantAdjointAndInverseMatchTheReference)
{
    std::mt19937_64 rng(0x5eed0502);
    Mismatches det, adjoint, inverse, inverseTwin;
    Matrix4x4 m;
    for (int i = 0; i < kSamples; ++i) {
        RandomFill(m, rng);
        const double d = RefDet(m);
        det.check(Bits(m.det()) == Bits(d), i);

        double adj[4][4], inv[4][4];
        RefAdjoint(m, adj);
        Matrix4x4 a = m;
        a.adjoint();
        adjoint.check(SameBits(a, adj), i);

        const double k = 1 / d;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                inv[r][c] = Mul(adj[r][c], k);
        a = m;
        const bool inverted = a.inv();
        inverse.check(inverted == (std::fabs(d) >= 1e-10) && SameBits(a, inverted ? inv : m.m_d),
                      i);
        bool invertible = !inverted;
        const Matrix4x4 twin = std::as_const(m).inverse(&invertible);
        inverseTwin.check(invertible == inverted && SameBits(twin, a.m_d), i);
    }
    EXPECT_EQ(inverseTwin.count, 0) << "first at sample " << inverseTwin.first;
    EXPECT_EQ(det.count, 0) << "first at sample " << det.first;
    EXPECT_EQ(adjoint.count, 0) << "first at sample " << adjoint.first;
    EXPECT_EQ(inverse.count, 0) << "first at sample " << inverse.first;
}

TEST(Matrix4x4AlgebraBitExact, RotationsAboutAnAxisMatchTheReference)
{
    std::mt19937_64 rng(0x5eed0503);
    std::uniform_real_distribution<double> angle(-7.0, 7.0);
    Mismatches throughOrigin, throughPoint;
    for (int i = 0; i < kSamples; ++i) {
        const Vector3D point = RandomVector(rng), axis = RandomVector(rng);
        const double phi = angle(rng);
        const double cs = RotationCos(phi), sn = RotationSin(phi), t = 1 - cs;
        Vector3D n = axis;
        n.Normalize();
        const double x = n.m_x, y = n.m_y, z = n.m_z;
        // clang-format off
        const double origin[4][4] = {
            {Mul(Mul(x, x), t) + cs,          Mul(Mul(x, y), t) - Mul(z, sn), Mul(Mul(x, z), t) + Mul(y, sn), 0},
            {Mul(Mul(x, y), t) + Mul(z, sn), Mul(Mul(y, y), t) + cs,          Mul(Mul(y, z), t) - Mul(x, sn), 0},
            {Mul(Mul(x, z), t) - Mul(y, sn), Mul(Mul(y, z), t) + Mul(x, sn), Mul(Mul(z, z), t) + cs,          0},
            {0, 0, 0, 1},
        };
        // clang-format on
        throughOrigin.check(SameBits(Loaded(axis, phi), origin), i);

        const double a = point.m_x, b = point.m_y, c = point.m_z;
        const double uu = Mul(x, x), vv = Mul(y, y), ww = Mul(z, z);
        // clang-format off
        const double about[4][4] = {
            {uu + Mul(vv + ww, cs), Mul(Mul(x, y), t) - Mul(z, sn), Mul(Mul(x, z), t) + Mul(y, sn),
             Mul(Mul(a, vv + ww) - Mul(x, Mul(b, y) + Mul(c, z)), t) + Mul(Mul(b, z) - Mul(c, y), sn)},
            {Mul(Mul(x, y), t) + Mul(z, sn), vv + Mul(uu + ww, cs), Mul(Mul(y, z), t) - Mul(x, sn),
             Mul(Mul(b, uu + ww) - Mul(y, Mul(a, x) + Mul(c, z)), t) + Mul(Mul(c, x) - Mul(a, z), sn)},
            {Mul(Mul(x, z), t) - Mul(y, sn), Mul(Mul(y, z), t) + Mul(x, sn), ww + Mul(uu + vv, cs),
             Mul(Mul(c, uu + vv) - Mul(z, Mul(a, x) + Mul(b, y)), t) + Mul(Mul(a, y) - Mul(b, x), sn)},
            {0, 0, 0, 1},
        };
        // clang-format on
        // An axis too short to normalise loads the identity instead.
        const bool noAxis = x == 0 && y == 0 && z == 0;
        const double identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
        throughPoint.check(SameBits(LoadedAbout(point, axis, phi), noAxis ? identity : about), i);
    }
    EXPECT_EQ(throughOrigin.count, 0) << "first at sample " << throughOrigin.first;
    EXPECT_EQ(throughPoint.count, 0) << "first at sample " << throughPoint.first;
}
