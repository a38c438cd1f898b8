// vecmath_bench: the same work through vecmath, glm and Eigen 3, on the same data.
//
// Every operation is written once, as a template over a small adapter per library
// (VecmathLib, GlmLib, EigenLib) that says how that library does it in its own idiom.
// The inputs are made once, in plain row-major arrays, and converted into each library's
// types, so the three libraries see the same numbers:
//   - transform: the 2,912 points of the swing ride's ropes and baskets, made by the
//     ride's own builder, turned by one degree about Y as the ride does every frame, one
//     point at a time in the caller's loop, and all at once (vecmath's batch Transform,
//     against glm's and Eigen's own loops); beside it, the ride's own rotateAll() on its
//     real point lists;
//   - product, determinant, inverse and transpose of 4x4 matrices;
//   - loading a rotation about an arbitrary axis, and normalising 3- and 4-vectors;
//   - a look-at view and a perspective projection, and a matrix in OpenGL's column order;
//   - quaternions: product, turning a vector, to and from a matrix, slerp.
// Before anything is timed, every operation is run through all three libraries and the
// results are compared; a disagreement fails that operation's benchmarks and makes the
// program exit with status 1.
//
// vecmath's product and inverse run the CPU's choice of its plain and AVX2 code; the option
// --vecmath_simd=scalar (or avx2) measures the other one (see vecmath_simd.h).
//
// Timed iterations do kBatch operations on kBatch different inputs (one frame for the
// transform); the counter "ops" says how many, so time per operation is time / ops.
//
// Apart from the three libraries: the library's own correctly rounded sine and cosine
// (portableSinCos, trig.h) against glibc's sin plus cos of the same argument, on angles
// that all take the fast path, on random angles (overall, the slow path included where
// Ziv's test sends an argument there), on the same angles sorted, on large arguments
// (Payne-Hanek reduction), and on random angles with the rounding mode set upward;
// portableSin and portableCos alone against glibc's sin and cos, on random and sorted
// angles; and the slow path alone. Before timing, every result is checked to be within an
// ulp of glibc's.
// The same for its own atan2 (portableAtan2) against glibc's atan2, on random points of
// every quadrant and on a sweep around the circle in order of angle.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <Eigen/Geometry>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "matrix4x4.h"
#include "quaternion.h"
#include "ride.h"
#include "trig.h"
#include "trig_detail.h"
#include "vecmath_simd.h"
#include "vector3d.h"
#include "vector4d.h"

namespace {

using vecmath::VecmathSimd;
using vecmath::vecmathSimdAvailable;
using vecmath::vecmathSimdFromName;
using vecmath::vecmathSimdInUse;
using vecmath::vecmathSimdName;
using vecmath::vecmathUseSimd;

// ---- The common data, in plain arrays ---------------------------------------------------

using Rows = std::array<double, 16>; // a 4x4 matrix, element (r, c) at 4 * r + c
using Triple = std::array<double, 3>;
using Quad = std::array<double, 4>;
using Columns = std::array<double, 16>; // a 4x4 matrix column by column, as OpenGL reads it

constexpr int kBatch = 64; // operations per timed iteration, each on its own input

// The ride turns by this angle, in radians, every frame.
const double kRideStep = 3.141592653589793 / 180;

struct Data {
    std::vector<Rows> a, b;       // general matrices, well away from singular
    std::vector<Triple> axes;     // rotation axes of various lengths
    std::vector<double> angles;   // rotation angles in (-pi, pi)
    std::vector<Triple> vectors3; // vectors to normalise
    std::vector<Quad> vectors4;
    std::vector<Triple> ridePoints; // the ride's rope and basket points, in rotateAll's order
    Rows rideStep;                  // the ride's per-frame rotation about Y
    std::vector<Triple> eyes, centers, ups; // cameras
    std::vector<Quad> lenses;               // fovy, aspect, zNear, zFar
    std::vector<Quad> quatsA, quatsB;       // unit quaternions, w first
    std::vector<double> fractions;          // slerp's t, in [0, 1]
};

// The ride's moving points, in the order rotateAll visits them.
std::vector<Triple> ridePoints()
{
    std::vector<Triple> points;
    for (int p = 0; p < 4; p++)
        for (const PointList* list :
             {&konopci[2 * p], &konopci[2 * p + 1], &cubes[2 * p], &cubes[2 * p + 1]})
            for (const Vector3D& v : *list)
                points.push_back({v.m_x, v.m_y, v.m_z});
    return points;
}

Data makeData()
{
    Data d;
    std::mt19937_64 rng(20240601);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < kBatch; i++) {
        Rows a, b;
        for (int k = 0; k < 16; k++) {
            a[k] = unit(rng);
            b[k] = unit(rng);
        }
        for (int k = 0; k < 4; k++) { // diagonally dominant: invertible, well conditioned
            a[5 * k] += 4.0;
            b[5 * k] += 4.0;
        }
        d.a.push_back(a);
        d.b.push_back(b);
        const double length = 0.5 + 4.0 * (unit(rng) + 1.0);
        Triple axis = {unit(rng), unit(rng), unit(rng) + 0.5};
        for (double& c : axis)
            c *= length;
        d.axes.push_back(axis);
        d.angles.push_back(3.0 * unit(rng));
        d.vectors3.push_back({100.0 * unit(rng), 100.0 * unit(rng), 100.0 * unit(rng) + 150.0});
        d.vectors4.push_back(
            {10.0 * unit(rng), 10.0 * unit(rng), 10.0 * unit(rng), 10.0 * unit(rng) + 15.0});
        d.eyes.push_back({50 * unit(rng), 50 * unit(rng), 50 * unit(rng) + 100});
        d.centers.push_back({10 * unit(rng), 10 * unit(rng), 10 * unit(rng)});
        d.ups.push_back({0.2 * unit(rng), 1.0, 0.2 * unit(rng)});
        d.lenses.push_back({1.0 + 0.5 * unit(rng), 1.5 + 0.5 * unit(rng), 0.1 + 0.05 * unit(rng),
                            300 + 100 * unit(rng)});
        for (std::vector<Quad>* quats : {&d.quatsA, &d.quatsB}) {
            const Quaternion q = Quaternion::FromAxisAngle(
                Vector3D(unit(rng), unit(rng), unit(rng) + 0.1), 3.0 * unit(rng));
            quats->push_back({q.m_w, q.m_x, q.m_y, q.m_z});
        }
        d.fractions.push_back(0.5 * (unit(rng) + 1.0));
    }
    kreirajKonopce();
    d.ridePoints = ridePoints();
    Matrix4x4 step;
    step.loadRotateY(kRideStep);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++)
            d.rideStep[4 * r + c] = step.m_d[r][c];
    return d;
}

