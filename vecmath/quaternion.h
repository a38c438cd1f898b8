// quaternion.h: rotations kept as unit quaternions, their products, interpolation
// (slerp, nlerp) and conversions to and from matrices.
//
// Conventions (those of vector3d.h, vector4d.h and matrix4x4.h, and these):
// - q = w + x i + y j + z k, Hamilton's convention (i j = k), stored and printed w first:
//   public m_w, m_x, m_y, m_z, and the constructor Quaternion(w, x, y, z), as Eigen and
//   glm take them.
// - The rotation by phi about the unit axis u is (cos(phi/2), sin(phi/2) u). q and -q are
//   the same rotation; FromAxisAngle returns the one with w = cos(phi/2) (negative for
//   |phi| > pi), FromMatrix the one whose largest component is positive.
// - A product q1 * q2 applies q2 first, then q1, as the matrices' product does:
//   (q1 * q2).toMatrix() equals q1.toMatrix() * q2.toMatrix() up to rounding.
// - rotate(), operator*(Vector3D), toMatrix() and slerp() expect unit quaternions (as
//   FromAxisAngle, FromMatrix, normalized() and slerp give); for others their results are
//   not rotations.
// - Every sum is evaluated in the order documented on its member and nothing is
//   contracted, so results are the same bits everywhere; the angle functions (sin, cos,
//   atan2) are the rotation loaders' (see trig.h and VECMATH_PORTABLE_TRIG).
// - == is the library's box test with the tolerance 1e-10, so q != -q although they are
//   the same rotation; nothing throws and nothing allocates.
#ifndef VECMATH_QUATERNION_H
#define VECMATH_QUATERNION_H

#include <cmath>
#include <iosfwd>
#include <type_traits>

#include "matrix4x4.h"
#include "vector3d.h"

// VECMATH_UNFUSED(p): the product p, which GCC's vectoriser may not fuse into the sum or
// difference that uses it. GCC 12 turns a pair of lanes a*b - c and a*b + c into one
// vfmaddsub instruction wherever the target has FMA, although -ffp-contract=off forbids
// contraction, and these inline members are compiled with the caller's -march; the
// barrier keeps every product rounded on its own. Other compilers do not fuse, and without
// FMA in the target there is nothing to fuse into.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12 && defined(__FMA__)
#define VECMATH_UNFUSED(p) __builtin_assoc_barrier(p)
#else
#define VECMATH_UNFUSED(p) (p)
#endif

// The product in SSE2, two components to an instruction, where the compiler can also tell
// a constant expression from a run (GCC, clang): the same operations as the plain code.
#if defined(__SSE2__) && defined(__has_builtin)
#if __has_builtin(__builtin_is_constant_evaluated)
#define VECMATH_QUATERNION_SSE2 1
#include <emmintrin.h>
#endif
#endif

namespace vecmath {

class Quaternion;

namespace detail {
#if VECMATH_QUATERNION_SSE2
inline Quaternion productSse2(const Quaternion& a, const Quaternion& b) noexcept;
#endif
} // namespace detail

/// A rotation as a unit quaternion w + x i + y j + z k: four doubles, public as m_w, m_x,
/// m_y and m_z.
class Quaternion
{
public:
    double m_w; ///< real part: cos(phi/2) of the rotation by phi
    double m_x; ///< i part: sin(phi/2) times the axis's x
    double m_y; ///< j part: sin(phi/2) times the axis's y
    double m_z; ///< k part: sin(phi/2) times the axis's z

    // ---- Construction -----------------------------------------------------------------

