// matrix4x4.h: 4x4 double-precision matrix for affine and homogeneous transforms.
//
// Conventions of the library (vector3d.h, vector4d.h, matrix4x4.h):
// - Plain values with public data members m_...; no base class, nothing virtual, no
//   allocation, and nothing throws: degenerate input gives a zero result or a false
//   return (inv) instead of an error.
// - The classes live in namespace vecmath. Their names are also declared at global scope
//   (Vector3D, Vector4D, Matrix4x4) unless VECMATH_NO_GLOBAL_NAMES is defined before the
//   first include; the linker symbols carry the namespace either way.
// - Default construction leaves the members uninitialised; T{} gives zeros. Copies are
//   plain copies of the doubles (the types are trivially copyable).
// - m_d[r][c] is row r, column c; rows are stored one after the other (row-major).
// - Points are column vectors multiplied on the right: p' = M * p. An affine matrix keeps
//   its linear part in rows and columns 0..2 and its translation in column 3. A product
//   A * B applied to a point equals A * (B * p): B acts first.
// - Angles are in radians; a positive angle turns counter-clockwise seen from the
//   positive end of the axis (right-handed).
// - One tolerance, 1e-10, serves every near-zero and equality test (inv, cmp).
// - Every loader replaces the whole matrix; none composes with what was there. Each has a
//   static twin that returns the matrix it loads (Identity, Translation, RotationX,
//   LookAt, Perspective, ...), with the same bits.
// - The camera and projection loaders (loadLookAt, loadPerspective, loadOrtho,
//   loadFrustum) make the matrices of gluLookAt, gluPerspective, glOrtho and glFrustum:
//   right-handed, the camera looking down its -z, clip space z in [-1, 1]. Each returns
//   false and loads the identity for input that defines no camera.
// - OpenGL reads matrices column by column: glLoadMatrixd(m.columnMajor().data()) or
//   glLoadTransposeMatrixd(m.data()), never glLoadMatrixd(m.data()), which loads the
//   transpose.
// - Operators that yield a value return a new one; assignments, compound ones included,
//   change the object and return a reference to it. Every in-place operation that has a
//   value-returning twin (transposed, inverse) computes the same bits.
// - Sums are evaluated in the order documented on each member and the build keeps
//   floating-point contraction off, so results are the same bit for bit everywhere. On
//   x86-64 with GCC or clang the product, the inverse and the transform of many points do
//   the same operations four elements at a time with AVX2: inline, where your code is
//   compiled for AVX2 (-mavx2, -march=haswell, x86-64-v3, native), or else in the
//   library, chosen when first used where the CPU has AVX2; same results.
// - A row index outside 0..3 fails an assert unless NDEBUG is defined.
#ifndef VECMATH_MATRIX4X4_H
#define VECMATH_MATRIX4X4_H

#include <array>
#include <cmath>
#include <cstddef>
#include <iosfwd>
#include <limits>

#include "matrix4x4_avx2.h"
#include "vecmath_assert.h"
#include "vector3d.h"
#include "vector4d.h"

/// \cond INTERNAL

// True where a member is to run its fast code: the four-wide code inline, or the
// library's code chosen for the CPU. False in constant evaluation, which takes the plain
// code, and in builds that have no AVX2 code at all, whose fast code is the plain code.
// Without __builtin_is_constant_evaluated (compilers older than GCC 9 and clang 9) the
// product and the array transforms of an x86-64 build are not usable in constant
// expressions.
#if !VECMATH_HAVE_AVX2_PATH
#define VECMATH_USE_FAST_CODE() false
#elif defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 9
#define VECMATH_USE_FAST_CODE() (!__builtin_is_constant_evaluated())
#elif defined(__has_builtin)
#if __has_builtin(__builtin_is_constant_evaluated)
#define VECMATH_USE_FAST_CODE() (!__builtin_is_constant_evaluated())
#endif
#endif
#ifndef VECMATH_USE_FAST_CODE
#define VECMATH_USE_FAST_CODE() true
#endif

namespace vecmath {

namespace detail {

/// fabs, which can also run in a constant expression: it clears the sign bit of every
/// value, -0.0 and NaNs included (GCC and clang evaluate their builtin there). Where the
/// builtin is missing a NaN, whose sign bit cannot be read in a constant expression,
/// becomes the positive quiet NaN.
constexpr double constexprFabs(double e) noexcept
{
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_fabs(e);
#else
    if (e != e)
        return std::numeric_limits<double>::quiet_NaN();
    return e < 0.0 ? -e : (e == 0.0 ? 0.0 : e);
#endif
}

} // namespace detail

class Matrix4x4;

namespace detail {

// The plain product out = L * R: element (i, j) sums L[i][k] * R[k][j] from 0.0 for
// k = 0..3 in that order, the elements in row order. out must be neither L nor R.
constexpr void multiply(const double (&L)[4][4], const double (&R)[4][4],
                        double (&out)[4][4]) noexcept
{
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) {
            double sum = 0.0;
            for (int k = 0; k < 4; k++)
                sum += L[i][k] * R[k][j];
            out[i][j] = sum;
        }
}

// The plain transform of many points: to[i] = m.Transform(from[i]), each image complete
// before it is stored, so that `to` may be `from`.
template <class Matrix, class Point>
constexpr void transformEach(const Matrix& m, const Point* from, Point* to,
                             std::size_t count) noexcept
{
    for (std::size_t i = 0; i < count; i++)
        to[i] = m.Transform(from[i]);
}

// The library's own code (matrix4x4.cpp), for callers not compiled for AVX2: the AVX2
// code where the CPU has it, the plain code elsewhere (vecmath_simd.h); the determinant's is
// the plain code only. The product may write into L or R; the inverse, as
// inverseAtRunTime, into m; the transforms take the same arrays as Matrix4x4::Transform.
void libraryProduct(const Matrix4x4& L, const Matrix4x4& R, Matrix4x4& out) noexcept;
double libraryDeterminant(const Matrix4x4& m) noexcept;
bool libraryInverse(const Matrix4x4& m, Matrix4x4& out) noexcept;
void libraryTransform(const Matrix4x4& m, const Vector3D* from, Vector3D* to,
                      std::size_t count) noexcept;
void libraryTransform(const Matrix4x4& m, const Vector4D* from, Vector4D* to,
                      std::size_t count) noexcept;

// The members' fast code at run time (defined after the class): the four-wide code inline
// where this file is compiled for AVX2, the library's own code otherwise.
// out = L * R; out may be L or R.
inline void productAtRunTime(const Matrix4x4& L, const Matrix4x4& R, Matrix4x4& out) noexcept;
inline double determinantAtRunTime(const Matrix4x4& m) noexcept;
// out becomes the inverse of m and true is returned, or out becomes m and false is
// returned; out may be m.
inline bool inverseAtRunTime(const Matrix4x4& m, Matrix4x4& out) noexcept;
// Transposes m and returns true where there is four-wide code for it; false, and m
// unchanged, where the plain code is to do it.
inline bool transposedAtRunTime(Matrix4x4& m) noexcept;
// The plain determinant and inverse (defined after the class), also in constant
// expressions. The inverse works in place: m becomes its inverse and true is returned, or m
// is left as it was and false is returned.
constexpr double plainDeterminant(const Matrix4x4& m) noexcept;
constexpr bool invertPlain(Matrix4x4& m) noexcept;
inline void transformAtRunTime(const Matrix4x4& m, const Vector3D* from, Vector3D* to,
                               std::size_t count) noexcept;
inline void transformAtRunTime(const Matrix4x4& m, const Vector4D* from, Vector4D* to,
                               std::size_t count) noexcept;

} // namespace detail

