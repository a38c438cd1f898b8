// vector4d.h: four-component homogeneous double-precision vector.
//
// The point (x, y, z) is carried as (x, y, z, w), usually with w = 1, and turned back into
// a Cartesian point by dividing by w (cartesianize, cartesianized). Every operation takes
// all four components, w included, unless it says otherwise.
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
#ifndef VECMATH_VECTOR4D_H
#define VECMATH_VECTOR4D_H

#include <cmath>
#include <iosfwd>

#include "vecmath_assert.h"
#include "vector3d.h"

namespace vecmath {

/// A homogeneous point (x, y, z, w): four doubles, public as m_x, m_y, m_z and m_w.
class Vector4D
{
public:
    double m_x; ///< first component
    double m_y; ///< second component
    double m_z; ///< third component
    double m_w; ///< homogeneous weight

    /// The number of components, 4, for generic code and loops over data().
    static constexpr int size = 4;

    // ---- Construction -----------------------------------------------------------------

    /// Leaves the components uninitialised; Vector4D{} is (0, 0, 0, 0).
    Vector4D() = default;
    /// Builds the vector (x, y, z, w).
    constexpr Vector4D(double x, double y, double z, double w) noexcept
        : m_x(x), m_y(y), m_z(z), m_w(w)
    {
    }
    /// Copies A.
    Vector4D(const Vector4D& A) = default;
    /// Copies A.
    Vector4D(Vector4D&& A) = default;
    /// The point A with weight 1: (A.x, A.y, A.z, 1.0).
    constexpr Vector4D(const Vector3D& A) noexcept // NOLINT(google-explicit-constructor)
        : m_x(A.m_x), m_y(A.m_y), m_z(A.m_z), m_w(1.0)
    {
    }
    /// Copies A; returns this vector.
    Vector4D& operator=(const Vector4D& A) = default;
    /// Copies A; returns this vector.
    Vector4D& operator=(Vector4D&& A) = default;

    /// Sets the components to x, y, z and w.
    constexpr void set(double x, double y, double z, double w) noexcept
    {
        m_x = x;
        m_y = y;
        m_z = z;
        m_w = w;
    }

    // ---- Element access ---------------------------------------------------------------

    /// Writable reference to m_x.
    constexpr double& X() noexcept { return m_x; }
    /// Writable reference to m_y.
    constexpr double& Y() noexcept { return m_y; }
    /// Writable reference to m_z.
    constexpr double& Z() noexcept { return m_z; }
    /// Writable reference to m_w.
    constexpr double& W() noexcept { return m_w; }
    /// m_x of a read-only vector.
    constexpr const double& X() const noexcept { return m_x; }
    /// m_y of a read-only vector.
    constexpr const double& Y() const noexcept { return m_y; }
    /// m_z of a read-only vector.
    constexpr const double& Z() const noexcept { return m_z; }
    /// m_w of a read-only vector.
    constexpr const double& W() const noexcept { return m_w; }
    /// Writable reference to component i: 0 is m_x, 1 is m_y, 2 is m_z, 3 is m_w.
    /// An index outside 0..3 fails an assertion (in builds with assertions on).
    constexpr double& operator[](int i) noexcept
    {
        VECMATH_ASSERT(i >= 0 && i < 4, "double& Vector4D::operator[](int)");
        return i == 0 ? m_x : (i == 1 ? m_y : (i == 2 ? m_z : m_w));
    }
    /// Component i of a read-only vector; the same contract.
    constexpr const double& operator[](int i) const noexcept
    {
        VECMATH_ASSERT(i >= 0 && i < 4, "const double& Vector4D::operator[](int) const");
        return i == 0 ? m_x : (i == 1 ? m_y : (i == 2 ? m_z : m_w));
    }
    /// &m_x: the four components lie one after the other, x, y, z, w.
    constexpr double* data() noexcept { return &m_x; }
    /// &m_x of a read-only vector.
    constexpr const double* data() const noexcept { return &m_x; }

    // ---- Arithmetic -------------------------------------------------------------------