    /// Leaves the components uninitialised; Quaternion{} is (0, 0, 0, 0), not a rotation.
    Quaternion() = default;
    /// Builds w + x i + y j + z k.
    constexpr Quaternion(double w, double x, double y, double z) noexcept
        : m_w(w), m_x(x), m_y(y), m_z(z)
    {
    }
    /// The identity rotation, (1, 0, 0, 0).
    static constexpr Quaternion Identity() noexcept { return Quaternion(1.0, 0.0, 0.0, 0.0); }
    /// The rotation by phi radians about `axis`, of any length: with u = axis.Normalized()
    /// and s, c the sine and cosine of phi * 0.5, (c, s u.x, s u.y, s u.z). An axis of
    /// length at most 1e-10 gives the identity.
    static Quaternion FromAxisAngle(const Vector3D& axis, double phi) noexcept;
    /// The rotation of m's upper-left 3x3 part, which must be a rotation (orthonormal,
    /// determinant +1). Shepperd's method: of 4w^2 = 1 + t, 4x^2 = 1 + m00 - m11 - m22,
    /// 4y^2 = 1 - m00 + m11 - m22 and 4z^2 = 1 - m00 - m11 + m22 (t = (m00 + m11) + m22,
    /// each sum left to right), the largest (the first of equals) gives its component as
    /// r/2 with r its square root, and the other three as sums or differences of two
    /// off-diagonal elements times 0.5/r; that component comes out positive. Accurate at
    /// every angle, and never a division by a small number: the four candidates sum to 4,
    /// so the one chosen is at least 1.
    static Quaternion FromMatrix(const Matrix4x4& m) noexcept
    {
        const double m00 = m.m_d[0][0], m01 = m.m_d[0][1], m02 = m.m_d[0][2];
        const double m10 = m.m_d[1][0], m11 = m.m_d[1][1], m12 = m.m_d[1][2];
        const double m20 = m.m_d[2][0], m21 = m.m_d[2][1], m22 = m.m_d[2][2];
        const double w4 = 1.0 + ((m00 + m11) + m22), x4 = ((1.0 + m00) - m11) - m22;
        const double y4 = ((1.0 - m00) + m11) - m22, z4 = ((1.0 - m00) - m11) + m22;
        if (w4 >= x4 && w4 >= y4 && w4 >= z4) {
            const double r = std::sqrt(w4), f = 0.5 / r;
            return Quaternion(0.5 * r, (m21 - m12) * f, (m02 - m20) * f, (m10 - m01) * f);
        }
        if (x4 >= y4 && x4 >= z4) {
            const double r = std::sqrt(x4), f = 0.5 / r;
            return Quaternion((m21 - m12) * f, 0.5 * r, (m01 + m10) * f, (m02 + m20) * f);
        }
        if (y4 >= z4) {
            const double r = std::sqrt(y4), f = 0.5 / r;
            return Quaternion((m02 - m20) * f, (m01 + m10) * f, 0.5 * r, (m12 + m21) * f);
        }
        const double r = std::sqrt(z4), f = 0.5 / r;
        return Quaternion((m10 - m01) * f, (m02 + m20) * f, (m12 + m21) * f, 0.5 * r);
    }

    // ---- Element access ---------------------------------------------------------------

    /// &m_w: the four components lie one after the other, w, x, y, z.
    constexpr double* data() noexcept { return &m_w; }
    /// &m_w of a read-only quaternion.
    constexpr const double* data() const noexcept { return &m_w; }
    /// The vector part (x, y, z).
    constexpr Vector3D vec() const noexcept { return Vector3D(m_x, m_y, m_z); }

    // ---- Conversion and rotation ------------------------------------------------------

