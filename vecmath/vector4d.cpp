// vector4d.cpp: the out-of-line members of Vector4D, in the header's order.
#include "vector4d.h"

#include <cmath>

// ---- Construction ---------------------------------------------------------------------

Vector4D::Vector4D(const Vector4D& A) : m_x(A.m_x), m_y(A.m_y), m_z(A.m_z), m_w(A.m_w) {}

Vector4D::Vector4D(const Vector3D& A) : m_x(A.m_x), m_y(A.m_y), m_z(A.m_z), m_w(1.0) {}

Vector4D& Vector4D::operator=(const Vector4D& A)
{
    set(A.m_x, A.m_y, A.m_z, A.m_w);
    return *this;
}

// ---- Arithmetic -----------------------------------------------------------------------

Vector4D Vector4D::operator+(const Vector4D& A)
{
    return Vector4D(m_x + A.m_x, m_y + A.m_y, m_z + A.m_z, m_w + A.m_w);
}

Vector4D Vector4D::operator+()
{
    return *this;
}

void Vector4D::operator+=(const Vector4D& A)
{
    m_x += A.m_x;
    m_y += A.m_y;
    m_z += A.m_z;
    m_w += A.m_w;
}

Vector4D Vector4D::operator-(const Vector4D& A)
{
    return Vector4D(m_x - A.m_x, m_y - A.m_y, m_z - A.m_z, m_w - A.m_w);
}

Vector4D Vector4D::operator-()
{
    return Vector4D(-m_x, -m_y, -m_z, -m_w);
}

void Vector4D::operator-=(const Vector4D& A)
{
    m_x -= A.m_x;
    m_y -= A.m_y;
    m_z -= A.m_z;
    m_w -= A.m_w;
}

// ---- Measures and normalisation -------------------------------------------------------

double Vector4D::squared()
{
    return ((m_x * m_x + m_y * m_y) + m_z * m_z) + m_w * m_w;
}

double Vector4D::length()
{
    return std::sqrt(squared());
}

void Vector4D::normalize()
{
    const double l = length();
    // A NaN length is not below the threshold: it is multiplied in and shows.
    if (l < 1e-10) {
        set(0.0, 0.0, 0.0, 0.0);
        return;
    }
    const double c = 1.0 / l;
    m_x *= c;
    m_y *= c;
    m_z *= c;
    m_w *= c;
}

// ---- Homogeneous operations -----------------------------------------------------------

void Vector4D::cartesianize()
{
    // A weight this close to zero is a direction, or rubbish: no division by it. The
    // weight itself is kept so that the caller can tell.
    if (std::fabs(m_w) < 1e-10) {
        m_x = 0.0;
        m_y = 0.0;
        m_z = 0.0;
        return;
    }
    const double c = 1.0 / m_w;
    m_x *= c;
    m_y *= c;
    m_z *= c;
    m_w = 1.0;
}

void Vector4D::rationalize()
{
    cartesianize();
}

Vector3D Vector4D::cartesianized()
{
    if (std::fabs(m_w) < 1e-10)
        return Vector3D(0.0, 0.0, 0.0);
    const double c = 1.0 / m_w;
    return Vector3D(m_x * c, m_y * c, m_z * c);
}

void Vector4D::homogenize()
{
    m_x *= m_w;
    m_y *= m_w;
    m_z *= m_w;
}
