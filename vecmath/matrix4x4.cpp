// matrix4x4.cpp: the out-of-line members of Matrix4x4, in the header's order.
#include "matrix4x4.h"

#include <cmath>
#include <cstring>

// ---- Construction and copying ---------------------------------------------------------

Matrix4x4::Matrix4x4(Matrix4x4& A)
{
    std::memcpy(m_d, A.m_d, sizeof(m_d));
}

Matrix4x4& Matrix4x4::operator=(Matrix4x4& A)
{
    std::memcpy(m_d, A.m_d, sizeof(m_d));
    return *this;
}

void Matrix4x4::operator=(const Matrix4x4& A)
{
    copy(A);
}

void Matrix4x4::copy(const Matrix4x4& A)
{
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            m_d[i][j] = A[i][j];
}

void Matrix4x4::zero()
{
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            m_d[i][j] = 0.0;
}

void Matrix4x4::identity()
{
    zero();
    for (int i = 0; i < 4; i++)
        m_d[i][i] = 1.0;
}

// ---- Loaders --------------------------------------------------------------------------

void Matrix4x4::loadTranslate(double tx, double ty, double tz)
{
    identity();
    m_d[0][3] = tx;
    m_d[1][3] = ty;
    m_d[2][3] = tz;
}

void Matrix4x4::loadScale(double sx, double sy, double sz)
{
    identity();
    m_d[0][0] = sx;
    m_d[1][1] = sy;
    m_d[2][2] = sz;
}

void Matrix4x4::loadRotateX(double phi)
{
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    zero();
    m_d[0][0] = 1.0;
    m_d[1][1] = cosPhi;
    m_d[1][2] = -sinPhi;
    m_d[2][1] = sinPhi;
    m_d[2][2] = cosPhi;
    m_d[3][3] = 1.0;
}

void Matrix4x4::loadRotateY(double phi)
{
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    zero();
    m_d[0][0] = cosPhi;
    m_d[0][2] = sinPhi;
    m_d[1][1] = 1.0;
    m_d[2][0] = -sinPhi;
    m_d[2][2] = cosPhi;
    m_d[3][3] = 1.0;
}

void Matrix4x4::loadRotateZ(double phi)
{
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    zero();
    m_d[0][0] = cosPhi;
    m_d[0][1] = -sinPhi;
    m_d[1][0] = sinPhi;
    m_d[1][1] = cosPhi;
    m_d[2][2] = 1.0;
    m_d[3][3] = 1.0;
}

// ---- Transforming points --------------------------------------------------------------

Vector3D Matrix4x4::Transform(const Vector3D& A)
{
    const double x = A.m_x, y = A.m_y, z = A.m_z;
    return Vector3D(((m_d[0][0] * x + m_d[0][1] * y) + m_d[0][2] * z) + m_d[0][3],
                    ((m_d[1][0] * x + m_d[1][1] * y) + m_d[1][2] * z) + m_d[1][3],
                    ((m_d[2][0] * x + m_d[2][1] * y) + m_d[2][2] * z) + m_d[2][3]);
}

Vector3D Matrix4x4::operator*(const Vector3D& A)
{
    return Transform(A);
}

Vector3D Matrix4x4::Translate(const Vector3D& A)
{
    return Vector3D(A.m_x + m_d[0][3], A.m_y + m_d[1][3], A.m_z + m_d[2][3]);
}

// ---- Matrix product -------------------------------------------------------------------

namespace {

// out = L * R, element by element in row order, each sum accumulated from 0.0 in
// increasing k. R is read through its read-only row access.
void multiply(const double (&L)[4][4], const Matrix4x4& R, double (&out)[4][4])
{
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) {
            double sum = 0.0;
            for (int k = 0; k < 4; k++)
                sum += L[i][k] * R[k][j];
            out[i][j] = sum;
        }
}

} // namespace

Matrix4x4 Matrix4x4::operator*(const Matrix4x4& A)
{
    Matrix4x4 M;
    multiply(m_d, A, M.m_d);
    return M;
}

void Matrix4x4::operator*=(const Matrix4x4& A)
{
    // Built in a temporary so that A may be this matrix: no element of m_d changes
    // while it is still being read.
    double result[4][4];
    multiply(m_d, A, result);
    std::memcpy(m_d, result, sizeof(m_d));
}