    /// The rotation matrix of a unit quaternion: with xx = x*x, xy = x*y, wz = w*z and so
    /// on, the rows (1 - 2(yy + zz), 2(xy - wz), 2(xz + wy), 0),
    /// (2(xy + wz), 1 - 2(xx + zz), 2(yz - wx), 0), (2(xz - wy), 2(yz + wx), 1 - 2(xx + yy), 0)
    /// and (0, 0, 0, 1); each bracket summed first, then doubled.
    constexpr Matrix4x4 toMatrix() const noexcept
    {
        const double xx = VECMATH_UNFUSED(m_x * m_x), yy = VECMATH_UNFUSED(m_y * m_y);
        const double zz = VECMATH_UNFUSED(m_z * m_z), xy = VECMATH_UNFUSED(m_x * m_y);
        const double xz = VECMATH_UNFUSED(m_x * m_z), yz = VECMATH_UNFUSED(m_y * m_z);
        const double wx = VECMATH_UNFUSED(m_w * m_x), wy = VECMATH_UNFUSED(m_w * m_y);
        const double wz = VECMATH_UNFUSED(m_w * m_z);
        // clang-format off
        return Matrix4x4(1.0 - 2.0 * (yy + zz), 2.0 * (xy - wz),       2.0 * (xz + wy),       0.0,
                         2.0 * (xy + wz),       1.0 - 2.0 * (xx + zz), 2.0 * (yz - wx),       0.0,
                         2.0 * (xz - wy),       2.0 * (yz + wx),       1.0 - 2.0 * (xx + yy), 0.0,
                         0.0,                   0.0,                   0.0,                   1.0);
        // clang-format on
    }
    /// v turned by a unit quaternion: with u = (x, y, z) and t = 2 (u x v),
    /// v + w t + u x t, each component summed left to right (the cross products as
    /// Vector3D::Cross).
    constexpr Vector3D rotate(const Vector3D& v) const noexcept
    {
        const Vector3D u(m_x, m_y, m_z);
        const Vector3D t = u.Cross(v) * 2.0;
        const Vector3D ut = u.Cross(t);
        return Vector3D((v.m_x + m_w * t.m_x) + ut.m_x, (v.m_y + m_w * t.m_y) + ut.m_y,
                        (v.m_z + m_w * t.m_z) + ut.m_z);
    }
    /// rotate(v).
    constexpr Vector3D operator*(const Vector3D& v) const noexcept { return rotate(v); }

    // ---- Products and arithmetic ------------------------------------------------------

    /// The Hamilton product: (this) * q turns by q first, then by this, as the product of
    /// their matrices does. w = ((w w' - x x') - y y') - z z', x = ((w x' + x w') + y z') - z y',
    /// y = ((w y' - x z') + y w') + z x', z = ((w z' + x y') - y x') + z w'.
    constexpr Quaternion operator*(const Quaternion& q) const noexcept
    {
#if VECMATH_QUATERNION_SSE2
        if (!__builtin_is_constant_evaluated())
            return detail::productSse2(*this, q);
#endif
        const auto p = [](double a, double b) { return VECMATH_UNFUSED(a * b); };
        return Quaternion(((p(m_w, q.m_w) - p(m_x, q.m_x)) - p(m_y, q.m_y)) - p(m_z, q.m_z),
                          ((p(m_w, q.m_x) + p(m_x, q.m_w)) + p(m_y, q.m_z)) - p(m_z, q.m_y),
                          ((p(m_w, q.m_y) - p(m_x, q.m_z)) + p(m_y, q.m_w)) + p(m_z, q.m_x),
                          ((p(m_w, q.m_z) + p(m_x, q.m_y)) - p(m_y, q.m_x)) + p(m_z, q.m_w));
    }
    /// Becomes (this) * q; returns this quaternion.
    constexpr Quaternion& operator*=(const Quaternion& q) noexcept
    {
        return *this = *this * q;
    }
    /// Component-wise sum with q.
    constexpr Quaternion operator+(const Quaternion& q) const noexcept
    {
        return Quaternion(m_w + q.m_w, m_x + q.m_x, m_y + q.m_y, m_z + q.m_z);
    }
    /// Component-wise difference, this minus q.
    constexpr Quaternion operator-(const Quaternion& q) const noexcept
    {
        return Quaternion(m_w - q.m_w, m_x - q.m_x, m_y - q.m_y, m_z - q.m_z);
    }
    /// All four components with their signs flipped: the same rotation.
    constexpr Quaternion operator-() const noexcept
    {
        return Quaternion(-m_w, -m_x, -m_y, -m_z);
    }
    /// Each component times k; k * q gives the same bits.
    constexpr Quaternion operator*(double k) const noexcept
    {
        return Quaternion(m_w * k, m_x * k, m_y * k, m_z * k);
    }
    /// Each component divided by k (a division each).
    constexpr Quaternion operator/(double k) const noexcept
    {
        return Quaternion(m_w / k, m_x / k, m_y / k, m_z / k);
    }
    /// (w, -x, -y, -z): the inverse rotation of a unit quaternion.
    constexpr Quaternion conjugate() const noexcept
    {
        return Quaternion(m_w, -m_x, -m_y, -m_z);
    }
    /// The conjugate divided, component by component, by dot(*this) = |q|^2: q * inverse()
    /// is the identity. A quaternion with |q|^2 <= 1e-20 (|q| <= 1e-10) has none: the zero
    /// quaternion is returned.
    constexpr Quaternion inverse() const noexcept
    {
        const double n2 = dot(*this);
        // A NaN |q|^2 is not at most 1e-20 and shows in the result.
        if (n2 <= 1e-20)
            return Quaternion(0.0, 0.0, 0.0, 0.0);
        return conjugate() / n2;
    }