const Data& data()
{
    static const Data d = makeData();
    return d;
}

// ---- The three libraries ----------------------------------------------------------------
// Each adapter converts the common data to and from its types and does every operation
// as that library's documentation shows. The operations are the timed code.

struct VecmathLib {
    static constexpr const char* name = "vecmath";
    using Mat = Matrix4x4;
    using Vec3 = Vector3D;
    using Vec4 = Vector4D;

    static Mat mat(const Rows& x)
    {
        Mat m;
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++)
                m.m_d[r][c] = x[4 * r + c];
        return m;
    }
    static Rows rows(const Mat& m)
    {
        Rows x;
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++)
                x[4 * r + c] = m.m_d[r][c];
        return x;
    }
    static Vec3 vec3(const Triple& t) { return Vec3(t[0], t[1], t[2]); }
    static Triple triple(const Vec3& v) { return {v.m_x, v.m_y, v.m_z}; }
    static Vec4 vec4(const Quad& q) { return Vec4(q[0], q[1], q[2], q[3]); }
    static Quad quad(const Vec4& v) { return {v.m_x, v.m_y, v.m_z, v.m_w}; }

    static void transformPoint(Mat& m, Vec3& p) { p = m.Transform(p); }
    static void transformAll(const Mat& m, std::vector<Vec3>& points)
    {
        m.Transform(points.data(), points.data(), points.size());
    }
    static Mat product(Mat& a, const Mat& b) { return a * b; }
    static double det(Mat& a) { return a.det(); }
    static Mat inverse(Mat& a) { return a.inverse(); }
    static void transposeInPlace(Mat& a) { a.transpose(); }
    static Mat rotation(const Vec3& axis, double angle)
    {
        Mat m;
        m.loadRotateAboutAxisThroughOrigin(axis, angle);
        return m;
    }
    static Vec3 normalized(const Vec3& v) { return v.Normalized(); }
    static Vec4 normalized(const Vec4& v) { return v.normalized(); }
    static Mat lookAt(const Vec3& eye, const Vec3& center, const Vec3& up)
    {
        return Mat::LookAt(eye, center, up);
    }
    static Mat perspective(const Quad& l) { return Mat::Perspective(l[0], l[1], l[2], l[3]); }
    static Columns columns(const Mat& m) { return m.columnMajor(); }

    using Quat = Quaternion;
    static Quat quat(const Quad& q) { return Quat(q[0], q[1], q[2], q[3]); }
    static Quad quad(const Quat& q) { return {q.m_w, q.m_x, q.m_y, q.m_z}; }
    static Quat quatProduct(const Quat& a, const Quat& b) { return a * b; }
    static Vec3 quatRotate(const Quat& q, const Vec3& v) { return q * v; }
    static Mat quatToMatrix(const Quat& q) { return q.toMatrix(); }
    static Quat quatFromMatrix(const Mat& m) { return Quat::FromMatrix(m); }
    static Quat slerp(const Quat& a, const Quat& b, double t) { return vecmath::slerp(a, b, t); }
};

// glm's matrices are column-major: m[c][r] is row r, column c.
struct GlmLib {
    static constexpr const char* name = "glm";
    using Mat = glm::dmat4;
    using Vec3 = glm::dvec3;
    using Vec4 = glm::dvec4;

    static Mat mat(const Rows& x)
    {
        Mat m;
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++)
                m[c][r] = x[4 * r + c];
        return m;
    }
    static Rows rows(const Mat& m)
    {
        Rows x;
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++)
                x[4 * r + c] = m[c][r];
        return x;
    }
    static Vec3 vec3(const Triple& t) { return Vec3(t[0], t[1], t[2]); }
    static Triple triple(const Vec3& v) { return {v.x, v.y, v.z}; }
    static Vec4 vec4(const Quad& q) { return Vec4(q[0], q[1], q[2], q[3]); }
    static Quad quad(const Vec4& v) { return {v.x, v.y, v.z, v.w}; }

    static void transformPoint(Mat& m, Vec3& p) { p = Vec3(m * Vec4(p, 1.0)); }
    static void transformAll(Mat& m, std::vector<Vec3>& points)
    {
        for (auto& p : points)
            transformPoint(m, p);
    }
    static Mat product(Mat& a, const Mat& b) { return a * b; }
    static double det(Mat& a) { return glm::determinant(a); }
    static Mat inverse(Mat& a) { return glm::inverse(a); }
    static void transposeInPlace(Mat& a) { a = glm::transpose(a); }
    static Mat rotation(const Vec3& axis, double angle)
    {
        return glm::rotate(Mat(1.0), angle, axis);
    }
    static Vec3 normalized(const Vec3& v) { return glm::normalize(v); }
    static Vec4 normalized(const Vec4& v) { return glm::normalize(v); }
    static Mat lookAt(const Vec3& eye, const Vec3& center, const Vec3& up)
    {
        return glm::lookAtRH(eye, center, up);
    }
    static Mat perspective(const Quad& l) { return glm::perspectiveRH_NO(l[0], l[1], l[2], l[3]); }
    static Columns columns(const Mat& m)
    {
        Columns c;
        std::memcpy(c.data(), glm::value_ptr(m), sizeof c);
        return c;
    }

    // glm::dquat(w, x, y, z), as vecmath's.
    using Quat = glm::dquat;
    static Quat quat(const Quad& q) { return Quat(q[0], q[1], q[2], q[3]); }
    static Quad quad(const Quat& q) { return {q.w, q.x, q.y, q.z}; }
    static Quat quatProduct(const Quat& a, const Quat& b) { return a * b; }
    static Vec3 quatRotate(const Quat& q, const Vec3& v) { return q * v; }
    static Mat quatToMatrix(const Quat& q) { return glm::mat4_cast(q); }
    static Quat quatFromMatrix(const Mat& m) { return glm::quat_cast(m); }
    static Quat slerp(const Quat& a, const Quat& b, double t) { return glm::slerp(a, b, t); }
};

// Eigen's matrices are column-major too, but m(r, c) is row r, column c.
struct EigenLib {
    static constexpr const char* name = "Eigen";
    using Mat = Eigen::Matrix4d;
    using Vec3 = Eigen::Vector3d;
    using Vec4 = Eigen::Vector4d;

