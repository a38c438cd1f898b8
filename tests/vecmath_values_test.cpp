// vecmath_values_test.cpp: the values in everyday code: read back from text, kept in
// sets and maps, passed to generic code's free functions, handed to OpenGL, and used in
// constant expressions.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unordered_set>

#include "exact_compare.h"
#include "matrix4x4.h"
#include "vecmath_test_util.h"

namespace {

using namespace vecmath_test;
using vecmath::ExactEqual;
using vecmath::ExactHash;
using vecmath::ExactLess;
using vecmath_test::SameResult;

// The same bits, or NaN in both, in every element.
::testing::AssertionResult SameResult(const Matrix4x4& a, const Matrix4x4& b)
{
    for (int r = 0; r < 4; ++r) {
        ::testing::AssertionResult row =
            SameResult(Vector4D(a.m_d[r][0], a.m_d[r][1], a.m_d[r][2], a.m_d[r][3]),
                       Vector4D(b.m_d[r][0], b.m_d[r][1], b.m_d[r][2], b.m_d[r][3]));
        if (!row)
            return row << " in row " << r;
    }
    return ::testing::AssertionSuccess();
}

// Writes v with every digit that a double needs, reads it back into a value that held
// other bits before, and says whether every bit came back.
template <class T>
::testing::AssertionResult RoundTrips(const T& v, T back)
{
    std::stringstream text;
    text.precision(std::numeric_limits<double>::max_digits10);
    text << v;
    text >> back;
    if (text.fail())
        return ::testing::AssertionFailure() << "could not read back \"" << text.str() << '"';
    return SameResult(back, v) << " from \"" << text.str() << '"';
}

// Any double at all: every exponent, subnormals, infinities and NaNs, half the time.
double AnyBitsOrKind(std::mt19937_64& rng)
{
    if (rng() % 2 == 0)
        return AnyDouble(rng);
    const std::uint64_t bits = rng();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// A user's own distance, as code written before the library had one would have it.
namespace user {
double distance(const Vector3D& a, const Vector3D& b)
{
    return (a - b).NormSqr(); // squared on purpose: tells which one was called
}
} // namespace user

} // namespace

TEST(VecmathText, WhatOperatorOutWritesOperatorInReadsBackBitForBit)
{
    std::mt19937_64 rng(0x7e47);
    for (int i = 0; i < kSamples / 5; ++i) { // 46,000 numbers through text
        const double x = AnyBitsOrKind(rng), y = AnyBitsOrKind(rng), z = AnyBitsOrKind(rng);
        const double w = AnyBitsOrKind(rng);
        const Vector3D v3(x, y, z);
        const Vector4D v4(w, z, y, x);
        Matrix4x4 m;
        for (auto& row : m.m_d)
            for (double& e : row)
                e = AnyBitsOrKind(rng);
        ASSERT_TRUE(RoundTrips(v3, Vector3D(1, 2, 3)));
        ASSERT_TRUE(RoundTrips(v4, Vector4D(1, 2, 3, 4)));
        ASSERT_TRUE(RoundTrips(m, Garbage()));
    }
    // Several values in a row, in the stream's default six digits too.
    std::istringstream in("(1, -0, 2.5e-300)\n  (inf,-INF , nan,1e308)(0.1, 0.2, 0.3)");
    Vector3D a, c;
    Vector4D b;
    ASSERT_TRUE(in >> a >> b >> c);
    EXPECT_TRUE(SameBits(a, Vector3D(1, -0.0, 2.5e-300)));
    EXPECT_EQ(b.m_y, -kInf);
    EXPECT_TRUE(std::isnan(b.m_z));
    EXPECT_TRUE(SameBits(c, Vector3D(0.1, 0.2, 0.3)));
}

TEST(VecmathText, MalformedTextSetsFailbitAndLeavesTheValueAlone)
{
    const char* const bad[] = {
        "",
        "1, 2, 3",
        "(1, 2)",
        "(1, 2, 3, 4)",
        "(1 2 3)",
        "(1, 2, 3",
        "(1, , 3)",
        "(1, 2x, 3)",
        "(0x, 1, 2)",
        "[1, 2, 3]",
        "(1e999, 0, 0)",
        "(infinite, 0, 0)",
        "(--1, 0, 0)",
        "(1;2;3)",
        "(100000000000000000000000000000000000000000000000000000000000000000001, 0, 0)",
    };
    for (const char* text : bad) {
        std::istringstream in(text);
        Vector3D v(7, 8, 9);
        in >> v;
        EXPECT_TRUE(in.fail()) << '"' << text << '"';
        EXPECT_TRUE(SameBits(v, Vector3D(7, 8, 9))) << '"' << text << '"';
    }
    // A matrix with three good rows and a bad fourth is not half read.
    std::istringstream in("(1, 0, 0, 0)\n(0, 1, 0, 0)\n(0, 0, 1, 0)\n(0, 0, 1)");
    Matrix4x4 m = Garbage();
    in >> m;
    EXPECT_TRUE(in.fail());
    EXPECT_TRUE(std::isnan(m.m_d[0][0]) && std::isnan(m.m_d[3][3]));
}

TEST(VecmathExactCompare, KeysSetsAndMapsByTheExactValue)
{
    std::unordered_set<Vector3D, ExactHash, ExactEqual> seen;
    seen.insert(Vector3D(1, 2, 3));
    seen.insert(Vector3D(1, 2, 3));
    seen.insert(Vector3D(1, 2, 3 + 1e-12)); // == with the tolerance, yet another key
    seen.insert(Vector3D(0.0, 0, 0));
    seen.insert(Vector3D(-0.0, 0, 0)); // the same key as +0
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(ExactHash{}(Vector4D(-0.0, 1, -0.0, 2)), ExactHash{}(Vector4D(0.0, 1, 0.0, 2)));
    EXPECT_NE(ExactHash{}(Vector3D(1, 2, 3)), ExactHash{}(Vector3D(3, 2, 1)));

    std::map<Matrix4x4, int, ExactLess> count;
    count[Matrix4x4::Identity()]++;
    count[Matrix4x4::Translation(0, 0, 0)]++;
    count[Matrix4x4::Scaling(2, 1, 1)]++;
    EXPECT_EQ(count.size(), 2u);
    EXPECT_EQ(count[Matrix4x4::Identity()], 2);

    // A strict weak order: irreflexive, and exactly one of a < b, b < a, a ~ b.
    std::mt19937_64 rng(0x04de5);
    std::uniform_int_distribution<int> small(-1, 1);
    std::set<Vector4D, ExactLess> sorted;
    for (int i = 0; i < 1000; ++i) {
        const Vector4D a(small(rng), small(rng), small(rng), small(rng));
        const Vector4D b(small(rng), small(rng), small(rng), small(rng));
        EXPECT_FALSE(ExactLess{}(a, a));
        const int relations =
            int(ExactLess{}(a, b)) + int(ExactLess{}(b, a)) + int(ExactEqual{}(a, b));
        EXPECT_EQ(relations, 1);
        sorted.insert(a);
    }
    EXPECT_EQ(sorted.size(), 81u); // every vector of -1, 0 and 1
}

TEST(VecmathFreeFunctions, GiveTheMembersBitsAndLeaveTheCallersOwnAlone)
{
    std::mt19937_64 rng(0xf4ee);
    for (int i = 0; i < kSamples; ++i) {
        const Vector3D a = RandomVector(rng), b = RandomVector(rng);
        const Vector4D p = RandomVector4(rng), q = RandomVector4(rng);
        const double t = RandomDouble(rng);
        EXPECT_EQ(Bits(dot(a, b)), Bits(a * b));
        EXPECT_TRUE(SameResult(cross(a, b), a.Cross(b)));
        EXPECT_TRUE(SameResult(normalize(a), a.Normalized()));
        EXPECT_EQ(Bits(length(a)), Bits(a.Norm()));
        EXPECT_EQ(Bits(distance(a, b)), Bits((a - b).Norm()));
        const Vector3D mix = lerp(a, b, t);
        EXPECT_EQ(Bits(mix.m_y), Bits(Mul(1.0 - t, a.m_y) + Mul(t, b.m_y)));
        EXPECT_EQ(Bits(dot(p, q)),
                  Bits(((Mul(p.m_x, q.m_x) + Mul(p.m_y, q.m_y)) + Mul(p.m_z, q.m_z))
                       + Mul(p.m_w, q.m_w)));
        EXPECT_TRUE(SameResult(normalize(p), p.normalized()));
        EXPECT_EQ(Bits(length(p)), Bits(p.length()));
        EXPECT_EQ(Bits(distance(p, q)), Bits((p - q).length()));
        // The ends exactly (IEEE ==: a zero may come back with the other sign).
        EXPECT_TRUE(ExactEqual{}(lerp(p, q, 0.0), p) && ExactEqual{}(lerp(p, q, 1.0), q));
        EXPECT_TRUE(ExactEqual{}(lerp(a, b, 0.0), a) && ExactEqual{}(lerp(a, b, 1.0), b));
    }
    // Code that brought its own distance() for Vector3D still calls its own, unambiguously.
    using user::distance;
    EXPECT_EQ(distance(Vector3D(0, 0, 0), Vector3D(3, 4, 0)), 25.0);
    EXPECT_EQ(vecmath::distance(Vector3D(0, 0, 0), Vector3D(3, 4, 0)), 5.0);
}

TEST(VecmathInterop, HandsOpenGlItsColumnsAndLoopsOverComponents)
{
    // clang-format off
    const Matrix4x4 m = FromRows({
        { 0,  1,  2,  3},
        { 4,  5,  6,  7},
        { 8,  9, 10, 11},
        {12, 13, 14, 15},
    });
    // clang-format on
    const auto columns = m.columnMajor();
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(m.data()[i], i);                  // row by row, for glLoadTransposeMatrixd
        EXPECT_EQ(columns[i], 4 * (i % 4) + i / 4); // column by column, for glLoadMatrixd
    }
    Vector4D v(1, 2, 3, 4);
    double sum = 0;
    for (int i = 0; i < Vector4D::size; ++i)
        sum += v.data()[i];
    EXPECT_EQ(sum, 10);
    static_assert(Vector3D::size == 3 && Vector4D::size == 4);
}

