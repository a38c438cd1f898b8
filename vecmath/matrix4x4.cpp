// matrix4x4.cpp: the out-of-line members of Matrix4x4, in the header's order.
#include "matrix4x4.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <ostream>

#include "quaternion.h"
#include "read_tuple.h"
#include "rotation_trig.h"
#include "vecmath_simd.h"

namespace vecmath {

// ---- Loaders --------------------------------------------------------------------------

using detail::rotationSinCos;

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
    identity();
    // An axis too short to normalise gives no direction to turn about. The closed form
    // would send every point to the origin; no rotation is the sound answer.
    if (u == 0.0 && v == 0.0 && w == 0.0)
        return;
    const auto [sin_phi, cos_phi] = rotationSinCos(phi);
    const double t = 1 - cos_phi;
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

void Matrix4x4::loadRotate(const Quaternion& q) noexcept
{
    *this = q.toMatrix();
}

namespace {

// The axes of an Euler order: first, second and third (0 = X, 1 = Y, 2 = Z), and +1 for
// the orders whose axes run cyclically (XYZ, YZX, ZXY), -1 for the others.
struct EulerAxes {
    int i, j, k;
    double sign;
};

EulerAxes axesOf(EulerOrder order) noexcept
{
    switch (order) {
    case EulerOrder::XYZ:
        return {0, 1, 2, 1.0};
    case EulerOrder::XZY:
        return {0, 2, 1, -1.0};
    case EulerOrder::YXZ:
        return {1, 0, 2, -1.0};
    case EulerOrder::YZX:
        return {1, 2, 0, 1.0};
    case EulerOrder::ZXY:
        return {2, 0, 1, 1.0};
    case EulerOrder::ZYX:
        break;
    }
    return {2, 1, 0, -1.0};
}

// The rotation about one coordinate axis, by the library's own loaders.
Matrix4x4 axisRotation(int axis, double angle) noexcept
{
    return axis == 0 ? Matrix4x4::RotationX(angle)
                     : (axis == 1 ? Matrix4x4::RotationY(angle) : Matrix4x4::RotationZ(angle));
}

} // namespace

void Matrix4x4::loadRotateEuler(EulerOrder order, double a, double b, double c) noexcept
{
    const EulerAxes e = axesOf(order);
    *this = (axisRotation(e.k, c) * axisRotation(e.j, b)) * axisRotation(e.i, a);
}

// ---- Camera and projection loaders ------------------------------------------------------

bool Matrix4x4::loadPerspective(double fovy, double aspect, double zNear, double zFar) noexcept
{
    // 0 < fovy < pi gives 0 < fovy/2 < pi/2, where the sine and the cosine are positive
    // (the double nearest pi, a view of 180 degrees, is refused too). NaN fails every test.
    if (!(fovy > 0.0 && fovy < 3.141592653589793 && aspect != 0.0 && aspect - aspect == 0.0
          && zNear > 0.0 && zFar > 0.0 && zNear != zFar && zFar - zFar == 0.0)) {
        *this = Identity();
        return false;
    }
    const auto [sine, cosine] = rotationSinCos(fovy * 0.5);
    const double f = cosine / sine;
    const double d = zFar - zNear;
    const double sx = f / aspect, sz = -(zFar + zNear) / d, tz = -(2.0 * zFar * zNear) / d;
    if (!detail::allFiniteValues(sx, f, sz, tz)) {
        *this = Identity();
        return false;
    }
    // clang-format off
    *this = Matrix4x4(sx,  0.0, 0.0,  0.0,
                      0.0, f,   0.0,  0.0,
                      0.0, 0.0, sz,   tz,
                      0.0, 0.0, -1.0, 0.0);
    // clang-format on
    return true;
}

// ---- Rotation angles and decomposition ---------------------------------------------------

Vector3D Matrix4x4::eulerAngles(EulerOrder order) const noexcept
{
    const EulerAxes e = axesOf(order);
    const int i = e.i, j = e.j, k = e.k;
    const double s = e.sign;
    // cos(b) sin(a) and cos(b) cos(a): their length is |cos(b)|, and b's sine is beside.
    const double kj = s * m_d[k][j], kk = m_d[k][k];
    const double cb = std::sqrt(kj * kj + kk * kk);
    const double b = detail::rotationAtan2(-s * m_d[k][i], cb);
    // Below 2^-48 the two are rounding noise of the other elements, a is not defined, and
    // only a + c or a - c is: take a = 0 and give c all of it.
    const double a = cb > 0x1p-48 ? detail::rotationAtan2(kj, kk) : 0.0;
    const auto [sa, ca] = detail::rotationSinCos(a);
    // M R_i(-a) = R_k(c) R_j(b), whose column j is (-s sin(c), cos(c)) in rows i and j.
    const double c = detail::rotationAtan2(sa * m_d[i][k] - s * (ca * m_d[i][j]),
                                           ca * m_d[j][j] - s * (sa * m_d[j][k]));
    return Vector3D(a, b, c);
}

bool Matrix4x4::decompose(Vector3D& translation, Quaternion& rotation,
                          Vector3D& scale) const noexcept
{
    if (!(m_d[3][0] == 0.0 && m_d[3][1] == 0.0 && m_d[3][2] == 0.0 && m_d[3][3] == 1.0))
        return false;
    if (!detail::allFinite(m_d))
        return false;
    const Vector3D c0(m_d[0][0], m_d[1][0], m_d[2][0]);
    const Vector3D c1(m_d[0][1], m_d[1][1], m_d[2][1]);
    const Vector3D c2(m_d[0][2], m_d[1][2], m_d[2][2]);
    double s0 = c0.Norm();
    const double s1 = c1.Norm(), s2 = c2.Norm();
    // Singular, or a length whose square overflowed.
    const auto measurable = [](double length) { return length > 1e-10 && length <= DBL_MAX; };
    if (!(measurable(s0) && measurable(s1) && measurable(s2)))
        return false;
    // Sheared: the columns of R * S are orthogonal, whatever the scales.
    const auto orthogonal = [](const Vector3D& u, const Vector3D& v, double lu, double lv) {
        return std::fabs(u * v) < 1e-10 * (lu * lv);
    };
    if (!(orthogonal(c0, c1, s0, s1) && orthogonal(c0, c2, s0, s2) && orthogonal(c1, c2, s1, s2)))
        return false;
    // A mirror: the determinant is negative, and the x scale takes the sign.
    if (detail::det3x3(c0.m_x, c1.m_x, c2.m_x, c0.m_y, c1.m_y, c2.m_y, c0.m_z, c1.m_z, c2.m_z)
        < 0.0)
        s0 = -s0;
    const Vector3D r0 = c0 / s0, r1 = c1 / s1, r2 = c2 / s2;
    const Matrix4x4 R(r0.m_x, r1.m_x, r2.m_x, 0.0, r0.m_y, r1.m_y, r2.m_y, 0.0, //
                      r0.m_z, r1.m_z, r2.m_z, 0.0, 0.0, 0.0, 0.0, 1.0);
    rotation = Quaternion::FromMatrix(R);
    translation = Vector3D(m_d[0][3], m_d[1][3], m_d[2][3]);
    scale = Vector3D(s0, s1, s2);
    return true;
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

// ---- Determinant and inverse: the library's own code ----------------------------------

// Callers compiled for AVX2 run the same sums four at a time (matrix4x4_avx2.h).
double detail::libraryDeterminant(const Matrix4x4& M) noexcept
{
    return detail::plainDeterminant(M);
}

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
    return detail::invertPlain(out);
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

std::istream& operator>>(std::istream& in, Matrix4x4& A)
{
    double rows[4][4];
    for (auto& row : rows)
        if (!detail::readTuple(in, row, 4))
            return in;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            A.m_d[i][j] = rows[i][j];
    return in;
}

} // namespace vecmath
