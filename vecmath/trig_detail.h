// trig_detail.h: the inside of the library's own sine and cosine (trig.h), for trig.cpp,
// its tables and the tests that check each part, and the exact arithmetic that the
// library's other correctly rounded functions share with them. Not installed; not part of
// the interface. It includes exact_fp.h first, so a source file that includes it is built
// with the checks and the contraction switch that exact arithmetic needs.
#ifndef VECMATH_TRIG_DETAIL_H
#define VECMATH_TRIG_DETAIL_H

#include "exact_fp.h"

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vecmath {
namespace trig_detail {

// ---- Tables (trig_tables.cpp, made by scripts/trig-tables.py) ------------------------

constexpr int kTwoOverPiWords = 24; ///< 64-bit words of 2/pi: 1536 bits
constexpr int kFixedWords = 5;      ///< a fixed-point number: integer word and 4 fraction words
constexpr int kTableSize = 403;     ///< entries j = 0..402 of sin(j/512) and cos(j/512)
constexpr int kTableRow = 8;        ///< doubles to an entry: 4 for the sine, 4 for the cosine

/// The bits of 2/pi after the binary point, 64 to a word, most significant first.
extern const std::uint64_t kTwoOverPiBits[kTwoOverPiWords];
/// pi/2 in fixed point (see Fixed), truncated after 256 fraction bits.
extern const std::uint64_t kPiOverTwoFixed[kFixedWords];
/// pi/2 as its bits down to 2^-32, those from 2^-33 to 2^-53 and from 2^-54 to 2^-86, and
/// the double nearest to the rest.
extern const double kCodyWaite[4];
extern const double kPiOverTwoHigh; ///< the double nearest to pi/2
extern const double kPiOverTwoLow;  ///< the double nearest to pi/2 - kPiOverTwoHigh
extern const double kTwoOverPi;     ///< the double nearest to 2/pi
/// Row j: sin(j/512) and cos(j/512) interleaved, so that each pair is a pair of lanes:
/// {sin high, cos high, sin low, cos low, cos upper, sin upper, cos rest, sin rest}. high is
/// the nearest double, low the double nearest to the rest; upper is the upper part of high's
/// split (Veltkamp's, split below) and rest the double nearest to the split's lower part plus
/// low, stored so that products with high need no split at run time. 64-byte aligned: each
/// row is one cache line.
extern const double kSinCosTable[kTableSize][kTableRow];

// ---- Rounding mode ----------------------------------------------------------------------------

// The control register that double arithmetic rounds by, read and written directly where
// that is cheap: MXCSR on x86 (doubles are computed in SSE registers: FLT_EVAL_METHOD is 0,
// see exact_fp.h), FPCR on aarch64; kRoundingField is its rounding-mode field, 0 for
// round to nearest. Elsewhere (MSVC, other targets, VECMATH_TRIG_PLAIN) the C library's
// fegetround and fesetround. The flush-to-zero bits that -ffast-math programs set at
// start-up are left as they are: no operation of these functions has a subnormal operand or
// result.
#if defined(VECMATH_TRIG_PLAIN)
#elif defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VECMATH_CONTROL_REGISTER 1
using ControlWord = std::uint32_t;
constexpr ControlWord kRoundingField = 0x6000; // MXCSR bits 13 and 14
inline ControlWord readControl() noexcept
{
    ControlWord c;
    __asm__ __volatile__("stmxcsr %0" : "=m"(c) : : "memory");
    return c;
}
inline void writeControl(ControlWord c) noexcept
{
    __asm__ __volatile__("ldmxcsr %0" : : "m"(c) : "memory");
}
#elif defined(__GNUC__) && defined(__aarch64__)
#define VECMATH_CONTROL_REGISTER 1
using ControlWord = std::uint64_t;
constexpr ControlWord kRoundingField = ControlWord(3) << 22; // FPCR.RMode
inline ControlWord readControl() noexcept
{
    ControlWord c;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(c) : : "memory");
    return c;
}
inline void writeControl(ControlWord c) noexcept
{
    __asm__ __volatile__("msr fpcr, %0" : : "r"(c) : "memory");
}
#endif

/// True when doubles round to nearest, ties to even (the default mode), found by rounding
/// in the mode of the moment: 1 + 3/4 ulp and 1 + 1/4 ulp round to different doubles only
/// to nearest (upward both go up, downward and towards zero both down). Two additions:
/// cheaper than reading the control register (reading MXCSR made the sine several percent
/// slower on the x86 we measured), and asking the very arithmetic that the functions use.
/// The first sum raises the inexact flag, as the sine of any nonzero double does anyway.
inline bool roundsToNearest() noexcept
{
    double one = 1.0;
    fresh(one);
    return one + 0x1.8p-53 > one + 0x1p-54;
}

/// Rounds to nearest while it lives, whatever mode the caller had set, and puts the caller's
/// mode back when it ends. The correctly rounded functions hold one for their whole work:
/// their error-free transformations and integer roundings are exact only when rounding to
/// nearest. The change of mode is an opaque statement to the compiler, but without
/// -frounding-math GCC and clang assume that arithmetic does not depend on the mode and may
/// move it across such a statement: do the work in a function called through
/// inRoundToNearest, not in the function that holds the guard.
class RoundToNearest
{
public:
#ifdef VECMATH_CONTROL_REGISTER
    RoundToNearest() noexcept : m_saved(readControl())
    {
        if ((m_saved & kRoundingField) != 0)
            writeControl(m_saved & ~kRoundingField);
    }
    ~RoundToNearest()
    {
        // Only the mode goes back: the exception flags raised meanwhile stay raised.
        if ((m_saved & kRoundingField) != 0)
            writeControl((readControl() & ~kRoundingField) | (m_saved & kRoundingField));
    }
#else
    RoundToNearest() noexcept : m_saved(std::fegetround())
    {
        if (m_saved != FE_TONEAREST)
            std::fesetround(FE_TONEAREST);
    }
    ~RoundToNearest()
    {
        if (m_saved != FE_TONEAREST)
            std::fesetround(m_saved);
    }
#endif
    RoundToNearest(const RoundToNearest&) = delete;
    RoundToNearest& operator=(const RoundToNearest&) = delete;

private:
#ifdef VECMATH_CONTROL_REGISTER
    ControlWord m_saved;
#else
    int m_saved;
#endif
};

/// The type T, in a parameter that template argument deduction leaves alone.
template <typename T>
struct NotDeduced {
    using type = T;
};

#if defined(__GNUC__)
#define VECMATH_NOINLINE __attribute__((noinline))
#elif defined(_MSC_VER)
#define VECMATH_NOINLINE __declspec(noinline)
#else
#define VECMATH_NOINLINE
#endif

/// f(args...) computed rounding to nearest, the caller's mode put back afterwards. f is called
/// through a volatile pointer, so that the compiler can neither inline it nor move any of its
/// arithmetic across the change of mode. A correctly rounded function keeps the common case
/// free of it:
///     if (roundsToNearest())
///         return work(x);                  // inlined
///     return inRoundToNearest(work, x);    // another mode: one call with the mode changed
/// Never inlined itself, so that the caller's common case carries none of its frame.
template <typename Result, typename... Arguments>
VECMATH_NOINLINE Result inRoundToNearest(Result (*f)(Arguments...),
                                         typename NotDeduced<Arguments>::type... args) noexcept
{
    const RoundToNearest nearest;
    Result (*volatile call)(Arguments...) = f;
    return call(args...);
}

// ---- Bits of doubles ------------------------------------------------------------------------

inline std::uint64_t bitsOf(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

inline double fromBits(std::uint64_t b)
{
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

/// 2^e for a normal power of two, -1022 <= e <= 1023.
inline double powerOfTwo(int e)
{
    return fromBits(static_cast<std::uint64_t>(e + 1023) << 52);
}

constexpr std::uint64_t kMantissaMask = (std::uint64_t(1) << 52) - 1;
constexpr std::uint64_t kSignBit = std::uint64_t(1) << 63;

// ---- Error-free transformations (Knuth, Dekker), exact when rounding to nearest ----------

/// s + e = a + b exactly, s = RN(a + b).
inline void twoSum(double a, double b, double& s, double& e)
{
    s = a + b;
    const double bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

/// s + e = a + b exactly, s = RN(a + b), provided a = 0 or |a| >= |b|; for doubles, or for
/// each lane of a vector of doubles on its own.
template <typename D>
inline void fastTwoSum(D a, D b, D& s, D& e)
{
    s = a + b;
    e = b - (s - a);
}

inline void fastTwoSum(double a, double b, double& s, double& e)
{
    fastTwoSum<double>(a, b, s, e);
}

/// Veltkamp's split: a = high + low, each with at most 26 significant bits (|a| < 2^996).
inline void split(double a, double& high, double& low)
{
    double c = 134217729.0 * a; // 2^27 + 1
    opaque(c);                  // c - a must not be fused into one rounding
    high = c - (c - a);
    low = a - high;
}

/// p + e = a * b exactly, p = RN(a * b) (Dekker's product, no FMA), from the splits of a and
/// b made by split (a = ah + al, b = bh + bl).
inline void twoProduct(double a, double ah, double al, double b, double bh, double bl, double& p,
                       double& e)
{
    p = a * b;
    opaque(p); // p is the rounded product wherever it is used
    // Each of the four partial products is exact, so a fused operation rounds them alike.
    e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

/// p + e = a * b exactly, p = RN(a * b) (Dekker's product, no FMA).
inline void twoProduct(double a, double b, double& p, double& e)
{
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    twoProduct(a, ah, al, b, bh, bl, p, e);
}

// ---- Exact integer arithmetic ----------------------------------------------------------

/// An unsigned 128-bit number as two words.
struct Wide {
    std::uint64_t high; ///< the upper 64 bits
    std::uint64_t low;  ///< the lower 64 bits
};

/// The exact product a * b, through unsigned __int128 where the compiler has it.
Wide multiply64(std::uint64_t a, std::uint64_t b) noexcept;
/// The same product from four 32-bit products, for compilers without __int128 (MSVC).
Wide multiply64Portable(std::uint64_t a, std::uint64_t b) noexcept;

// ---- Multiword integers, most significant word first --------------------------------------

/// The 64 bits of the number a[0..n-1] (a[n-1] least significant) from bit `low` up (bit 0 is
/// the least significant bit of a[n-1]); bits outside the number are 0.
std::uint64_t bitsAt(const std::uint64_t* a, int n, int low) noexcept;
/// The index of the most significant 1 bit of a[0..n-1], or -1 when it is zero.
int leadingBit(const std::uint64_t* a, int n) noexcept;
/// out[0..n] = m * a[0..n-1].
void multiplyWords(std::uint64_t m, const std::uint64_t* a, int n, std::uint64_t* out) noexcept;
/// a[0..n-1] = 2^(64n) - a (two's complement negation).
void negateWords(std::uint64_t* a, int n) noexcept;

// ---- 256-bit fixed point --------------------------------------------------------------------

/// A non-negative number below 2^64 as kFixedWords words: an integer word, then 256 bits
/// after the binary point, most significant first. An ulp is 2^-256.
struct Fixed {
    std::uint64_t w[kFixedWords];
};

Fixed fixedZero() noexcept;
bool isZero(const Fixed& a) noexcept;
Fixed add(const Fixed& a, const Fixed& b) noexcept;
/// a - b for a >= b.
Fixed subtract(const Fixed& a, const Fixed& b) noexcept;
bool less(const Fixed& a, const Fixed& b) noexcept;
/// a * b truncated to 256 fraction bits (error below one ulp), for a product below 2^64.
Fixed multiply(const Fixed& a, const Fixed& b) noexcept;
/// a / d truncated (error below one ulp), 0 < d < 2^32.
Fixed divide(const Fixed& a, std::uint32_t d) noexcept;
/// The double nearest to y, a midpoint between two doubles rounded up; 0 below 2^-192.
double roundFixed(const Fixed& y) noexcept;

// ---- The two paths -----------------------------------------------------------------------

/// A value approximated by high + low, where high is the double nearest to high + low and
/// the value lies within `bound` of high + low.
struct Approximation {
    double high;  ///< the leading double
    double low;   ///< the rest, at most half an ulp of high
    double bound; ///< a bound on the distance from the exact value
};

/// The fast path: sin x and cos x in double-double, with proven error bounds, for finite x
/// with 2^-27 <= |x|. False, and nothing written, where the reduced argument came out as 0.
bool fastSinCos(double x, Approximation& sine, Approximation& cosine) noexcept;

/// Ziv's rounding test: true when every value within a.bound of a.high + a.low rounds to
/// a.high, which is then the correctly rounded result. Inline, so that the fast paths test
/// their results in registers.
///
/// The value v lies within M = |a.low| + a.bound of H = |a.high| (the signs taken off). m, the
/// computed (|a.low| + a.bound)(1 + 2^-50), is at least M (1 - u)^2 (1 + 2^-50) > M. H + m
/// rounding to H (it cannot round below) means that m is at most half the gap from H to the
/// next double up, H - m rounding to H that it is at most half the gap to the next double
/// down (a quarter of an ulp below a power of two); then every v within M < m of H rounds to
/// H. False for an infinite or NaN a.high or bound (every comparison with a NaN is false).
inline bool roundingIsCertain(const Approximation& a) noexcept
{
    const double high = std::fabs(a.high);
    const double m = (std::fabs(a.low) + a.bound) * (1 + 0x1p-50);
    return (high >= high + m) & (high - m >= high) & (high <= DBL_MAX);
}

/// The slow path: the correctly rounded sine of a finite x with 2^-27 <= |x|, in 256-bit
/// fixed-point arithmetic.
double slowSin(double x) noexcept;
/// The slow path's correctly rounded cosine of a finite x with 2^-27 <= |x|.
double slowCos(double x) noexcept;

// ---- The arctangent (atan2.cpp, atan2_tables.cpp, made by scripts/atan2-tables.py) ------

constexpr int kAtanTableSize = 513; ///< entries j = 0..512 of atan(j/512)
constexpr int kAtanFixedSize = 17;  ///< entries i = 0..16 of atan(i/16)

/// {high, low} of atan(j/512): the nearest double and the double nearest to the rest.
extern const double kAtanTable[kAtanTableSize][2];
/// atan(i/16) in fixed point (see Fixed), truncated after 256 fraction bits.
extern const std::uint64_t kAtanFixed[kAtanFixedSize][kFixedWords];

/// The fast path of atan2(y, x) in double-double, with a proven error bound, where both are
/// finite and non-zero and the smaller of |y/x| and |x/y| is at least 2^-56; false, and
/// nothing written, elsewhere. Rounds to nearest: call it in that mode.
bool fastAtan2(double y, double x, Approximation& a) noexcept;
/// The correctly rounded atan2(y, x) without the fast path: 256-bit fixed point where the
/// fast path applies, the same answers as portableAtan2 elsewhere. Rounds to nearest.
double slowAtan2(double y, double x) noexcept;

} // namespace trig_detail
} // namespace vecmath

#endif
