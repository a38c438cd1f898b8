// vecmath_digest: runs every public operation of the library on a fixed set of inputs and
// prints three digests of all the result bits, to compare builds, compilers and platforms.
//
//   vecmath_digest           # the three digests
//   vecmath_digest --each    # and one digest per operation, to find the one that differs
//
//   exact          the operations that call no sine, cosine or arctangent. Every result is
//                  defined to the last bit, so this digest is the same on every platform
//                  and flag set.
//   trigonometric  the rotation loaders, the perspective, FromAxisAngle, slerp and the
//                  Euler angles. By default they call the C library's sin, cos and atan2,
//                  whose last bits differ between C libraries, and glibc's between CPUs;
//                  built with VECMATH_PORTABLE_TRIG they call the library's own correctly
//                  rounded ones, and this digest is the same everywhere too.
//   portable       the library's own sine, cosine and atan2 (trig.h) on arguments of every
//                  size and kind, whatever the option: the same on every platform.
//
// The inputs come from a SplitMix64 generator written here: the standard library's
// distributions differ between standard libraries. Each operation draws from its own
// generator, seeded from its name, so adding an operation changes no other's digest. The
// digest is FNV-1a (64 bits) over the results' IEEE bits, eight bytes each, least
// significant first, so that it does not depend on the byte order. Every NaN counts as the
// same NaN: the sign and payload of a NaN that an operation makes differ between CPUs
// (x86 sets the sign, ARM does not), and no result of the library is defined by them.
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "matrix4x4.h"
#include "quaternion.h"
#include "trig.h"
#include "vector3d.h"
#include "vector4d.h"

namespace {

const int kRounds = 10000; // inputs per operation

// ---- The generator --------------------------------------------------------------------------

class SplitMix64
{
public:
    explicit SplitMix64(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15u);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return z ^ (z >> 31);
    }

