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
// - Every loader replaces the whole matrix; none composes with what was there.
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

#include <cmath>
#include <cstddef>
#include <iosfwd>

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
inline void transformAtRunTime(const Matrix4x4& m, const Vector3D* from, Vector3D* to,
                               std::size_t count) noexcept;
inline void transformAtRunTime(const Matrix4x4& m, const Vector4D* from, Vector4D* to,
                               std::size_t count) noexcept;

} // namespace detail

/// \endcond

/// A 4x4 matrix of doubles that moves points: affine and homogeneous transforms.
///
/// Row-major, m_d[row][column]. Points are column vectors multiplied on the right,
/// p' = M * p: the translation sits in column 3, and in a product A * B applied to a
/// point, B acts first. Every loader replaces the whole matrix.
class Matrix4x4
{
public:
    double m_d[4][4]; ///< the elements, m_d[row][column]

    // ---- Construction and copying -----------------------------------------------------

    /// Leaves the 16 elements uninitialised; Matrix4x4{} is the zero matrix.
    Matrix4x4() = default;
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
    /// any length (Rodrigues' matrix). An axis of length at most 1e-10 loads a uniform
    /// scale by cos(phi).
    void loadRotateAboutAxisThroughOrigin(const Vector3D& V, double phi) noexcept;
    /// The same with the x, y and z of V; its w is ignored.
    void loadRotateAboutAxisThroughOrigin(const Vector4D& V, double phi) noexcept;
    /// Loads the rotation by phi radians about the line through `point` along `axis`, of
    /// any length: translate by -point, rotate, translate back, written in closed form.
    /// An axis of length at most 1e-10 loads a matrix that maps every point to the origin.
    void loadRotate(const Vector3D& point, const Vector3D& axis, double phi) noexcept;
    /// The same with the x, y and z of both vectors; their w is ignored.
    void loadRotate(const Vector4D& point, const Vector4D& axis, double phi) noexcept;

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
    Matrix4x4 operator+(const Matrix4x4& A) const noexcept
    {
        Matrix4x4 M;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                M.m_d[i][j] = m_d[i][j] + A.m_d[i][j];
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
    Matrix4x4 operator-(const Matrix4x4& A) const noexcept
    {
        Matrix4x4 M;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                M.m_d[i][j] = m_d[i][j] - A.m_d[i][j];
        return M;
    }
    /// Every element with its sign flipped.
    Matrix4x4 operator-() const noexcept
    {
        Matrix4x4 M;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                M.m_d[i][j] = -m_d[i][j];
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
    Matrix4x4 operator*(double k) const noexcept
    {
        Matrix4x4 M;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                M.m_d[i][j] = m_d[i][j] * k;
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
    Matrix4x4 operator/(double k) const noexcept
    {
        Matrix4x4 M;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                M.m_d[i][j] = m_d[i][j] / k;
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
    /// Replaces every element by its absolute value.
    void abs() noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                m_d[i][j] = std::fabs(m_d[i][j]);
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
    Matrix4x4 transposed() const noexcept
    {
        Matrix4x4 T;
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                T.m_d[i][j] = m_d[j][i];
        return T;
    }
    /// The determinant, expanded along column 0 into four 3x3 determinants, each of
    /// three 2x2 ones, and accumulated left to right.
    double det() const noexcept { return detail::determinantAtRunTime(*this); }
    /// Replaces the matrix by its adjoint (adjugate): the transposed matrix of cofactors,
    /// each a 3x3 determinant computed afresh. M times its adjoint is det(M) times I.
    void adjoint() noexcept;
    /// Replaces the matrix by its inverse, the adjoint times 1/det(), and returns true.
    /// Returns false and leaves the matrix unchanged when |det()| < 1e-10 (singular or
    /// nearly so), when det() is not finite, or when an element of the inverse would
    /// not be finite (the adjoint overflowed).
    bool inv() noexcept { return detail::inverseAtRunTime(*this, *this); }
    /// The inverse, the twin of inv(): the value that inv() would leave in a copy of the
    /// matrix. When inv() would return false, that is the matrix itself, unchanged; then
    /// *invertible (if given) is set to false, and to true otherwise.
    Matrix4x4 inverse(bool* invertible = nullptr) const noexcept
    {
        Matrix4x4 M;
        const bool inverted = detail::inverseAtRunTime(*this, M);
        if (invertible != nullptr)
            *invertible = inverted;
        return M;
    }

    // ---- Comparison -------------------------------------------------------------------

    /// True when every element differs from A's by strictly less than 1e-10; false as
    /// soon as one does not, or the difference is NaN.
    bool cmp(const Matrix4x4& A) const noexcept
    {
        for (int i = 0; i < 4; i++)
            for (int j = 0; j < 4; j++)
                // Written as "not less than" so that a NaN difference fails.
                if (!(std::fabs(m_d[i][j] - A.m_d[i][j]) < 1e-10))
                    return false;
        return true;
    }
    /// cmp(A).
    bool operator==(const Matrix4x4& A) const noexcept { return cmp(A); }
    /// !cmp(A).
    bool operator!=(const Matrix4x4& A) const noexcept { return !cmp(A); }
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
inline Matrix4x4 operator*(double k, const Matrix4x4& A) noexcept
{
    return A * k;
}

/// Writes the matrix row by row, one line each: "(a, b, c, d)" with each element in the
/// stream's own format; no line end after the last row.
std::ostream& operator<<(std::ostream& out, const Matrix4x4& A);

} // namespace vecmath

#ifndef VECMATH_NO_GLOBAL_NAMES
using vecmath::Matrix4x4;
#endif

#endif // VECMATH_MATRIX4X4_H