    static Mat mat(const Rows& x)
    {
        Mat m;
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++)
                m(r, c) = x[4 * r + c];
        return m;
    }
    static Rows rows(const Mat& m)
    {
        Rows x;
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++)
                x[4 * r + c] = m(r, c);
        return x;
    }
    static Vec3 vec3(const Triple& t) { return Vec3(t[0], t[1], t[2]); }
    static Triple triple(const Vec3& v) { return {v.x(), v.y(), v.z()}; }
    static Vec4 vec4(const Quad& q) { return Vec4(q[0], q[1], q[2], q[3]); }
    static Quad quad(const Vec4& v) { return {v.x(), v.y(), v.z(), v.w()}; }

    static void transformPoint(Mat& m, Vec3& p)
    {
        const Vec4 q = m * p.homogeneous();
        p = q.head<3>();
    }
    static void transformAll(Mat& m, std::vector<Vec3>& points)
    {
        for (auto& p : points)
            transformPoint(m, p);
    }
    static Mat product(Mat& a, const Mat& b) { return a * b; }
    static double det(Mat& a) { return a.determinant(); }
    static Mat inverse(Mat& a) { return a.inverse(); }
    static void transposeInPlace(Mat& a) { a.transposeInPlace(); }
    static Mat rotation(const Vec3& axis, double angle)
    {
        Mat m = Mat::Identity();
        m.topLeftCorner<3, 3>() = Eigen::AngleAxisd(angle, axis.normalized()).toRotationMatrix();
        return m;
    }
    static Vec3 normalized(const Vec3& v) { return v.normalized(); }
    static Vec4 normalized(const Vec4& v) { return v.normalized(); }
    // Eigen has no look-at or perspective: written as its users write them.
    static Mat lookAt(const Vec3& eye, const Vec3& center, const Vec3& up)
    {
        const Vec3 f = (center - eye).normalized();
        const Vec3 s = f.cross(up).normalized();
        const Vec3 u = s.cross(f);
        Mat m = Mat::Identity();
        m.row(0).head<3>() = s;
        m.row(1).head<3>() = u;
        m.row(2).head<3>() = -f;
        m(0, 3) = -s.dot(eye);
        m(1, 3) = -u.dot(eye);
        m(2, 3) = f.dot(eye);
        return m;
    }
    static Mat perspective(const Quad& l)
    {
        const double f = 1.0 / std::tan(l[0] / 2), d = l[3] - l[2];
        Mat m = Mat::Zero();
        m(0, 0) = f / l[1];
        m(1, 1) = f;
        m(2, 2) = -(l[3] + l[2]) / d;
        m(2, 3) = -(2.0 * l[3] * l[2]) / d;
        m(3, 2) = -1.0;
        return m;
    }
    static Columns columns(const Mat& m)
    {
        Columns c;
        std::memcpy(c.data(), m.data(), sizeof c);
        return c;
    }

    using Quat = Eigen::Quaterniond;
    static Quat quat(const Quad& q) { return Quat(q[0], q[1], q[2], q[3]); }
    static Quad quad(const Quat& q) { return {q.w(), q.x(), q.y(), q.z()}; }
    static Quat quatProduct(const Quat& a, const Quat& b) { return a * b; }
    static Vec3 quatRotate(const Quat& q, const Vec3& v) { return q * v; }
    static Mat quatToMatrix(const Quat& q)
    {
        Mat m = Mat::Identity();
        m.topLeftCorner<3, 3>() = q.toRotationMatrix();
        return m;
    }
    static Quat quatFromMatrix(const Mat& m)
    {
        return Quat(Eigen::Matrix3d(m.topLeftCorner<3, 3>()));
    }
    static Quat slerp(const Quat& a, const Quat& b, double t) { return a.slerp(t, b); }
};

// ---- Inputs in one library's types ------------------------------------------------------

// The inputs start on a cache line, for the three libraries alike. Left where malloc put
// them, the matrices straddled cache lines differently from run to run, and the shortest
// operations moved with it (the transpose between 1.1 and 1.7 ns, for vecmath and Eigen
// alike) by more than the libraries differ.
template <class L>
struct alignas(64) Inputs {
    std::array<typename L::Mat, kBatch> a, b;
    std::array<typename L::Vec3, kBatch> axes, vectors3;
    std::array<typename L::Vec4, kBatch> vectors4;
    std::array<double, kBatch> angles;
    std::vector<typename L::Vec3> ridePoints;
    typename L::Mat rideStep;
    std::array<typename L::Vec3, kBatch> eyes, centers, ups;
    std::array<typename L::Quat, kBatch> quatsA, quatsB;
    std::array<typename L::Mat, kBatch> rotations; // quatsA as matrices

    Inputs()
    {
        const Data& d = data();
        for (int i = 0; i < kBatch; i++) {
            a[i] = L::mat(d.a[i]);
            b[i] = L::mat(d.b[i]);
            axes[i] = L::vec3(d.axes[i]);
            vectors3[i] = L::vec3(d.vectors3[i]);
            vectors4[i] = L::vec4(d.vectors4[i]);
            angles[i] = d.angles[i];
            eyes[i] = L::vec3(d.eyes[i]);
            centers[i] = L::vec3(d.centers[i]);
            ups[i] = L::vec3(d.ups[i]);
            quatsA[i] = L::quat(d.quatsA[i]);
            quatsB[i] = L::quat(d.quatsB[i]);
            rotations[i] = L::quatToMatrix(quatsA[i]);
        }
        for (const Triple& t : d.ridePoints)
            ridePoints.push_back(L::vec3(t));
        rideStep = L::mat(d.rideStep);
    }
};

template <class L>
std::unique_ptr<Inputs<L>> inputs()
{
    return std::make_unique<Inputs<L>>();
}

// ---- Agreement of the three libraries ---------------------------------------------------

enum Op {
    kTransform,
    kTransformBatch,
    kRotateAll,
    kProduct,
    kDet,
    kInverse,
    kTranspose,
    kRotation,
    kNormalize3,
    kNormalize4,
    kLookAt,
    kPerspective,
    kColumnMajor,
    kQuatProduct,
    kQuatRotate,
    kQuatToMatrix,
    kQuatFromMatrix,
    kSlerp,
    kOpCount
};

const char* const kOpNames[kOpCount] = {
    "transform_frame", "transform_batch",  "ride_rotateAll", "product",      "det",
    "inverse",         "transpose",        "rotate_axis",    "normalize3",   "normalize4",
    "look_at",         "perspective",      "column_major",   "quat_product", "quat_rotate",
    "quat_to_matrix",  "quat_from_matrix", "slerp"};

