// vector3d.cpp: the out-of-line members of Vector3D, in the header's order.
#include "vector3d.h"

#include "vector4d.h"

const Vector3D Vector3D::AxisX(1.0, 0.0, 0.0);
const Vector3D Vector3D::AxisY(0.0, 1.0, 0.0);
const Vector3D Vector3D::AxisZ(0.0, 0.0, 1.0);

// ---- Construction ---------------------------------------------------------------------

Vector3D::Vector3D(const Vector3D& A) : m_x(A.m_x), m_y(A.m_y), m_z(A.m_z) {}

Vector3D::Vector3D(const Vector4D& A) : m_x(A.m_x), m_y(A.m_y), m_z(A.m_z) {}

void Vector3D::zero()
{
    m_x = 0.0;
    m_y = 0.0;
    m_z = 0.0;
}

// ---- Measures -------------------------------------------------------------------------

double Vector3D::operator*(const Vector3D& A) const
{
    return (m_x * A.m_x + m_y * A.m_y) + m_z * A.m_z;
}

double Vector3D::dot(const Vector3D& A) const
{
    return *this * A;
}

// ---- Arithmetic returning a new vector ------------------------------------------------

Vector3D Vector3D::operator+(const Vector3D& A) const
{
    return Vector3D(m_x + A.m_x, m_y + A.m_y, m_z + A.m_z);
}

Vector3D Vector3D::operator+() const
{
    return *this;
}

Vector3D Vector3D::operator-(const Vector3D& A) const
{
    return Vector3D(m_x - A.m_x, m_y - A.m_y, m_z - A.m_z);
}

Vector3D Vector3D::operator-() const
{
    return Vector3D(-m_x, -m_y, -m_z);
}

Vector3D Vector3D::operator*(double k) const
{
    return Vector3D(m_x * k, m_y * k, m_z * k);
}

// ---- Arithmetic changing the vector ---------------------------------------------------

void Vector3D::operator+=(const Vector3D& A)
{
    m_x += A.m_x;
    m_y += A.m_y;
    m_z += A.m_z;
}

void Vector3D::operator-=(const Vector3D& A)
{
    m_x -= A.m_x;
    m_y -= A.m_y;
    m_z -= A.m_z;
}

void Vector3D::operator*=(double k)
{
    m_x *= k;
    m_y *= k;
    m_z *= k;
}

void Vector3D::scalar(double k)
{
    *this *= k;
}

void Vector3D::add(const Vector3D& A, const Vector3D& B)
{
    m_x = A.m_x + B.m_x;
    m_y = A.m_y + B.m_y;
    m_z = A.m_z + B.m_z;
}

void Vector3D::sub(const Vector3D& A, const Vector3D& B)
{
    m_x = A.m_x - B.m_x;
    m_y = A.m_y - B.m_y;
    m_z = A.m_z - B.m_z;
}

void Vector3D::cross(const Vector3D& A, const Vector3D& B)
{
    // All three components are computed before any is stored, so that A or B may be
    // this vector itself. Each component is the same expression either way, so the
    // result is bit-identical to writing the components one after the other.
    const double x = A.m_y * B.m_z - A.m_z * B.m_y;
    const double y = A.m_z * B.m_x - A.m_x * B.m_z;
    const double z = A.m_x * B.m_y - A.m_y * B.m_x;
    m_x = x;
    m_y = y;
    m_z = z;
}

void Vector3D::normal(const Vector3D& A, const Vector3D& B, const Vector3D& C)
{
    Vector3D P, Q;
    P.sub(C, B);
    Q.sub(A, B);
    cross(P, Q);
    Normalize();
}

void Vector3D::Normalize()
{
    const double n = Norm();
    if (n <= 1e-10) {
        zero();
        return;
    }
    // A NaN norm fails the test above and lands here, making every component NaN.
    m_x /= n;
    m_y /= n;
    m_z /= n;
}

// ---- Comparison -----------------------------------------------------------------------

bool Vector3D::cmp(const Vector3D& A, double epsilon) const
{
    if (!(std::fabs(m_x - A.m_x) < epsilon))
        return false;
    if (!(std::fabs(m_y - A.m_y) < epsilon))
        return false;
    return std::fabs(m_z - A.m_z) < epsilon;
}

bool Vector3D::operator==(const Vector3D& A) const
{
    return cmp(A, 1e-10);
}

bool Vector3D::operator!=(const Vector3D& A) const
{
    return !cmp(A, 1e-10);
}
