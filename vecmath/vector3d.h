// vector3d.h: three-component double-precision vector.
//
// Conventions of the library (vector3d.h, vector4d.h, matrix4x4.h):
// - Plain values with public data members m_...; no base class, nothing virtual, no
//   allocation, and nothing throws: degenerate input gives a zero result or a false
//   return instead of an error.
// - The classes live in namespace vecmath. Their names are also declared at global scope
//   (Vector3D, Vector4D, Matrix4x4) unless VECMATH_NO_GLOBAL_NAMES is defined before the
//   first include; the linker symbols carry the namespace either way.
// - Default construction leaves the members uninitialised; T{} gives zeros. Copies are
//   plain copies of the doubles (the types are trivially copyable).
// - Matrices are stored row-major, m_d[row][column]; points are column vectors multiplied
//   on the right, p' = M * p, with the translation in column 3.
// - Angles are in radians; positive turns counter-clockwise about an axis pointing at you.
// - One tolerance, 1e-10, serves every near-zero and equality test.
// - Operators that yield a value return a new one; assignments, compound ones included,
//   change the object and return a reference to it. Every in-place operation has a
//   value-returning twin that computes the same bits.
// - Sums are evaluated in the order documented on each member, left to right, and the
//   build keeps floating-point contraction off, so results are the same bit for bit on
//   every compiler and flag set.
// - Index checks use assert: they abort on a bad index unless NDEBUG is defined.
#ifndef VECMATH_VECTOR3D_H
#define VECMATH_VECTOR3D_H

#include <cmath>
#include <iosfwd>

#include "vecmath_assert.h"

/// Exact double-precision vectors and 4x4 matrices: Vector3D, Vector4D and Matrix4x4, and
/// the operators that go with them. The classes are also declared at global scope unless
/// VECMATH_NO_GLOBAL_NAMES is defined.
namespace vecmath {

class Vector4D;

/// A point or a direction in space: three doubles, public as m_x, m_y and m_z.
class Vector3D
{
public:
    double m_x; ///< first component
    double m_y; ///< second component
    double m_z; ///< third component

    /// The unit vector (1, 0, 0); a constant, usable from any static initialiser.
    static const Vector3D AxisX;
    /// The unit vector (0, 1, 0); a constant, usable from any static initialiser.
    static const Vector3D AxisY;
    /// The unit vector (0, 0, 1); a constant, usable from any static initialiser.
    static const Vector3D AxisZ;

    // ---- Construction -----------------------------------------------------------------

    /// Leaves the components uninitialised; Vector3D{} is (0, 0, 0).
    Vector3D() = default;
    /// Builds the vector (x, y, z).
    constexpr Vector3D(double x, double y, double z) noexcept : m_x(x), m_y(y), m_z(z) {}
    /// Copies A.
    Vector3D(const Vector3D& A) = default;
    /// Copies A.
    Vector3D(Vector3D&& A) = default;
    /// The x, y and z of A; its w is dropped, not divided out (see Vector4D::cartesianized).
    /// Defined in vector4d.h.
    constexpr Vector3D(const Vector4D& A) noexcept; // NOLINT(google-explicit-constructor)
    /// Copies A; returns this vector.
    Vector3D& operator=(const Vector3D& A) = default;
    /// Copies A; returns this vector.
    Vector3D& operator=(Vector3D&& A) = default;

    /// Sets the components to x, y and z.
    constexpr void Set(double x, double y, double z) noexcept
    {
        m_x = x;
        m_y = y;
        m_z = z;
    }
    /// Sets all three components to 0.0.
    constexpr void zero() noexcept { Set(0.0, 0.0, 0.0); }

    // ---- Element access ---------------------------------------------------------------

