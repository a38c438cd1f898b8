// vecmath_fuzz.cpp: a coverage-guided fuzz target (libFuzzer) for the vecmath library.
//
// The input is a little program for a machine with four Vector3D registers, four Vector4D
// registers and three Matrix4x4 registers. Each step reads one operation byte and one
// operand byte, then as many raw doubles as the operation needs: 8 bytes each, copied
// bit for bit, so NaNs with any payload, infinities, subnormals and huge values all come
// up. Every public member of the three classes is reachable, and results are written back
// to the registers, so later steps work on what earlier ones produced (products of
// rotations, inverses of sums, normals of cross products...).
//
// Beyond what AddressSanitizer and UBSan catch, each step checks properties that the
// headers promise for every input, NaN and infinity included, and traps when one fails.
// Products and inverses are checked through both codes of the library, plain and AVX2.
// Results are compared "bit for bit" up to the payload of a NaN: when both operands of an
// operation are NaN, which one's payload comes out depends on the operand order that the
// compiler picks, and no member promises a particular NaN.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "matrix4x4.h"
#include "trig.h"
#include "vecmath_simd.h"
#include "vector3d.h"
#include "vector4d.h"

namespace {

using vecmath::VecmathSimd;
using vecmath::vecmathUseSimd;

// The sine and cosine that the rotation loaders take in this build (trig.h).
double rotationSin(double x)
{
    return vecmath::rotationsUsePortableTrig() ? vecmath::portableSin(x) : std::sin(x);
}
double rotationCos(double x)
{
    return vecmath::rotationsUsePortableTrig() ? vecmath::portableCos(x) : std::cos(x);
}

// ---- Reading the input ----------------------------------------------------------------

// The fuzzer's bytes, read front to back. Past the end every byte reads as zero.
class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }

    std::uint8_t byte() { return empty() ? 0 : m_data[m_pos++]; }

    // The next 8 bytes as a double, bit for bit (missing bytes are zero).
    double number()
    {
        unsigned char raw[sizeof(double)] = {};
        for (unsigned char& b : raw)
            b = byte();
        double d;
        std::memcpy(&d, raw, sizeof d);
        return d;
    }

    Vector3D vector3()
    {
        const double x = number(), y = number(), z = number();
        return Vector3D(x, y, z);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// ---- Checks ---------------------------------------------------------------------------

[[noreturn]] void fail(const char* what, int line)
{
    std::fprintf(stderr, "vecmath_fuzz.cpp:%d: broken: %s\n", line, what);
    std::fflush(stderr);
    __builtin_trap();
}

#define CHECK(condition) ((condition) ? static_cast<void>(0) : fail(#condition, __LINE__))

std::uint64_t bitsOf(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

// The very same bits: for values that are copied, never computed.
bool identical(double a, double b)
{
    return bitsOf(a) == bitsOf(b);
}
// The same result: the same bits, or NaN both.
bool same(double a, double b)
{
    return identical(a, b) || (std::isnan(a) && std::isnan(b));
}
// Equal as numbers (so 0.0 and -0.0 match), or NaN both.
bool sameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool identical(const Vector3D& a, const Vector3D& b)
{
    return identical(a.m_x, b.m_x) && identical(a.m_y, b.m_y) && identical(a.m_z, b.m_z);
}
bool same(const Vector3D& a, const Vector3D& b)
{
    return same(a.m_x, b.m_x) && same(a.m_y, b.m_y) && same(a.m_z, b.m_z);
}
bool sameValue(const Vector3D& a, const Vector3D& b)
{
    return sameValue(a.m_x, b.m_x) && sameValue(a.m_y, b.m_y) && sameValue(a.m_z, b.m_z);
}
bool identical(const Vector4D& a, const Vector4D& b)
{
    return identical(a.m_x, b.m_x) && identical(a.m_y, b.m_y) && identical(a.m_z, b.m_z)
        && identical(a.m_w, b.m_w);
}
bool same(const Vector4D& a, const Vector4D& b)
{
    return same(a.m_x, b.m_x) && same(a.m_y, b.m_y) && same(a.m_z, b.m_z) && same(a.m_w, b.m_w);
}
bool identical(const Matrix4x4& a, const Matrix4x4& b)
{
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            if (!identical(a.m_d[i][j], b.m_d[i][j]))
                return false;
    return true;
}
bool same(const Matrix4x4& a, const Matrix4x4& b)
{
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            if (!same(a.m_d[i][j], b.m_d[i][j]))
                return false;
    return true;
}

bool finite(const Vector3D& v)
{
    return std::isfinite(v.m_x) && std::isfinite(v.m_y) && std::isfinite(v.m_z);
}
bool finite(const Matrix4x4& m)
{
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            if (!std::isfinite(m.m_d[i][j]))
                return false;
    return true;
}
bool allNaN(const Vector3D& v)
{
    return std::isnan(v.m_x) && std::isnan(v.m_y) && std::isnan(v.m_z);
}
bool allPositiveZero(const Vector3D& v)
{
    return bitsOf(v.m_x) == 0 && bitsOf(v.m_y) == 0 && bitsOf(v.m_z) == 0;
}

// A matrix with the given 16 elements, row by row.
Matrix4x4 matrixOf(const double (&e)[4][4])
{
    Matrix4x4 m;
    std::memcpy(m.m_d, e, sizeof m.m_d);
    return m;
}

// The identity with the given elements replaced; used for the loaders' expected results.
struct Expected {
    double e[4][4] = {
        {1.0, 0.0, 0.0, 0.0}, {0.0, 1.0, 0.0, 0.0}, {0.0, 0.0, 1.0, 0.0}, {0.0, 0.0, 0.0, 1.0}};
};

// ---- The documented formulas, written out independently -------------------------------

Vector3D crossOf(const Vector3D& A, const Vector3D& B)
{
    return Vector3D(A.m_y * B.m_z - A.m_z * B.m_y, A.m_z * B.m_x - A.m_x * B.m_z,
                    A.m_x * B.m_y - A.m_y * B.m_x);
}

// Vector3D::Normalize as its header describes it.
Vector3D normalizedOf(const Vector3D& v)
{
    const double n = std::sqrt((v.m_x * v.m_x + v.m_y * v.m_y) + v.m_z * v.m_z);
    if (n <= 1e-10)
        return Vector3D(0.0, 0.0, 0.0);
    return Vector3D(v.m_x / n, v.m_y / n, v.m_z / n);
}

// What every result of Vector3D::Normalize looks like, whatever the input: (0, 0, 0),
// three NaNs, or components in [-1, 1]. With a finite length n > 1e-10 no square has
// overflowed, each |c| <= sqrt(fl(c*c)) <= n (sqrt of a correctly rounded square gives |c|
// back when nothing underflows, and a component whose square underflows is tiny next to
// n), and a quotient of magnitude at most 1 rounds to at most 1.
void checkNormalized(const Vector3D& before, const Vector3D& after)
{
    const double n = before.Norm();
    if (n <= 1e-10) {
        CHECK(allPositiveZero(after));
    } else if (std::isnan(n)) {
        CHECK(allNaN(after));
    } else if (std::isfinite(n)) {
        CHECK(std::fabs(after.m_x) <= 1.0 && std::fabs(after.m_y) <= 1.0
              && std::fabs(after.m_z) <= 1.0);
    }
}

// Rodrigues' matrix as Matrix4x4::loadRotateAboutAxisThroughOrigin documents it.
Matrix4x4 rodriguesOf(const Vector3D& V, double phi)
{
    const double c = rotationCos(phi), s = rotationSin(phi), t = 1 - c;
    const Vector3D u = normalizedOf(V);
    const double x = u.m_x, y = u.m_y, z = u.m_z;
    const double e[4][4] = {{x * x * t + c, x * y * t - z * s, x * z * t + y * s, 0.0},
                            {x * y * t + z * s, y * y * t + c, y * z * t - x * s, 0.0},
                            {x * z * t - y * s, y * z * t + x * s, z * z * t + c, 0.0},
                            {0.0, 0.0, 0.0, 1.0}};
    return matrixOf(e);
}

// The closed form of a rotation about the line through `point` along `axis`.
Matrix4x4 rotationAboutLineOf(const Vector3D& point, const Vector3D& axis, double phi)
{
    const Vector3D n = normalizedOf(axis);
    const double a = point.m_x, b = point.m_y, c = point.m_z;
    const double u = n.m_x, v = n.m_y, w = n.m_z;
    if (u == 0.0 && v == 0.0 && w == 0.0) { // no direction to turn about: no rotation
        const double identity[4][4] = {
            {1.0, 0.0, 0.0, 0.0}, {0.0, 1.0, 0.0, 0.0}, {0.0, 0.0, 1.0, 0.0}, {0.0, 0.0, 0.0, 1.0}};
        return matrixOf(identity);
    }
    const double co = rotationCos(phi), si = rotationSin(phi), t = 1 - co;
    const double e[4][4] = {
        {u * u + (v * v + w * w) * co, u * v * t - w * si, u * w * t + v * si,
         (a * (v * v + w * w) - u * (b * v + c * w)) * t + (b * w - c * v) * si},
        {u * v * t + w * si, v * v + (u * u + w * w) * co, v * w * t - u * si,
         (b * (u * u + w * w) - v * (a * u + c * w)) * t + (c * u - a * w) * si},
        {u * w * t - v * si, v * w * t + u * si, w * w + (u * u + v * v) * co,
         (c * (u * u + v * v) - w * (a * u + b * v)) * t + (a * v - b * u) * si},
        {0.0, 0.0, 0.0, 1.0}};
    return matrixOf(e);
}

Matrix4x4 productOf(const Matrix4x4& A, const Matrix4x4& B)
{
    double e[4][4];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) {
            double sum = 0.0;
            for (int k = 0; k < 4; k++)
                sum += A.m_d[i][k] * B.m_d[k][j];
            e[i][j] = sum;
        }
    return matrixOf(e);
}

// ---- The machine ----------------------------------------------------------------------

struct Machine {
    Vector3D v[4];
    Vector4D q[4];
    Matrix4x4 m[3];

    Machine()
    {
        for (Vector3D& x : v)
            x.Set(1.0, 2.0, 3.0);
        for (Vector4D& x : q)
            x.set(1.0, 2.0, 3.0, 1.0);
        for (Matrix4x4& x : m)
            x.identity();
    }
};

// ---- Vector3D ---------------------------------------------------------------------------

void vectorLoad(Machine& s, Input& in, int a)
{
    const double x = in.number(), y = in.number(), z = in.number();
    const Vector3D built(x, y, z);
    CHECK(identical(built.m_x, x) && identical(built.m_y, y) && identical(built.m_z, z));
    s.v[a].Set(x, y, z);
    CHECK(identical(s.v[a], built));
}

void vectorElement(Machine& s, Input& in, int a, int which)
{
    Vector3D& v = s.v[a];
    CHECK(&v[0] == &v.m_x && &v[1] == &v.m_y && &v[2] == &v.m_z);
    CHECK(&v.X() == &v.m_x && &v.Y() == &v.m_y && &v.Z() == &v.m_z);
    const int i = which % 3;
    const double d = in.number();
    v[i] = d;
    CHECK(identical(i == 0 ? v.X() : (i == 1 ? v.Y() : v.Z()), d));
}

void vectorCopy(Machine& s, int a, int b, int c)
{
    const Vector3D copied(s.v[b]);
    CHECK(identical(copied, s.v[b]));
    Vector3D& assigned = (s.v[a] = s.v[b]); // a may be b
    CHECK(&assigned == &s.v[a]);
    CHECK(identical(s.v[a], copied));
    const Vector3D fromFour(s.q[c]);
    CHECK(identical(fromFour.m_x, s.q[c].m_x) && identical(fromFour.m_y, s.q[c].m_y)
          && identical(fromFour.m_z, s.q[c].m_z));
    s.v[c] = fromFour;
}

void vectorZeroAndAxes(Machine& s, int a)
{
    s.v[a].zero();
    CHECK(allPositiveZero(s.v[a]));
    CHECK(identical(Vector3D::AxisX, Vector3D(1.0, 0.0, 0.0)));
    CHECK(identical(Vector3D::AxisY, Vector3D(0.0, 1.0, 0.0)));
    CHECK(identical(Vector3D::AxisZ, Vector3D(0.0, 0.0, 1.0)));
}

void vectorMeasures(Machine& s, int a, int b)
{
    const Vector3D& A = s.v[a];
    const Vector3D& B = s.v[b];
    const double sq = (A.m_x * A.m_x + A.m_y * A.m_y) + A.m_z * A.m_z;
    CHECK(same(A.NormSqr(), sq));
    CHECK(same(A.Norm(), std::sqrt(sq)));
    const double dot = (A.m_x * B.m_x + A.m_y * B.m_y) + A.m_z * B.m_z;
    CHECK(same(A * B, dot));
    CHECK(same(A.dot(B), dot));
    CHECK(same(B.dot(A), dot));
    CHECK(!(A.NormSqr() < 0.0) && !(A.Norm() < 0.0));
}

void vectorArithmetic(Machine& s, Input& in, int a, int b, int c)
{
    const Vector3D A = s.v[a], B = s.v[b];
    const double k = in.number();
    const Vector3D sum = A + B, difference = A - B, negated = -A, plus = +A, scaled = A * k;
    CHECK(same(sum, Vector3D(A.m_x + B.m_x, A.m_y + B.m_y, A.m_z + B.m_z)));
    CHECK(same(difference, Vector3D(A.m_x - B.m_x, A.m_y - B.m_y, A.m_z - B.m_z)));
    CHECK(same(negated, Vector3D(-A.m_x, -A.m_y, -A.m_z)));
    CHECK(identical(plus, A));
    CHECK(same(scaled, Vector3D(A.m_x * k, A.m_y * k, A.m_z * k)));

    Vector3D t = A;
    t += B;
    CHECK(same(t, sum));
    t = A;
    t -= B;
    CHECK(same(t, difference));
    t = A;
    t *= k;
    CHECK(same(t, scaled));
    t = A;
    t.scalar(k);
    CHECK(same(t, scaled));

    // add and sub into a register that may be one of their arguments.
    Vector3D& out = s.v[c];
    if (k < 0.0) {
        out.add(s.v[a], s.v[b]);
        CHECK(same(out, sum));
    } else {
        out.sub(s.v[a], s.v[b]);
        CHECK(same(out, difference));
    }
}

void vectorCross(Machine& s, int a, int b, int c)
{
    const Vector3D expected = crossOf(s.v[a], s.v[b]);
    s.v[c].cross(s.v[a], s.v[b]); // either argument may be the vector itself
    CHECK(same(s.v[c], expected));
}

void vectorNormal(Machine& s, int a, int b, int c)
{
    const Vector3D A = s.v[a], B = s.v[b], C = s.v[c];
    Vector3D n;
    n.normal(A, B, C);
    const Vector3D product = crossOf(C - B, A - B);
    CHECK(same(n, normalizedOf(product)));
    checkNormalized(product, n);
    s.v[(a + 1) % 4] = n;
}

void vectorNormalize(Machine& s, int a)
{
    const Vector3D before = s.v[a];
    s.v[a].Normalize();
    CHECK(same(s.v[a], normalizedOf(before)));
    checkNormalized(before, s.v[a]);
}

void vectorCompare(Machine& s, Input& in, int a, int b)
{
    const Vector3D& A = s.v[a];
    const Vector3D& B = s.v[b];
    const double eps = in.number();
    const bool expected = std::fabs(A.m_x - B.m_x) < eps && std::fabs(A.m_y - B.m_y) < eps
                       && std::fabs(A.m_z - B.m_z) < eps;
    const bool r = A.cmp(B, eps);
    CHECK(r == expected);
    CHECK(B.cmp(A, eps) == r); // |a - b| and |b - a| are the same number
    if (!(eps > 0.0))
        CHECK(!r);
    CHECK(A.cmp(A, eps) == (finite(A) && eps > 0.0));
    CHECK((A == B) == A.cmp(B, 1e-10));
    CHECK((A != B) == !A.cmp(B, 1e-10));
    CHECK((A == A) == finite(A));
}

// ---- Vector4D ---------------------------------------------------------------------------

void vector4Load(Machine& s, Input& in, int a)
{
    const double x = in.number(), y = in.number(), z = in.number(), w = in.number();
    const Vector4D built(x, y, z, w);
    CHECK(identical(built.m_x, x) && identical(built.m_y, y) && identical(built.m_z, z)
          && identical(built.m_w, w));
    s.q[a].set(x, y, z, w);
    CHECK(identical(s.q[a], built));
}

void vector4Copy(Machine& s, int a, int b, int c)
{
    const Vector4D copied(s.q[b]);
    CHECK(identical(copied, s.q[b]));
    Vector4D& assigned = (s.q[a] = s.q[b]); // a may be b
    CHECK(&assigned == &s.q[a]);
    CHECK(identical(s.q[a], copied));
    const Vector4D point(s.v[c]);
    CHECK(identical(point, Vector4D(s.v[c].m_x, s.v[c].m_y, s.v[c].m_z, 1.0)));
    s.q[c] = point;
}

void vector4Arithmetic(Machine& s, int a, int b, int c)
{
    Vector4D A = s.q[a], B = s.q[b];
    const Vector4D sum = A + B, difference = A - B, negated = -A, plus = +A;
    CHECK(same(sum, Vector4D(A.m_x + B.m_x, A.m_y + B.m_y, A.m_z + B.m_z, A.m_w + B.m_w)));
    CHECK(same(difference, Vector4D(A.m_x - B.m_x, A.m_y - B.m_y, A.m_z - B.m_z, A.m_w - B.m_w)));
    CHECK(same(negated, Vector4D(-A.m_x, -A.m_y, -A.m_z, -A.m_w)));
    CHECK(identical(plus, A));
    Vector4D t = A;
    t += B;
    CHECK(same(t, sum));
    t = A;
    t -= B;
    CHECK(same(t, difference));
    s.q[c] = ((a ^ b) & 1) ? sum : difference;
}

void vector4Measures(Machine& s, int a)
{
    Vector4D& A = s.q[a];
    const double sq = ((A.m_x * A.m_x + A.m_y * A.m_y) + A.m_z * A.m_z) + A.m_w * A.m_w;
    CHECK(same(A.squared(), sq));
    CHECK(same(A.length(), std::sqrt(sq)));
}

void vector4Normalize(Machine& s, int a)
{
    const Vector4D before = s.q[a];
    const double l = s.q[a].length();
    s.q[a].normalize();
    const Vector4D& after = s.q[a];
    if (l < 1e-10) {
        CHECK(identical(after, Vector4D(0.0, 0.0, 0.0, 0.0)));
    } else {
        const double c = 1.0 / l;
        CHECK(
            same(after, Vector4D(before.m_x * c, before.m_y * c, before.m_z * c, before.m_w * c)));
        if (std::isnan(l))
            CHECK(std::isnan(after.m_x) && std::isnan(after.m_y) && std::isnan(after.m_z)
                  && std::isnan(after.m_w));
    }
}

void vector4Homogeneous(Machine& s, int a, int b)
{
    const Vector4D before = s.q[a];
    const double w = before.m_w;

    Vector4D c1 = before, c2 = before;
    c1.cartesianize();
    c2.rationalize();
    CHECK(same(c1, c2));
    if (std::fabs(w) < 1e-10) {
        // No division: x, y, z become 0.0 and the weight is kept as it was.
        CHECK(identical(c1, Vector4D(0.0, 0.0, 0.0, w)));
    } else {
        const double k = 1.0 / w;
        CHECK(same(c1, Vector4D(before.m_x * k, before.m_y * k, before.m_z * k, 1.0)));
        CHECK(identical(c1.m_w, 1.0));
    }

    Vector4D untouched = before;
    const Vector3D p = untouched.cartesianized();
    CHECK(identical(untouched, before));
    // Both branches agree with cartesianize: (0, 0, 0) for a tiny weight, xyz times 1/w
    // otherwise.
    CHECK(same(p, Vector3D(c1)));

    Vector4D h = before;
    h.homogenize();
    CHECK(same(h, Vector4D(before.m_x * w, before.m_y * w, before.m_z * w, w)));
    CHECK(identical(h.m_w, w));

    s.q[a] = c1;
    s.v[b] = p;
    s.q[b] = h;
}

// ---- Matrix4x4 --------------------------------------------------------------------------

void matrixLoad(Machine& s, Input& in, int a)
{
    Matrix4x4& M = s.m[a];
    const Matrix4x4& C = M;
    for (int r = 0; r < 4; r++) {
        CHECK(M[r] == &M.m_d[r][0]);
        CHECK(C[r] == &M.m_d[r][0]);
        for (int c = 0; c < 4; c++) {
            const double d = in.number();
            M[r][c] = d;
            CHECK(identical(C[r][c], d));
        }
    }
}

void matrixElement(Machine& s, Input& in, int a, int where)
{
    const int r = where & 3, c = (where >> 2) & 3;
    const double d = in.number();
    s.m[a][r][c] = d;
    CHECK(identical(s.m[a].m_d[r][c], d));
}

void matrixCopy(Machine& s, int a, int b, int how)
{
    Matrix4x4 before(s.m[b]);
    CHECK(identical(before, s.m[b]));
    switch (how & 3) {
    case 0: {
        Matrix4x4& r = (s.m[a] = s.m[b]); // the modifiable-source assignment; a may be b
        CHECK(&r == &s.m[a]);
        break;
    }
    case 1:
        s.m[a] = static_cast<const Matrix4x4&>(s.m[b]); // the read-only-source assignment
        break;
    case 2:
        s.m[a].copy(s.m[b]);
        break;
    default:
        s.m[a] = +s.m[b]; // a copy, assigned from a temporary
        break;
    }
    CHECK(identical(s.m[a], before));
}

void matrixSimpleLoaders(Machine& s, Input& in, int a, int which)
{
    Matrix4x4& M = s.m[a];
    Expected e;
    switch (which % 4) {
    case 0:
        M.zero();
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                CHECK(bitsOf(M.m_d[i][j]) == 0);
        return;
    case 1:
        M.identity();
        CHECK(identical(M, matrixOf(e.e)));
        return;
    case 2: {
        const Vector3D t = in.vector3();
        M.loadTranslate(t.m_x, t.m_y, t.m_z);
        e.e[0][3] = t.m_x;
        e.e[1][3] = t.m_y;
        e.e[2][3] = t.m_z;
        CHECK(identical(M, matrixOf(e.e)));
        // For a finite point, transforming adds the translation as Translate does
        // (1*x and 0*y change no value; only the sign of a zero may differ).
        const Vector3D p = s.v[(which >> 2) & 3];
        if (finite(p))
            CHECK(sameValue(M.Transform(p), M.Translate(p)));
        return;
    }
    default: {
        const Vector3D k = in.vector3();
        M.loadScale(k.m_x, k.m_y, k.m_z);
        e.e[0][0] = k.m_x;
        e.e[1][1] = k.m_y;
        e.e[2][2] = k.m_z;
        CHECK(identical(M, matrixOf(e.e)));
        const Vector3D p = s.v[(which >> 2) & 3];
        if (finite(p))
            CHECK(sameValue(M.Transform(p), Vector3D(k.m_x * p.m_x, k.m_y * p.m_y, k.m_z * p.m_z)));
        return;
    }
    }
}

// What the library's own sine and cosine promise for any argument (trig.h): NaN for an
// infinity or a NaN, at most 1 in size otherwise, an odd sine and an even cosine bit for
// bit, x itself as the sine of a tiny x, and portableSinCos equal to the two apart.
void checkPortableTrig(double x)
{
    const double sn = vecmath::portableSin(x), cs = vecmath::portableCos(x);
    const vecmath::SinCos both = vecmath::portableSinCos(x);
    if (!std::isfinite(x)) {
        CHECK(std::isnan(sn) && std::isnan(cs) && std::isnan(both.sine) && std::isnan(both.cosine));
        return;
    }
    CHECK(std::fabs(sn) <= 1.0 && std::fabs(cs) <= 1.0);
    CHECK(identical(both.sine, sn) && identical(both.cosine, cs));
    CHECK(identical(vecmath::portableSin(-x), -sn) && identical(vecmath::portableCos(-x), cs));
    if (std::fabs(x) < 0x1p-26)
        CHECK(identical(sn, x));
}

// What the library's own atan2 promises for any pair (trig.h): NaN exactly where an
// argument is NaN; otherwise at most pi (the double nearest to it) in size, at most pi/2
// where x > 0, the sign of y, odd in y bit for bit, and the same bits for (y/2, x/2)
// wherever halving both is exact.
void checkPortableAtan2(double y, double x)
{
    const double a = vecmath::portableAtan2(y, x);
    if (std::isnan(y) || std::isnan(x)) {
        CHECK(std::isnan(a));
        return;
    }
    CHECK(!std::isnan(a) && std::fabs(a) <= 0x1.921fb54442d18p+1);
    CHECK(std::signbit(a) == std::signbit(y));
    CHECK(identical(vecmath::portableAtan2(-y, x), -a));
    if (x > 0)
        CHECK(std::fabs(a) <= 0x1.921fb54442d18p+0);
    const auto halvable = [](double v) { return v == 0 || std::fabs(v) >= 0x1p-1021; };
    if (halvable(y) && halvable(x))
        CHECK(identical(vecmath::portableAtan2(y / 2, x / 2), a));
}

void matrixAxisRotations(Machine& s, Input& in, int a, int which)
{
    Matrix4x4& M = s.m[a];
    const double phi = in.number();
    checkPortableTrig(phi);
    checkPortableAtan2(phi, M.m_d[which % 4][0]); // before M is loaded: any earlier value
    const double c = rotationCos(phi), sn = rotationSin(phi);
    double e[4][4] = {};
    e[3][3] = 1.0;
    switch (which % 3) {
    case 0:
        M.loadRotateX(phi);
        e[0][0] = 1.0;
        e[1][1] = c;
        e[1][2] = -sn;
        e[2][1] = sn;
        e[2][2] = c;
        break;
    case 1:
        M.loadRotateY(phi);
        e[0][0] = c;
        e[0][2] = sn;
        e[1][1] = 1.0;
        e[2][0] = -sn;
        e[2][2] = c;
        break;
    default:
        M.loadRotateZ(phi);
        e[0][0] = c;
        e[0][1] = -sn;
        e[1][0] = sn;
        e[1][1] = c;
        e[2][2] = 1.0;
        break;
    }
    CHECK(same(M, matrixOf(e)));
}

void matrixRotateThroughOrigin(Machine& s, Input& in, int a, int b)
{
    Matrix4x4& M = s.m[a];
    const double phi = in.number();
    const Vector3D axis = s.v[b];
    M.loadRotateAboutAxisThroughOrigin(axis, phi);
    CHECK(same(M, rodriguesOf(axis, phi)));
    if (axis.Norm() <= 1e-10 && std::isfinite(phi)) {
        // A vanishing axis loads a uniform scale by cos(phi).
        const double c = rotationCos(phi);
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                CHECK(M.m_d[i][j] == (i == j ? (i == 3 ? 1.0 : c) : 0.0));
    }
    // The Vector4D form uses x, y and z and ignores w.
    Vector4D axis4 = s.q[b];
    Matrix4x4 F;
    F.loadRotateAboutAxisThroughOrigin(axis4, phi);
    Matrix4x4 G;
    G.loadRotateAboutAxisThroughOrigin(Vector3D(axis4), phi);
    CHECK(same(F, G));
}

void matrixRotateAboutLine(Machine& s, Input& in, int a, int b, int c)
{
    Matrix4x4& M = s.m[a];
    const double phi = in.number();
    const Vector3D point = s.v[b], axis = s.v[c];
    M.loadRotate(point, axis, phi);
    CHECK(same(M, rotationAboutLineOf(point, axis, phi)));
    CHECK(identical(M.m_d[3][0], 0.0) && identical(M.m_d[3][1], 0.0) && identical(M.m_d[3][2], 0.0)
          && identical(M.m_d[3][3], 1.0));
    if (axis.Norm() <= 1e-10) {
        // A vanishing axis loads the identity, whatever the point and the angle.
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                CHECK(identical(M.m_d[i][j], i == j ? 1.0 : 0.0));
    }
    // The Vector4D form uses x, y and z of both and ignores their w.
    Vector4D point4 = s.q[b], axis4 = s.q[c];
    Matrix4x4 F;
    F.loadRotate(point4, axis4, phi);
    Matrix4x4 G;
    G.loadRotate(Vector3D(point4), Vector3D(axis4), phi);
    CHECK(same(F, G));
}

void matrixTransforms(Machine& s, int a, int b, int c)
{
    Matrix4x4& M = s.m[a % 3];
    const double(&d)[4][4] = M.m_d;

    const Vector3D p = s.v[b];
    const Vector3D image(((d[0][0] * p.m_x + d[0][1] * p.m_y) + d[0][2] * p.m_z) + d[0][3],
                         ((d[1][0] * p.m_x + d[1][1] * p.m_y) + d[1][2] * p.m_z) + d[1][3],
                         ((d[2][0] * p.m_x + d[2][1] * p.m_y) + d[2][2] * p.m_z) + d[2][3]);
    const Vector3D t = M.Transform(p);
    CHECK(same(t, image));
    CHECK(same(M * p, t));
    const Vector3D moved = M.Translate(p);
    CHECK(same(moved, Vector3D(p.m_x + d[0][3], p.m_y + d[1][3], p.m_z + d[2][3])));

    const Vector4D h = s.q[c];
    const double x = h.m_x, y = h.m_y, z = h.m_z, w = h.m_w;
    const Vector4D image4(((d[0][0] * x + d[0][1] * y) + d[0][2] * z) + d[0][3] * w,
                          ((d[1][0] * x + d[1][1] * y) + d[1][2] * z) + d[1][3] * w,
                          ((d[2][0] * x + d[2][1] * y) + d[2][2] * z) + d[2][3] * w,
                          ((d[3][0] * x + d[3][1] * y) + d[3][2] * z) + d[3][3] * w);
    const Vector4D t4 = M.Transform(h);
    CHECK(same(t4, image4));
    CHECK(same(M * h, t4));
    const Vector4D moved4 = M.Translate(h);
    CHECK(same(moved4, Vector4D(x + d[0][3], y + d[1][3], z + d[2][3], w)));
    CHECK(identical(moved4.m_w, w));

    // A point with weight 1 goes the same way through both forms: m_d[r][3] * 1.0 is
    // m_d[r][3].
    const Vector4D lifted(p);
    CHECK(same(Vector3D(M.Transform(lifted)), t));
    CHECK(same(Vector3D(M.Translate(lifted)), moved));
    CHECK(identical(M.Translate(lifted).m_w, 1.0));

    s.v[(b + 1) % 4] = t;
    s.q[(c + 1) % 4] = t4;
}

// The product, the inverse and the transform of many points have plain and AVX2 code
// (vecmath_simd.h): each is checked
// through the plain code, through the AVX2 code where this CPU runs it, and last through
// the CPU's own choice, which leaves the registers as a program would find them.
const VecmathSimd kEachCode[] = {VecmathSimd::Scalar, VecmathSimd::Avx2, VecmathSimd::Auto};

void matrixProduct(Machine& s, int a, int b, int c)
{
    Matrix4x4 A(s.m[a]), B(s.m[b]), C(s.m[c]);
    const Matrix4x4 expected = productOf(A, B), expectedInPlace = productOf(C, B);
    for (VecmathSimd simd : kEachCode) {
        if (!vecmathUseSimd(simd))
            continue;
        s.m[a] = A; // a, b and c may be the same register
        s.m[b] = B;
        s.m[c] = C;
        const Matrix4x4 P = s.m[a] * s.m[b];
        CHECK(same(P, expected));
        CHECK(identical(s.m[a], A) && identical(s.m[b], B)); // the factors are only read
        s.m[c] *= s.m[b]; // c may be b: the product is built aside first
        CHECK(same(s.m[c], expectedInPlace));
    }
}

// The transform of many points, through each code: the first `count` of the machine's
// vectors, into another array and in place, each point with the bits of its own
// Transform, and nothing past the last point written.
void matrixTransformMany(Machine& s, int a, int count)
{
    const Matrix4x4& M = s.m[a];
    Vector3D expected[4];
    Vector4D expected4[4];
    for (int i = 0; i < count; i++) {
        expected[i] = M.Transform(s.v[i]);
        expected4[i] = M.Transform(s.q[i]);
    }
    for (VecmathSimd simd : kEachCode) {
        if (!vecmathUseSimd(simd))
            continue;
        Vector3D to[5], inPlace[5];
        Vector4D to4[5], inPlace4[5];
        for (int i = 0; i < 5; i++) {
            to[i] = Vector3D(-7.0, -7.0, -7.0);
            inPlace[i] = i < count ? s.v[i] : to[i];
            to4[i] = Vector4D(-7.0, -7.0, -7.0, -7.0);
            inPlace4[i] = i < count ? s.q[i] : to4[i];
        }
        M.Transform(s.v, to, static_cast<std::size_t>(count));
        M.Transform(inPlace, inPlace, static_cast<std::size_t>(count));
        M.Transform(s.q, to4, static_cast<std::size_t>(count));
        M.Transform(inPlace4, inPlace4, static_cast<std::size_t>(count));
        for (int i = 0; i < count; i++) {
            CHECK(same(to[i], expected[i]) && same(inPlace[i], expected[i]));
            CHECK(same(to4[i], expected4[i]) && same(inPlace4[i], expected4[i]));
        }
        for (int i = count; i < 5; i++) {
            CHECK(identical(to[i], Vector3D(-7.0, -7.0, -7.0)) && identical(inPlace[i], to[i]));
            CHECK(identical(to4[i], Vector4D(-7.0, -7.0, -7.0, -7.0))
                  && identical(inPlace4[i], to4[i]));
        }
    }
}

void matrixElementWise(Machine& s, Input& in, int a, int b, int which)
{
    Matrix4x4 A(s.m[a]), B(s.m[b]);
    const double k = in.number();
    Matrix4x4 R;
    double e[4][4];
    switch (which % 9) {
    case 0:
        R = A + B;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                e[i][j] = A.m_d[i][j] + B.m_d[i][j];
        break;
    case 1:
        R = A;
        R += B;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                e[i][j] = A.m_d[i][j] + B.m_d[i][j];
        break;
    case 2:
        R = A - B;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                e[i][j] = A.m_d[i][j] - B.m_d[i][j];
        break;
    case 3:
        R = A;
        R -= B;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                e[i][j] = A.m_d[i][j] - B.m_d[i][j];
        break;
    case 4:
        R = -A;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                e[i][j] = -A.m_d[i][j];
        break;
    case 5:
        R = A;
        R.neg();
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                e[i][j] = -A.m_d[i][j];
        break;
    case 6:
        R = A * k;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                e[i][j] = A.m_d[i][j] * k;
        break;
    case 7:
        R = A;
        R *= k;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                e[i][j] = A.m_d[i][j] * k;
        break;
    default:
        R = A;
        R.abs();
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                e[i][j] = std::fabs(A.m_d[i][j]);
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                CHECK(!std::signbit(R.m_d[i][j]));
        break;
    }
    CHECK(same(R, matrixOf(e)));
    // Adding to itself in place: the element read and the element written are the same.
    Matrix4x4 T(A);
    T += T;
    CHECK(same(T, A + A));
    s.m[a] = R;
}

void matrixTranspose(Machine& s, int a)
{
    const Matrix4x4 before(s.m[a]);
    Matrix4x4& M = s.m[a];
    M.transpose();
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            CHECK(identical(M.m_d[i][j], before.m_d[j][i]));
    Matrix4x4 back(M);
    back.transpose();
    CHECK(identical(back, before));
}

void matrixDeterminantAndAdjoint(Machine& s, int a, int b)
{
    Matrix4x4 M(s.m[a]);
    const Matrix4x4 before(M);
    const double det = M.det();
    CHECK(identical(M, before)); // det only reads
    Matrix4x4 adj(M);
    adj.adjoint();
    // det() expands along column 0 into the same four cofactors that make up row 0 of the
    // adjoint, and accumulates them in the same order: a1*C1 - b1*C2 + c1*C3 - d1*C4 with
    // the adjoint holding C1, -C2, C3, -C4. x - y is x + (-y) exactly, so the two agree
    // bit for bit.
    const double(&d)[4][4] = before.m_d;
    const double expansion =
        ((d[0][0] * adj.m_d[0][0] + d[1][0] * adj.m_d[0][1]) + d[2][0] * adj.m_d[0][2])
        + d[3][0] * adj.m_d[0][3];
    CHECK(same(det, expansion));
    s.m[b] = adj;
}

void matrixInverse(Machine& s, int a)
{
    Matrix4x4& M = s.m[a];
    const Matrix4x4 before(M);
    Matrix4x4 probe(M);
    const double det = probe.det();
    Matrix4x4 scaled(probe);
    scaled.adjoint();
    scaled *= 1.0 / det;
    const bool expected = std::isfinite(det) && !(std::fabs(det) < 1e-10) && finite(scaled);

    for (VecmathSimd simd : kEachCode) {
        if (!vecmathUseSimd(simd))
            continue;
        M = before;
        const bool ok = M.inv();
        CHECK(ok == expected);
        if (ok) {
            CHECK(finite(M));
            CHECK(std::isfinite(det) && std::fabs(det) >= 1e-10);
            CHECK(same(M, scaled));
        } else {
            CHECK(identical(M, before)); // left exactly as it was
        }
    }
}

void matrixCompare(Machine& s, int a, int b)
{
    Matrix4x4& A = s.m[a];
    Matrix4x4& B = s.m[b];
    bool expected = true;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            if (!(std::fabs(A.m_d[i][j] - B.m_d[i][j]) < 1e-10))
                expected = false;
    const bool r = A.cmp(B);
    CHECK(r == expected);
    CHECK(B.cmp(A) == r);
    CHECK((A == B) == r);
    CHECK((A != B) == !r);
    CHECK(A.cmp(A) == finite(A));
}

// ---- One step of the program --------------------------------------------------------------

constexpr int kOperations = 31;

void step(Machine& s, Input& in)
{
    const int op = in.byte() % kOperations;
    const int operands = in.byte();
    const int a = operands & 3, b = (operands >> 2) & 3, c = (operands >> 4) & 3;
    const int ma = a % 3, mb = b % 3, mc = c % 3;
    switch (op) {
    case 0:
        vectorLoad(s, in, a);
        break;
    case 1:
        vectorElement(s, in, a, operands >> 2);
        break;
    case 2:
        vectorCopy(s, a, b, c);
        break;
    case 3:
        vectorZeroAndAxes(s, a);
        break;
    case 4:
        vectorMeasures(s, a, b);
        break;
    case 5:
        vectorArithmetic(s, in, a, b, c);
        break;
    case 6:
        vectorCross(s, a, b, c);
        break;
    case 7:
        vectorNormal(s, a, b, c);
        break;
    case 8:
        vectorNormalize(s, a);
        break;
    case 9:
        vectorCompare(s, in, a, b);
        break;
    case 10:
        vector4Load(s, in, a);
        break;
    case 11:
        vector4Copy(s, a, b, c);
        break;
    case 12:
        vector4Arithmetic(s, a, b, c);
        break;
    case 13:
        vector4Measures(s, a);
        break;
    case 14:
        vector4Normalize(s, a);
        break;
    case 15:
        vector4Homogeneous(s, a, b);
        break;
    case 16:
        matrixLoad(s, in, ma);
        break;
    case 17:
        matrixElement(s, in, ma, operands >> 2);
        break;
    case 18:
        matrixCopy(s, ma, mb, c);
        break;
    case 19:
        matrixSimpleLoaders(s, in, ma, operands >> 2);
        break;
    case 20:
        matrixAxisRotations(s, in, ma, operands >> 2);
        break;
    case 21:
        matrixRotateThroughOrigin(s, in, ma, b);
        break;
    case 22:
        matrixRotateAboutLine(s, in, ma, b, c);
        break;
    case 23:
        matrixTransforms(s, ma, b, c);
        matrixTransformMany(s, ma, 1 + c);
        break;
    case 24:
        matrixProduct(s, ma, mb, mc);
        break;
    case 25:
        matrixElementWise(s, in, ma, mb, operands >> 4);
        break;
    case 26:
        matrixTranspose(s, ma);
        break;
    case 27:
        matrixDeterminantAndAdjoint(s, ma, mb);
        break;
    case 28:
        matrixInverse(s, ma);
        break;
    case 29:
        matrixCompare(s, ma, mb);
        break;
    default:
        matrixInverse(s, ma);
        matrixProduct(s, ma, mb, mc);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    Machine machine;
    // A bound on the steps keeps every input quick however long it is.
    for (int steps = 0; steps < 256 && !in.empty(); steps++)
        step(machine, in);
    return 0;
}