struct Verdict {
    bool ok = false;
    std::string text;
};

// Compares two results element by element; the difference allowed is `relative` times
// the largest magnitude in the reference (at least 1). Returns the largest difference
// found through `worst`, scaled the same way.
bool close(const double* ref, const double* got, int n, double relative, double& worst)
{
    double scale = 1.0;
    for (int k = 0; k < n; k++)
        scale = std::max(scale, std::fabs(ref[k]));
    bool ok = true;
    for (int k = 0; k < n; k++) {
        const double diff = std::fabs(ref[k] - got[k]) / scale;
        if (!(diff <= relative)) // a NaN fails
            ok = false;
        worst = std::max(worst, diff);
    }
    return ok;
}

// One of the operations that take one input of the batch and return a value: the same
// code gives the numbers compared and is the timed code.
template <class L, Op op>
auto compute(const Inputs<L>& in, int i)
{
    const Data& d = data();
    if constexpr (op == kLookAt)
        return L::lookAt(in.eyes[i], in.centers[i], in.ups[i]);
    else if constexpr (op == kPerspective)
        return L::perspective(d.lenses[i]);
    else if constexpr (op == kColumnMajor)
        return L::columns(in.a[i]);
    else if constexpr (op == kQuatProduct)
        return L::quatProduct(in.quatsA[i], in.quatsB[i]);
    else if constexpr (op == kQuatRotate)
        return L::quatRotate(in.quatsA[i], in.vectors3[i]);
    else if constexpr (op == kQuatToMatrix)
        return L::quatToMatrix(in.quatsA[i]);
    else if constexpr (op == kQuatFromMatrix)
        return L::quatFromMatrix(in.rotations[i]);
    else
        return L::slerp(in.quatsA[i], in.quatsB[i], d.fractions[i]);
}

// compute()'s result as plain numbers.
template <class L>
Rows numbers(const typename L::Mat& m)
{
    return L::rows(m);
}
template <class L>
Triple numbers(const typename L::Vec3& v)
{
    return L::triple(v);
}
template <class L>
Quad numbers(const typename L::Quat& q)
{
    return L::quad(q);
}
template <class L>
Columns numbers(const Columns& c)
{
    return c;
}

// q, or -q where its largest component is negative: the three libraries may return either
// of the two quaternions of a rotation.
Quad canonical(Quad q)
{
    int largest = 0;
    for (int k = 1; k < 4; k++)
        if (std::fabs(q[k]) > std::fabs(q[largest]))
            largest = k;
    if (q[largest] < 0)
        for (double& c : q)
            c = -c;
    return q;
}

template <class L, Op op>
void putAll(std::vector<double>& out)
{
    auto in = inputs<L>();
    for (int i = 0; i < kBatch; i++) {
        auto values = numbers<L>(compute<L, op>(*in, i));
        if constexpr (op == kQuatFromMatrix)
            values = canonical(values);
        out.insert(out.end(), values.begin(), values.end());
    }
}

// The results of one operation on all inputs, as plain numbers, per library.
template <class L>
std::vector<double> results(Op op)
{
    auto in = inputs<L>();
    std::vector<double> out;
    auto put = [&out](const auto& values) { out.insert(out.end(), values.begin(), values.end()); };
    switch (op) {
    case kTransform:
    case kRotateAll:
        for (auto& p : in->ridePoints)
            L::transformPoint(in->rideStep, p);
        for (auto& p : in->ridePoints)
            put(L::triple(p));
        break;
    case kTransformBatch:
        L::transformAll(in->rideStep, in->ridePoints);
        for (auto& p : in->ridePoints)
            put(L::triple(p));
        break;
    case kProduct:
        for (int i = 0; i < kBatch; i++)
            put(L::rows(L::product(in->a[i], in->b[i])));
        break;
    case kDet:
        for (int i = 0; i < kBatch; i++)
            out.push_back(L::det(in->a[i]));
        break;
    case kInverse:
        for (int i = 0; i < kBatch; i++)
            put(L::rows(L::inverse(in->a[i])));
        break;
    case kTranspose:
        for (int i = 0; i < kBatch; i++) {
            L::transposeInPlace(in->a[i]);
            put(L::rows(in->a[i]));
        }
        break;
    case kRotation:
        for (int i = 0; i < kBatch; i++)
            put(L::rows(L::rotation(in->axes[i], in->angles[i])));
        break;
    case kNormalize3:
        for (int i = 0; i < kBatch; i++)
            put(L::triple(L::normalized(in->vectors3[i])));
        break;
    case kNormalize4:
        for (int i = 0; i < kBatch; i++)
            put(L::quad(L::normalized(in->vectors4[i])));
        break;
    case kLookAt:
        putAll<L, kLookAt>(out);
        break;
    case kPerspective:
        putAll<L, kPerspective>(out);
        break;
    case kColumnMajor:
        putAll<L, kColumnMajor>(out);
        break;
    case kQuatProduct:
        putAll<L, kQuatProduct>(out);
        break;
    case kQuatRotate:
        putAll<L, kQuatRotate>(out);
        break;
    case kQuatToMatrix:
        putAll<L, kQuatToMatrix>(out);
        break;
    case kQuatFromMatrix:
        putAll<L, kQuatFromMatrix>(out);
        break;
    case kSlerp:
        putAll<L, kSlerp>(out);
        break;
    case kOpCount:
        break;
    }
    return out;
}

// The ride's own rotateAll on its real lists, from freshly built ones, in the same order.
std::vector<double> rideRotateAllResult()
{
    kreirajKonopce();
    rotateAll();
    std::vector<double> out;
    for (const Triple& t : ridePoints())
        out.insert(out.end(), t.begin(), t.end());
    kreirajKonopce();
    return out;
}

// Elements per result and the allowed relative difference. Transposition moves numbers
// and must agree exactly; an inverse goes through a division by the determinant and
// sums of products of different orders, so it gets the widest margin.
double tolerance(Op op)
{
    switch (op) {
    case kTranspose:
    case kColumnMajor:
        return 0.0;
    case kInverse:
        return 1e-12;
    default:
        return 1e-14;
    }
}