/// \endcond

class Quaternion;

/// The order of three Euler angles (a, b, c): XYZ turns a point about the fixed X axis by
/// a, then about the fixed Y axis by b, then about the fixed Z axis by c, so its matrix is
/// Rz(c) * Ry(b) * Rx(a); the other five name their axes in the same way.
enum class EulerOrder { XYZ, XZY, YXZ, YZX, ZXY, ZYX };

namespace detail {

/// a*d - b*c.
constexpr double det2x2(double a, double b, double c, double d) noexcept
{
    return a * d - b * c;
}

/// The determinant of the rows (a1, a2, a3), (b1, b2, b3), (c1, c2, c3), expanded along
/// column 0 and summed left to right.
// clang-format off
constexpr double det3x3(double a1, double a2, double a3,
                        double b1, double b2, double b3,
                        double c1, double c2, double c3) noexcept
// clang-format on
{
    return a1 * det2x2(b2, b3, c2, c3) - b1 * det2x2(a2, a3, c2, c3) + c1 * det2x2(a2, a3, b2, b3);
}

/// True when all 16 elements are finite. x * 0.0 is a zero for a finite x and NaN for an
/// infinity or a NaN, and a sum with a NaN term is NaN, so the sum of the 16 is zero
/// exactly when all are finite. Columns 0 and 2, and 1 and 3, are summed side by side,
/// which the compiler does two at a time and without a branch.
constexpr bool allFinite(const double (&e)[4][4]) noexcept
{
    double even[4] = {}, odd[4] = {};
    for (int i = 0; i < 4; i++) {
        even[i] = e[i][0] * 0.0 + e[i][2] * 0.0;
        odd[i] = e[i][1] * 0.0 + e[i][3] * 0.0;
    }
    return ((even[0] + even[1]) + (even[2] + even[3])) + ((odd[0] + odd[1]) + (odd[2] + odd[3]))
        == 0.0;
}

/// True when the extents of a projection's box are all non-zero and finite (x - x is 0
/// exactly for a finite x, NaN otherwise).
constexpr bool boxIsUsable(double w, double h, double d) noexcept
{
    return w != 0.0 && h != 0.0 && d != 0.0 && w - w == 0.0 && h - h == 0.0 && d - d == 0.0;
}

/// True when every value given is finite, as allFinite. The camera loaders check the
/// elements they compute before they store any, in registers: a check of the stored
/// matrix reads back, two at a time, what was just written one at a time, which the CPU
/// cannot forward from its store buffer.
template <class... Values>
constexpr bool allFiniteValues(Values... x) noexcept
{
    return ((x * 0.0) + ... + 0.0) == 0.0;
}

} // namespace detail

/// A 4x4 matrix of doubles that moves points: affine and homogeneous transforms.
///
/// Row-major, m_d[row][column]. Points are column vectors multiplied on the right (a
/// point p moves to M * p): the translation sits in column 3, and in a product A * B
/// applied to a point, B acts first. Every loader replaces the whole matrix.
class Matrix4x4
{
public:
    double m_d[4][4]; ///< the elements, m_d[row][column]

    // ---- Construction and copying -----------------------------------------------------