    /// Writable reference to m_x.
    constexpr double& X() noexcept { return m_x; }
    /// Writable reference to m_y.
    constexpr double& Y() noexcept { return m_y; }
    /// Writable reference to m_z.
    constexpr double& Z() noexcept { return m_z; }
    /// m_x of a read-only vector.
    constexpr const double& X() const noexcept { return m_x; }
    /// m_y of a read-only vector.
    constexpr const double& Y() const noexcept { return m_y; }
    /// m_z of a read-only vector.
    constexpr const double& Z() const noexcept { return m_z; }
    /// Writable reference to component i: 0 is m_x, 1 is m_y, 2 is m_z.
    /// An index outside 0..2 fails an assertion (in builds with assertions on).
    constexpr double& operator[](int i) noexcept
    {
        VECMATH_ASSERT(i >= 0 && i < 3, "double& Vector3D::operator[](int)");
        return i == 0 ? m_x : (i == 1 ? m_y : m_z);
    }
    /// Component i of a read-only vector; the same contract.
    constexpr const double& operator[](int i) const noexcept
    {
        VECMATH_ASSERT(i >= 0 && i < 3, "const double& Vector3D::operator[](int) const");
        return i == 0 ? m_x : (i == 1 ? m_y : m_z);
    }

    // ---- Measures ---------------------------------------------------------------------

    /// Squared length, summed as (x*x + y*y) + z*z.
    constexpr double NormSqr() const noexcept { return (m_x * m_x + m_y * m_y) + m_z * m_z; }
    /// Length: the square root of NormSqr().
    double Norm() const noexcept { return std::sqrt(NormSqr()); }
    /// Dot product, summed as (x*A.x + y*A.y) + z*A.z.
    constexpr double operator*(const Vector3D& A) const noexcept
    {
        return (m_x * A.m_x + m_y * A.m_y) + m_z * A.m_z;
    }
    /// Dot product; the same value as operator*(A).
    constexpr double dot(const Vector3D& A) const noexcept { return *this * A; }

    // ---- Arithmetic returning a new vector --------------------------------------------

    /// Component-wise sum with A.
    constexpr Vector3D operator+(const Vector3D& A) const noexcept
    {
        return Vector3D(m_x + A.m_x, m_y + A.m_y, m_z + A.m_z);
    }
    /// A copy of the vector.
    constexpr Vector3D operator+() const noexcept { return *this; }
    /// Component-wise difference, this minus A.
    constexpr Vector3D operator-(const Vector3D& A) const noexcept
    {
        return Vector3D(m_x - A.m_x, m_y - A.m_y, m_z - A.m_z);
    }
    /// Each component with its sign flipped; a zero component becomes -0.0.
    constexpr Vector3D operator-() const noexcept { return Vector3D(-m_x, -m_y, -m_z); }
    /// Each component times k; k * v gives the same bits.
    constexpr Vector3D operator*(double k) const noexcept
    {
        return Vector3D(m_x * k, m_y * k, m_z * k);
    }
    /// Each component divided by k (a division each, not a product with 1/k).
    constexpr Vector3D operator/(double k) const noexcept
    {
        return Vector3D(m_x / k, m_y / k, m_z / k);
    }
    /// The cross product (this) x A, the twin of cross(*this, A).
    constexpr Vector3D Cross(const Vector3D& A) const noexcept
    {
        return Vector3D(m_y * A.m_z - m_z * A.m_y, m_z * A.m_x - m_x * A.m_z,
                        m_x * A.m_y - m_y * A.m_x);
    }
    /// A copy scaled to unit length, the twin of Normalize(): (0, 0, 0) when the length
    /// is at most 1e-10.
    Vector3D Normalized() const noexcept
    {
        const double n = Norm();
        if (n <= 1e-10)
            return Vector3D(0.0, 0.0, 0.0);
        // A NaN norm fails the test above and lands here, making every component NaN.
        return Vector3D(m_x / n, m_y / n, m_z / n);
    }

    // ---- Arithmetic changing the vector -----------------------------------------------