Verdict check(Op op)
{
    Verdict v;
    const std::vector<double> ref = results<VecmathLib>(op);
    const std::vector<double> glm = results<GlmLib>(op);
    const std::vector<double> eig = results<EigenLib>(op);
    const int n = static_cast<int>(ref.size());
    double worstGlm = 0.0, worstEigen = 0.0;
    bool ok = n > 0 && glm.size() == ref.size() && eig.size() == ref.size();
    ok = ok && close(ref.data(), glm.data(), n, tolerance(op), worstGlm);
    ok = ok && close(ref.data(), eig.data(), n, tolerance(op), worstEigen);
    if (op == kRotateAll) // the ride's own code must give vecmath's bits exactly
        ok = ok && rideRotateAllResult() == ref;
    if (op == kTransformBatch) // and so must the batch, point by point
        ok = ok && results<VecmathLib>(kTransform) == ref;
    if (op == kInverse) { // and vecmath must have found every matrix invertible
        auto in = inputs<VecmathLib>();
        for (int i = 0; i < kBatch; i++) {
            Matrix4x4 m(in->a[i]);
            ok = ok && m.inv();
        }
    }
    char text[300];
    std::snprintf(text, sizeof text,
                  "%s over %d numbers: largest relative difference from vecmath glm %.3g, Eigen "
                  "%.3g (allowed %.3g)%s",
                  ok ? "agree" : "DISAGREE", n, worstGlm, worstEigen, tolerance(op),
                  op == kRotateAll        ? "; rotateAll() bit-identical to vecmath"
                  : op == kTransformBatch ? "; bit-identical to vecmath's Transform of each point"
                                          : "");
    v.ok = ok;
    v.text = text;
    return v;
}

// The verdict of check(key), worked out the first time it is asked for: one per key of an
// enumeration of kCount keys.
template <class Key, int kCount, Verdict (*check)(Key)>
const Verdict& onceEach(Key key)
{
    static Verdict verdicts[kCount];
    static bool done[kCount] = {};
    if (!done[key]) {
        verdicts[key] = check(key);
        done[key] = true;
    }
    return verdicts[key];
}

const Verdict& verdict(Op op)
{
    return onceEach<Op, kOpCount, check>(op);
}

// Stops the benchmark before any timing when the libraries do not agree on `op`.
bool agreed(benchmark::State& state, Op op)
{
    const Verdict& v = verdict(op);
    if (!v.ok)
        state.SkipWithError(("libraries disagree: " + v.text).c_str());
    return v.ok;
}

// ---- The timed work ---------------------------------------------------------------------

template <class L>
void BM_transformFrame(benchmark::State& state)
{
    if (!agreed(state, kTransform))
        return;
    auto in = inputs<L>();
    // The points are turned in place frame after frame, as the ride does.
    for (auto _ : state) {
        for (auto& p : in->ridePoints)
            L::transformPoint(in->rideStep, p);
        benchmark::ClobberMemory();
    }
    state.counters["ops"] = 1;
    state.counters["points"] = static_cast<double>(in->ridePoints.size());
}

// All points of the frame in one call: vecmath's batch Transform, glm's and Eigen's own
// loops over their points.
template <class L>
void BM_transformBatch(benchmark::State& state)
{
    if (!agreed(state, kTransformBatch))
        return;
    auto in = inputs<L>();
    for (auto _ : state) {
        L::transformAll(in->rideStep, in->ridePoints);
        benchmark::ClobberMemory();
    }
    state.counters["ops"] = 1;
    state.counters["points"] = static_cast<double>(in->ridePoints.size());
}

void BM_rideRotateAll(benchmark::State& state)
{
    if (!agreed(state, kRotateAll))
        return;
    kreirajKonopce();
    for (auto _ : state) {
        rotateAll();
        benchmark::ClobberMemory();
    }
    state.counters["ops"] = 1;
}

template <class L>
void BM_product(benchmark::State& state)
{
    if (!agreed(state, kProduct))
        return;
    auto in = inputs<L>();
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            typename L::Mat c = L::product(in->a[i], in->b[i]);
            benchmark::DoNotOptimize(c);
        }
    state.counters["ops"] = kBatch;
}

template <class L>
void BM_det(benchmark::State& state)
{
    if (!agreed(state, kDet))
        return;
    auto in = inputs<L>();
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            double d = L::det(in->a[i]);
            benchmark::DoNotOptimize(d);
        }
    state.counters["ops"] = kBatch;
}

template <class L>
void BM_inverse(benchmark::State& state)
{
    if (!agreed(state, kInverse))
        return;
    auto in = inputs<L>();
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            typename L::Mat c = L::inverse(in->a[i]);
            benchmark::DoNotOptimize(c);
        }
    state.counters["ops"] = kBatch;
}

template <class L>
void BM_transpose(benchmark::State& state)
{
    if (!agreed(state, kTranspose))
        return;
    auto in = inputs<L>();
    for (auto _ : state) {
        for (int i = 0; i < kBatch; i++)
            L::transposeInPlace(in->a[i]);
        benchmark::ClobberMemory();
    }
    state.counters["ops"] = kBatch;
}

template <class L>
void BM_rotation(benchmark::State& state)
{
    if (!agreed(state, kRotation))
        return;
    auto in = inputs<L>();
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            typename L::Mat m = L::rotation(in->axes[i], in->angles[i]);
            benchmark::DoNotOptimize(m);
        }
    state.counters["ops"] = kBatch;
}

template <class L>
void BM_normalize3(benchmark::State& state)
{
    if (!agreed(state, kNormalize3))
        return;
    auto in = inputs<L>();
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            typename L::Vec3 v = L::normalized(in->vectors3[i]);
            benchmark::DoNotOptimize(v);
        }
    state.counters["ops"] = kBatch;
}

template <class L>
void BM_normalize4(benchmark::State& state)
{
    if (!agreed(state, kNormalize4))
        return;
    auto in = inputs<L>();
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            typename L::Vec4 v = L::normalized(in->vectors4[i]);
            benchmark::DoNotOptimize(v);
        }
    state.counters["ops"] = kBatch;
}

// One operation of compute() on each input of the batch.
template <class L, Op op>
void BM_each(benchmark::State& state)
{
    if (!agreed(state, op))
        return;
    auto in = inputs<L>();
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            auto result = compute<L, op>(*in, i);
            benchmark::DoNotOptimize(result);
        }
    state.counters["ops"] = kBatch;
}

// ---- What the divider costs on its own -------------------------------------------------
// Divisions and square roots share one unit of the CPU. Their throughput, measured here on
// independent operands one scalar instruction at a time, is what the report explains the
// normalisations with.

void BM_unitDivide(benchmark::State& state)
{
    const Data& d = data();
    std::array<double, kBatch> x, y;
    for (int i = 0; i < kBatch; i++) {
        x[i] = d.vectors3[i][0];
        y[i] = d.vectors3[i][2];
    }
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            double q = x[i] / y[i];
            benchmark::DoNotOptimize(q); // one divsd each: nothing to combine them into
        }
    state.counters["ops"] = kBatch;
}

