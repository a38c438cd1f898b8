// vector3d.h: three-component double-precision vector.
//
// Conventions of the library (vector3d.h, vector4d.h, matrix4x4.h):
// - Plain values with public data members m_...; no base class, nothing virtual, no
//   allocation, and nothing throws: degenerate input gives a zero result or a false
//   return instead of an error.
// - Default construction leaves the members uninitialised.
// - Matrices are stored row-major, m_d[row][column]; points are column vectors multiplied
//   on the right, p' = M * p, with the translation in column 3.
// - Angles are in radians; positive turns counter-clockwise about an axis pointing at you.
// - One tolerance, 1e-10, serves every near-zero and equality test.
// - Operators that yield a value return a new one; compound assignments change the
//   object and return nothing.
// - Sums are evaluated in the order documented on each member, left to right, and the
//   build keeps floating-point contraction off, so results are the same bit for bit on
//   every compiler and flag set.
// - Index checks use assert: they abort on a bad index unless NDEBUG is defined.
#ifndef VECMATH_VECTOR3D_H
#define VECMATH_VECTOR3D_H

#include <cmath>

#include "vecmath_assert.h"

class Vector4D;

/// A point or a direction in space: three doubles, public as m_x, m_y and m_z.
class Vector3D
{
public:
    double m_x; ///< first component
    double m_y; ///< second component
    double m_z; ///< third component

    static const Vector3D AxisX; ///< the unit vector (1,0,0) along the X axis
    static const Vector3D AxisY; ///< the unit vector (0,1,0) along the Y axis
    static const Vector3D AxisZ; ///< the unit vector (0,0,1) along the Z axis

    // ---- Construction -----------------------------------------------------------------

    /// Leaves the components uninitialised.
    Vector3D() {}
    /// Builds the vector (x, y, z).
    Vector3D(double x, double y, double z) { Set(x, y, z); }
    /// Copies A.
    Vector3D(const Vector3D& A);
    /// The x, y and z of A; its w is dropped, not divided out (see Vector4D::cartesianized).
    Vector3D(const Vector4D& A);
    /// Copies A; returns this vector.
    Vector3D& operator=(const Vector3D& A) = default;

    /// Sets the components to x, y and z.
    void Set(double x, double y, double z)
    {
        m_x = x;
        m_y = y;
        m_z = z;
    }
    /// Sets all three components to 0.0.
    void zero();

    // ---- Element access ---------------------------------------------------------------

    /// Writable reference to m_x.
    double& X() { return m_x; }
    /// Writable reference to m_y.
    double& Y() { return m_y; }
    /// Writable reference to m_z.
    double& Z() { return m_z; }
    /// Writable reference to component i: 0 is m_x, 1 is m_y, 2 is m_z.
    /// An index outside 0..2 fails an assertion (in builds with assertions on).
    double& operator[](int i)
    {
        VECMATH_ASSERT(i >= 0 && i < 3, "double& Vector3D::operator[](int)");
        return i == 0 ? m_x : (i == 1 ? m_y : m_z);
    }

    // ---- Measures ---------------------------------------------------------------------

    /// Squared length, summed as (x*x + y*y) + z*z.
    double NormSqr() const { return (m_x * m_x + m_y * m_y) + m_z * m_z; }
    /// Length: the square root of NormSqr().
    double Norm() const { return std::sqrt(NormSqr()); }
    /// Dot product, summed as (x*A.x + y*A.y) + z*A.z.
    double operator*(const Vector3D& A) const;
    /// Dot product; the same value as operator*(A).
    double dot(const Vector3D& A) const;

    // ---- Arithmetic returning a new vector --------------------------------------------

    /// Component-wise sum with A.
    Vector3D operator+(const Vector3D& A) const;
    /// A copy of the vector.
    Vector3D operator+() const;
    /// Component-wise difference, this minus A.
    Vector3D operator-(const Vector3D& A) const;
    /// Each component with its sign flipped; a zero component becomes -0.0.
    Vector3D operator-() const;
    /// Each component times k (the scalar stands on the right only).
    Vector3D operator*(double k) const;

    // ---- Arithmetic changing the vector -----------------------------------------------

    /// Adds A component by component.
    void operator+=(const Vector3D& A);
    /// Subtracts A component by component.
    void operator-=(const Vector3D& A);
    /// Multiplies each component by k.
    void operator*=(double k);
    /// Multiplies each component by k; the same as operator*=(k).
    void scalar(double k);
    /// Becomes A + B.
    void add(const Vector3D& A, const Vector3D& B);
    /// Becomes A - B.
    void sub(const Vector3D& A, const Vector3D& B);
    /// Becomes the cross product A x B. Either argument may be this vector itself.
    void cross(const Vector3D& A, const Vector3D& B);
    /// Becomes the unit normal of the triangle A, B, C: the normalised (C-B) x (A-B),
    /// which points towards a viewer who sees A, B, C counter-clockwise. Coincident or
    /// collinear corners give (0, 0, 0).
    void normal(const Vector3D& A, const Vector3D& B, const Vector3D& C);
    /// Divides each component by the length; a vector of length at most 1e-10 becomes
    /// (0, 0, 0). A NaN length makes every component NaN.
    void Normalize();

    // ---- Comparison -------------------------------------------------------------------

    /// True when every component differs from A's by strictly less than epsilon. A box
    /// test, not a distance; always false for epsilon <= 0 or a NaN difference.
    bool cmp(const Vector3D& A, double epsilon) const;
    /// cmp(A, 1e-10).
    bool operator==(const Vector3D& A) const;
    /// !cmp(A, 1e-10).
    bool operator!=(const Vector3D& A) const;
};

#endif // VECMATH_VECTOR3D_H
