// vector4d.h: four-component homogeneous double-precision vector.
//
// The point (x, y, z) is carried as (x, y, z, w), usually with w = 1, and turned back into
// a Cartesian point by dividing by w (cartesianize, cartesianized). Every operation takes
// all four components, w included, unless it says otherwise. Members are non-const, even
// those that only read the vector.
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
#ifndef VECMATH_VECTOR4D_H
#define VECMATH_VECTOR4D_H

#include "vector3d.h"

/// A homogeneous point (x, y, z, w): four doubles, public as m_x, m_y, m_z and m_w.
class Vector4D
{
public:
    double m_x; ///< first component
    double m_y; ///< second component
    double m_z; ///< third component
    double m_w; ///< homogeneous weight

    // ---- Construction -----------------------------------------------------------------

    /// Leaves the components uninitialised.
    Vector4D() {}
    /// Builds the vector (x, y, z, w).
    Vector4D(double x, double y, double z, double w) { set(x, y, z, w); }
    /// Copies A.
    Vector4D(const Vector4D& A);
    /// The point A with weight 1: (A.x, A.y, A.z, 1.0).
    Vector4D(const Vector3D& A);
    /// Copies A; returns this vector.
    Vector4D& operator=(const Vector4D& A);

    /// Sets the components to x, y, z and w.
    void set(double x, double y, double z, double w)
    {
        m_x = x;
        m_y = y;
        m_z = z;
        m_w = w;
    }

    // ---- Arithmetic -------------------------------------------------------------------

    /// Component-wise sum with A.
    Vector4D operator+(const Vector4D& A);
    /// A copy of the vector.
    Vector4D operator+();
    /// Adds A component by component.
    void operator+=(const Vector4D& A);
    /// Component-wise difference, this minus A.
    Vector4D operator-(const Vector4D& A);
    /// All four components with their signs flipped; a zero becomes -0.0.
    Vector4D operator-();
    /// Subtracts A component by component.
    void operator-=(const Vector4D& A);

    // ---- Measures and normalisation ---------------------------------------------------

    /// Squared four-dimensional length, summed as ((x*x + y*y) + z*z) + w*w.
    double squared();
    /// Four-dimensional length: the square root of squared().
    double length();
    /// Multiplies each component by 1/length(); a length below 1e-10 makes all four
    /// components 0.0. (Vector3D::Normalize has its own threshold and divides instead.)
    void normalize();

    // ---- Homogeneous operations -------------------------------------------------------

    /// Becomes (x/w, y/w, z/w, 1), each of x, y, z multiplied by 1/w. A weight below 1e-10
    /// in magnitude is not divided by: x, y and z become 0.0 and w is kept.
    void cartesianize();
    /// The same as cartesianize().
    void rationalize();
    /// The Cartesian point (x/w, y/w, z/w), each multiplied by 1/w, or (0, 0, 0) for a
    /// weight below 1e-10 in magnitude. The vector itself is not changed.
    Vector3D cartesianized();
    /// Multiplies x, y and z by w; w is kept.
    void homogenize();
};

#endif // VECMATH_VECTOR4D_H