    /// A double from the bits: one in 32 is zero; otherwise a random sign, 52 random
    /// mantissa bits and a power of two from 2^-30 to 2^30, so that sums cancel and round
    /// in every way and nothing overflows.
    double value()
    {
        const std::uint64_t r = next();
        if (r % 32 == 0)
            return 0.0;
        const std::uint64_t exponent = 1023 - 30 + (r >> 5) % 61;
        const std::uint64_t bits = ((r >> 63) << 63) | (exponent << 52) | (next() >> 12);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    /// A positive value from 2^-41 to 2^-34, below the library's tolerance of 1e-10.
    double tiny()
    {
        const double mantissa = 1.0 + std::ldexp(double(next() >> 12), -52);
        return std::ldexp(mantissa, -41 + int(next() % 7));
    }

    /// An angle in radians between -8 and 8: 53 random bits, scaled by a power of two.
    double angle() { return std::ldexp(double(next() >> 11), -49) - 8.0; }

    /// Any double, infinities and NaNs included: 64 random bits.
    double anyBits()
    {
        const std::uint64_t bits = next();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    /// A large argument: up to 2^80 with a random exponent, or within a few ulps of a
    /// multiple k pi/2 (k up to 2^40), where the reduction cancels most.
    double large()
    {
        if (next() % 2 == 0) {
            const double mantissa = 1.0 + std::ldexp(double(next() >> 12), -52);
            return std::ldexp(mantissa, int(next() % 81));
        }
        double x = double(next() >> 24) * 1.5707963267948966;
        const int steps = int(next() % 9) - 4;
        for (int i = 0; i < (steps < 0 ? -steps : steps); i++)
            x = std::nextafter(x, steps < 0 ? 0.0 : HUGE_VAL);
        return x;
    }

    Vector3D vector3()
    {
        const double x = value(), y = value(), z = value();
        return Vector3D(x, y, z);
    }
    Vector4D vector4()
    {
        const double x = value(), y = value(), z = value(), w = value();
        return Vector4D(x, y, z, w);
    }
    Matrix4x4 matrix()
    {
        Matrix4x4 m;
        for (auto& row : m.m_d)
            for (double& e : row)
                e = value();
        return m;
    }

private:
    std::uint64_t m_state;
};

// ---- The digest -----------------------------------------------------------------------------

class Digest
{
public:
    std::uint64_t value() const { return m_hash; }

    void add(std::uint64_t bits)
    {
        for (int i = 0; i < 8; ++i) {
            m_hash ^= (bits >> (8 * i)) & 0xffu;
            m_hash *= 0x100000001b3u;
        }
    }
    void add(double d)
    {
        std::uint64_t bits = 0x7ff8000000000000u; // the one NaN
        if (!std::isnan(d))
            std::memcpy(&bits, &d, sizeof bits);
        add(bits);
    }
    void add(bool b) { add(std::uint64_t(b ? 1 : 0)); }
    void add(const Vector3D& v)
    {
        add(v.m_x);
        add(v.m_y);
        add(v.m_z);
    }
    void add(const Vector4D& v)
    {
        add(v.m_x);
        add(v.m_y);
        add(v.m_z);
        add(v.m_w);
    }
    void add(const Quaternion& q)
    {
        add(q.m_w);
        add(q.m_x);
        add(q.m_y);
        add(q.m_z);
    }
    void add(const Matrix4x4& m)
    {
        for (const auto& row : m.m_d)
            for (double e : row)
                add(e);
    }

private:
    std::uint64_t m_hash = 0xcbf29ce484222325u;
};

std::uint64_t nameSeed(const char* name)
{
    Digest d;
    for (const char* c = name; *c != '\0'; ++c)
        d.add(std::uint64_t(static_cast<unsigned char>(*c)));
    return d.value();
}

// ---- The operations -------------------------------------------------------------------------

// One round of an operation: draws its inputs from `g` and adds every result to `d`. Each
// draw is a statement or declarator of its own: the order in which the arguments of one
// call are evaluated is the compiler's choice, and the inputs must not depend on it.
using Round = void (*)(SplitMix64& g, Digest& d);

// Which digest an operation's results go into.
enum Kind {
    kExact,         // no sin or cos
    kTrigonometric, // the rotation loaders
    kPortable,      // the library's own sine and cosine
};

struct Operation {
    const char* name;
    Kind kind;
    Round round;
};

// A quaternion of any four values, as the generator draws them.
Quaternion quaternion(SplitMix64& g)
{
    const double w = g.value(), x = g.value(), y = g.value(), z = g.value();
    return Quaternion(w, x, y, z);
}

// A matrix for the determinant, adjoint and inverse: one in eight has a zero row (the
// determinant is exactly zero) and one in eight is scaled below the tolerance.
Matrix4x4 algebraInput(SplitMix64& g)
{
    Matrix4x4 m = g.matrix();
    const std::uint64_t kind = g.next() % 8;
    if (kind == 0)
        for (double& e : m.m_d[g.next() % 4])
            e = 0.0;
    if (kind == 1)
        m *= 0x1p-40;
    return m;
}

// The images of the point `p` under `m` through Transform, * and Translate.
template <class Point>
void addImages(Digest& d, Matrix4x4& m, const Point& p)
{
    d.add(m.Transform(p));
    d.add(m * p);
    d.add(m.Translate(p));
}

// A copy of `m` with one element moved by less, or more, than the tolerance.
Matrix4x4 nearMatrix(SplitMix64& g, Matrix4x4& m)
{
    Matrix4x4 near(m);
    const std::uint64_t r = g.next() % 4, c = g.next() % 4;
    const double step = (g.next() % 2 == 0) ? g.tiny() : 1e-9;
    near.m_d[r][c] += step;
    return near;
}

// The library's own sine and cosine of x, separately and together.
void addSinCos(Digest& d, double x)
{
    d.add(vecmath::portableSin(x));
    d.add(vecmath::portableCos(x));
    const vecmath::SinCos sc = vecmath::portableSinCos(x);
    d.add(sc.sine);
    d.add(sc.cosine);
}

// A pair for atan2 whose ratio is extreme or near 1 in size: y = x 2^-k (1 + f) with k up
// to 1100 (tiny and subnormal results, and pi/2 or pi when swapped) or a few ulps from
// +-x, in any quadrant.
void addAtan2Ratio(SplitMix64& g, Digest& d)
{
    const double x = g.value();
    const std::uint64_t kind = g.next() % 3;
    double y;
    if (kind == 0) {
        const double mantissa = 1.0 + std::ldexp(double(g.next() >> 12), -52);
        y = x * std::ldexp(mantissa, -int(g.next() % 1101));
    } else {
        y = kind == 1 ? x : -x;
        const int steps = int(g.next() % 8);
        for (int i = 0; i < steps; i++)
            y = std::nextafter(y, HUGE_VAL);
    }
    if (g.next() % 2 == 0)
        d.add(vecmath::portableAtan2(y, x));
    else
        d.add(vecmath::portableAtan2(x, y));
}

// Zeros, infinities, NaN, the extremes of the doubles and a few others, for atan2.
const double kAtan2Specials[] = {0.0,      -0.0,         HUGE_VAL,      -HUGE_VAL, NAN,
                                 1.0,      -1.0,         DBL_MAX,       -DBL_MAX,  DBL_MIN,
                                 -DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, 3e-323,    2.0};

const Operation kOperations[] = {
    // Vector3D
    {"Vector3D construction, copy, Set, zero and access", kExact,
     [](SplitMix64& g, Digest& d) {
         const double x = g.value(), y = g.value(), z = g.value();
         Vector3D v(x, y, z);
         // The copy constructor is one of the operations measured.
         Vector3D copy(v); // NOLINT(performance-unnecessary-copy-initialization)
         d.add(copy);
         Vector3D w = g.vector3();
         w = v;
         d.add(w);
         const double sx = g.value(), sy = g.value(), sz = g.value();
         w.Set(sx, sy, sz);
         d.add(w.X());
         d.add(w.Y());
         d.add(w.Z());
         const int i = int(g.next() % 3);
         w[i] = g.value();
         d.add(w);
         w.zero();
         d.add(w);
     }},
    {"Vector3D axes", kExact,
     [](SplitMix64&, Digest& d) {
         d.add(Vector3D::AxisX);
         d.add(Vector3D::AxisY);
         d.add(Vector3D::AxisZ);
     }},
    {"Vector3D from Vector4D", kExact,
     [](SplitMix64& g, Digest& d) { d.add(Vector3D(g.vector4())); }},
    {"Vector3D NormSqr and Norm", kExact,
     [](SplitMix64& g, Digest& d) {
         const Vector3D v = g.vector3();
         d.add(v.NormSqr());
         d.add(v.Norm());
     }},
    {"Vector3D dot products", kExact,
     [](SplitMix64& g, Digest& d) {
         const Vector3D a = g.vector3(), b = g.vector3();
         d.add(a * b);
         d.add(a.dot(b));
     }},
    {"Vector3D operators", kExact,
     [](SplitMix64& g, Digest& d) {
         const Vector3D a = g.vector3(), b = g.vector3();
         const double k = g.value();
         d.add(a + b);
         d.add(+a);
         d.add(a - b);
         d.add(-a);
         d.add(a * k);
     }},
    {"Vector3D in-place arithmetic", kExact,
     [](SplitMix64& g, Digest& d) {
         Vector3D v = g.vector3();
         v += g.vector3();
         d.add(v);
         v -= g.vector3();
         d.add(v);
         v *= g.value();
         d.add(v);
         v.scalar(g.value());
         d.add(v);
         const Vector3D a = g.vector3(), b = g.vector3();
         v.add(a, b);
         d.add(v);
         const Vector3D c = g.vector3(), e = g.vector3();
         v.sub(c, e);
         d.add(v);
     }},
    {"Vector3D cross", kExact,
     [](SplitMix64& g, Digest& d) {
         Vector3D v;
         const Vector3D a = g.vector3(), b = g.vector3();
         v.cross(a, b);
         d.add(v);
         v.cross(v, g.vector3()); // the result is an operand
         d.add(v);
     }},
    {"Vector3D normal", kExact,
     [](SplitMix64& g, Digest& d) {
         const Vector3D a = g.vector3(), b = g.vector3();
         const Vector3D c = (g.next() % 8 == 0) ? b : g.vector3(); // coincident corners
         Vector3D n;
         n.normal(a, b, c);
         d.add(n);
     }},
    {"Vector3D Normalize", kExact,
     [](SplitMix64& g, Digest& d) {
         Vector3D v = g.vector3();
         if (g.next() % 8 == 0) {
             const double x = g.tiny(), z = g.tiny();
             v = Vector3D(x, 0.0, -z); // too short to normalise
         }
         v.Normalize();
         d.add(v);
     }},
    {"Vector3D cmp, == and !=", kExact,
     [](SplitMix64& g, Digest& d) {
         const Vector3D a = g.vector3();
         const double dx = g.tiny();
         const double dz = (g.next() % 2 == 0) ? g.tiny() : 1e-9;
         const Vector3D b = a + Vector3D(dx, 0.0, dz);
         d.add(a.cmp(b, 1e-10));
         d.add(a.cmp(b, std::ldexp(1.0, -int(g.next() % 40))));
         d.add(a.cmp(a, 0.0));
         d.add(a == b);
         d.add(a != b);
     }},
    // Vector4D
    {"Vector4D construction, copy, set and from Vector3D", kExact,
     [](SplitMix64& g, Digest& d) {
         const double x = g.value(), y = g.value(), z = g.value(), w0 = g.value();
         Vector4D v(x, y, z, w0);
         // The copy constructor is one of the operations measured.
         Vector4D copy(v); // NOLINT(performance-unnecessary-copy-initialization)
         d.add(copy);
         Vector4D w = g.vector4();
         w = v;
         d.add(w);
         const double sx = g.value(), sy = g.value(), sz = g.value(), sw = g.value();
         w.set(sx, sy, sz, sw);
         d.add(w);
         d.add(Vector4D(g.vector3()));
     }},
    {"Vector4D operators", kExact,
     [](SplitMix64& g, Digest& d) {
         Vector4D a = g.vector4();
         const Vector4D b = g.vector4();
         d.add(a + b);
         d.add(+a);
         d.add(a - b);
         d.add(-a);
         a += b;
         d.add(a);
         a -= g.vector4();
         d.add(a);
     }},
    {"Vector4D squared and length", kExact,
     [](SplitMix64& g, Digest& d) {
         Vector4D v = g.vector4();
         d.add(v.squared());
         d.add(v.length());
     }},
    {"Vector4D normalize", kExact,
     [](SplitMix64& g, Digest& d) {
         Vector4D v = g.vector4();
         if (g.next() % 8 == 0) {
             const double x = g.tiny(), w = g.tiny();
             v = Vector4D(x, 0.0, 0.0, -w); // too short to normalise
         }
         v.normalize();
         d.add(v);
     }},
    {"Vector4D cartesianize, rationalize, cartesianized and homogenize", kExact,
     [](SplitMix64& g, Digest& d) {
         Vector4D v = g.vector4();
         if (g.next() % 8 == 0)
             v.m_w = (g.next() % 2 == 0) ? g.tiny() : -g.tiny(); // below the tolerance
         Vector4D c = v, r = v, h = v;
         d.add(v.cartesianized());
         d.add(v); // unchanged
         c.cartesianize();
         d.add(c);
         r.rationalize();
         d.add(r);
         h.homogenize();
         d.add(h);
     }},
    // Matrix4x4
    {"Matrix4x4 copies, zero, identity and row access", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m = g.matrix();
         Matrix4x4 copy(m);
         d.add(copy);
         Matrix4x4 assigned = g.matrix();
         assigned = m; // from a modifiable matrix
         d.add(assigned);
         const Matrix4x4 constant = g.matrix();
         assigned = constant; // from a const matrix
         d.add(assigned);
         assigned.copy(m);
         d.add(assigned);
         const int r = int(g.next() % 4), c = int(g.next() % 4);
         m[r][c] = g.value();
         d.add(m);
         d.add(constant[r][c]);
         m.zero();
         d.add(m);
         m.identity();
         d.add(m);
     }},
    {"Matrix4x4 loadTranslate and loadScale", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m = g.matrix();
         const double tx = g.value(), ty = g.value(), tz = g.value();
         m.loadTranslate(tx, ty, tz);
         d.add(m);
         const double sx = g.value(), sy = g.value(), sz = g.value();
         m.loadScale(sx, sy, sz);
         d.add(m);
     }},
    {"Matrix4x4 Transform, * and Translate of a Vector3D", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m = g.matrix();
         addImages(d, m, g.vector3());
     }},
    {"Matrix4x4 Transform, * and Translate of a Vector4D", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m = g.matrix();
         addImages(d, m, g.vector4());
     }},
    {"Matrix4x4 products", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 a = g.matrix();
         const Matrix4x4 b = g.matrix();
         d.add(a * b);
         a *= b;
         d.add(a);
         a *= a; // the operand is the result
         d.add(a);
     }},
    {"Matrix4x4 element-wise algebra", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 a = g.matrix();
         const Matrix4x4 b = g.matrix();
         const double k = g.value();
         d.add(a + b);
         d.add(+a);
         d.add(a - b);
         d.add(-a);
         d.add(a * k);
         a += b;
         d.add(a);
         a -= g.matrix();
         d.add(a);
         a *= k;
         d.add(a);
         a.neg();
         d.add(a);
         a.abs();
         d.add(a);
     }},
    {"Matrix4x4 transpose", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m = g.matrix();
         m.transpose();
         d.add(m);
     }},
    {"Matrix4x4 det", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m = algebraInput(g);
         d.add(m.det());
     }},
    {"Matrix4x4 adjoint", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m = algebraInput(g);
         m.adjoint();
         d.add(m);
     }},
    {"Matrix4x4 inv", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m = algebraInput(g);
         d.add(m.inv());
         d.add(m); // the inverse, or the matrix unchanged
     }},
    {"Matrix4x4 cmp, == and !=", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 a = g.matrix();
         Matrix4x4 b = nearMatrix(g, a);
         d.add(a.cmp(b));
         d.add(a == b);
         d.add(a != b);
         d.add(a == a); // NOLINT(misc-redundant-expression): false for NaN elements
     }},
    {"Matrix4x4 cmp with a tolerance", kExact,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 a = g.matrix();
         Matrix4x4 b = nearMatrix(g, a);
         const double epsilon = g.tiny() * 4096.0;
         d.add(a.cmp(b, epsilon));
         d.add(a.cmp(b, 0.0));
     }},
    {"Matrix4x4 Identity, Translation, Scaling and columnMajor", kExact,
     [](SplitMix64& g, Digest& d) {
         d.add(Matrix4x4::Identity());
         const double tx = g.value(), ty = g.value(), tz = g.value();
         d.add(Matrix4x4::Translation(tx, ty, tz));
         const double sx = g.value(), sy = g.value(), sz = g.value();
         d.add(Matrix4x4::Scaling(sx, sy, sz));
         const Matrix4x4 m = g.matrix();
         for (double e : m.columnMajor())
             d.add(e);
     }},
    {"Matrix4x4 loadLookAt and LookAt", kExact,
     [](SplitMix64& g, Digest& d) {
         const Vector3D eye = g.vector3();
         // One camera in eight looks at its own eye, one in eight has up along the view.
         const std::uint64_t kind = g.next() % 8;
         const Vector3D center = kind == 0 ? eye : g.vector3();
         const Vector3D up = kind == 1 ? (center - eye) * 3.0 : g.vector3();
         Matrix4x4 m;
         d.add(m.loadLookAt(eye, center, up));
         d.add(m);
         bool valid = false;
         d.add(Matrix4x4::LookAt(eye, center, up, &valid));
         d.add(valid);
     }},
    {"Matrix4x4 loadOrtho, loadFrustum, Ortho and Frustum", kExact,
     [](SplitMix64& g, Digest& d) {
         const double left = g.value(), right = g.value(), bottom = g.value();
         const double top = g.value(), zNear = g.value(), zFar = g.value();
         Matrix4x4 m;
         d.add(m.loadOrtho(left, right, bottom, top, zNear, zFar));
         d.add(m);
         d.add(m.loadFrustum(left, right, bottom, top, zNear, zFar));
         d.add(m);
         d.add(Matrix4x4::Ortho(left, right, bottom, top, zNear, zFar));
         d.add(Matrix4x4::Frustum(left, right, bottom, top, zNear, zFar));
     }},
    {"Vector3D and Vector4D free functions", kExact,
     [](SplitMix64& g, Digest& d) {
         const Vector3D a = g.vector3(), b = g.vector3();
         const double t = g.value();
         d.add(dot(a, b));
         d.add(cross(a, b));
         d.add(normalize(a));
         d.add(length(a));
         d.add(distance(a, b));
         d.add(lerp(a, b, t));
         const Vector4D p = g.vector4(), q = g.vector4();
         d.add(dot(p, q));
         d.add(normalize(p));
         d.add(length(p));
         d.add(distance(p, q));
         d.add(lerp(p, q, t));
     }},
    {"Quaternion products, rotation and conversions", kExact,
     [](SplitMix64& g, Digest& d) {
         const Quaternion a = quaternion(g), b = quaternion(g);
         const Vector3D v = g.vector3();
         d.add(a * b);
         d.add(a * v);
         d.add(a.toMatrix());
         d.add(Quaternion::FromMatrix(a.toMatrix()));
         d.add(Quaternion::FromMatrix(g.matrix()));
         d.add(a.conjugate());
         d.add(a.inverse());
         d.add(a.norm());
         d.add(a.normalized());
         d.add(a.dot(b));
         d.add(a == b);
         const double t = g.value();
         d.add(vecmath::nlerp(a, b, t));
     }},
    {"Matrix4x4 decompose", kExact,
     [](SplitMix64& g, Digest& d) {
         // One in four a rotation, scaled and moved; the rest any matrix, mostly refused.
         Matrix4x4 m = g.matrix();
         if (g.next() % 4 == 0) {
             const double sx = g.value(), sy = g.value(), sz = g.value();
             m = quaternion(g).normalized().toMatrix() * Matrix4x4::Scaling(sx, sy, sz);
             m.m_d[0][3] = g.value();
         }
         Vector3D translation(0, 0, 0), scale(0, 0, 0);
         Quaternion rotation(0, 0, 0, 0);
         d.add(m.decompose(translation, rotation, scale));
         d.add(translation);
         d.add(rotation);
         d.add(scale);
     }},
    // The loaders that call sin and cos
    {"Matrix4x4 loadRotateX, loadRotateY and loadRotateZ", kTrigonometric,
     [](SplitMix64& g, Digest& d) {
         const double x = g.angle(), y = g.angle(), z = g.angle();
         Matrix4x4 m;
         m.loadRotateX(x);
         d.add(m);
         m.loadRotateY(y);
         d.add(m);
         m.loadRotateZ(z);
         d.add(m);
     }},
    {"Matrix4x4 loadRotateAboutAxisThroughOrigin", kTrigonometric,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m;
         const Vector3D axis = (g.next() % 8 == 0) ? Vector3D(g.tiny(), 0, 0) : g.vector3();
         const double phi = g.angle();
         m.loadRotateAboutAxisThroughOrigin(axis, phi);
         d.add(m);
         const Vector4D axis4 = g.vector4();
         const double phi4 = g.angle();
         m.loadRotateAboutAxisThroughOrigin(axis4, phi4);
         d.add(m);
     }},
    {"Matrix4x4 loadRotate", kTrigonometric,
     [](SplitMix64& g, Digest& d) {
         Matrix4x4 m;
         const Vector3D point = g.vector3();
         const Vector3D axis = (g.next() % 8 == 0) ? Vector3D(0, g.tiny(), 0) : g.vector3();
         const double phi = g.angle();
         m.loadRotate(point, axis, phi);
         d.add(m);
         const Vector4D point4 = g.vector4(), axis4 = g.vector4();
         const double phi4 = g.angle();
         m.loadRotate(point4, axis4, phi4);
         d.add(m);
     }},
    {"Matrix4x4 rotation factories", kTrigonometric,
     [](SplitMix64& g, Digest& d) {
         const double x = g.angle(), y = g.angle(), z = g.angle();
         d.add(Matrix4x4::RotationX(x));
         d.add(Matrix4x4::RotationY(y));
         d.add(Matrix4x4::RotationZ(z));
         const Vector3D point = g.vector3(), axis = g.vector3();
         const double phi = g.angle();
         d.add(Matrix4x4::RotationAboutAxisThroughOrigin(axis, phi));
         d.add(Matrix4x4::Rotation(point, axis, phi));
     }},
    {"Matrix4x4 loadPerspective and Perspective", kTrigonometric,
     [](SplitMix64& g, Digest& d) {
         // A field of view of up to 4 radians: some beyond pi, which are refused.
         const double fovy = std::ldexp(double(g.next() >> 11), -51);
         const double aspect = g.value(), zNear = g.value(), zFar = g.value();
         Matrix4x4 m;
         d.add(m.loadPerspective(fovy, aspect, zNear, zFar));
         d.add(m);
         bool valid = false;
         d.add(Matrix4x4::Perspective(fovy, aspect, zNear, zFar, &valid));
         d.add(valid);
     }},
    {"Quaternion FromAxisAngle and slerp", kTrigonometric,
     [](SplitMix64& g, Digest& d) {
         const Vector3D axis = g.vector3();
         const double phi = g.angle();
         const Quaternion a = Quaternion::FromAxisAngle(axis, phi);
         const Vector3D otherAxis = g.vector3();
         const double otherPhi = g.angle();
         const Quaternion b = Quaternion::FromAxisAngle(otherAxis, otherPhi);
         d.add(a);
         // t from -1 to 2, and now and then b next to a or opposite it.
         const double t = g.angle() / 5.0 + 0.5;
         const std::uint64_t kind = g.next() % 8;
         const Quaternion c = kind == 0 ? -a : (kind == 1 ? (a + b * g.tiny()).normalized() : b);
         d.add(vecmath::slerp(a, c, t));
         Matrix4x4 m;
         m.loadRotate(a);
         d.add(m);
     }},
    {"Matrix4x4 loadRotateEuler and eulerAngles", kTrigonometric,
     [](SplitMix64& g, Digest& d) {
         const auto order = static_cast<vecmath::EulerOrder>(g.next() % 6);
         const double a = g.angle(), c = g.angle();
         // One in four at gimbal lock.
         const double b = g.next() % 4 == 0 ? 1.5707963267948966 : g.angle();
         Matrix4x4 m;
         m.loadRotateEuler(order, a, b, c);
         d.add(m);
         d.add(m.eulerAngles(order));
         d.add(g.matrix().eulerAngles(order));
     }},
    // The library's own sine and cosine
    {"portableSin, portableCos and portableSinCos of angles", kPortable,
     [](SplitMix64& g, Digest& d) { addSinCos(d, g.angle()); }},
    {"portableSin, portableCos and portableSinCos of large arguments", kPortable,
     [](SplitMix64& g, Digest& d) { addSinCos(d, g.large()); }},
    {"portableSin, portableCos and portableSinCos of any double", kPortable,
     [](SplitMix64& g, Digest& d) { addSinCos(d, g.anyBits()); }},
    {"portableAtan2 of points", kPortable,
     [](SplitMix64& g, Digest& d) {
         const double y = g.value(), x = g.value();
         d.add(vecmath::portableAtan2(y, x));
     }},
    {"portableAtan2 of any doubles", kPortable,
     [](SplitMix64& g, Digest& d) {
         const double y = g.anyBits(), x = g.anyBits();
         d.add(vecmath::portableAtan2(y, x));
     }},
    {"portableAtan2 of extreme ratios and ratios near 1", kPortable, addAtan2Ratio},
    {"portableAtan2 of special values", kPortable,
     [](SplitMix64& g, Digest& d) {
         const std::size_t n = sizeof kAtan2Specials / sizeof kAtan2Specials[0];
         const double y = kAtan2Specials[g.next() % n], x = kAtan2Specials[g.next() % n];
         d.add(vecmath::portableAtan2(y, x));
     }},
};

