// vecmath_contract_test.cpp: an index out of range stops the program with the library's
// assertion message. Linked to vecmath_checked; the assertions live in the headers, so
// this file must itself be compiled with assertions on.
#ifdef NDEBUG
#error "vecmath_contract_test.cpp must be compiled without NDEBUG"
#endif

#include "matrix4x4.h"
#include "vector3d.h"
#include "vector4d.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Escapes the POSIX extended-regex metacharacters so that text matches literally.
std::string Literally(const std::string& text)
{
    static const std::string metacharacters = ".[]{}()\\*+?|^$";
    std::string out;
    for (char c : text) {
        if (metacharacters.find(c) != std::string::npos)
            out += '\\';
        out += c;
    }
    return out;
}

#if defined(__GLIBC__)
// glibc's assert prints "<program>: <file>:<line>: <function>: Assertion `<condition>' failed."
std::string AssertionFailure(const std::string& function, const std::string& condition)
{
    return Literally(function) + ": Assertion `" + Literally(condition) + "' failed";
}
#else
// Other C libraries' assert prints the condition, the file and the line in words of its
// own ("Assertion failed: <condition>, file <file>, line <line>" on Windows), but no
// function text: VECMATH_ASSERT can hand that to glibc's assert only.
std::string AssertionFailure(const std::string& /*function*/, const std::string& condition)
{
    return Literally(condition);
}
#endif

const std::string kVectorIndex =
    AssertionFailure("double& Vector3D::operator[](int)", "i >= 0 && i < 3");
const std::string kConstVectorIndex =
    AssertionFailure("const double& Vector3D::operator[](int) const", "i >= 0 && i < 3");
const std::string kVector4Index =
    AssertionFailure("double& Vector4D::operator[](int)", "i >= 0 && i < 4");
const std::string kConstVector4Index =
    AssertionFailure("const double& Vector4D::operator[](int) const", "i >= 0 && i < 4");
const std::string kMatrixRow =
    AssertionFailure("double* Matrix4x4::operator[](int)", "index>=0 && index<4");
const std::string kConstMatrixRow =
    AssertionFailure("const double* Matrix4x4::operator[](int) const", "index>=0 && index<4");

} // namespace

TEST(Vector3DIndexDeathTest, AcceptsZeroToTwo)
{
    Vector3D v(1.0, 2.0, 3.0);
    EXPECT_EQ(v[0] + v[1] + v[2], 6.0);
}

TEST(Vector3DIndexDeathTest, AbortsOnIndexThree)
{
    EXPECT_DEATH(
        {
            Vector3D v(1.0, 2.0, 3.0);
            v[3] = 0.0;
        },
        kVectorIndex);
}

TEST(Vector3DIndexDeathTest, AbortsOnANegativeIndex)
{
    EXPECT_DEATH(
        {
            Vector3D v(1.0, 2.0, 3.0);
            v[-1] = 0.0;
        },
        kVectorIndex);
}

TEST(Vector3DIndexDeathTest, AbortsOnOutOfRangeIndicesOfAConstVector)
{
    const Vector3D v(1.0, 2.0, 3.0);
    EXPECT_EQ(v[0] + v[1] + v[2], 6.0);
    for (int i : {3, -1})
        EXPECT_DEATH(
            {
                volatile double e = v[i];
                (void)e;
            },
            kConstVectorIndex)
            << "index " << i;
}

TEST(Vector4DIndexDeathTest, AcceptsZeroToThreeAndAbortsOutside)
{
    Vector4D v(1.0, 2.0, 3.0, 4.0);
    const Vector4D& cv = v;
    EXPECT_EQ(v[0] + v[1] + v[2] + v[3], 10.0);
    EXPECT_EQ(cv[0] + cv[1] + cv[2] + cv[3], 10.0);
    for (int i : {4, -1}) {
        EXPECT_DEATH(v[i] = 0.0, kVector4Index) << "index " << i;
        EXPECT_DEATH(
            {
                volatile double e = cv[i];
                (void)e;
            },
            kConstVector4Index)
            << "index " << i;
    }
}

TEST(Matrix4x4RowDeathTest, AcceptsZeroToThree)
{
    Matrix4x4 m;
    m.identity();
    const Matrix4x4& cm = m;
    EXPECT_EQ(m[0][0] + m[1][1] + m[2][2] + m[3][3], 4.0);
    EXPECT_EQ(cm[0][0] + cm[1][1] + cm[2][2] + cm[3][3], 4.0);
}

TEST(Matrix4x4RowDeathTest, AbortsOnRowFour)
{
    EXPECT_DEATH(
        {
            Matrix4x4 m;
            m[4][0] = 0.0;
        },
        kMatrixRow);
}

TEST(Matrix4x4RowDeathTest, AbortsOnANegativeRow)
{
    EXPECT_DEATH(
        {
            Matrix4x4 m;
            m[-1][0] = 0.0;
        },
        kMatrixRow);
}

TEST(Matrix4x4RowDeathTest, AbortsOnOutOfRangeRowsOfAConstMatrix)
{
    Matrix4x4 m;
    m.identity();
    const Matrix4x4& cm = m;
    EXPECT_DEATH(
        {
            volatile double e = cm[4][0];
            (void)e;
        },
        kConstMatrixRow);
    EXPECT_DEATH(
        {
            volatile double e = cm[-1][0];
            (void)e;
        },
        kConstMatrixRow);
}