    /// Leaves the 16 elements uninitialised; Matrix4x4{} is the zero matrix.
    Matrix4x4() = default;
    /// Builds the matrix from its 16 elements, given row by row: (a00, a01, a02, a03) is
    /// row 0, and so on.
    // clang-format off
    constexpr Matrix4x4(double a00, double a01, double a02, double a03,
                        double a10, double a11, double a12, double a13,
                        double a20, double a21, double a22, double a23,
                        double a30, double a31, double a32, double a33) noexcept
        : m_d{{a00, a01, a02, a03}, {a10, a11, a12, a13}, {a20, a21, a22, a23}, {a30, a31, a32, a33}}
    {
    }
    // clang-format on
    /// Copies all 16 elements of A.
    Matrix4x4(const Matrix4x4& A) = default;
    /// Copies all 16 elements of A.
    Matrix4x4(Matrix4x4&& A) = default;
    /// Copies all 16 elements of A; returns this matrix.
    Matrix4x4& operator=(const Matrix4x4& A) = default;
    /// Copies all 16 elements of A; returns this matrix.
    Matrix4x4& operator=(Matrix4x4&& A) = default;
    /// Copies A element by element; the same as the assignment, without its result.
    constexpr void copy(const Matrix4x4& A) noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                m_d[i][j] = A.m_d[i][j];
    }
    /// Sets all 16 elements to 0.0.
    constexpr void zero() noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                m_d[i][j] = 0.0;
    }
    /// Loads the identity matrix.
    constexpr void identity() noexcept
    {
        zero();
        for (int i = 0; i < 4; i++)
            m_d[i][i] = 1.0;
    }

    // ---- Factories: the matrix each loader loads, as a value, with the same bits -------

    /// The identity matrix.
    static constexpr Matrix4x4 Identity() noexcept
    {
        return Matrix4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    }
    /// The translation by (tx, ty, tz), as loadTranslate loads it.
    static constexpr Matrix4x4 Translation(double tx, double ty, double tz) noexcept
    {
        return Matrix4x4(1, 0, 0, tx, 0, 1, 0, ty, 0, 0, 1, tz, 0, 0, 0, 1);
    }
    /// The scale by sx, sy and sz, as loadScale loads it.
    static constexpr Matrix4x4 Scaling(double sx, double sy, double sz) noexcept
    {
        return Matrix4x4(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    }
    /// The rotation about the X axis by phi radians, as loadRotateX loads it.
    static Matrix4x4 RotationX(double phi) noexcept
    {
        Matrix4x4 M;
        M.loadRotateX(phi);
        return M;
    }
    /// The rotation about the Y axis by phi radians, as loadRotateY loads it.
    static Matrix4x4 RotationY(double phi) noexcept
    {
        Matrix4x4 M;
        M.loadRotateY(phi);
        return M;
    }
    /// The rotation about the Z axis by phi radians, as loadRotateZ loads it.
    static Matrix4x4 RotationZ(double phi) noexcept
    {
        Matrix4x4 M;
        M.loadRotateZ(phi);
        return M;
    }
    /// The rotation by phi radians about the line through the origin along `axis`, as
    /// loadRotateAboutAxisThroughOrigin loads it.
    static Matrix4x4 RotationAboutAxisThroughOrigin(const Vector3D& axis, double phi) noexcept
    {
        Matrix4x4 M;
        M.loadRotateAboutAxisThroughOrigin(axis, phi);
        return M;
    }
    /// The rotation by phi radians about the line through `point` along `axis`, as
    /// loadRotate loads it.
    static Matrix4x4 Rotation(const Vector3D& point, const Vector3D& axis, double phi) noexcept
    {
        Matrix4x4 M;
        M.loadRotate(point, axis, phi);
        return M;
    }
    /// The rotation by the Euler angles a, b and c, as loadRotateEuler loads it.
    static Matrix4x4 RotationEuler(EulerOrder order, double a, double b, double c) noexcept
    {
        Matrix4x4 M;
        M.loadRotateEuler(order, a, b, c);
        return M;
    }
    /// The view matrix of loadLookAt; *valid (if given) is what loadLookAt returns.
    static Matrix4x4 LookAt(const Vector3D& eye, const Vector3D& center, const Vector3D& up,
                            bool* valid = nullptr) noexcept
    {
        Matrix4x4 M;
        const bool ok = M.loadLookAt(eye, center, up);
        if (valid != nullptr)
            *valid = ok;
        return M;
    }
    /// The projection of loadPerspective; *valid (if given) is what loadPerspective returns.
    static Matrix4x4 Perspective(double fovy, double aspect, double zNear, double zFar,
                                 bool* valid = nullptr) noexcept
    {
        Matrix4x4 M;
        const bool ok = M.loadPerspective(fovy, aspect, zNear, zFar);
        if (valid != nullptr)
            *valid = ok;
        return M;
    }
    /// The projection of loadOrtho; *valid (if given) is what loadOrtho returns.
    static constexpr Matrix4x4 Ortho(double left, double right, double bottom, double top,
                                     double zNear, double zFar, bool* valid = nullptr) noexcept
    {
        Matrix4x4 M = Identity(); // constant expressions want every element set first
        const bool ok = M.loadOrtho(left, right, bottom, top, zNear, zFar);
        if (valid != nullptr)
            *valid = ok;
        return M;
    }
    /// The projection of loadFrustum; *valid (if given) is what loadFrustum returns.
    static constexpr Matrix4x4 Frustum(double left, double right, double bottom, double top,
                                       double zNear, double zFar, bool* valid = nullptr) noexcept
    {
        Matrix4x4 M = Identity();
        const bool ok = M.loadFrustum(left, right, bottom, top, zNear, zFar);
        if (valid != nullptr)
            *valid = ok;
        return M;
    }

    // ---- Element access ---------------------------------------------------------------

    /// Pointer to the first element of row `index`, so that M[r][c] is element (r, c).
    /// A row outside 0..3 fails an assertion; the column is the caller's to keep in 0..3.
    constexpr double* operator[](int index) noexcept
    {
        // The condition's spelling is part of the assertion message: keep it as it is.
        // clang-format off
        VECMATH_ASSERT(index>=0 && index<4, "double* Matrix4x4::operator[](int)");
        // clang-format on
        return m_d[index];
    }
    /// Read-only pointer to the first element of row `index`; the same contract.
    constexpr const double* operator[](int index) const noexcept
    {
        // clang-format off
        VECMATH_ASSERT(index>=0 && index<4, "const double* Matrix4x4::operator[](int) const");
        // clang-format on
        return m_d[index];
    }
    /// The first of the 16 elements, stored row by row: m_d[r][c] is data()[4 * r + c].
    /// OpenGL reads column by column: hand this to glLoadTransposeMatrixd, not to
    /// glLoadMatrixd (which would load the transpose; use columnMajor() there).
    constexpr double* data() noexcept { return &m_d[0][0]; }
    /// The first of the 16 elements of a read-only matrix, row by row.
    constexpr const double* data() const noexcept { return &m_d[0][0]; }
    /// The 16 elements column by column, the order glLoadMatrixd and glMultMatrixd read:
    /// element (r, c) is at index 4 * c + r. glLoadMatrixd(m.columnMajor().data()).
    constexpr std::array<double, 16> columnMajor() const noexcept
    {
        // clang-format off
        return {{m_d[0][0], m_d[1][0], m_d[2][0], m_d[3][0],
                 m_d[0][1], m_d[1][1], m_d[2][1], m_d[3][1],
                 m_d[0][2], m_d[1][2], m_d[2][2], m_d[3][2],
                 m_d[0][3], m_d[1][3], m_d[2][3], m_d[3][3]}};
        // clang-format on
    }

    // ---- Loaders (each replaces the whole matrix) -------------------------------------

    /// Loads a translation by (tx, ty, tz).
    constexpr void loadTranslate(double tx, double ty, double tz) noexcept
    {
        identity();
        m_d[0][3] = tx;
        m_d[1][3] = ty;
        m_d[2][3] = tz;
    }
    /// Loads a scale by sx, sy and sz along the axes.
    constexpr void loadScale(double sx, double sy, double sz) noexcept
    {
        identity();
        m_d[0][0] = sx;
        m_d[1][1] = sy;
        m_d[2][2] = sz;
    }
    /// Loads a rotation about the X axis by phi radians.
    void loadRotateX(double phi) noexcept;
    /// Loads a rotation about the Y axis by phi radians.
    void loadRotateY(double phi) noexcept;
    /// Loads a rotation about the Z axis by phi radians.
    void loadRotateZ(double phi) noexcept;
    /// Loads the rotation by phi radians about the line through the origin along V, of
    /// any length (Rodrigues' matrix). An axis of length at most 1e-10 (normalised to
    /// zero) leaves only the formula's cos(phi) I: a uniform scale by cos(phi).
    void loadRotateAboutAxisThroughOrigin(const Vector3D& V, double phi) noexcept;
    /// The same with the x, y and z of V; its w is ignored.
    void loadRotateAboutAxisThroughOrigin(const Vector4D& V, double phi) noexcept;
    /// Loads the rotation by phi radians about the line through `point` along `axis`, of
    /// any length: translate by -point, rotate, translate back, written in closed form.
    /// An axis of length at most 1e-10 defines no rotation: the identity is loaded.
    void loadRotate(const Vector3D& point, const Vector3D& axis, double phi) noexcept;
    /// The same with the x, y and z of both vectors; their w is ignored.
    void loadRotate(const Vector4D& point, const Vector4D& axis, double phi) noexcept;
    /// Loads the rotation of the unit quaternion q: q.toMatrix() (quaternion.h).
    void loadRotate(const Quaternion& q) noexcept;
    /// Loads the rotation by the Euler angles a, b and c, in radians, about the fixed axes
    /// in the order named: for EulerOrder::XYZ, by a about X, then b about Y, then c about
    /// Z. The matrix is the product (R3(c) * R2(b)) * R1(a) of the library's own
    /// loadRotateX, loadRotateY and loadRotateZ, with its bits (XYZ: Rz(c) Ry(b) Rx(a)).
    void loadRotateEuler(EulerOrder order, double a, double b, double c) noexcept;

    // ---- Camera and projection loaders (each replaces the whole matrix) ---------------

    /// Loads the view matrix that gluLookAt multiplies in: the camera at `eye` looks at
    /// `center`, `up` pointing up. With v = center - eye, f = v * (1 / v.Norm()),
    /// w = f.Cross(up), s = w * (1 / w.Norm()) and u = s.Cross(f), the rows are
    /// (s, -s * eye), (u, -u * eye), (-f, f * eye) and (0, 0, 0, 1), each dot product
    /// summed as Vector3D's. Returns false and loads the identity when eye and center are
    /// within 1e-10 of each other, when up is zero or parallel to the view
    /// (|f x up| <= 1e-10), or when an element would not be finite (non-finite input or
    /// overflow).
    bool loadLookAt(const Vector3D& eye, const Vector3D& center, const Vector3D& up) noexcept
    {
        const Vector3D v = center - eye;
        const double nv = v.Norm();
        const Vector3D f = v * (1.0 / nv);
        const Vector3D w = f.Cross(up);
        const double nw = w.Norm();
        // Written so that a NaN length refuses too.
        if (!(nv > 1e-10 && nw > 1e-10)) {
            *this = Identity();
            return false;
        }
        const Vector3D s = w * (1.0 / nw);
        const Vector3D u = s.Cross(f);
        const double se = s * eye, ue = u * eye, fe = f * eye;
        if (!detail::allFiniteValues(s.m_x, s.m_y, s.m_z, se, u.m_x, u.m_y, u.m_z, ue, f.m_x, f.m_y,
                                     f.m_z, fe)) {
            *this = Identity();
            return false;
        }
        // clang-format off
        *this = Matrix4x4( s.m_x,  s.m_y,  s.m_z, -se,
                           u.m_x,  u.m_y,  u.m_z, -ue,
                          -f.m_x, -f.m_y, -f.m_z,  fe,
                             0.0,    0.0,    0.0,  1.0);
        // clang-format on
        return true;
    }
    /// Loads the projection of gluPerspective, with the vertical field of view `fovy` in
    /// radians: with f = cos(fovy/2) / sin(fovy/2) and d = zFar - zNear, the rows are
    /// (f/aspect, 0, 0, 0), (0, f, 0, 0), (0, 0, -(zFar + zNear)/d, -(2 zFar zNear)/d) and
    /// (0, 0, -1, 0), the last product formed left to right. The sine and cosine are the
    /// rotation loaders' (see trig.h). Returns false and loads the identity unless
    /// 0 < fovy < pi, aspect is non-zero, 0 < zNear, 0 < zFar, zNear != zFar, everything is
    /// finite and no element overflows.
    bool loadPerspective(double fovy, double aspect, double zNear, double zFar) noexcept;
    /// Loads the projection of glOrtho: the box [left, right] x [bottom, top] x
    /// [-zNear, -zFar] onto the cube [-1, 1]^3. With w = right - left, h = top - bottom
    /// and d = zFar - zNear, the rows are (2/w, 0, 0, -(right + left)/w),
    /// (0, 2/h, 0, -(top + bottom)/h), (0, 0, -2/d, -(zFar + zNear)/d) and (0, 0, 0, 1).
    /// Returns false and loads the identity when w, h or d is zero or not finite, or an
    /// element overflows.
    constexpr bool loadOrtho(double left, double right, double bottom, double top, double zNear,
                             double zFar) noexcept
    {
        const double w = right - left, h = top - bottom, d = zFar - zNear;
        if (!detail::boxIsUsable(w, h, d)) {
            *this = Identity();
            return false;
        }
        const double sx = 2.0 / w, tx = -(right + left) / w, sy = 2.0 / h, ty = -(top + bottom) / h,
                     sz = -2.0 / d, tz = -(zFar + zNear) / d;
        if (!detail::allFiniteValues(sx, tx, sy, ty, sz, tz)) {
            *this = Identity();
            return false;
        }
        // clang-format off
        *this = Matrix4x4(sx,  0.0, 0.0, tx,
                          0.0, sy,  0.0, ty,
                          0.0, 0.0, sz,  tz,
                          0.0, 0.0, 0.0, 1.0);
        // clang-format on
        return true;
    }
    /// Loads the projection of glFrustum: the near face [left, right] x [bottom, top] at
    /// distance zNear, the far face at zFar. With w, h and d as for loadOrtho, the rows
    /// are (2 zNear/w, 0, (right + left)/w, 0), (0, 2 zNear/h, (top + bottom)/h, 0),
    /// (0, 0, -(zFar + zNear)/d, -(2 zFar zNear)/d) and (0, 0, -1, 0), products formed
    /// left to right. Returns false and loads the identity unless 0 < zNear, 0 < zFar,
    /// w, h and d are non-zero and finite, and no element overflows.
    constexpr bool loadFrustum(double left, double right, double bottom, double top, double zNear,
                               double zFar) noexcept
    {
        const double w = right - left, h = top - bottom, d = zFar - zNear;
        if (!(zNear > 0.0 && zFar > 0.0) || !detail::boxIsUsable(w, h, d)) {
            *this = Identity();
            return false;
        }
        const double sx = 2.0 * zNear / w, ox = (right + left) / w, sy = 2.0 * zNear / h,
                     oy = (top + bottom) / h, sz = -(zFar + zNear) / d,
                     tz = -(2.0 * zFar * zNear) / d;
        if (!detail::allFiniteValues(sx, ox, sy, oy, sz, tz)) {
            *this = Identity();
            return false;
        }
        // clang-format off
        *this = Matrix4x4(sx,  0.0, ox,   0.0,
                          0.0, sy,  oy,   0.0,
                          0.0, 0.0, sz,   tz,
                          0.0, 0.0, -1.0, 0.0);
        // clang-format on
        return true;
    }

    // ---- Rotation angles and decomposition --------------------------------------------

    /// The Euler angles (a, b, c) of the rotation in the upper-left 3x3 part, in `order`,
    /// with b in [-pi/2, pi/2], a and c in [-pi, pi]: loadRotateEuler(order, a, b, c) gives
    /// the rotation back. With the first, second and third axes i, j and k and s = +1 for
    /// XYZ, YZX and ZXY (-1 for the others): a = atan2(s m[k][j], m[k][k]),
    /// b = atan2(-s m[k][i], sqrt((s m[k][j])^2 + m[k][k]^2)), and, with sa and ca the sine
    /// and cosine of a, c = atan2(sa m[i][k] - s (ca m[i][j]), ca m[j][j] - s (sa m[j][k])),
    /// which reproduces the matrix even where a is poorly defined. At gimbal lock, where
    /// that square root is at most 2^-48 (b = +-pi/2 to rounding, only a +- c defined),
    /// a is 0. The sine, cosine and atan2 are the rotation loaders' (see trig.h).
    Vector3D eulerAngles(EulerOrder order) const noexcept;
    /// Splits an affine matrix into M = T * R * S: the translation (column 3), the rotation
    /// as a unit quaternion, and the scale along the axes. The scale is the length of each
    /// column of the 3x3 part (Vector3D::Norm), the x scale negative where the determinant
    /// is (a mirror), and R is the columns divided by their scales. Returns false and
    /// changes no output when row 3 is not exactly (0, 0, 0, 1), when an element is not
    /// finite, when a column is no longer than 1e-10 (singular) or too long to measure,
    /// or when two columns are not orthogonal: |ci . cj| >= 1e-10 |ci| |cj| (shear).
    bool decompose(Vector3D& translation, Quaternion& rotation, Vector3D& scale) const noexcept;

    // ---- Transforming points ----------------------------------------------------------

    /// The affine image of the point A: component r is
    /// ((m_d[r][0]*x + m_d[r][1]*y) + m_d[r][2]*z) + m_d[r][3]. Row 3 is not used.
    constexpr Vector3D Transform(const Vector3D& A) const noexcept
    {
        const double x = A.m_x, y = A.m_y, z = A.m_z;
        return Vector3D(((m_d[0][0] * x + m_d[0][1] * y) + m_d[0][2] * z) + m_d[0][3],
                        ((m_d[1][0] * x + m_d[1][1] * y) + m_d[1][2] * z) + m_d[1][3],
                        ((m_d[2][0] * x + m_d[2][1] * y) + m_d[2][2] * z) + m_d[2][3]);
    }
    /// The same value as Transform(A).
    constexpr Vector3D operator*(const Vector3D& A) const noexcept { return Transform(A); }
    /// A moved by the translation column only; the linear part is ignored.
    constexpr Vector3D Translate(const Vector3D& A) const noexcept
    {
        return Vector3D(A.m_x + m_d[0][3], A.m_y + m_d[1][3], A.m_z + m_d[2][3]);
    }
    /// The full product M * A: component r is
    /// ((m_d[r][0]*x + m_d[r][1]*y) + m_d[r][2]*z) + m_d[r][3]*w. Nothing is divided by
    /// the resulting w; call cartesianize() on the result for the Cartesian point.
    constexpr Vector4D Transform(const Vector4D& A) const noexcept
    {
        const double x = A.m_x, y = A.m_y, z = A.m_z, w = A.m_w;
        return Vector4D(((m_d[0][0] * x + m_d[0][1] * y) + m_d[0][2] * z) + m_d[0][3] * w,
                        ((m_d[1][0] * x + m_d[1][1] * y) + m_d[1][2] * z) + m_d[1][3] * w,
                        ((m_d[2][0] * x + m_d[2][1] * y) + m_d[2][2] * z) + m_d[2][3] * w,
                        ((m_d[3][0] * x + m_d[3][1] * y) + m_d[3][2] * z) + m_d[3][3] * w);
    }
    /// The same value as Transform(A).
    constexpr Vector4D operator*(const Vector4D& A) const noexcept { return Transform(A); }
    /// (A.x + m_d[0][3], A.y + m_d[1][3], A.z + m_d[2][3], A.w): only the translation
    /// column is added, whatever A's weight.
    constexpr Vector4D Translate(const Vector4D& A) const noexcept
    {
        return Vector4D(A.m_x + m_d[0][3], A.m_y + m_d[1][3], A.m_z + m_d[2][3], A.m_w);
    }
    /// Transforms `count` points at once: to[i] becomes Transform(from[i]), with its bits,
    /// for i = 0..count-1. `to` may be `from` (in place); otherwise the two arrays must
    /// not overlap. On an x86-64 CPU with AVX2, four-wide code does the same operations.
    constexpr void Transform(const Vector3D* from, Vector3D* to, std::size_t count) const noexcept
    {
        if (VECMATH_USE_FAST_CODE()) {
            detail::transformAtRunTime(*this, from, to, count);
            return;
        }
        detail::transformEach(*this, from, to, count);
    }
    /// The same for homogeneous points: to[i] becomes Transform(from[i]), with its bits.
    constexpr void Transform(const Vector4D* from, Vector4D* to, std::size_t count) const noexcept
    {
        if (VECMATH_USE_FAST_CODE()) {
            detail::transformAtRunTime(*this, from, to, count);
            return;
        }
        detail::transformEach(*this, from, to, count);
    }

    // ---- Matrix product ---------------------------------------------------------------

    /// The product (this) * A; element (i, j) sums m_d[i][k] * A[k][j] from 0.0 for
    /// k = 0..3 in that order.
    constexpr Matrix4x4 operator*(const Matrix4x4& A) const noexcept
    {
        if (VECMATH_USE_FAST_CODE()) {
            // A function of its own, since a constexpr function may not leave M
            // uninitialised; the product overwrites all of it.
            return [&] {
                Matrix4x4 M;
                detail::productAtRunTime(*this, A, M);
                return M;
            }();
        }
        Matrix4x4 M{};
        detail::multiply(m_d, A.m_d, M.m_d);
        return M;
    }
    /// Becomes (this) * A; returns this matrix. A may be this matrix itself.
    constexpr Matrix4x4& operator*=(const Matrix4x4& A) noexcept
    {
        if (VECMATH_USE_FAST_CODE()) {
            // Both codes read A whole, and each row of this matrix, before they write it.
            detail::productAtRunTime(*this, A, *this);
            return *this;
        }
        // The product is built aside, so that A may be this matrix.
        copy(*this * A);
        return *this;
    }

    // ---- Element-wise algebra (row by row) --------------------------------------------

    /// Element-wise sum with A.
    constexpr Matrix4x4 operator+(const Matrix4x4& A) const noexcept
    {
        Matrix4x4 M(*this);
        M += A;
        return M;
    }
    /// A copy of the matrix.
    constexpr Matrix4x4 operator+() const noexcept { return *this; }
    /// Adds A element by element; returns this matrix.
    constexpr Matrix4x4& operator+=(const Matrix4x4& A) noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                m_d[i][j] += A.m_d[i][j];
        return *this;
    }
    /// Element-wise difference, this minus A.
    constexpr Matrix4x4 operator-(const Matrix4x4& A) const noexcept
    {
        Matrix4x4 M(*this);
        M -= A;
        return M;
    }
    /// Every element with its sign flipped.
    constexpr Matrix4x4 operator-() const noexcept
    {
        Matrix4x4 M(*this);
        M.neg();
        return M;
    }
    /// Subtracts A element by element; returns this matrix.
    constexpr Matrix4x4& operator-=(const Matrix4x4& A) noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                m_d[i][j] -= A.m_d[i][j];
        return *this;
    }
    /// Every element times k; k * M gives the same bits.
    constexpr Matrix4x4 operator*(double k) const noexcept
    {
        Matrix4x4 M(*this);
        M *= k;
        return M;
    }
    /// Multiplies every element by k; returns this matrix.
    constexpr Matrix4x4& operator*=(double k) noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                m_d[i][j] *= k;
        return *this;
    }
    /// Every element divided by k (a division each, not a product with 1/k).
    constexpr Matrix4x4 operator/(double k) const noexcept
    {
        Matrix4x4 M(*this);
        M /= k;
        return M;
    }
    /// Divides every element by k; returns this matrix.
    constexpr Matrix4x4& operator/=(double k) noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                m_d[i][j] /= k;
        return *this;
    }
    /// Flips the sign of every element.
    constexpr void neg() noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                m_d[i][j] = -m_d[i][j];
    }
    /// Replaces every element by its absolute value (-0.0 becomes 0.0).
    constexpr void abs() noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++) {
                m_d[i][j] = detail::constexprFabs(m_d[i][j]);
            }
    }

    // ---- Transpose, determinant, adjoint, inverse -------------------------------------

    /// Replaces the matrix by its transpose.
    constexpr void transpose() noexcept
    {
        if (VECMATH_USE_FAST_CODE() && detail::transposedAtRunTime(*this))
            return;
        for (int i = 0; i < 4; i++)
            for (int j = i + 1; j < 4; j++) {
                const double e = m_d[i][j];
                m_d[i][j] = m_d[j][i];
                m_d[j][i] = e;
            }
    }
    /// The transpose, the twin of transpose(); the matrix itself is not changed.
    constexpr Matrix4x4 transposed() const noexcept
    {
        Matrix4x4 T(*this);
        T.transpose();
        return T;
    }
    /// The determinant, expanded along column 0 into four 3x3 determinants, each of
    /// three 2x2 ones, and accumulated left to right.
    constexpr double det() const noexcept
    {
        if (VECMATH_USE_FAST_CODE())
            return detail::determinantAtRunTime(*this);
        return detail::plainDeterminant(*this);
    }
    /// Replaces the matrix by its adjoint (adjugate): the transposed matrix of cofactors,
    /// each a 3x3 determinant computed afresh. M times its adjoint is det(M) times I.
    constexpr void adjoint() noexcept
    {
        // Element (i, j) becomes (-1)^(i+j) times the minor without row j and column i.
        // Every element is read before any is written.
        const double a1 = m_d[0][0], a2 = m_d[0][1], a3 = m_d[0][2], a4 = m_d[0][3];
        const double b1 = m_d[1][0], b2 = m_d[1][1], b3 = m_d[1][2], b4 = m_d[1][3];
        const double c1 = m_d[2][0], c2 = m_d[2][1], c3 = m_d[2][2], c4 = m_d[2][3];
        const double d1 = m_d[3][0], d2 = m_d[3][1], d3 = m_d[3][2], d4 = m_d[3][3];
        using detail::det3x3;
        // clang-format off
        m_d[0][0] =  det3x3(b2, b3, b4, c2, c3, c4, d2, d3, d4);
        m_d[0][1] = -det3x3(a2, a3, a4, c2, c3, c4, d2, d3, d4);
        m_d[0][2] =  det3x3(a2, a3, a4, b2, b3, b4, d2, d3, d4);
        m_d[0][3] = -det3x3(a2, a3, a4, b2, b3, b4, c2, c3, c4);

        m_d[1][0] = -det3x3(b1, b3, b4, c1, c3, c4, d1, d3, d4);
        m_d[1][1] =  det3x3(a1, a3, a4, c1, c3, c4, d1, d3, d4);
        m_d[1][2] = -det3x3(a1, a3, a4, b1, b3, b4, d1, d3, d4);
        m_d[1][3] =  det3x3(a1, a3, a4, b1, b3, b4, c1, c3, c4);

        m_d[2][0] =  det3x3(b1, b2, b4, c1, c2, c4, d1, d2, d4);
        m_d[2][1] = -det3x3(a1, a2, a4, c1, c2, c4, d1, d2, d4);
        m_d[2][2] =  det3x3(a1, a2, a4, b1, b2, b4, d1, d2, d4);
        m_d[2][3] = -det3x3(a1, a2, a4, b1, b2, b4, c1, c2, c4);

        m_d[3][0] = -det3x3(b1, b2, b3, c1, c2, c3, d1, d2, d3);
        m_d[3][1] =  det3x3(a1, a2, a3, c1, c2, c3, d1, d2, d3);
        m_d[3][2] = -det3x3(a1, a2, a3, b1, b2, b3, d1, d2, d3);
        m_d[3][3] =  det3x3(a1, a2, a3, b1, b2, b3, c1, c2, c3);
        // clang-format on
    }
    /// Replaces the matrix by its inverse, the adjoint times 1/det(), and returns true.
    /// Returns false and leaves the matrix unchanged when |det()| < 1e-10 (singular or
    /// nearly so), when det() is not finite, or when an element of the inverse would
    /// not be finite (the adjoint overflowed).
    constexpr bool inv() noexcept
    {
        if (VECMATH_USE_FAST_CODE())
            return detail::inverseAtRunTime(*this, *this);
        return detail::invertPlain(*this);
    }
    /// The inverse, the twin of inv(): the value that inv() would leave in a copy of the
    /// matrix. When inv() would return false, that is the matrix itself, unchanged; then
    /// *invertible (if given) is set to false, and to true otherwise.
    constexpr Matrix4x4 inverse(bool* invertible = nullptr) const noexcept
    {
        Matrix4x4 M(*this);
        const bool inverted = M.inv();
        if (invertible != nullptr)
            *invertible = inverted;
        return M;
    }

    // ---- Comparison -------------------------------------------------------------------

    /// True when every element differs from A's by strictly less than epsilon, visited
    /// row by row; false as soon as one does not, or the difference is NaN. A box test,
    /// not a distance; always false for epsilon <= 0.
    constexpr bool cmp(const Matrix4x4& A, double epsilon) const noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++) {
                const double d = m_d[i][j] - A.m_d[i][j];
                // |d| < epsilon, written so that a NaN difference fails.
                if (!(d < epsilon && -d < epsilon))
                    return false;
            }
        return true;
    }
    /// cmp(A, 1e-10).
    constexpr bool cmp(const Matrix4x4& A) const noexcept { return cmp(A, 1e-10); }
    /// cmp(A, 1e-10).
    constexpr bool operator==(const Matrix4x4& A) const noexcept { return cmp(A, 1e-10); }
    /// !cmp(A, 1e-10).
    constexpr bool operator!=(const Matrix4x4& A) const noexcept { return !cmp(A, 1e-10); }
};