std::uint64_t runOperation(const Operation& op)
{
    SplitMix64 g(nameSeed(op.name));
    Digest d;
    for (int i = 0; i < kRounds; ++i)
        op.round(g, d);
    return d.value();
}

} // namespace

int main(int argc, char** argv)
{
    const bool each = argc == 2 && std::strcmp(argv[1], "--each") == 0;
    if (argc > 2 || (argc == 2 && !each)) {
        std::fprintf(stderr, "usage: vecmath_digest [--each]\n");
        return 2;
    }
    Digest digests[3];
    int counts[3] = {};
    for (const Operation& op : kOperations) {
        const std::uint64_t digest = runOperation(op);
        if (each)
            std::printf("%016" PRIx64 "  %s\n", digest, op.name);
        digests[op.kind].add(digest);
        ++counts[op.kind];
    }
    const Digest& exact = digests[kExact];
    const Digest& trigonometric = digests[kTrigonometric];
    const int exactCount = counts[kExact], trigonometricCount = counts[kTrigonometric];
    std::printf("exact          %016" PRIx64
                "  (%d operations without trigonometry, %d inputs each)\n",
                exact.value(), exactCount, kRounds);
    std::printf("trigonometric  %016" PRIx64
                "  (%d rotation loaders, projections and angles, with %s trigonometry)\n",
                trigonometric.value(), trigonometricCount,
                vecmath::rotationsUsePortableTrig() ? "the library's own" : "the C library's");
    std::printf("portable       %016" PRIx64
                "  (%d operations of the library's own sin, cos and atan2)\n",
                digests[kPortable].value(), counts[kPortable]);
    return 0;
}
