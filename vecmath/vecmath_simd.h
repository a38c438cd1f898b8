// vecmath_simd.h: which code computes the matrix product, the inverse and the transform of
// an array of points.
//
// Matrix4x4's product (operator*, operator*=), inverse (inv, inverse) and transform of many
// points (Transform(from, to, count)) have two implementations:
// - plain C++, which the compiler turns into whatever the target offers (SSE2 on any
//   x86-64, NEON on aarch64, ...);
// - AVX2 code, four doubles to an instruction, compiled only on x86-64 with GCC or clang
//   (MinGW-w64 included), and run only on a CPU that has AVX2 under an operating system
//   that saves the AVX registers.
// Both do the same IEEE operations on the same operands in the same order, each rounded on
// its own (the AVX2 code is built without FMA), so they give the same results bit for bit.
//
// The choice is made once, on the first use of any of them: AVX2 wherever it is compiled
// in and the CPU runs it, the plain code everywhere else. This header is not installed: it
// lets the library's tests and benchmark force each implementation in turn.
#ifndef VECMATH_VECMATH_SIMD_H
#define VECMATH_VECMATH_SIMD_H

// 1 when this build has the AVX2 code: GCC or clang (not in MSVC's mode) targeting x86-64.
#if (defined(__GNUC__) || defined(__clang__)) && !defined(_MSC_VER) && defined(__x86_64__)
#define VECMATH_HAVE_AVX2_PATH 1
#else
#define VECMATH_HAVE_AVX2_PATH 0
#endif

namespace vecmath {

/// The implementations of the product and the inverse. Auto stands for the CPU's choice.
enum class VecmathSimd { Auto, Scalar, Avx2 };

/// The implementation that products and inverses use now, Scalar or Avx2. The first call
/// (or the first product or inverse) makes the CPU's choice unless one was forced.
VecmathSimd vecmathSimdInUse();
/// True when this build has the code for `simd` and this CPU can run it (always true for
/// Auto and Scalar).
bool vecmathSimdAvailable(VecmathSimd simd);
/// Makes every later product and inverse use `simd` (Auto: the CPU's choice again) and
/// returns true; returns false and changes nothing when `simd` is not available. For tests
/// and measurements: call it while no other thread computes a product or an inverse.
bool vecmathUseSimd(VecmathSimd simd);
/// "auto", "scalar" or "avx2".
const char* vecmathSimdName(VecmathSimd simd);
/// Reads one of those names into `simd`; false, and `simd` unchanged, for any other text.
bool vecmathSimdFromName(const char* name, VecmathSimd& simd);

} // namespace vecmath

#endif // VECMATH_VECMATH_SIMD_H