// Two divisions in one instruction (SSE2's divpd, on every x86-64 CPU), as vecmath's
// normalisation divides x and y.
void BM_unitDividePair(benchmark::State& state)
{
#if defined(__x86_64__)
    const Data& d = data();
    __m128d x[kBatch], y[kBatch]; // not std::array, which drops the vector type's alignment
    for (int i = 0; i < kBatch; i++) {
        x[i] = _mm_set_pd(d.vectors3[i][1], d.vectors3[i][0]);
        y[i] = _mm_set1_pd(d.vectors3[i][2]);
    }
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            __m128d q = _mm_div_pd(x[i], y[i]);
            benchmark::DoNotOptimize(q);
        }
    state.counters["ops"] = kBatch;
#else
    state.SkipWithError("not an x86-64 build");
#endif
}

void BM_unitSqrt(benchmark::State& state)
{
    const Data& d = data();
    std::array<double, kBatch> x;
    for (int i = 0; i < kBatch; i++)
        x[i] = d.vectors3[i][2];
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            double r = std::sqrt(x[i]);
            benchmark::DoNotOptimize(r);
        }
    state.counters["ops"] = kBatch;
}

// ---- What the arithmetic ports do at best ----------------------------------------------
// Four-wide (AVX) multiplies and additions, half of each, none waiting for another: the
// most this CPU's arithmetic ports take in a nanosecond for the mix that vecmath's AVX2
// code of the product and the array transform issue. The report divides those codes'
// instruction counts by it, for the least time they can take.

#if VECMATH_HAVE_AVX2_PATH
__attribute__((target("avx2"))) void mulAddBurst(int rounds)
{
    const __m256d a = _mm256_set1_pd(1.5), b = _mm256_set1_pd(0.75);
    for (int r = 0; r < rounds; r++)
        // Twelve results, each register written twice: the register renamer makes every
        // instruction independent of the others.
        asm volatile("vmulpd %0, %1, %%ymm0\n\t"
                     "vaddpd %0, %1, %%ymm1\n\t"
                     "vmulpd %0, %1, %%ymm2\n\t"
                     "vaddpd %0, %1, %%ymm3\n\t"
                     "vmulpd %0, %1, %%ymm4\n\t"
                     "vaddpd %0, %1, %%ymm5\n\t"
                     "vmulpd %0, %1, %%ymm6\n\t"
                     "vaddpd %0, %1, %%ymm7\n\t"
                     "vmulpd %0, %1, %%ymm8\n\t"
                     "vaddpd %0, %1, %%ymm9\n\t"
                     "vmulpd %0, %1, %%ymm10\n\t"
                     "vaddpd %0, %1, %%ymm11\n\t"
                     "vmulpd %0, %1, %%ymm0\n\t"
                     "vaddpd %0, %1, %%ymm1\n\t"
                     "vmulpd %0, %1, %%ymm2\n\t"
                     "vaddpd %0, %1, %%ymm3\n\t"
                     "vmulpd %0, %1, %%ymm4\n\t"
                     "vaddpd %0, %1, %%ymm5\n\t"
                     "vmulpd %0, %1, %%ymm6\n\t"
                     "vaddpd %0, %1, %%ymm7\n\t"
                     "vmulpd %0, %1, %%ymm8\n\t"
                     "vaddpd %0, %1, %%ymm9\n\t"
                     "vmulpd %0, %1, %%ymm10\n\t"
                     "vaddpd %0, %1, %%ymm11"
                     :
                     : "x"(a), "x"(b)
                     : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8",
                       "xmm9", "xmm10", "xmm11");
}
#endif

void BM_unitMulAdd(benchmark::State& state)
{
#if VECMATH_HAVE_AVX2_PATH
    if (!vecmathSimdAvailable(VecmathSimd::Avx2)) {
        state.SkipWithError("this CPU has no AVX2");
        return;
    }
    constexpr int kRounds = 16;
    for (auto _ : state)
        mulAddBurst(kRounds);
    state.counters["ops"] = kRounds * 24;
#else
    state.SkipWithError("this build has no AVX2 code");
#endif
}

// ---- The library's own sine and cosine against glibc's --------------------------------

enum TrigSet { kTrigFast, kTrigAngles, kTrigSorted, kTrigLarge, kTrigSets };
const char* const kTrigSetNames[kTrigSets] = {"fast", "angles", "sorted", "large"};

// The arguments of each set: 65,536 angles in [-8, 8] whose results all pass Ziv's test;
// 65,536 random angles in [-8, 8] as they come; the same angles sorted, where every branch
// that depends on the sign or the quadrant is predictable; 65,536 arguments from 2^20 to
// 2^1000. So many that the branch predictor cannot learn the sequence, as it can learn a
// few thousand (glibc's sin and cos then ran twice as fast).
const std::vector<double>& trigArguments(TrigSet set)
{
    static std::vector<double> sets[kTrigSets];
    std::vector<double>& v = sets[set];
    if (!v.empty())
        return v;
    if (set == kTrigSorted) {
        v = trigArguments(kTrigAngles);
        std::sort(v.begin(), v.end());
        return v;
    }
    std::mt19937_64 rng(20260707 + set);
    std::uniform_real_distribution<double> angle(-8.0, 8.0), unit(1.0, 2.0);
    std::uniform_int_distribution<int> exponent(20, 1000);
    const std::size_t size = 65536;
    while (v.size() < size) {
        const double x = set == kTrigLarge ? std::ldexp(unit(rng), exponent(rng)) : angle(rng);
        if (set == kTrigFast) {
            vecmath::trig_detail::Approximation s, c;
            if (!vecmath::trig_detail::fastSinCos(x, s, c)
                || !vecmath::trig_detail::roundingIsCertain(s)
                || !vecmath::trig_detail::roundingIsCertain(c))
                continue;
        }
        v.push_back(x);
    }
    return v;
}

