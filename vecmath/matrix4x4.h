// matrix4x4.h: 4x4 double-precision matrix for affine and homogeneous transforms.
//
// Conventions of the library (vector3d.h, vector4d.h, matrix4x4.h):
// - Plain values with public data members m_...; no base class, nothing virtual, no
//   allocation, and nothing throws: degenerate input gives a zero result or a false
//   return (inv) instead of an error.
// - Default construction leaves the members uninitialised.
// - m_d[r][c] is row r, column c; rows are stored one after the other (row-major).
// - Points are column vectors multiplied on the right: p' = M * p. An affine matrix keeps
//   its linear part in rows and columns 0..2 and its translation in column 3. A product
//   A * B applied to a point equals A * (B * p): B acts first.
// - Angles are in radians; a positive angle turns counter-clockwise seen from the
//   positive end of the axis (right-handed).
// - One tolerance, 1e-10, serves every near-zero and equality test (inv, cmp).
// - Every loader replaces the whole matrix; none composes with what was there.
// - Operators that yield a value return a new one; compound assignments change the
//   object and return nothing.
// - Members are non-const, even those that only read the matrix, and cmp, == and !=
//   take a modifiable reference.
// - Sums are evaluated in the order documented on each member and the build keeps
//   floating-point contraction off, so results are the same bit for bit everywhere. On
//   an x86-64 CPU with AVX2 (GCC and clang builds) the product and the inverse do the
//   same operations four elements at a time, chosen when first used; same results.
// - A row index outside 0..3 fails an assert unless NDEBUG is defined.
#ifndef VECMATH_MATRIX4X4_H
#define VECMATH_MATRIX4X4_H

#include "vecmath_assert.h"
#include "vector3d.h"
#include "vector4d.h"

/// A 4x4 matrix of doubles that moves points: affine and homogeneous transforms.
///
/// Row-major, m_d[row][column]. Points are column vectors multiplied on the right,
/// p' = M * p: the translation sits in column 3, and in a product A * B applied to a
/// point, B acts first. Every loader replaces the whole matrix.
class Matrix4x4
{
public:
    double m_d[4][4]; ///< the elements, m_d[row][column]

    // ---- Construction and copying -----------------------------------------------------

    /// Leaves the 16 elements uninitialised.
    Matrix4x4() {}
    /// Copies all 16 elements of A as one block.
    Matrix4x4(Matrix4x4& A);
    /// Copies all 16 elements of A as one block; returns this matrix.
    Matrix4x4& operator=(Matrix4x4& A); // NOLINT(misc-unconventional-assign-operator)
    /// Copies A element by element through its read-only row access. Chosen for const
    /// sources and temporaries; unlike the other assignment it returns nothing.
    void operator=(const Matrix4x4& A); // NOLINT(misc-unconventional-assign-operator)
    /// Copies A element by element; the same as the const assignment.
    void copy(const Matrix4x4& A);
    /// Sets all 16 elements to 0.0.
    void zero();
    /// Loads the identity matrix.
    void identity();

    // ---- Element access ---------------------------------------------------------------

    /// Pointer to the first element of row `index`, so that M[r][c] is element (r, c).
    /// A row outside 0..3 fails an assertion; the column is the caller's to keep in 0..3.
    double* operator[](int index)
    {
        // The condition's spelling is part of the assertion message: keep it as it is.
        // clang-format off
        VECMATH_ASSERT(index>=0 && index<4, "double* Matrix4x4::operator[](int)");
        // clang-format on
        return m_d[index];
    }
    /// Read-only pointer to the first element of row `index`; the same contract.
    const double* operator[](int index) const
    {
        // clang-format off
        VECMATH_ASSERT(index>=0 && index<4, "const double* Matrix4x4::operator[](int) const");
        // clang-format on
        return m_d[index];
    }

    // ---- Loaders (each replaces the whole matrix) -------------------------------------