/// \cond INTERNAL

inline void detail::productAtRunTime(const Matrix4x4& L, const Matrix4x4& R,
                                     Matrix4x4& out) noexcept
{
#if VECMATH_INLINE_AVX2
    avx2::product(L.m_d, R.m_d, out.m_d);
#else
    libraryProduct(L, R, out);
#endif
}

inline double detail::determinantAtRunTime(const Matrix4x4& m) noexcept
{
#if VECMATH_INLINE_AVX2
    return avx2::determinant(m.m_d);
#else
    return libraryDeterminant(m);
#endif
}

inline bool detail::inverseAtRunTime(const Matrix4x4& m, Matrix4x4& out) noexcept
{
#if VECMATH_INLINE_AVX2
    // The inverse goes straight into out, which becomes a copy only when there is none.
    if (avx2::inverse(m.m_d, out.m_d))
        return true;
    if (&out != &m)
        out = m;
    return false;
#else
    return libraryInverse(m, out);
#endif
}

// The elements by row letter and column digit: row 0 is a1..a4, row 3 d1..d4.
constexpr double detail::plainDeterminant(const Matrix4x4& m) noexcept
{
    const double a1 = m.m_d[0][0], a2 = m.m_d[0][1], a3 = m.m_d[0][2], a4 = m.m_d[0][3];
    const double b1 = m.m_d[1][0], b2 = m.m_d[1][1], b3 = m.m_d[1][2], b4 = m.m_d[1][3];
    const double c1 = m.m_d[2][0], c2 = m.m_d[2][1], c3 = m.m_d[2][2], c4 = m.m_d[2][3];
    const double d1 = m.m_d[3][0], d2 = m.m_d[3][1], d3 = m.m_d[3][2], d4 = m.m_d[3][3];
    return a1 * det3x3(b2, b3, b4, c2, c3, c4, d2, d3, d4)
         - b1 * det3x3(a2, a3, a4, c2, c3, c4, d2, d3, d4)
         + c1 * det3x3(a2, a3, a4, b2, b3, b4, d2, d3, d4)
         - d1 * det3x3(a2, a3, a4, b2, b3, b4, c2, c3, c4);
}