// The results of both within an ulp of each other (glibc's are not always correctly
// rounded); the count of last-bit differences is reported.
Verdict checkTrig(TrigSet set)
{
    Verdict v;
    int differ = 0;
    bool ok = true;
    for (double x : trigArguments(set)) {
        const vecmath::SinCos mine = vecmath::portableSinCos(x);
        const double s = std::sin(x), c = std::cos(x);
        differ += (mine.sine != s) + (mine.cosine != c);
        ok = ok && std::fabs(mine.sine - s) <= std::nextafter(std::fabs(s), 2.0) - std::fabs(s);
        ok = ok && std::fabs(mine.cosine - c) <= std::nextafter(std::fabs(c), 2.0) - std::fabs(c);
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "%s over %zu arguments: vecmath's sin and cos within an ulp of glibc's, "
                  "%d of %zu results differ in the last bit",
                  ok ? "agree" : "DISAGREE", trigArguments(set).size(), differ,
                  2 * trigArguments(set).size());
    v.ok = ok;
    v.text = text;
    return v;
}

const Verdict& trigVerdict(TrigSet set)
{
    return onceEach<TrigSet, kTrigSets, checkTrig>(set);
}

// What one operation computes: a sine and a cosine (vecmath's portableSinCos, glibc's sin
// plus cos), or one of them alone.
enum TrigWork { kSinCos, kSin, kCos };
const char* const kTrigWorkNames[] = {"sincos", "sin", "cos"};

// The work on each argument of the set, per operation, with the rounding mode `mode` set
// while it runs (glibc's functions, like vecmath's, round to nearest in any mode).
template <TrigWork kWork, bool kPortable>
void BM_trig(benchmark::State& state, TrigSet set, int mode)
{
    const Verdict& v = trigVerdict(set);
    if (!v.ok) {
        state.SkipWithError(("sine and cosine disagree: " + v.text).c_str());
        return;
    }
    const std::vector<double>& args = trigArguments(set);
    std::fesetround(mode);
    for (auto _ : state)
        for (double x : args) {
            if constexpr (kWork == kSinCos && kPortable) {
                vecmath::SinCos sc = vecmath::portableSinCos(x);
                benchmark::DoNotOptimize(sc);
            } else {
                if constexpr (kWork != kCos) {
                    double s = kPortable ? vecmath::portableSin(x) : std::sin(x);
                    benchmark::DoNotOptimize(s);
                }
                if constexpr (kWork != kSin) {
                    double c = kPortable ? vecmath::portableCos(x) : std::cos(x);
                    benchmark::DoNotOptimize(c);
                }
            }
        }
    std::fesetround(FE_TONEAREST);
    state.counters["ops"] = static_cast<double>(args.size());
}

// The slow path alone (256-bit fixed point), sine and cosine of 64 angles.
void BM_sinCosSlowPath(benchmark::State& state)
{
    const std::vector<double>& args = trigArguments(kTrigFast);
    for (auto _ : state)
        for (int i = 0; i < kBatch; i++) {
            double s = vecmath::trig_detail::slowSin(args[i]);
            double c = vecmath::trig_detail::slowCos(args[i]);
            benchmark::DoNotOptimize(s);
            benchmark::DoNotOptimize(c);
        }
    state.counters["ops"] = kBatch;
}

// <work>_<set>/vecmath and /glibc, each with the given mode; <name> replaces the set's name.
template <TrigWork kWork>
void registerTrigPair(TrigSet set, int mode = FE_TONEAREST, const char* name = nullptr)
{
    const std::string prefix =
        std::string(kTrigWorkNames[kWork]) + "_" + (name ? name : kTrigSetNames[set]);
    benchmark::RegisterBenchmark((prefix + "/vecmath").c_str(), BM_trig<kWork, true>, set, mode)
        ->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark((prefix + "/glibc").c_str(), BM_trig<kWork, false>, set, mode)
        ->Unit(benchmark::kNanosecond);
}

void registerTrigBenches()
{
    for (int set = 0; set < kTrigSets; set++)
        registerTrigPair<kSinCos>(static_cast<TrigSet>(set));
    for (TrigSet set : {kTrigAngles, kTrigSorted}) {
        registerTrigPair<kSin>(set);
        registerTrigPair<kCos>(set);
    }
    // The cost of another rounding mode: vecmath's functions switch to round-to-nearest and
    // back around each call, as glibc's do.
    registerTrigPair<kSinCos>(kTrigAngles, FE_UPWARD, "upward");
    benchmark::RegisterBenchmark("sincos_slow_path/vecmath", BM_sinCosSlowPath)
        ->Unit(benchmark::kNanosecond);
}

// ---- The library's own atan2 against glibc's -----------------------------------------------

enum Atan2Set { kAtan2Random, kAtan2Sweep, kAtan2Sets };
const char* const kAtan2SetNames[kAtan2Sets] = {"atan2_random", "atan2_sweep"};

// The pairs (y, x) of each set: 65,536 random points of the square [-1, 1]^2, every quadrant
// in no order; and 65,536 points of the circles of radius 1/2 to 2 swept once around in
// order of their angle, from -pi to pi, whose octants a branch predictor learns.
const std::vector<std::array<double, 2>>& atan2Arguments(Atan2Set set)
{
    static std::vector<std::array<double, 2>> sets[kAtan2Sets];
    std::vector<std::array<double, 2>>& v = sets[set];
    if (!v.empty())
        return v;
    std::mt19937_64 rng(20260808 + set);
    std::uniform_real_distribution<double> unit(-1.0, 1.0), radius(0.5, 2.0);
    const int size = 65536;
    for (int i = 0; i < size; i++) {
        if (set == kAtan2Random) {
            const double y = unit(rng), x = unit(rng);
            v.push_back({y, x});
        } else {
            const double angle = -3.141592653589793 + 6.283185307179586 * (i + 0.5) / size;
            const double r = radius(rng);
            v.push_back({r * std::sin(angle), r * std::cos(angle)});
        }
    }
    return v;
}

// The results of both within an ulp of each other (glibc's are not always correctly
// rounded); the count of last-bit differences is reported.
Verdict checkAtan2(Atan2Set set)
{
    Verdict v;
    int differ = 0;
    bool ok = true;
    for (const auto& p : atan2Arguments(set)) {
        const double mine = vecmath::portableAtan2(p[0], p[1]), theirs = std::atan2(p[0], p[1]);
        differ += mine != theirs;
        const double ulp = std::nextafter(std::fabs(theirs), 4.0) - std::fabs(theirs);
        ok = ok && std::fabs(mine - theirs) <= ulp;
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "%s over %zu pairs: vecmath's atan2 within an ulp of glibc's, %d results "
                  "differ in the last bit",
                  ok ? "agree" : "DISAGREE", atan2Arguments(set).size(), differ);
    v.ok = ok;
    v.text = text;
    return v;
}

const Verdict& atan2Verdict(Atan2Set set)
{
    return onceEach<Atan2Set, kAtan2Sets, checkAtan2>(set);
}

