// exact_fp.h: what the library's correctly rounded functions need of the compiler, checked
// where the code is compiled rather than left to the build's flags, which a copy of the
// files in another build system loses. Include it (trig_detail.h does) before the first
// function of a source file whose results depend on every double operation being one
// IEEE operation rounded to nearest, in the order written:
//   - the build stops with #error under flags that let the compiler reorder or drop
//     operations: -ffast-math (-Ofast), associative, reciprocal or finite-only math, MSVC's
//     /fp:fast; and where double expressions are evaluated in more precision than double
//     (FLT_EVAL_METHOD other than 0, the x87 unit);
//   - a static_assert requires IEEE doubles with 53-bit significands;
//   - floating-point contraction (a * b + c fused into one rounding) is switched off for the
//     rest of the translation unit, with each compiler's own pragma: GCC's optimize pragma,
//     MSVC's fp_contract. clang honours its contract pragma only up to -ffp-contract=on:
//     under -ffp-contract=fast (clang 14 at least) it ignores every pragma, so the
//     error-free transformations of trig_detail.h (split, twoProduct) also pass their
//     products through opaque(), which no compiler can fuse; the other operations' error
//     bounds hold for a fused operation too (one rounding fewer, and products that are
//     exact stay exact).
// The pragmas stay in force to the end of the translation unit, so they also cover the
// code of the file that includes this one; that is the point.
#ifndef VECMATH_EXACT_FP_H
#define VECMATH_EXACT_FP_H

#include <cfloat>
#include <limits>

// -ffast-math (and -Ofast) reorders, fuses and drops operations; associative math regroups
// sums, reciprocal math turns a / b into a * (1 / b); finite-only math drops the checks for
// infinities and NaNs.
#if defined(__FAST_MATH__) || defined(_M_FP_FAST)
#error "vecmath's correctly rounded functions cannot be built with -ffast-math or /fp:fast"
#endif
#if defined(__ASSOCIATIVE_MATH__) || defined(__RECIPROCAL_MATH__)
#error "vecmath's correctly rounded functions cannot be built with associative/reciprocal math"
#endif
#if defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__
#error "vecmath's correctly rounded functions cannot be built with -ffinite-math-only"
#endif
// The x87 unit evaluates in extended precision; 32-bit x86 needs -msse2 -mfpmath=sse.
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD != 0
#error "the portable sine and cosine need double expressions evaluated in double"
#endif

static_assert(
    std::numeric_limits<double>::is_iec559 && std::numeric_limits<double>::radix == 2
        && std::numeric_limits<double>::digits == 53,
    "vecmath's correctly rounded functions need IEEE 754 doubles with 53-bit significands");

#if defined(__clang__)
#pragma clang fp contract(off)
#pragma clang fp reassociate(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#elif defined(_MSC_VER)
#pragma fp_contract(off)
#endif

namespace vecmath {
namespace trig_detail {

// VECMATH_TRIG_PLAIN (defined by the build, for tests) takes the code that a compiler
// without GCC's extensions gets: no asm statements here, no vector extension or control
// register in the sine and cosine (trig.cpp, trig_detail.h).
//
// A double's register class for an empty asm statement that takes it in and gives it out.
#if defined(VECMATH_TRIG_PLAIN)
#elif defined(__GNUC__) && (defined(__x86_64__) || (defined(__i386__) && defined(__SSE2_MATH__)))
#define VECMATH_DOUBLE_REGISTER "+x"
#elif defined(__GNUC__) && defined(__aarch64__)
#define VECMATH_DOUBLE_REGISTER "+w"
#elif defined(__GNUC__)
#define VECMATH_DOUBLE_REGISTER "+m"
#endif

/// Hides v's value from the optimiser without an instruction: an operation whose operand
/// went through here cannot be fused with the operation that made it.
inline void opaque(double& v) noexcept
{
#ifdef VECMATH_DOUBLE_REGISTER
    __asm__("" : VECMATH_DOUBLE_REGISTER(v));
#else
    (void)v; // MSVC honours fp_contract(off), and so does GCC its pragma
#endif
}

/// Like opaque, and more: v counts as new each time this runs, which as a volatile statement
/// stays in order with function calls and other volatile statements; so arithmetic on it is
/// done there and then, in the rounding mode of the moment, neither folded at compile time
/// nor moved out of a loop or past a change of mode.
inline void fresh(double& v) noexcept
{
#ifdef VECMATH_DOUBLE_REGISTER
    __asm__ __volatile__("" : VECMATH_DOUBLE_REGISTER(v));
#else
    volatile double copy = v;
    v = copy;
#endif
}

} // namespace trig_detail
} // namespace vecmath

#endif
