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
#include <type_traits>

#include "vecmath_assert.h"

/// Exact double-precision vectors and 4x4 matrices: Vector3D, Vector4D and Matrix4x4, and
/// the operators that go with them. The classes are also declared at global scope unless
/// VECMATH_NO_GLOBAL_NAMES is defined.
namespace vecmath {

class Vector3D;

namespace detail {

/// Enables the free functions of Vector3D for V = Vector3D alone (no conversions).
template <class V>
using IfVector3D = std::enable_if_t<std::is_same<V, Vector3D>::value, int>;

/// |d| < epsilon, false for a NaN d; usable in constant expressions, unlike std::fabs.
constexpr bool within(double d, double epsilon) noexcept
{
    return d < epsilon && -d < epsilon;
}

} // namespace detail

class Vector4D;

/// A point or a direction in space: three doubles, public as m_x, m_y and m_z.
class Vector3D
{
public:
    double m_x; ///< first component
    double m_y; ///< second component
    double m_z; ///< third component

    /// The number of components, 3, for generic code and loops over data().
    static constexpr int size = 3;

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
    /// &m_x: the three components lie one after the other, x, y, z (glVertex3dv(v.data())).
    constexpr double* data() noexcept { return &m_x; }
    /// &m_x of a read-only vector.
    constexpr const double* data() const noexcept { return &m_x; }

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

    /// True when every component differs from A's by strictly less than epsilon, x first;
    /// false as soon as one does not. A box test, not a distance; always false for
    /// epsilon <= 0 or a NaN difference.
    constexpr bool cmp(const Vector3D& A, double epsilon) const noexcept
    {
        return detail::within(m_x - A.m_x, epsilon) && detail::within(m_y - A.m_y, epsilon)
            && detail::within(m_z - A.m_z, epsilon);
    }
    /// cmp(A, 1e-10).
    constexpr bool operator==(const Vector3D& A) const noexcept { return cmp(A, 1e-10); }
    /// !cmp(A, 1e-10).
    constexpr bool operator!=(const Vector3D& A) const noexcept { return !cmp(A, 1e-10); }
};

static_assert(sizeof(Vector3D) == Vector3D::size * sizeof(double),
              "a Vector3D is its three components, one after the other");

inline constexpr Vector3D Vector3D::AxisX{1.0, 0.0, 0.0};
inline constexpr Vector3D Vector3D::AxisY{0.0, 1.0, 0.0};
inline constexpr Vector3D Vector3D::AxisZ{0.0, 0.0, 1.0};

/// k times each component of A, the same bits as A * k.
constexpr Vector3D operator*(double k, const Vector3D& A) noexcept
{
    return A * k;
}

// ---- Free functions, for generic code (found by argument-dependent lookup) ------------
// Templates on purpose: a function of the caller's own with the same name and parameters
// is not a template and so wins over these, and code that had its own dot() or distance()
// for Vector3D compiles unchanged.

/// a * b: the dot product, summed as (x*x' + y*y') + z*z'.
template <class V, detail::IfVector3D<V> = 0>
constexpr double dot(const V& a, const V& b) noexcept
{
    return a * b;
}
/// a.Cross(b): the cross product a x b.
template <class V, detail::IfVector3D<V> = 0>
constexpr Vector3D cross(const V& a, const V& b) noexcept
{
    return a.Cross(b);
}
/// a.Normalized(): a copy of unit length, or (0, 0, 0) for a length of at most 1e-10.
template <class V, detail::IfVector3D<V> = 0>
Vector3D normalize(const V& a) noexcept
{
    return a.Normalized();
}
/// a.Norm(): the length.
template <class V, detail::IfVector3D<V> = 0>
double length(const V& a) noexcept
{
    return a.Norm();
}
/// (a - b).Norm(): the distance between the points a and b.
template <class V, detail::IfVector3D<V> = 0>
double distance(const V& a, const V& b) noexcept
{
    return (a - b).Norm();
}
/// (1 - t) a + t b, component by component: a at t = 0 and b at t = 1, exactly (but for
/// the sign of a zero component); t outside [0, 1] extrapolates.
template <class V, detail::IfVector3D<V> = 0>
constexpr Vector3D lerp(const V& a, const V& b, double t) noexcept
{
    const double s = 1.0 - t;
    return Vector3D(s * a.m_x + t * b.m_x, s * a.m_y + t * b.m_y, s * a.m_z + t * b.m_z);
}

/// Writes "(x, y, z)", each component in the stream's own format.
std::ostream& operator<<(std::ostream& out, const Vector3D& A);
/// Reads "(x, y, z)" as operator<< writes it, whitespace allowed between the parts: every
/// bit comes back when the vector was written with max_digits10 digits. Numbers are read
/// in the classic "C" format, "inf" and "nan" included. On malformed text it sets
/// failbit and leaves A unchanged.
std::istream& operator>>(std::istream& in, Vector3D& A);

} // namespace vecmath

#ifndef VECMATH_NO_GLOBAL_NAMES
using vecmath::Vector3D;
#endif

#endif // VECMATH_VECTOR3D_H
