// matrix4x4.cpp: the out-of-line members of Matrix4x4, in the header's order.
#include "matrix4x4.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <ostream>

#include "trig.h"
#include "vecmath_simd.h"

namespace vecmath {

// ---- Loaders --------------------------------------------------------------------------

namespace {

// sin(phi) and cos(phi) for the rotation loaders: the C library's, or, when the library is
// built with VECMATH_PORTABLE_TRIG, its own correctly rounded ones (trig.h), which give the
// same bits on every platform.
inline vecmath::SinCos rotationSinCos(double phi)
{
#if VECMATH_PORTABLE_TRIG
    return vecmath::portableSinCos(phi);
#else
    return {std::sin(phi), std::cos(phi)};
#endif
}

} // namespace

void Matrix4x4::loadRotateX(double phi) noexcept
{
    const auto [sinPhi, cosPhi] = rotationSinCos(phi);
    zero();
    m_d[0][0] = 1.0;
    m_d[1][1] = cosPhi;
    m_d[1][2] = -sinPhi;
    m_d[2][1] = sinPhi;
    m_d[2][2] = cosPhi;
    m_d[3][3] = 1.0;
}

void Matrix4x4::loadRotateY(double phi) noexcept
{
    const auto [sinPhi, cosPhi] = rotationSinCos(phi);
    zero();
    m_d[0][0] = cosPhi;
    m_d[0][2] = sinPhi;
    m_d[1][1] = 1.0;
    m_d[2][0] = -sinPhi;
    m_d[2][2] = cosPhi;
    m_d[3][3] = 1.0;
}

void Matrix4x4::loadRotateZ(double phi) noexcept
{
    const auto [sinPhi, cosPhi] = rotationSinCos(phi);
    zero();
    m_d[0][0] = cosPhi;
    m_d[0][1] = -sinPhi;
    m_d[1][0] = sinPhi;
    m_d[1][1] = cosPhi;
    m_d[2][2] = 1.0;
    m_d[3][3] = 1.0;
}

void Matrix4x4::loadRotateAboutAxisThroughOrigin(const Vector3D& V, double phi) noexcept
{
    zero();
    m_d[3][3] = 1.0;
    const auto [sin_phi, cos_phi] = rotationSinCos(phi);
    const double t = 1 - cos_phi;
    Vector3D VN(V);
    VN.Normalize();
    const double x = VN.X(), y = VN.Y(), z = VN.Z();
    // Rodrigues: cos(phi) I + sin(phi) [u]x + (1 - cos(phi)) u u^T. Each product of two
    // components is rounded before it is scaled by t.
    m_d[0][0] = x * x * t + cos_phi;
    m_d[0][1] = x * y * t - z * sin_phi;
    m_d[0][2] = x * z * t + y * sin_phi;
    m_d[1][0] = x * y * t + z * sin_phi;
    m_d[1][1] = y * y * t + cos_phi;
    m_d[1][2] = y * z * t - x * sin_phi;
    m_d[2][0] = x * z * t - y * sin_phi;
    m_d[2][1] = y * z * t + x * sin_phi;
    m_d[2][2] = z * z * t + cos_phi;
}

void Matrix4x4::loadRotateAboutAxisThroughOrigin(const Vector4D& V, double phi) noexcept
{
    loadRotateAboutAxisThroughOrigin(Vector3D(V), phi);
}

void Matrix4x4::loadRotate(const Vector3D& point, const Vector3D& axis, double phi) noexcept
{
    Vector3D axis_norm(axis);
    const double a = point.m_x, b = point.m_y, c = point.m_z;
    axis_norm.Normalize();
    const double u = axis_norm.X(), v = axis_norm.Y(), w = axis_norm.Z();
    const auto [sin_phi, cos_phi] = rotationSinCos(phi);
    const double t = 1 - cos_phi;
    identity();
    // T(point) R T(-point) in closed form. The diagonal is u^2 + (v^2 + w^2) cos(phi)
    // rather than u^2 t + cos(phi), and column 3 is point - R point, written out.
    m_d[0][0] = u * u + (v * v + w * w) * cos_phi;
    m_d[0][1] = u * v * t - w * sin_phi;
    m_d[0][2] = u * w * t + v * sin_phi;
    m_d[0][3] = (a * (v * v + w * w) - u * (b * v + c * w)) * t + (b * w - c * v) * sin_phi;
    m_d[1][0] = u * v * t + w * sin_phi;
    m_d[1][1] = v * v + (u * u + w * w) * cos_phi;
    m_d[1][2] = v * w * t - u * sin_phi;
    m_d[1][3] = (b * (u * u + w * w) - v * (a * u + c * w)) * t + (c * u - a * w) * sin_phi;
    m_d[2][0] = u * w * t - v * sin_phi;
    m_d[2][1] = v * w * t + u * sin_phi;
    m_d[2][2] = w * w + (u * u + v * v) * cos_phi;
    m_d[2][3] = (c * (u * u + v * v) - w * (a * u + b * v)) * t + (a * v - b * u) * sin_phi;
}

void Matrix4x4::loadRotate(const Vector4D& point, const Vector4D& axis, double phi) noexcept
{
    loadRotate(Vector3D(point), Vector3D(axis), phi);
}

// ---- Transforming many points, product: the library's own code --------------------------
// For callers not compiled for AVX2 (see vecmath_simd.h): the AVX2 code where the CPU has it,
// the plain code elsewhere. Callers compiled for AVX2 run the same AVX2 code inline.

// The arrays are handed to the AVX2 code as doubles: a Vector3D is three, a Vector4D four.
static_assert(sizeof(Vector3D) == 3 * sizeof(double) && sizeof(Vector4D) == 4 * sizeof(double),
              "the vectors are arrays of their components");

void detail::libraryTransform(const Matrix4x4& m, const Vector3D* from, Vector3D* to,
                              std::size_t count) noexcept
{
#if VECMATH_HAVE_AVX2_PATH
    if (matrix4x4UseAvx2()) {
        matrix4x4TransformPointsAvx2(m.m_d, &from->m_x, &to->m_x, count);
        return;
    }
#endif
    transformEach(m, from, to, count);
}

void detail::libraryTransform(const Matrix4x4& m, const Vector4D* from, Vector4D* to,
                              std::size_t count) noexcept
{
#if VECMATH_HAVE_AVX2_PATH
    if (matrix4x4UseAvx2()) {
        matrix4x4TransformHomogeneousAvx2(m.m_d, &from->m_x, &to->m_x, count);
        return;
    }
#endif
    transformEach(m, from, to, count);
}

void detail::libraryProduct(const Matrix4x4& L, const Matrix4x4& R, Matrix4x4& out) noexcept
{
#if VECMATH_HAVE_AVX2_PATH
    // The AVX2 code reads R whole, and each row of L, before it writes the row.
    if (matrix4x4UseAvx2()) {
        matrix4x4ProductAvx2(L.m_d, R.m_d, out.m_d);
        return;
    }
#endif
    if (&out != &L && &out != &R) {
        multiply(L.m_d, R.m_d, out.m_d);
        return;
    }
    // Built aside when out is a factor: no element changes while it is still being read.
    double result[4][4];
    multiply(L.m_d, R.m_d, result);
    std::memcpy(out.m_d, result, sizeof result);
}

// ---- Determinant, adjoint, inverse ----------------------------------------------------

namespace {

double det2x2(double a, double b, double c, double d) noexcept
{
    return a * d - b * c;
}

// Rows (a1, a2, a3), (b1, b2, b3), (c1, c2, c3), expanded along column 0.
// clang-format off
double det3x3(double a1, double a2, double a3,
              double b1, double b2, double b3,
              double c1, double c2, double c3) noexcept
// clang-format on
{
    return a1 * det2x2(b2, b3, c2, c3) - b1 * det2x2(a2, a3, c2, c3) + c1 * det2x2(a2, a3, b2, b3);
}

} // namespace

// The elements are named by row letter and column digit: row 0 is a1..a4, row 3 d1..d4.
// Callers compiled for AVX2 run the same sums four at a time (matrix4x4_avx2.h).
double detail::libraryDeterminant(const Matrix4x4& M) noexcept
{
    const double a1 = M.m_d[0][0], a2 = M.m_d[0][1], a3 = M.m_d[0][2], a4 = M.m_d[0][3];
    const double b1 = M.m_d[1][0], b2 = M.m_d[1][1], b3 = M.m_d[1][2], b4 = M.m_d[1][3];
    const double c1 = M.m_d[2][0], c2 = M.m_d[2][1], c3 = M.m_d[2][2], c4 = M.m_d[2][3];
    const double d1 = M.m_d[3][0], d2 = M.m_d[3][1], d3 = M.m_d[3][2], d4 = M.m_d[3][3];

    return a1 * det3x3(b2, b3, b4, c2, c3, c4, d2, d3, d4)
         - b1 * det3x3(a2, a3, a4, c2, c3, c4, d2, d3, d4)
         + c1 * det3x3(a2, a3, a4, b2, b3, b4, d2, d3, d4)
         - d1 * det3x3(a2, a3, a4, b2, b3, b4, c2, c3, c4);
}

// Element (i, j) becomes (-1)^(i+j) times the minor without row j and column i. Every
// element is read before any is written, and each cofactor is computed on its own.
void Matrix4x4::adjoint() noexcept
{
    const double a1 = m_d[0][0], a2 = m_d[0][1], a3 = m_d[0][2], a4 = m_d[0][3];
    const double b1 = m_d[1][0], b2 = m_d[1][1], b3 = m_d[1][2], b4 = m_d[1][3];
    const double c1 = m_d[2][0], c2 = m_d[2][1], c3 = m_d[2][2], c4 = m_d[2][3];
    const double d1 = m_d[3][0], d2 = m_d[3][1], d3 = m_d[3][2], d4 = m_d[3][3];

    // clang-format off
    m_d[0][0] =  det3x3(b2, b3, b4, c2, c3, c4, d2, d3, d4);
    m_d[0][1] = -det3x3(a2, a3, a4, c2, c3, c4, d2, d3, d4);
    m_d[0][2] =  det3x3(a2, a3, a4, b2, b3, b4, d2, d3, d4);
    m_d[0][3] = -det3x3(a2, a3, a4, b2, b3, b4, c2, c3, c4);

    m_d[1][0] = -det3x3(b1, b3, b4, c1, c3, c4, d1, d3, d4);
    m_d[1][1] =  det3x3(a1, a3, a4, c1, c3, c4, d1, d3, d4);
    m_d[1][2] = -det3x3(a1, a3, a4, b1, b3, b4, d1, d3, d4);
    m_d[1][3] =  det3x3(a1, a3, a4, b1, b3, b4, c1, c3, c4);

    m_d[2][0] =  det3x3(b1, b2, b4, c1, c2, c4, d1, d2, d4);
    m_d[2][1] = -det3x3(a1, a2, a4, c1, c2, c4, d1, d2, d4);
    m_d[2][2] =  det3x3(a1, a2, a4, b1, b2, b4, d1, d2, d4);
    m_d[2][3] = -det3x3(a1, a2, a4, b1, b2, b4, c1, c2, c4);

    m_d[3][0] = -det3x3(b1, b2, b3, c1, c2, c3, d1, d2, d3);
    m_d[3][1] =  det3x3(a1, a2, a3, c1, c2, c3, d1, d2, d3);
    m_d[3][2] = -det3x3(a1, a2, a3, b1, b2, b3, d1, d2, d3);
    m_d[3][3] =  det3x3(a1, a2, a3, b1, b2, b3, c1, c2, c3);
    // clang-format on
}

namespace {

// True when all 16 elements are finite. x * 0.0 is a zero for a finite x and NaN for an
// infinity or a NaN, and a sum with a NaN term is NaN, so the sum of the 16 is zero
// exactly when all are finite. Columns 0 and 2, and 1 and 3, are summed side by side,
// which the compiler does two at a time and without a branch.
bool allFinite(const double (&e)[4][4]) noexcept
{
    double even[4], odd[4];
    for (int i = 0; i < 4; i++) {
        even[i] = e[i][0] * 0.0 + e[i][2] * 0.0;
        odd[i] = e[i][1] * 0.0 + e[i][3] * 0.0;
    }
    return ((even[0] + even[1]) + (even[2] + even[3])) + ((odd[0] + odd[1]) + (odd[2] + odd[3]))
        == 0.0;
}

// The plain inverse of M, in place: the adjoint times 1/det().
bool invertPlain(Matrix4x4& M) noexcept
{
    Matrix4x4 A(M);
    A.adjoint();
    // det() expands along column 0 into the same four 3x3 determinants that the adjoint's
    // first row holds with the signs +, -, +, -. Flipping a sign back is exact, so this is
    // det() bit for bit, without computing the four a second time.
    const double determinant = M.m_d[0][0] * A.m_d[0][0] - M.m_d[1][0] * -A.m_d[0][1]
                             + M.m_d[2][0] * A.m_d[0][2] - M.m_d[3][0] * -A.m_d[0][3];
    // Singular or nearly so. A determinant that is not finite (NaN or infinite elements,
    // or overflow) gives no inverse either: it would come out as NaNs or zeros.
    if (!(std::fabs(determinant) >= 1e-10 && std::fabs(determinant) <= DBL_MAX))
        return false;
    A *= 1 / determinant;
    // A cofactor can overflow where the determinant does not; then an element of the
    // inverse is not representable and the matrix is left as it was.
    if (!allFinite(A.m_d))
        return false;
    M.copy(A);
    return true;
}

} // namespace

// The library's own inverse: the AVX2 code where the CPU has it (callers compiled for AVX2
// run the same code inline), the plain code elsewhere.
bool detail::libraryInverse(const Matrix4x4& m, Matrix4x4& out) noexcept
{
#if VECMATH_HAVE_AVX2_PATH
    // The AVX2 code writes out only when there is an inverse.
    if (matrix4x4UseAvx2()) {
        if (matrix4x4InverseAvx2(m.m_d, out.m_d))
            return true;
        if (&out != &m)
            out = m;
        return false;
    }
#endif
    if (&out != &m)
        out = m;
    return invertPlain(out);
}

// ---- Printing -------------------------------------------------------------------------

std::ostream& operator<<(std::ostream& out, const Matrix4x4& A)
{
    for (int i = 0; i < 4; i++) {
        if (i > 0)
            out << '\n';
        out << '(' << A.m_d[i][0] << ", " << A.m_d[i][1] << ", " << A.m_d[i][2] << ", "
            << A.m_d[i][3] << ')';
    }
    return out;
}

} // namespace vecmath
