// trig_detail.h: the inside of the library's own sine and cosine (trig.h), for trig.cpp,
// its tables and the tests that check each part. Not installed; not part of the interface.
#ifndef VECMATH_TRIG_DETAIL_H
#define VECMATH_TRIG_DETAIL_H

#include <cstdint>

namespace vecmath {
namespace trig_detail {

// ---- Tables (trig_tables.cpp, made by scripts/trig-tables.py) ------------------------

constexpr int kTwoOverPiWords = 24; ///< 64-bit words of 2/pi: 1536 bits
constexpr int kFixedWords = 5;      ///< a fixed-point number: integer word and 4 fraction words
constexpr int kTableSize = 403;     ///< entries j = 0..402 of sin(j/512) and cos(j/512)

/// The bits of 2/pi after the binary point, 64 to a word, most significant first.
extern const std::uint64_t kTwoOverPiBits[kTwoOverPiWords];
/// pi/2 in fixed point (see Fixed), truncated after 256 fraction bits.
extern const std::uint64_t kPiOverTwoFixed[kFixedWords];
/// pi/2 as three parts of at most 33 significant bits and the double nearest to the rest.
extern const double kCodyWaite[4];
extern const double kPiOverTwoHigh; ///< the double nearest to pi/2
extern const double kPiOverTwoLow;  ///< the double nearest to pi/2 - kPiOverTwoHigh
extern const double kTwoOverPi;     ///< the double nearest to 2/pi
/// {sin high, sin low, cos high, cos low} of j/512, each pair the nearest double and the
/// double nearest to the rest.
extern const double kSinCosTable[kTableSize][4];

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
/// a.high, which is then the correctly rounded result.
bool roundingIsCertain(const Approximation& a) noexcept;

/// The slow path: the correctly rounded sine of a finite x with 2^-27 <= |x|, in 256-bit
/// fixed-point arithmetic.
double slowSin(double x) noexcept;
/// The slow path's correctly rounded cosine of a finite x with 2^-27 <= |x|.
double slowCos(double x) noexcept;

} // namespace trig_detail
} // namespace vecmath

#endif