    /// Loads a translation by (tx, ty, tz).
    void loadTranslate(double tx, double ty, double tz);
    /// Loads a scale by sx, sy and sz along the axes.
    void loadScale(double sx, double sy, double sz);
    /// Loads a rotation about the X axis by phi radians.
    void loadRotateX(double phi);
    /// Loads a rotation about the Y axis by phi radians.
    void loadRotateY(double phi);
    /// Loads a rotation about the Z axis by phi radians.
    void loadRotateZ(double phi);
    /// Loads the rotation by phi radians about the line through the origin along V, of
    /// any length (Rodrigues' matrix). An axis of length at most 1e-10 loads a uniform
    /// scale by cos(phi).
    void loadRotateAboutAxisThroughOrigin(const Vector3D& V, double phi);
    /// The same with the x, y and z of V; its w is ignored.
    void loadRotateAboutAxisThroughOrigin(const Vector4D& V, double phi);
    /// Loads the rotation by phi radians about the line through `point` along `axis`, of
    /// any length: translate by -point, rotate, translate back, written in closed form.
    /// An axis of length at most 1e-10 loads a matrix that maps every point to the origin.
    void loadRotate(const Vector3D& point, const Vector3D& axis, double phi);
    /// The same with the x, y and z of both vectors; their w is ignored.
    void loadRotate(const Vector4D& point, const Vector4D& axis, double phi);

    // ---- Transforming points ----------------------------------------------------------

    /// The affine image of the point A: component r is
    /// ((m_d[r][0]*x + m_d[r][1]*y) + m_d[r][2]*z) + m_d[r][3]. Row 3 is not used.
    Vector3D Transform(const Vector3D& A);
    /// The same value as Transform(A).
    Vector3D operator*(const Vector3D& A);
    /// A moved by the translation column only; the linear part is ignored.
    Vector3D Translate(const Vector3D& A);
    /// The full product M * A: component r is
    /// ((m_d[r][0]*x + m_d[r][1]*y) + m_d[r][2]*z) + m_d[r][3]*w. Nothing is divided by
    /// the resulting w; call cartesianize() on the result for the Cartesian point.
    Vector4D Transform(const Vector4D& A);
    /// The same value as Transform(A).
    Vector4D operator*(const Vector4D& A);
    /// (A.x + m_d[0][3], A.y + m_d[1][3], A.z + m_d[2][3], A.w): only the translation
    /// column is added, whatever A's weight.
    Vector4D Translate(const Vector4D& A);

    // ---- Matrix product ---------------------------------------------------------------

    /// The product (this) * A; element (i, j) sums m_d[i][k] * A[k][j] from 0.0 for
    /// k = 0..3 in that order.
    Matrix4x4 operator*(const Matrix4x4& A);
    /// Becomes (this) * A. A may be this matrix itself.
    void operator*=(const Matrix4x4& A);

    // ---- Element-wise algebra (row by row) --------------------------------------------

    /// Element-wise sum with A.
    Matrix4x4 operator+(const Matrix4x4& A);
    /// A copy of the matrix.
    Matrix4x4 operator+();
    /// Adds A element by element.
    void operator+=(const Matrix4x4& A);
    /// Element-wise difference, this minus A.
    Matrix4x4 operator-(const Matrix4x4& A);
    /// Every element with its sign flipped.
    Matrix4x4 operator-();
    /// Subtracts A element by element.
    void operator-=(const Matrix4x4& A);
    /// Every element times k.
    Matrix4x4 operator*(double k);
    /// Multiplies every element by k.
    void operator*=(double k);
    /// Flips the sign of every element.
    void neg();
    /// Replaces every element by its absolute value.
    void abs();

    // ---- Transpose, determinant, adjoint, inverse -------------------------------------

    /// Replaces the matrix by its transpose.
    void transpose();
    /// The determinant, expanded along column 0 into four 3x3 determinants, each of
    /// three 2x2 ones, and accumulated left to right.
    double det();
    /// Replaces the matrix by its adjoint (adjugate): the transposed matrix of cofactors,
    /// each a 3x3 determinant computed afresh. M times its adjoint is det(M) times I.
    void adjoint();
    /// Replaces the matrix by its inverse, the adjoint times 1/det(), and returns true.
    /// Returns false and leaves the matrix unchanged when |det()| < 1e-10 (singular or
    /// nearly so), when det() is not finite, or when an element of the inverse would
    /// not be finite (the adjoint overflowed).
    bool inv();

    // ---- Comparison -------------------------------------------------------------------

    /// True when every element differs from A's by strictly less than 1e-10; false as
    /// soon as one does not, or the difference is NaN.
    bool cmp(Matrix4x4& A);
    /// cmp(A).
    bool operator==(Matrix4x4& A);
    /// !cmp(A).
    bool operator!=(Matrix4x4& A);
};

#endif // VECMATH_MATRIX4X4_H
