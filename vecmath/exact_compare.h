// exact_compare.h: exact hashing, equality and ordering of the library's values (Vector3D,
// Vector4D, Quaternion, Matrix4x4), for the standard library's sets and maps.
//
// The types' own == is a test with the tolerance 1e-10, which is not an equivalence (a
// may equal b and b equal c while a and c differ), so it cannot key a hash table, and
// the types have no operator<. These function objects compare exactly instead:
//
//   std::unordered_set<Vector3D, vecmath::ExactHash, vecmath::ExactEqual> seen;
//   std::map<Matrix4x4, int, vecmath::ExactLess> count;
//   std::set<Vector4D, vecmath::ExactLess> sorted;
//
// - ExactEqual compares component by component with IEEE ==: +0 and -0 are equal, and a
//   value with a NaN component equals nothing, itself included.
// - ExactHash is consistent with it: values that are ExactEqual hash alike (+0 and -0
//   included).
// - ExactLess orders lexicographically by component (x, y, z, w; a quaternion w first; a
//   matrix row by row), each with IEEE <: a strict weak order on values without NaN,
//   whose equivalence is ExactEqual. Values with a NaN component must not be keys of an ordered
//   container.
#ifndef VECMATH_EXACT_COMPARE_H
#define VECMATH_EXACT_COMPARE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "matrix4x4.h"
#include "quaternion.h"
#include "vector3d.h"
#include "vector4d.h"

namespace vecmath {

namespace detail {

/// The components of a value as an array, so that the helpers below index no member
/// through a pointer to another.
template <int N>
struct Components {
    double v[N]; ///< the components in order: x, y, z, w, or a matrix row by row
};
constexpr Components<3> componentsOf(const Vector3D& a) noexcept
{
    return {{a.m_x, a.m_y, a.m_z}};
}
constexpr Components<4> componentsOf(const Vector4D& a) noexcept
{
    return {{a.m_x, a.m_y, a.m_z, a.m_w}};
}
constexpr Components<4> componentsOf(const Quaternion& a) noexcept
{
    return {{a.m_w, a.m_x, a.m_y, a.m_z}};
}
constexpr Components<16> componentsOf(const Matrix4x4& a) noexcept
{
    const auto& m = a.m_d;
    // clang-format off
    return {{m[0][0], m[0][1], m[0][2], m[0][3], m[1][0], m[1][1], m[1][2], m[1][3],
             m[2][0], m[2][1], m[2][2], m[2][3], m[3][0], m[3][1], m[3][2], m[3][3]}};
    // clang-format on
}

/// The bits of d, with -0 taken as +0 so that the two zeros hash alike.
inline std::uint64_t hashBits(double d) noexcept
{
    const double v = d == 0.0 ? 0.0 : d;
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

/// Hashes the components: each one's bits are mixed into the state with the finaliser
/// of SplitMix64, so that every bit of every component moves the result.
template <int N>
std::size_t hashOf(const Components<N>& c) noexcept
{
    std::uint64_t h = 0x9e3779b97f4a7c15u;
    for (double value : c.v) {
        h ^= hashBits(value);
        h = (h ^ (h >> 30)) * 0xbf58476d1ce4e5b9u;
        h = (h ^ (h >> 27)) * 0x94d049bb133111ebu;
        h ^= h >> 31;
    }
    return static_cast<std::size_t>(h);
}

/// Every component of a equal to b's, with IEEE ==.
template <int N>
constexpr bool equal(const Components<N>& a, const Components<N>& b) noexcept
{
    for (int i = 0; i < N; i++)
        if (!(a.v[i] == b.v[i]))
            return false;
    return true;
}

/// a before b in lexicographic order, each component compared with <.
template <int N>
constexpr bool less(const Components<N>& a, const Components<N>& b) noexcept
{
    for (int i = 0; i < N; i++) {
        if (a.v[i] < b.v[i])
            return true;
        if (b.v[i] < a.v[i])
            return false;
    }
    return false;
}

} // namespace detail

/// A hash of the exact value, for std::unordered_set and std::unordered_map with
/// ExactEqual: values that ExactEqual calls equal hash alike.
struct ExactHash {
    /// Hashes x, y and z.
    std::size_t operator()(const Vector3D& v) const noexcept
    {
        return detail::hashOf(detail::componentsOf(v));
    }
    /// Hashes x, y, z and w.
    std::size_t operator()(const Vector4D& v) const noexcept
    {
        return detail::hashOf(detail::componentsOf(v));
    }
    /// Hashes w, x, y and z.
    std::size_t operator()(const Quaternion& q) const noexcept
    {
        return detail::hashOf(detail::componentsOf(q));
    }
    /// Hashes the 16 elements, row by row.
    std::size_t operator()(const Matrix4x4& m) const noexcept
    {
        return detail::hashOf(detail::componentsOf(m));
    }
};

/// Exact equality, component by component with IEEE == (+0 equals -0; NaN equals nothing).
struct ExactEqual {
    /// True when x, y and z are each equal.
    constexpr bool operator()(const Vector3D& a, const Vector3D& b) const noexcept
    {
        return detail::equal(detail::componentsOf(a), detail::componentsOf(b));
    }
    /// True when x, y, z and w are each equal.
    constexpr bool operator()(const Vector4D& a, const Vector4D& b) const noexcept
    {
        return detail::equal(detail::componentsOf(a), detail::componentsOf(b));
    }
    /// True when w, x, y and z are each equal (q and -q are not: the same rotation, but
    /// another value).
    constexpr bool operator()(const Quaternion& a, const Quaternion& b) const noexcept
    {
        return detail::equal(detail::componentsOf(a), detail::componentsOf(b));
    }
    /// True when all 16 elements are equal.
    constexpr bool operator()(const Matrix4x4& a, const Matrix4x4& b) const noexcept
    {
        return detail::equal(detail::componentsOf(a), detail::componentsOf(b));
    }
};

/// Lexicographic order by component, for std::set and std::map: a strict weak order on
/// values without NaN components, whose equivalence is ExactEqual.
struct ExactLess {
    /// a before b: by x, then y, then z.
    constexpr bool operator()(const Vector3D& a, const Vector3D& b) const noexcept
    {
        return detail::less(detail::componentsOf(a), detail::componentsOf(b));
    }
    /// a before b: by x, then y, z and w.
    constexpr bool operator()(const Vector4D& a, const Vector4D& b) const noexcept
    {
        return detail::less(detail::componentsOf(a), detail::componentsOf(b));
    }
    /// a before b: by w, then x, y and z.
    constexpr bool operator()(const Quaternion& a, const Quaternion& b) const noexcept
    {
        return detail::less(detail::componentsOf(a), detail::componentsOf(b));
    }
    /// a before b: element by element, row by row.
    constexpr bool operator()(const Matrix4x4& a, const Matrix4x4& b) const noexcept
    {
        return detail::less(detail::componentsOf(a), detail::componentsOf(b));
    }
};

} // namespace vecmath

#endif // VECMATH_EXACT_COMPARE_H