    /// Component-wise sum with A.
    constexpr Vector4D operator+(const Vector4D& A) const noexcept
    {
        return Vector4D(m_x + A.m_x, m_y + A.m_y, m_z + A.m_z, m_w + A.m_w);
    }
    /// A copy of the vector.
    constexpr Vector4D operator+() const noexcept { return *this; }
    /// Adds A component by component; returns this vector.
    constexpr Vector4D& operator+=(const Vector4D& A) noexcept
    {
        m_x += A.m_x;
        m_y += A.m_y;
        m_z += A.m_z;
        m_w += A.m_w;
        return *this;
    }
    /// Component-wise difference, this minus A.
    constexpr Vector4D operator-(const Vector4D& A) const noexcept
    {
        return Vector4D(m_x - A.m_x, m_y - A.m_y, m_z - A.m_z, m_w - A.m_w);
    }
    /// All four components with their signs flipped; a zero becomes -0.0.
    constexpr Vector4D operator-() const noexcept { return Vector4D(-m_x, -m_y, -m_z, -m_w); }
    /// Subtracts A component by component; returns this vector.
    constexpr Vector4D& operator-=(const Vector4D& A) noexcept
    {
        m_x -= A.m_x;
        m_y -= A.m_y;
        m_z -= A.m_z;
        m_w -= A.m_w;
        return *this;
    }
    /// All four components times k, w included; k * v gives the same bits.
    constexpr Vector4D operator*(double k) const noexcept
    {
        return Vector4D(m_x * k, m_y * k, m_z * k, m_w * k);
    }
    /// Multiplies all four components by k; returns this vector.
    constexpr Vector4D& operator*=(double k) noexcept
    {
        m_x *= k;
        m_y *= k;
        m_z *= k;
        m_w *= k;
        return *this;
    }
    /// All four components divided by k (a division each, not a product with 1/k).
    constexpr Vector4D operator/(double k) const noexcept
    {
        return Vector4D(m_x / k, m_y / k, m_z / k, m_w / k);
    }
    /// Divides all four components by k; returns this vector.
    constexpr Vector4D& operator/=(double k) noexcept
    {
        m_x /= k;
        m_y /= k;
        m_z /= k;
        m_w /= k;
        return *this;
    }

    // ---- Measures and normalisation ---------------------------------------------------

    /// Squared four-dimensional length, summed as ((x*x + y*y) + z*z) + w*w.
    constexpr double squared() const noexcept
    {
        return ((m_x * m_x + m_y * m_y) + m_z * m_z) + m_w * m_w;
    }
    /// Four-dimensional length: the square root of squared().
    double length() const noexcept { return std::sqrt(squared()); }
    /// Multiplies each component by 1/length(); a length below 1e-10 makes all four
    /// components 0.0. (Vector3D::Normalize has its own threshold and divides instead.)
    void normalize() noexcept { *this = normalized(); }
    /// A copy scaled as normalize() scales the vector, the twin of normalize().
    Vector4D normalized() const noexcept
    {
        const double l = length();
        // A NaN length is not below the threshold: it is multiplied in and shows.
        if (l < 1e-10)
            return Vector4D(0.0, 0.0, 0.0, 0.0);
        const double c = 1.0 / l;
        return Vector4D(m_x * c, m_y * c, m_z * c, m_w * c);
    }

    // ---- Homogeneous operations -------------------------------------------------------