    /// Adds A component by component; returns this vector.
    constexpr Vector3D& operator+=(const Vector3D& A) noexcept
    {
        m_x += A.m_x;
        m_y += A.m_y;
        m_z += A.m_z;
        return *this;
    }
    /// Subtracts A component by component; returns this vector.
    constexpr Vector3D& operator-=(const Vector3D& A) noexcept
    {
        m_x -= A.m_x;
        m_y -= A.m_y;
        m_z -= A.m_z;
        return *this;
    }
    /// Multiplies each component by k; returns this vector.
    constexpr Vector3D& operator*=(double k) noexcept
    {
        m_x *= k;
        m_y *= k;
        m_z *= k;
        return *this;
    }
    /// Divides each component by k; returns this vector.
    constexpr Vector3D& operator/=(double k) noexcept
    {
        m_x /= k;
        m_y /= k;
        m_z /= k;
        return *this;
    }
    /// Multiplies each component by k; the same as operator*=(k).
    constexpr void scalar(double k) noexcept { *this *= k; }
    /// Becomes A + B.
    constexpr void add(const Vector3D& A, const Vector3D& B) noexcept
    {
        m_x = A.m_x + B.m_x;
        m_y = A.m_y + B.m_y;
        m_z = A.m_z + B.m_z;
    }
    /// Becomes A - B.
    constexpr void sub(const Vector3D& A, const Vector3D& B) noexcept
    {
        m_x = A.m_x - B.m_x;
        m_y = A.m_y - B.m_y;
        m_z = A.m_z - B.m_z;
    }
    /// Becomes the cross product A x B. Either argument may be this vector itself: all
    /// three components are computed before any is stored.
    constexpr void cross(const Vector3D& A, const Vector3D& B) noexcept { *this = A.Cross(B); }
    /// Becomes the unit normal of the triangle A, B, C: the normalised (C-B) x (A-B),
    /// which points towards a viewer who sees A, B, C counter-clockwise. Coincident or
    /// collinear corners give (0, 0, 0).
    void normal(const Vector3D& A, const Vector3D& B, const Vector3D& C) noexcept
    {
        Vector3D P, Q;
        P.sub(C, B);
        Q.sub(A, B);
        cross(P, Q);
        Normalize();
    }
    /// Divides each component by the length; a vector of length at most 1e-10 becomes
    /// (0, 0, 0). A NaN length makes every component NaN.
    void Normalize() noexcept { *this = Normalized(); }

    // ---- Comparison -------------------------------------------------------------------

    /// True when every component differs from A's by strictly less than epsilon. A box
    /// test, not a distance; always false for epsilon <= 0 or a NaN difference.
    bool cmp(const Vector3D& A, double epsilon) const noexcept
    {
        // Written as "not less than" so that a NaN difference fails.
        if (!(std::fabs(m_x - A.m_x) < epsilon))
            return false;
        if (!(std::fabs(m_y - A.m_y) < epsilon))
            return false;
        return std::fabs(m_z - A.m_z) < epsilon;
    }
    /// cmp(A, 1e-10).
    bool operator==(const Vector3D& A) const noexcept { return cmp(A, 1e-10); }
    /// !cmp(A, 1e-10).
    bool operator!=(const Vector3D& A) const noexcept { return !cmp(A, 1e-10); }
};

inline constexpr Vector3D Vector3D::AxisX{1.0, 0.0, 0.0};
inline constexpr Vector3D Vector3D::AxisY{0.0, 1.0, 0.0};
inline constexpr Vector3D Vector3D::AxisZ{0.0, 0.0, 1.0};

/// k times each component of A, the same bits as A * k.
constexpr Vector3D operator*(double k, const Vector3D& A) noexcept
{
    return A * k;
}

/// Writes "(x, y, z)", each component in the stream's own format.
std::ostream& operator<<(std::ostream& out, const Vector3D& A);

} // namespace vecmath

#ifndef VECMATH_NO_GLOBAL_NAMES
using vecmath::Vector3D;
#endif

#endif // VECMATH_VECTOR3D_H