// The adjoint times 1/det().
constexpr bool detail::invertPlain(Matrix4x4& m) noexcept
{
    Matrix4x4 A(m);
    A.adjoint();
    // det() expands along column 0 into the same four 3x3 determinants that the adjoint's
    // first row holds with the signs +, -, +, -. Flipping a sign back is exact, so this is
    // det() bit for bit, without computing the four a second time.
    const double determinant = m.m_d[0][0] * A.m_d[0][0] - m.m_d[1][0] * -A.m_d[0][1]
                             + m.m_d[2][0] * A.m_d[0][2] - m.m_d[3][0] * -A.m_d[0][3];
    // Singular or nearly so (|det| < 1e-10). A determinant that is not finite (NaN or
    // infinite elements, or overflow) gives no inverse either: it would come out as NaNs
    // or zeros. 1.7976931348623157e308 is the largest double.
    const double size = determinant < 0.0 ? -determinant : determinant;
    if (!(size >= 1e-10 && size <= 1.7976931348623157e308))
        return false;
    A *= 1 / determinant;
    // A cofactor can overflow where the determinant does not; then an element of the
    // inverse is not representable and the matrix is left as it was.
    if (!allFinite(A.m_d))
        return false;
    m.copy(A);
    return true;
}

inline bool detail::transposedAtRunTime(Matrix4x4& m) noexcept
{
#if VECMATH_INLINE_AVX2
    avx2::transpose(m.m_d);
    return true;
#else
    static_cast<void>(m);
    return false;
#endif
}

