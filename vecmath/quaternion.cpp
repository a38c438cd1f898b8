// quaternion.cpp: the out-of-line members and functions of Quaternion, in the header's
// order.
#include "quaternion.h"

#include <istream>
#include <ostream>

#include "read_tuple.h"
#include "rotation_trig.h"

namespace vecmath {

Quaternion Quaternion::FromAxisAngle(const Vector3D& axis, double phi) noexcept
{
    const Vector3D u = axis.Normalized();
    // Too short to normalise: no direction to turn about, so no rotation.
    if (u.m_x == 0.0 && u.m_y == 0.0 && u.m_z == 0.0)
        return Identity();
    const auto [s, c] = detail::rotationSinCos(phi * 0.5);
    return Quaternion(c, s * u.m_x, s * u.m_y, s * u.m_z);
}

namespace {

// b, or -b where it lies on the far side of a: the end of the shorter arc from a.
Quaternion nearerEnd(const Quaternion& a, const Quaternion& b) noexcept
{
    return a.dot(b) < 0.0 ? -b : b;
}

// (1 - t) a + t b, normalised; b already on a's side.
Quaternion chord(const Quaternion& a, const Quaternion& b, double t) noexcept
{
    const double s = 1.0 - t;
    return Quaternion(s * a.m_w + t * b.m_w, s * a.m_x + t * b.m_x, s * a.m_y + t * b.m_y,
                      s * a.m_z + t * b.m_z)
        .normalized();
}

} // namespace

Quaternion slerp(const Quaternion& a, const Quaternion& b, double t) noexcept
{
    const Quaternion c = nearerEnd(a, b);
    if (t == 0.0)
        return a;
    if (t == 1.0)
        return c;
    // The vector part of a.conjugate() * c, whose length is sin(theta) for unit a and c,
    // and its real part, cos(theta): both without cancellation, unlike 1 - d^2.
    const double vx = ((a.m_w * c.m_x - a.m_x * c.m_w) - a.m_y * c.m_z) + a.m_z * c.m_y;
    const double vy = ((a.m_w * c.m_y + a.m_x * c.m_z) - a.m_y * c.m_w) - a.m_z * c.m_x;
    const double vz = ((a.m_w * c.m_z - a.m_x * c.m_y) + a.m_y * c.m_x) - a.m_z * c.m_w;
    const double s = std::sqrt((vx * vx + vy * vy) + vz * vz);
    // Below 2^-26 the arc and the chord differ by about theta^2/8 < 2^-55 relative: the
    // chord is as good, and the arc would divide 0 by 0 at s = 0.
    if (!(s >= 0x1p-26))
        return chord(a, c, t);
    const double d = a.dot(c);
    const double theta = detail::rotationAtan2(s, d);
    // sin((1 - t) theta) / sin(theta) = cos(t theta) - cos(theta) sin(t theta) / sin(theta),
    // with s and d for sin(theta) and cos(theta): one sine and cosine of t theta.
    const auto [st, ct] = detail::rotationSinCos(t * theta);
    const double wb = st / s;
    const double wa = ct - d * wb;
    return Quaternion(wa * a.m_w + wb * c.m_w, wa * a.m_x + wb * c.m_x, wa * a.m_y + wb * c.m_y,
                      wa * a.m_z + wb * c.m_z);
}

Quaternion nlerp(const Quaternion& a, const Quaternion& b, double t) noexcept
{
    return chord(a, nearerEnd(a, b), t);
}

std::ostream& operator<<(std::ostream& out, const Quaternion& q)
{
    return out << '(' << q.m_w << ", " << q.m_x << ", " << q.m_y << ", " << q.m_z << ')';
}

std::istream& operator>>(std::istream& in, Quaternion& q)
{
    double v[4];
    if (!detail::readTuple(in, v, 4))
        return in;
    q = Quaternion(v[0], v[1], v[2], v[3]);
    return in;
}

} // namespace vecmath