// ---- In constant expressions: everything that needs no sqrt or trigonometry --------------
// These are checked when this file compiles; a member that stops being constexpr fails the
// build.
namespace {
constexpr Matrix4x4 m = Matrix4x4::Translation(1, 2, 3);
constexpr Matrix4x4 same = m;
static_assert(m == same && !(m != same) && m.cmp(same, 0.5));
static_assert((m * 2.0).m_d[0][3] == 2.0 && (2.0 * m - m) == m && (m / 1.0 + -m).det() == 0.0);
static_assert(m.transposed().m_d[3][2] == 3.0 && m.columnMajor()[14] == 3.0);
static_assert(m.inverse() == Matrix4x4::Translation(-1, -2, -3) && (m * m).det() == 1.0);
static_assert([] {
    Matrix4x4 a = Matrix4x4::Scaling(2, -4, 8);
    a.adjoint();
    a.abs();
    return a.m_d[0][0] == 32 && a.m_d[1][1] == 16 && a.m_d[2][2] == 8 && a.m_d[3][3] == 64
        && a.m_d[0][1] == 0;
}());
static_assert(Vector3D(1, 2, 3) == Vector3D(1, 2, 3)
              && Vector3D(1, 2, 3).cmp(Vector3D(1, 2, 4), 2));
static_assert(Vector4D(2, 4, 6, 2).cartesianized() == Vector3D(1, 2, 3));
static_assert(dot(Vector3D(1, 2, 3), Vector3D(4, 5, 6)) == 32
              && cross(Vector3D::AxisX, Vector3D::AxisY) == Vector3D::AxisZ);
static_assert(lerp(Vector4D(0, 0, 0, 0), Vector4D(2, 4, 6, 8), 0.5) == Vector4D(1, 2, 3, 4));
static_assert(ExactLess{}(Vector3D(1, 2, 3), Vector3D(1, 2, 4)) && ExactEqual{}(m, m));
} // namespace