    /// Becomes (x/w, y/w, z/w, 1), each of x, y, z multiplied by 1/w. A weight below 1e-10
    /// in magnitude is not divided by: x, y and z become 0.0 and w is kept.
    constexpr void cartesianize() noexcept
    {
        // A weight this close to zero is a direction, or rubbish: no division by it. The
        // weight itself is kept so that the caller can tell.
        if (detail::within(m_w, 1e-10)) {
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
    /// The same as cartesianize().
    constexpr void rationalize() noexcept { cartesianize(); }
    /// The Cartesian point (x/w, y/w, z/w), each multiplied by 1/w, or (0, 0, 0) for a
    /// weight below 1e-10 in magnitude. The vector itself is not changed.
    constexpr Vector3D cartesianized() const noexcept
    {
        if (detail::within(m_w, 1e-10))
            return Vector3D(0.0, 0.0, 0.0);
        const double c = 1.0 / m_w;
        return Vector3D(m_x * c, m_y * c, m_z * c);
    }
    /// Multiplies x, y and z by w; w is kept.
    constexpr void homogenize() noexcept
    {
        m_x *= m_w;
        m_y *= m_w;
        m_z *= m_w;
    }

    // ---- Comparison -------------------------------------------------------------------

    /// True when every component, w included, differs from A's by strictly less than
    /// epsilon, x first; false as soon as one does not. A box test, not a distance;
    /// always false for epsilon <= 0 or a NaN difference.
    constexpr bool cmp(const Vector4D& A, double epsilon) const noexcept
    {
        return detail::within(m_x - A.m_x, epsilon) && detail::within(m_y - A.m_y, epsilon)
            && detail::within(m_z - A.m_z, epsilon) && detail::within(m_w - A.m_w, epsilon);
    }
    /// cmp(A, 1e-10).
    constexpr bool operator==(const Vector4D& A) const noexcept { return cmp(A, 1e-10); }
    /// !cmp(A, 1e-10).
    constexpr bool operator!=(const Vector4D& A) const noexcept { return !cmp(A, 1e-10); }
};

static_assert(sizeof(Vector4D) == Vector4D::size * sizeof(double),
              "a Vector4D is its four components, one after the other");

// Declared in vector3d.h, which cannot see Vector4D's members.
constexpr Vector3D::Vector3D(const Vector4D& A) noexcept : m_x(A.m_x), m_y(A.m_y), m_z(A.m_z) {}

// A Vector3D and a Vector4D compare by their x, y and z, the weight dropped as the
// conversion to Vector3D drops it. Without these, each class's own == would be a
// candidate through a conversion, and C++20 could not choose between them.

/// A == Vector3D(B): x, y and z within 1e-10; B's weight is ignored.
constexpr bool operator==(const Vector3D& A, const Vector4D& B) noexcept
{
    return A == Vector3D(B);
}
/// Vector3D(A) == B: x, y and z within 1e-10; A's weight is ignored.
constexpr bool operator==(const Vector4D& A, const Vector3D& B) noexcept
{
    return Vector3D(A) == B;
}
/// !(A == B).
constexpr bool operator!=(const Vector3D& A, const Vector4D& B) noexcept
{
    return A != Vector3D(B);
}
/// !(A == B).
constexpr bool operator!=(const Vector4D& A, const Vector3D& B) noexcept
{
    return Vector3D(A) != B;
}

/// k times all four components of A, the same bits as A * k.
constexpr Vector4D operator*(double k, const Vector4D& A) noexcept
{
    return A * k;
}

// ---- Free functions, for generic code (found by argument-dependent lookup) ------------
// Templates, as those of Vector3D, so that a caller's own function of the same name and
// parameters wins over them.

namespace detail {
/// Enables the free functions of Vector4D for V = Vector4D alone (no conversions).
template <class V>
using IfVector4D = std::enable_if_t<std::is_same<V, Vector4D>::value, int>;
} // namespace detail

/// The four-component dot product, summed as ((x*x' + y*y') + z*z') + w*w'.
template <class V, detail::IfVector4D<V> = 0>
constexpr double dot(const V& a, const V& b) noexcept
{
    return ((a.m_x * b.m_x + a.m_y * b.m_y) + a.m_z * b.m_z) + a.m_w * b.m_w;
}
/// a.normalized(): a copy of unit four-dimensional length (each component times 1/length),
/// or zeros for a length below 1e-10.
template <class V, detail::IfVector4D<V> = 0>
Vector4D normalize(const V& a) noexcept
{
    return a.normalized();
}
/// a.length(): the four-dimensional length, w included.
template <class V, detail::IfVector4D<V> = 0>
double length(const V& a) noexcept
{
    return a.length();
}
/// (a - b).length(): the four-dimensional distance, w included.
template <class V, detail::IfVector4D<V> = 0>
double distance(const V& a, const V& b) noexcept
{
    return (a - b).length();
}
/// (1 - t) a + t b, component by component, w included: a at t = 0 and b at t = 1,
/// exactly (but for the sign of a zero component); t outside [0, 1] extrapolates.
template <class V, detail::IfVector4D<V> = 0>
constexpr Vector4D lerp(const V& a, const V& b, double t) noexcept
{
    const double s = 1.0 - t;
    return Vector4D(s * a.m_x + t * b.m_x, s * a.m_y + t * b.m_y, s * a.m_z + t * b.m_z,
                    s * a.m_w + t * b.m_w);
}

/// Writes "(x, y, z, w)", each component in the stream's own format.
std::ostream& operator<<(std::ostream& out, const Vector4D& A);
/// Reads "(x, y, z, w)" as operator<< writes it, whitespace allowed between the parts:
/// every bit comes back when the vector was written with max_digits10 digits. Numbers are
/// read in the classic "C" format, "inf" and "nan" included. On malformed text it sets
/// failbit and leaves A unchanged.
std::istream& operator>>(std::istream& in, Vector4D& A);

} // namespace vecmath

#ifndef VECMATH_NO_GLOBAL_NAMES
using vecmath::Vector4D;
#endif

#endif // VECMATH_VECTOR4D_H