inline void detail::transformAtRunTime(const Matrix4x4& m, const Vector3D* from, Vector3D* to,
                                       std::size_t count) noexcept
{
#if VECMATH_INLINE_AVX2
    avx2::transformPoints(m.m_d, &from->m_x, &to->m_x, count);
#else
    libraryTransform(m, from, to, count);
#endif
}

inline void detail::transformAtRunTime(const Matrix4x4& m, const Vector4D* from, Vector4D* to,
                                       std::size_t count) noexcept
{
#if VECMATH_INLINE_AVX2
    avx2::transformHomogeneous(m.m_d, &from->m_x, &to->m_x, count);
#else
    libraryTransform(m, from, to, count);
#endif
}

/// \endcond

/// k times every element of A, the same bits as A * k.
constexpr Matrix4x4 operator*(double k, const Matrix4x4& A) noexcept
{
    return A * k;
}

/// Writes the matrix row by row, one line each: "(a, b, c, d)" with each element in the
/// stream's own format; no line end after the last row.
std::ostream& operator<<(std::ostream& out, const Matrix4x4& A);
/// Reads a matrix as operator<< writes it: four rows "(a, b, c, d)", whitespace (line ends
/// included) allowed between the parts. Every bit comes back when the matrix was written
/// with max_digits10 digits. Numbers are read in the classic "C" format, "inf" and "nan"
/// included. On malformed text it sets failbit and leaves A unchanged.
std::istream& operator>>(std::istream& in, Matrix4x4& A);

} // namespace vecmath

#ifndef VECMATH_NO_GLOBAL_NAMES
using vecmath::Matrix4x4;
#endif

#endif // VECMATH_MATRIX4X4_H