// One atan2 of each pair of the set, per operation.
template <bool kPortable>
void BM_atan2(benchmark::State& state, Atan2Set set)
{
    const Verdict& v = atan2Verdict(set);
    if (!v.ok) {
        state.SkipWithError(("atan2 disagrees: " + v.text).c_str());
        return;
    }
    const std::vector<std::array<double, 2>>& args = atan2Arguments(set);
    for (auto _ : state)
        for (const auto& p : args) {
            double a = kPortable ? vecmath::portableAtan2(p[0], p[1]) : std::atan2(p[0], p[1]);
            benchmark::DoNotOptimize(a);
        }
    state.counters["ops"] = static_cast<double>(args.size());
}

void registerAtan2Benches()
{
    for (int set = 0; set < kAtan2Sets; set++) {
        const Atan2Set a = static_cast<Atan2Set>(set);
        benchmark::RegisterBenchmark((std::string(kAtan2SetNames[set]) + "/vecmath").c_str(),
                                     BM_atan2<true>, a)
            ->Unit(benchmark::kNanosecond);
        benchmark::RegisterBenchmark((std::string(kAtan2SetNames[set]) + "/glibc").c_str(),
                                     BM_atan2<false>, a)
            ->Unit(benchmark::kNanosecond);
    }
}

using BenchFn = void (*)(benchmark::State&);

void registerBench(Op op, const char* library, BenchFn fn)
{
    benchmark::RegisterBenchmark((std::string(kOpNames[op]) + "/" + library).c_str(), fn)
        ->Unit(benchmark::kNanosecond);
}

// An operation of compute(), timed through BM_each in all three libraries.
template <Op op>
void registerEach()
{
    registerBench(op, VecmathLib::name, BM_each<VecmathLib, op>);
    registerBench(op, GlmLib::name, BM_each<GlmLib, op>);
    registerBench(op, EigenLib::name, BM_each<EigenLib, op>);
}

// `bench` names a function template, which cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define REGISTER_OP(op, bench)                                                                     \
    do {                                                                                           \
        registerBench(op, VecmathLib::name, bench<VecmathLib>);                                    \
        registerBench(op, GlmLib::name, bench<GlmLib>);                                            \
        registerBench(op, EigenLib::name, bench<EigenLib>);                                        \
    } while (false)
// NOLINTEND(bugprone-macro-parentheses)

// Takes --vecmath_simd=auto|scalar|avx2 out of the arguments: the code of vecmath's product
// and inverse to measure (see vecmath_simd.h), the CPU's choice unless given. False, with
// a message, when the name is unknown or this build or CPU lacks that code.
bool chooseVecmathSimd(int& argc, char** argv)
{
    const std::string option = "--vecmath_simd=";
    VecmathSimd simd = VecmathSimd::Auto;
    int kept = 1;
    for (int i = 1; i < argc; i++) {
        if (std::string(argv[i]).rfind(option, 0) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        const char* name = argv[i] + option.size();
        if (!vecmathSimdFromName(name, simd)) {
            std::fprintf(stderr, "vecmath_bench: unknown %s%s (auto, scalar or avx2)\n",
                         option.c_str(), name);
            return false;
        }
    }
    argc = kept;
    if (!vecmathUseSimd(simd)) {
        std::fprintf(stderr, "vecmath_bench: this build or CPU has no %s code\n",
                     vecmathSimdName(simd));
        return false;
    }
    std::fprintf(stderr,
                 "vecmath_simd     products, inverses and array transforms run the %s code\n",
                 vecmathSimdName(vecmathSimdInUse()));
    benchmark::AddCustomContext("vecmath_simd", vecmathSimdName(vecmathSimdInUse()));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!chooseVecmathSimd(argc, argv))
        return 2;
    // The agreement of the libraries on every operation, checked once and reported first.
    bool allAgree = true;
    for (int op = 0; op < kOpCount; op++) {
        const Verdict& v = verdict(static_cast<Op>(op));
        std::fprintf(stderr, "%-16s %s\n", kOpNames[op], v.text.c_str());
        benchmark::AddCustomContext(std::string("agreement.") + kOpNames[op], v.text);
        allAgree = allAgree && v.ok;
    }
    for (int set = 0; set < kTrigSets; set++) {
        const Verdict& v = trigVerdict(static_cast<TrigSet>(set));
        const std::string name = std::string("sincos_") + kTrigSetNames[set];
        std::fprintf(stderr, "%-16s %s\n", name.c_str(), v.text.c_str());
        benchmark::AddCustomContext("agreement." + name, v.text);
        allAgree = allAgree && v.ok;
    }
    for (int set = 0; set < kAtan2Sets; set++) {
        const Verdict& v = atan2Verdict(static_cast<Atan2Set>(set));
        std::fprintf(stderr, "%-16s %s\n", kAtan2SetNames[set], v.text.c_str());
        benchmark::AddCustomContext(std::string("agreement.") + kAtan2SetNames[set], v.text);
        allAgree = allAgree && v.ok;
    }
    benchmark::AddCustomContext("points_per_frame", std::to_string(data().ridePoints.size()));

    REGISTER_OP(kTransform, BM_transformFrame);
    REGISTER_OP(kTransformBatch, BM_transformBatch);
    registerBench(kRotateAll, VecmathLib::name, BM_rideRotateAll);
    REGISTER_OP(kProduct, BM_product);
    REGISTER_OP(kDet, BM_det);
    REGISTER_OP(kInverse, BM_inverse);
    REGISTER_OP(kTranspose, BM_transpose);
    REGISTER_OP(kRotation, BM_rotation);
    REGISTER_OP(kNormalize3, BM_normalize3);
    REGISTER_OP(kNormalize4, BM_normalize4);
    registerEach<kLookAt>();
    registerEach<kPerspective>();
    registerEach<kColumnMajor>();
    registerEach<kQuatProduct>();
    registerEach<kQuatRotate>();
    registerEach<kQuatToMatrix>();
    registerEach<kQuatFromMatrix>();
    registerEach<kSlerp>();
    benchmark::RegisterBenchmark("unit/divide", BM_unitDivide)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("unit/divide_pair", BM_unitDividePair)
        ->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("unit/sqrt", BM_unitSqrt)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("unit/avx_mul_add", BM_unitMulAdd)->Unit(benchmark::kNanosecond);
    registerTrigBenches();
    registerAtan2Benches();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!allAgree) {
        std::fprintf(stderr, "vecmath_bench: the libraries disagree; see above\n");
        return 1;
    }
    return 0;
}