    // ---- Measures ---------------------------------------------------------------------

    /// The four-component dot product, summed as ((w w' + x x') + y y') + z z'.
    constexpr double dot(const Quaternion& q) const noexcept
    {
        return ((m_w * q.m_w + m_x * q.m_x) + m_y * q.m_y) + m_z * q.m_z;
    }
    /// The length, sqrt(dot(*this)).
    double norm() const noexcept
    {
        return std::sqrt(dot(*this));
    }
    /// A copy divided, component by component, by norm(). A quaternion of length at most
    /// 1e-10 gives the identity, (1, 0, 0, 0): no rotation rather than NaN.
    Quaternion normalized() const noexcept
    {
        const double n = norm();
        if (n <= 1e-10)
            return Identity();
        return *this / n;
    }

    // ---- Comparison -------------------------------------------------------------------

    /// True when every component differs from q's by strictly less than epsilon, w first:
    /// a box test; always false for epsilon <= 0 or a NaN difference.
    constexpr bool cmp(const Quaternion& q, double epsilon) const noexcept
    {
        return detail::within(m_w - q.m_w, epsilon) && detail::within(m_x - q.m_x, epsilon)
            && detail::within(m_y - q.m_y, epsilon) && detail::within(m_z - q.m_z, epsilon);
    }
    /// cmp(q, 1e-10). q and -q are unequal, though the same rotation.
    constexpr bool operator==(const Quaternion& q) const noexcept
    {
        return cmp(q, 1e-10);
    }
    /// !cmp(q, 1e-10).
    constexpr bool operator!=(const Quaternion& q) const noexcept
    {
        return !cmp(q, 1e-10);
    }
};

static_assert(std::is_trivially_copyable<Quaternion>::value
                  && sizeof(Quaternion) == 4 * sizeof(double),
              "a Quaternion is its four components, one after the other");

#if VECMATH_QUATERNION_SSE2
namespace detail {

/// a * b, the sums of Quaternion::operator* in their order, for (w, x) and (y, z) at once.
/// A difference x - y is computed as x + (-y), which IEEE arithmetic defines it to be; the
/// sign is put on the factor of b, and -(p q) is p (-q) exactly.
inline Quaternion productSse2(const Quaternion& a, const Quaternion& b) noexcept
{
    const __m128d bwx = _mm_loadu_pd(&b.m_w), byz = _mm_loadu_pd(&b.m_y);
    const __m128d bxw = _mm_shuffle_pd(bwx, bwx, 1), bzy = _mm_shuffle_pd(byz, byz, 1);
    const __m128d lowNegative = _mm_set_pd(0.0, -0.0), highNegative = _mm_set_pd(-0.0, 0.0);
    const __m128d aw = _mm_set1_pd(a.m_w), ax = _mm_set1_pd(a.m_x);
    const __m128d ay = _mm_set1_pd(a.m_y), az = _mm_set1_pd(a.m_z);
    // (w, x): a_w (b_w, b_x) + a_x (-b_x, b_w) + a_y (-b_y, b_z) + a_z (-b_z, -b_y)
    __m128d wx = _mm_add_pd(_mm_mul_pd(aw, bwx), _mm_mul_pd(ax, _mm_xor_pd(bxw, lowNegative)));
    wx = _mm_add_pd(wx, _mm_mul_pd(ay, _mm_xor_pd(byz, lowNegative)));
    wx = _mm_add_pd(wx, _mm_mul_pd(az, _mm_xor_pd(bzy, _mm_set1_pd(-0.0))));
    // (y, z): a_w (b_y, b_z) + a_x (-b_z, b_y) + a_y (b_w, -b_x) + a_z (b_x, b_w)
    __m128d yz = _mm_add_pd(_mm_mul_pd(aw, byz), _mm_mul_pd(ax, _mm_xor_pd(bzy, lowNegative)));
    yz = _mm_add_pd(yz, _mm_mul_pd(ay, _mm_xor_pd(bwx, highNegative)));
    yz = _mm_add_pd(yz, _mm_mul_pd(az, bxw));
    Quaternion r;
    _mm_storeu_pd(&r.m_w, wx);
    _mm_storeu_pd(&r.m_y, yz);
    return r;
}

} // namespace detail
#endif

/// k times each component of q, the same bits as q * k.
constexpr Quaternion operator*(double k, const Quaternion& q) noexcept
{
    return q * k;
}

/// a.dot(b), for generic code; a template, so that a caller's own dot(Quaternion,
/// Quaternion) wins over it.
template <class Q, std::enable_if_t<std::is_same<Q, Quaternion>::value, int> = 0>
constexpr double dot(const Q& a, const Q& b) noexcept
{
    return a.dot(b);
}

/// Spherical linear interpolation of unit quaternions along the shorter arc: b is
/// replaced by -b where a.dot(b) < 0. t = 0 gives a and t = 1 gives that b, exactly;
/// other t, in [0, 1] or beyond it, turn at a constant rate. The angle is
/// theta = atan2(s, d) with d = a.dot(b) and s the length of the vector part of
/// a.conjugate() * b, so it is accurate near 0 and near pi, where acos is not; the result
/// is wa a + wb b, component by component, with wb = sin(t theta) / s and
/// wa = cos(t theta) - d wb (which is sin((1 - t) theta) / sin(theta)). Where
/// s < 2^-26 the arc and its chord agree to within rounding, and nlerp(a, b, t) is
/// returned instead, which also covers a = b (s = 0) and a = -b.
Quaternion slerp(const Quaternion& a, const Quaternion& b, double t) noexcept;
/// Normalised linear interpolation along the shorter arc: with b replaced by -b where
/// a.dot(b) < 0, ((1 - t) a + t b).normalized(), component by component. Cheaper than
/// slerp and close to it for nearby rotations, but not at a constant rate.
Quaternion nlerp(const Quaternion& a, const Quaternion& b, double t) noexcept;

/// Writes "(w, x, y, z)", each component in the stream's own format.
std::ostream& operator<<(std::ostream& out, const Quaternion& q);
/// Reads "(w, x, y, z)" as operator<< writes it, whitespace allowed between the parts:
/// every bit comes back when it was written with max_digits10 digits. On malformed text it
/// sets failbit and leaves q unchanged.
std::istream& operator>>(std::istream& in, Quaternion& q);

} // namespace vecmath

#ifndef VECMATH_NO_GLOBAL_NAMES
using vecmath::Quaternion;
#endif

#endif // VECMATH_QUATERNION_H
