// trig.cpp: the library's own correctly rounded sine and cosine (trig.h).
//
// Outline, for an argument x:
//   1. |x| < 2^-27: the result is x, or 1 (see portableSin); infinities and NaNs give NaN.
//   2. Reduction: x = k pi/2 + r with |r| <= pi/4 (a little more, below 2^-30), r as a
//      double-double high + low and a bound on its error, k's last two bits the quadrant.
//      Below 2^20 by Cody-Waite, above by Payne-Hanek in exact integer arithmetic.
//   3. Evaluation in double-double of f(rho), rho = |r| and f the sine or the cosine as the
//      quadrant's parity picks it: rho = j/512 + z with |z| <= 2^-10, from the table of
//      sin(j/512) and cos(j/512) and short polynomials in z. The sign comes last, on the
//      sign bit. Nothing in the fast path branches on the sign of x or of r or on the
//      quadrant, so that random arguments cost no mispredicted branches.
//   4. Ziv's test: the result's error bound against the distance to the rounding boundary.
//      Where it cannot decide, the slow path evaluates again in 256-bit fixed point with an
//      error below 2^-240 and decides from that.
//
// Every double operation below is an IEEE operation rounded to nearest, in the order
// written: trig_detail.h includes exact_fp.h, which stops a build whose flags would change
// that and switches contraction off; the library is also built with -ffp-contract=off
// (/fp:precise) and without FMA instructions where the compiler allows it. The public
// functions round to nearest whatever mode the caller has set (roundsToNearest and
// inRoundToNearest, trig_detail.h). u = 2^-53 is the unit roundoff.
#include "trig.h"

#include <cfloat>
#include <cmath>
#include <cstdint>

#include "trig_detail.h"

#if defined(__SSE2__) && !defined(VECMATH_TRIG_PLAIN)
#include <emmintrin.h>
#endif

namespace vecmath {
namespace trig_detail {

// ---- Multiword integers, most significant word first ---------------------------------------

// The 64 bits of the number a[0..n-1] (a[n-1] least significant) from bit `low` up
// (bit 0 is the least significant bit of a[n-1]); bits outside the number are 0.
std::uint64_t bitsAt(const std::uint64_t* a, int n, int low) noexcept
{
    // Word q (counted from the least significant, 0) holds bits 64q .. 64q + 63.
    const auto word = [a, n](int q) { return q >= 0 && q < n ? a[n - 1 - q] : std::uint64_t(0); };
    const int q = low >= 0 ? low / 64 : -((63 - low) / 64);
    const int shift = low - 64 * q; // 0 .. 63
    if (shift == 0)
        return word(q);
    return (word(q) >> shift) | (word(q + 1) << (64 - shift));
}

// The index of the most significant 1 bit of a[0..n-1], or -1 when it is zero.
int leadingBit(const std::uint64_t* a, int n) noexcept
{
    for (int i = 0; i < n; i++)
        if (a[i] != 0) {
            int b = 63;
            while (((a[i] >> b) & 1u) == 0)
                b--;
            return 64 * (n - 1 - i) + b;
        }
    return -1;
}

// out[0..n] = m * a[0..n-1].
void multiplyWords(std::uint64_t m, const std::uint64_t* a, int n, std::uint64_t* out) noexcept
{
    std::uint64_t carry = 0;
    for (int i = n - 1; i >= 0; i--) {
        const Wide p = multiply64(m, a[i]);
        const std::uint64_t low = p.low + carry;
        carry = p.high + (low < carry ? 1u : 0u);
        out[i + 1] = low;
    }
    out[0] = carry;
}

// a[0..n-1] = 2^(64n) - a (two's complement negation).
void negateWords(std::uint64_t* a, int n) noexcept
{
    std::uint64_t borrow = 0;
    for (int i = n - 1; i >= 0; i--) {
        const std::uint64_t v = 0 - a[i] - borrow;
        borrow = (a[i] != 0 || borrow != 0) ? 1u : 0u;
        a[i] = v;
    }
}

// ---- 256-bit fixed point -----------------------------------------------------------------------

Fixed fixedZero() noexcept
{
    Fixed a;
    for (std::uint64_t& v : a.w)
        v = 0;
    return a;
}

bool isZero(const Fixed& a) noexcept
{
    for (std::uint64_t v : a.w)
        if (v != 0)
            return false;
    return true;
}

Fixed add(const Fixed& a, const Fixed& b) noexcept
{
    Fixed r;
    std::uint64_t carry = 0;
    for (int i = kFixedWords - 1; i >= 0; i--) {
        const std::uint64_t s = a.w[i] + b.w[i];
        const std::uint64_t c1 = s < a.w[i] ? 1u : 0u;
        r.w[i] = s + carry;
        carry = c1 + (r.w[i] < s ? 1u : 0u);
    }
    return r;
}

// a - b for a >= b.
Fixed subtract(const Fixed& a, const Fixed& b) noexcept
{
    Fixed r;
    std::uint64_t borrow = 0;
    for (int i = kFixedWords - 1; i >= 0; i--) {
        const std::uint64_t d = a.w[i] - b.w[i];
        const std::uint64_t b1 = a.w[i] < b.w[i] ? 1u : 0u;
        r.w[i] = d - borrow;
        borrow = b1 + (d < borrow ? 1u : 0u);
    }
    return r;
}

bool less(const Fixed& a, const Fixed& b) noexcept
{
    for (int i = 0; i < kFixedWords; i++)
        if (a.w[i] != b.w[i])
            return a.w[i] < b.w[i];
    return false;
}

// a * b truncated to 256 fraction bits (error below one ulp), for a product below 2^64.
Fixed multiply(const Fixed& a, const Fixed& b) noexcept
{
    const int n = kFixedWords;
    std::uint64_t p[2 * kFixedWords] = {}; // a b 2^512, p[2n - 1] least significant
    for (int i = n - 1; i >= 0; i--)
        for (int j = n - 1; j >= 0; j--) {
            const Wide w = multiply64(a.w[i], b.w[j]);
            // w.low goes to p[i + j + 1], w.high to p[i + j], carries upwards.
            int k = i + j + 1;
            std::uint64_t add = w.low;
            std::uint64_t high = w.high;
            while (k >= 0 && (add != 0 || high != 0)) {
                const std::uint64_t s = p[k] + add;
                const std::uint64_t carry = s < add ? 1u : 0u;
                p[k] = s;
                add = high + carry; // high <= 2^64 - 2, so no overflow
                high = 0;
                k--;
            }
        }
    Fixed r;
    for (int i = 0; i < n; i++)
        r.w[i] = p[i + 1];
    return r;
}

// a / d truncated (error below one ulp), 0 < d < 2^32.
Fixed divide(const Fixed& a, std::uint32_t d) noexcept
{
    Fixed r;
    std::uint64_t rest = 0; // always below d
    for (int i = 0; i < kFixedWords; i++) {
        const std::uint64_t hi = (rest << 32) | (a.w[i] >> 32);
        const std::uint64_t qh = hi / d;
        rest = hi % d;
        const std::uint64_t lo = (rest << 32) | (a.w[i] & 0xffffffffu);
        const std::uint64_t ql = lo / d;
        rest = lo % d;
        r.w[i] = (qh << 32) | ql;
    }
    return r;
}

// The double nearest to y, a midpoint between two doubles rounded up; 0 for y below 2^-192,
// where 53 bits are no longer in the number. The callers show that their y is larger.
double roundFixed(const Fixed& y) noexcept
{
    const int lead = leadingBit(y.w, kFixedWords); // y = 2^(lead - 256) (1 + ...)
    if (lead < 64)
        return 0.0; // below 2^-192 (see above)
    const std::uint64_t mask = (std::uint64_t(1) << 53) - 1;
    std::uint64_t mantissa = bitsAt(y.w, kFixedWords, lead - 52) & mask;
    // The midpoint above the truncated mantissa: y without its bits below lead - 52, and a 1
    // at lead - 53.
    Fixed midpoint = y;
    for (int q = 0; q < kFixedWords; q++) { // word q holds bits 64q .. 64q + 63
        std::uint64_t& w = midpoint.w[kFixedWords - 1 - q];
        const int below = lead - 52 - 64 * q; // bits of this word to clear
        if (below >= 64)
            w = 0;
        else if (below > 0)
            w &= ~((std::uint64_t(1) << below) - 1);
    }
    const int half = lead - 53;
    midpoint.w[kFixedWords - 1 - half / 64] |= std::uint64_t(1) << (half % 64);
    if (!less(y, midpoint))
        mantissa++; // at or above the midpoint: up (2^53 is still exact as a double)
    return double(mantissa) * powerOfTwo(lead - 52 - 256);
}

namespace {

// ---- Payne-Hanek reduction -------------------------------------------------------------------

// Reduces a finite x >= pi/4 with the bits of 2/pi: x * 2/pi = (integer) + f exactly but for
// an error below 2^(117 - 64 * kWindow) in f, 0 <= f < 1. Writes the integer's last two bits
// to `quadrant` and the first 64 * kFraction bits of f to `fraction` (truncated).
//
// With x = m 2^e (m the 53-bit integer significand), x * 2/pi = sum over the bits b_i of
// 2/pi of m b_i 2^(e - i). The bits with e - i >= 2 add multiples of 4 and are skipped, so
// the window of kWindow words starts at the word holding bit max(1, e - 1); the bits after
// it add less than m 2^(e - last bit) < 2^(53 - s), s >= 64 kWindow - 65 being the number of
// fraction bits of the product.
template <int kWindow, int kFraction>
void payneHanek(double x, unsigned& quadrant, std::uint64_t (&fraction)[kFraction])
{
    const std::uint64_t bits = bitsOf(x);
    const int e = static_cast<int>(bits >> 52) - 1075;
    const std::uint64_t m = (bits & kMantissaMask) | (std::uint64_t(1) << 52);
    const int first = e - 1 > 1 ? e - 1 : 1;
    const int w0 = (first - 1) / 64;
    std::uint64_t product[kWindow + 1];
    multiplyWords(m, kTwoOverPiBits + w0, kWindow, product);
    const int s = 64 * (w0 + kWindow) - e; // the product's fraction bits
    quadrant = static_cast<unsigned>(bitsAt(product, kWindow + 1, s) & 3u);
    for (int i = 0; i < kFraction; i++)
        fraction[i] = bitsAt(product, kWindow + 1, s - 64 * (i + 1));
}

// ---- Fast path: two lanes ---------------------------------------------------------------------

// The sine and the cosine of rho are evaluated side by side, one in each lane of a pair of
// doubles: the same operations in the same order as one of them alone, each lane's an IEEE
// double operation. With GCC and clang the pair is a vector of two doubles (SSE2 on x86,
// NEON on aarch64); elsewhere (and with VECMATH_TRIG_PLAIN, see exact_fp.h) a struct.
#if defined(__GNUC__) && !defined(VECMATH_TRIG_PLAIN)
typedef double Lanes __attribute__((vector_size(16)));
typedef std::uint64_t LaneBits __attribute__((vector_size(16)));

/// v's bits and the mask's, in each lane.
template <std::uint64_t kMask>
inline Lanes withMask(Lanes v)
{
    static const LaneBits mask = {kMask, kMask};
    return reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(v) & mask);
}
#else
struct Lanes {
    double lane[2];
    double operator[](int i) const { return lane[i]; }
};

inline Lanes operator+(Lanes a, Lanes b)
{
    return {{a.lane[0] + b.lane[0], a.lane[1] + b.lane[1]}};
}
inline Lanes operator-(Lanes a, Lanes b)
{
    return {{a.lane[0] - b.lane[0], a.lane[1] - b.lane[1]}};
}
inline Lanes operator*(Lanes a, Lanes b)
{
    return {{a.lane[0] * b.lane[0], a.lane[1] * b.lane[1]}};
}
template <std::uint64_t kMask>
inline Lanes withMask(Lanes v)
{
    return {{fromBits(bitsOf(v.lane[0]) & kMask), fromBits(bitsOf(v.lane[1]) & kMask)}};
}
#endif

/// c in both lanes.
inline Lanes splat(double c)
{
    return Lanes{c, c};
}

/// Bit i set where lane i of a equals lane i of b.
inline unsigned equalLanes(Lanes a, Lanes b)
{
#if defined(__SSE2__) && !defined(VECMATH_TRIG_PLAIN)
    return static_cast<unsigned>(_mm_movemask_pd(_mm_cmpeq_pd(a, b)));
#else
    return (a[0] == b[0] ? 1u : 0u) | (a[1] == b[1] ? 2u : 0u);
#endif
}

/// |v| in each lane.
inline Lanes magnitude(Lanes v)
{
    return withMask<~kSignBit>(v);
}

/// v's leading 26 significant bits in each lane, the rest cut off: v - (this) is exact and
/// below 2^-25 |v|.
inline Lanes leading26(Lanes v)
{
    return withMask<~std::uint64_t(0) << 27>(v); // sign, exponent and 26 bits
}

// ---- Fast path: reduction --------------------------------------------------------------------

// x - k pi/2 = high + low + d (mod 2 pi) with |d| <= 2^-100 |high| + 2^-118, |high| <=
// pi/4 + 2^-30, |low| <= u (1 + u) |high| + 2^-66 and quadrant = k mod 4.
struct Reduced {
    unsigned quadrant;
    double high, low;
};

const double kPiOverFour = 0x1.921fb54442d18p-1; // RN(pi/4), just below pi/4

// Cody-Waite for 2^-27 <= |x| < 2^20, either sign. k = nearest integer to RN(x RN(2/pi)),
// so |k| < 2^19.4 and |x - k pi/2| <= pi/4 + 2^-31 (k = 0 for |x| < pi/4). pi/2 = P1 + P2 +
// P3 + P4 + d with P1 its bits down to 2^-32, P2 those from 2^-33 to 2^-53, P3 those from
// 2^-54 to 2^-86, P4 the double nearest to the rest (below 2^-86) and |d| < 2^-139:
//   k P1, k P2 and k P3 are exact (at most 33, 21 and 33 bits times 20);
//   t1 = x - k P1 and t2 = t1 - k P2 are exact: where k != 0, |x| > 1/2, so x, k P1 and
//        k P2 are multiples of 2^-53, and so are t1 and t2, below 1 in size;
//   s + e = t2 - k P3 exactly (twoSum), |e| <= u |s|;
//   low = RN(e - RN(k P4)), with |k P4| < 2^-66.6: |low| <= u (1 + u) |s| + 2^-66.
// high = s and low are not renormalised: the evaluation only needs |low| that small.
// |x - k pi/2 - (high + low)| <= u |low| + u 2^-66.6 + 2^19.4 2^-139 < 2^-105.9 |high| +
// 2^-118. The integer k sits in the low bits of the sum that rounds it (1.5 2^52 + k, two's
// complement for k < 0), so the quadrant needs no conversion.
inline Reduced codyWaite(double x)
{
    const double shifted = x * kTwoOverPi + 0x1.8p52;
    const double k = shifted - 0x1.8p52;
    const double t2 = (x - k * kCodyWaite[0]) - k * kCodyWaite[1];
    double e;
    Reduced r;
    twoSum(t2, -(k * kCodyWaite[2]), r.high, e);
    r.low = e - k * kCodyWaite[3];
    r.quadrant = static_cast<unsigned>(bitsOf(shifted)) & 3u;
    return r;
}

// Payne-Hanek for |x| >= 2^20: 4 words of 2/pi (error in f below 2^-138, as s >= 191), f to
// 192 bits, turned into [-1/2, 1/2), then into a double-double fh + fl (53 + 53 bits of it,
// truncated: relative error below 2^-105) and multiplied by pi/2 = kPiOverTwoHigh +
// kPiOverTwoLow (relative error 2^-107) in double-double: the roundings of fh lo + fl hi and
// of its sum with the product's low part are each below u 2^-51 |r| and the neglected
// fl lo is below 2^-105 |r|, so
//   |r - (high + low)| <= 2^-102 |r| + (pi/2) 2^-138 <= 2^-100 |high| + 2^-135.
// -x reduces to -k and -r. False where f came out as 0.
bool payneHanekFast(double x, Reduced& r)
{
    unsigned quadrant;
    std::uint64_t f[3];
    payneHanek<4, 3>(std::fabs(x), quadrant, f);
    bool negative = false;
    if ((f[0] >> 63) != 0) { // f >= 1/2: take f - 1 and the next quadrant
        negateWords(f, 3);
        negative = true;
        quadrant++;
    }
    const int lead = leadingBit(f, 3);
    if (lead < 0)
        return false;
    const std::uint64_t mask = (std::uint64_t(1) << 53) - 1;
    const double fh = double(bitsAt(f, 3, lead - 52) & mask) * powerOfTwo(lead - 52 - 192);
    const double fl = double(bitsAt(f, 3, lead - 105) & mask) * powerOfTwo(lead - 105 - 192);
    double p, pe;
    twoProduct(fh, kPiOverTwoHigh, p, pe);
    const double t = fh * kPiOverTwoLow + fl * kPiOverTwoHigh;
    fastTwoSum(p, pe + t, r.high, r.low);
    if (negative != (x < 0)) {
        r.high = -r.high;
        r.low = -r.low;
    }
    r.quadrant = (x < 0 ? 0u - quadrant : quadrant) & 3u;
    return true;
}

// ---- Fast path: evaluation ---------------------------------------------------------------------

// Taylor coefficients, rounded to doubles: sin z - z ~ z^3 (S3 + z^2 S5) and
// cos z - 1 ~ z^2 (C2 + z^2 (C4 + z^2 C6)), for |z| <= 2^-10. Left out: the terms from
// z^7/7! on (below 2^-82.3, and 2^-72.3 |z|) and from z^8/8! on (below 2^-95.3). C2 is
// exact; S3 = RN(-1/6) is within 2^-54 of -1/6, relatively; the others' roundings are
// negligible beside the terms they multiply.
const Lanes kS3 = splat(-1.0 / 6.0);
const Lanes kS5 = splat(1.0 / 120.0);
const Lanes kC2 = splat(-0.5);
const Lanes kC4 = splat(1.0 / 24.0);
const Lanes kC6 = splat(-1.0 / 720.0);

// The relative error of the evaluation below, proven below 2^-69.77 for the sine of rho and
// 2^-71.40 for its cosine (see valueOf), and used as 2^-69 and 2^-71: the room left covers
// the difference between the value and the computed one (2^-51 of it), the roundings of
// the bound and of the rounding test (see roundedOfRho), and the reduction's relative
// error, 2^-100 |high| <= 2^-99.8 f(rho) (|high| <= 1.111 sin rho, and <= pi/4 <= 1.111
// cos rho). The reduction's absolute error, below 2^-118, is added.
const Lanes kEvaluationError = {0x1p-69, 0x1p-71};
const Lanes kReductionError = {0x1p-118, 0x1p-118};

// rho = |high + low| = h + l, with h = |high| <= pi/4 + 2^-30 and |l| <= u (1 + u) h +
// 2^-66 (the sign of high taken off both): rho = a + z + l with a = j/512, j the integer
// nearest to 512 h (so |z| <= 2^-10 and j <= 402), and z = h - a, which is exact (j = 0:
// z = h; j >= 1: a/2 <= h <= 2a, Sterbenz). The parts of the sine of rho (lane 0) and of
// its cosine (lane 1), see valueOf for the cosine's negated z and l: F = f(a) and G, the
// other function of a, from the table's row; z cut into its leading 26 bits and the rest;
// and the two polynomials, sz for sin z - z and cz for cos z - 1. Relative to the series
// they stand for, sz is within 4.25 u (S3's 0.5 u; the roundings of z^2 and of z z^2, u
// each; of the sum, which lies within 2^-26.9 of -1/6 and so rounds by at most 2^-56 =
// 0.75 u of it; of the product, u; the rest below 0.01 u), and cz within 2.51 u (z^2, u; the
// sum, just above -1/2, 2^-55 = 0.5 u of it; the product, u).
struct Parts {
    Lanes f, fLow;          // F: high, low
    Lanes g, gUpper, gRest; // G: high, upper part of its split, the double nearest to the rest
    Lanes z, zHigh, zLow;   // z = zHigh + zLow, zHigh its leading 26 bits
    Lanes low;              // l
    Lanes sz, cz;           // the polynomials
};

inline Parts partsOf(double high, double low)
{
    // Adding 1.5 2^43 rounds h (below 2^42) to a multiple of 2^-9, whose index j sits in the
    // low bits of the sum; subtracting it again leaves a = j/512 exactly.
    const double shifted = std::fabs(high) + 0x1.8p43;
    const double* row = kSinCosTable[bitsOf(shifted) & 511u];
    Parts p;
    p.f = Lanes{row[0], row[1]};
    p.fLow = Lanes{row[2], row[3]};
    p.g = Lanes{row[1], row[0]};
    p.gUpper = Lanes{row[4], row[5]};
    p.gRest = Lanes{row[6], row[7]};
    const double z = std::fabs(high) - (shifted - 0x1.8p43);
    const double l = fromBits(bitsOf(low) ^ (bitsOf(high) & kSignBit));
    p.z = Lanes{z, -z};
    p.low = Lanes{l, -l};
    p.zHigh = leading26(p.z);
    p.zLow = p.z - p.zHigh;
    const Lanes q = p.z * p.z;
    p.sz = p.z * q * (kS3 + q * kS5);
    p.cz = q * (kC2 + q * (kC4 + q * kC6));
    return p;
}

// The sine and the cosine of rho, in lanes 0 and 1, as v + small, from their parts. With
// s = sin z - z and c = cos z - 1:
//   sin(a + z + l) = sin a + cos a z + sin a c + cos a s + l (cos a - sin a z) + d_s,
//   cos(a + z + l) = cos a - sin a z + cos a c - sin a s - l (sin a + cos a z) + d_c,
// d being the rest of l's terms, below |l| (sin a |c| + cos a |s|) or |l| (cos a |c| + sin a
// |s|), and l^2. The cosine's is the sine's form at -z and -l with sin a and cos a
// exchanged, and s is odd: so the same operations evaluate both, f(rho) = F + G z + F c +
// G s + l (G - F z), with z, l and s negated in the cosine's lane. With Gh, Gl the table's
// G, gh the upper part of Gh's split and gr the double nearest to Gh - gh + Gl (both stored
// in the row), and z = zh + zr:
//   G z = gh zh + (gh zr + gr z) + (Gh - gh + Gl - gr) z, where gh zh is exact (26 + 26 bits);
//   F + gh zh = v + ve exactly (fastTwoSum: |F| >= |gh zh| or F = 0, as |gh zh| <= 2^-10
//   (1 + 2^-26) < sin(1/512) and cos a > 0.7);
//   the small terms are summed in double, the smallest first, into small; |small| < 2^-19 |v|.
//
// The errors of v + small, in units of e = 2^-74 f(rho), with |c| <= z^2/2 <= 2^-21, |s| <=
// |z|^3/6 <= 2^-32.58, |zr| < 2^-25 |z|, |gr| < 2^-25.9 |G|, and the table's Fl within
// u |F|:
// the sine (F = sin a, G = cos a): for j >= 1, rho >= a/2, so sin a <= 2 sin rho, and sin rho
// > 2^-10 (1 - 2^-21); for j = 0, F = 0, G = 1 (gh = 1, gr = 0) and sin rho ~ |z|. Hence
// |z|^3/6 <= 2^-22.58 sin rho and rho <= 1.111 sin rho in both cases.
//   Fh cz: cz's 2.51 u and the product's u, of sin a |c| <= 2^-20 sin rho:   7.02 e
//   Fl c, left out: u 2^-20 sin rho:                                          2.00 e
//   Gh sz: sz's 4.25 u and the product's u, of |z|^3/6:                       1.75 e
//   Gl s, left out: 2^-54 2^-32.58 with sin rho >= 2^-10 (Gl = 0 for j = 0):  0.17 e
//   the series' rest: |z|^7/7! <= 2^-72.3 sin rho:                            3.25 e
//   d: (u rho + 2^-66) 2^-21 (1 + 2^-11):                                     1.24 e
//   gh zr + gr z: its three roundings and gr's, in all below 2^-76.1 |z|:     0.23 e
//   the sums: the last two, of at most 1.28 2^-22.58 and 1.22 2^-20 of
//   sin rho, and the three before, of at most 2^-24.3:                        3.05 e
//   everything else (the other products, l^2, the table's Fh + Fl): below    0.01 e
//   in all 18.72 e, below 2^-69.77 sin rho;
// the cosine (F = cos a, G = sin a, z and l negated): cos rho >= cos(pi/4 + 2^-30) > 0.7071,
// cos a <= 1.001 cos rho (as |tan a z| <= 2^-10) and sin a <= 0.7069.
//   Fh cz: 3.51 u of cos a |c| <= 1.001 2^-21 cos rho:                         3.52 e
//   Fl c, left out: 2^-54 2^-21 with cos rho > 0.7071:                         0.71 e
//   d: (u (pi/4) + 2^-66) (0.7069 2^-21 + 2^-32.58) with cos rho > 0.7071:     0.79 e
//   the last sum, of at most 1.001 2^-21 cos rho + 2^-33:                      1.01 e
//   Gh sz, Gl s, G z's rest, the series' rest and everything else: below       0.02 e
//   in all 6.05 e, below 2^-71.40 cos rho.
// To these the reduction's error adds its own bound (sin and cos have slopes of at most 1).
inline void valueOf(const Parts& p, Lanes& v, Lanes& small)
{
    Lanes ve;
    fastTwoSum(p.f, p.gUpper * p.zHigh, v, ve);
    small = p.fLow + ve;
    small = small + (p.gUpper * p.zLow + p.gRest * p.z);
    small = small + p.low * (p.g - p.f * p.z);
    small = small + p.g * p.sz;
    small = small + p.f * p.cz;
}

// The error bound of each lane: kEvaluationError times the value, plus the reduction's
// absolute error.
inline Lanes boundOf(Lanes value)
{
    return kEvaluationError * magnitude(value) + kReductionError;
}

// What sin x (cosine 0) or cos x (cosine 1) is of rho, for x = k pi/2 + r: sin(k pi/2 + r)
// for k mod 4 = 0, 1, 2, 3 is sin r, cos r, -sin r, -cos r; cos(k pi/2 + r) = sin((k + 1)
// pi/2 + r); and sin r = -sin rho for r < 0.
struct Role {
    unsigned ofRho;     // 1: the cosine of rho, 0: its sine (the lane)
    std::uint64_t sign; // the sign bit to put on it
};

inline Role roleOf(const Reduced& r, unsigned cosine)
{
    const unsigned q = (r.quadrant + cosine) & 3u;
    Role role;
    role.ofRho = q & 1u;
    const std::uint64_t rhoSign = bitsOf(r.high) & kSignBit;
    role.sign = (std::uint64_t(q >> 1) << 63) ^ (rhoSign & (std::uint64_t(role.ofRho) - 1));
    return role;
}

// The fast path's results for x's reduction r: in each lane, the correctly rounded sine or
// cosine of rho, and whether Ziv's test is sure of it. With V the exact value and T its
// proven distance from v + small (the bounds above and the reduction's), the test rounds
// v + small with small moved by m = RN(E |v| + 2^-118) >= (E |v| + 2^-118)(1 - u) either
// way: RN(small + m) >= small + m - u |small + m| >= small + T, as m (1 - u) - u |small| >= T
// (with E = 2^-69 against 2^-69.77 + 2^-99.8 and u |small| < 2^-72.7 |v| for the sine,
// 2^-71 against 2^-71.40 + 2^-99.8 and 2^-73.9 |v| for the cosine, and the absolute 2^-118
// above the reduction's 2^-118.6 by more than u of it); likewise RN(small - m) <= small - T.
// So v + RN(small - m) <= V <= v + RN(small + m), and as rounding is monotone, where both
// round to the same double V rounds to it as well.
struct Rounded {
    Lanes value;
    unsigned certain; // bit i for lane i
};

inline Rounded roundedOfRho(const Reduced& r)
{
    Lanes v, small;
    valueOf(partsOf(r.high, r.low), v, small);
    const Lanes m = boundOf(v);
    const Lanes up = v + (small + m), down = v + (small - m);
    return {up, equalLanes(up, down)};
}

// True for 2^-27 <= |x| < 2^20, Cody-Waite's range, in one unsigned comparison.
inline bool inCodyWaiteRange(double x)
{
    const std::uint64_t low = std::uint64_t(1023 - 27) << 52, high = std::uint64_t(1023 + 20) << 52;
    return (bitsOf(x) & ~kSignBit) - low < high - low;
}

// ---- Slow path -------------------------------------------------------------------------------

// |x| = quadrant pi/2 + sign rho (mod 2 pi), 0 <= rho <= pi/4 (+2^-250), rho with an error
// below 4 ulps (2^-254):
// - |x| <= pi/4: rho = |x| exactly (|x| >= 2^-27 has no bits below 2^-80);
// - otherwise Payne-Hanek with 6 words of 2/pi (error in f below 2^-266, as s >= 319),
//   f truncated to 256 bits, f >= 1/2 turned into 1 - f and the next quadrant, and
//   rho = f pi/2 with pi/2 truncated to 256 bits and the product truncated: the errors,
//   2^-256 (pi/2 + 1/2 + 1) + 2^-266 pi/2, stay below 4 ulps.
struct SlowReduced {
    unsigned quadrant;
    bool negative;
    Fixed rho;
};

SlowReduced slowReduce(double ax)
{
    SlowReduced r;
    r.quadrant = 0;
    r.negative = false;
    const std::uint64_t bits = bitsOf(ax);
    const int e = static_cast<int>(bits >> 52) - 1075;
    const std::uint64_t m = (bits & kMantissaMask) | (std::uint64_t(1) << 52);
    if (ax <= kPiOverFour) {
        // ax = m 2^e with -80 <= e <= -53: m 2^(e + 256) as a fixed-point number.
        r.rho = fixedZero();
        const int shift = e + 256; // 176 .. 203: the 53 bits sit in words 1 and 2 ... 2 and 3
        const int word = kFixedWords - 1 - shift / 64;
        const int offset = shift % 64;
        r.rho.w[word] |= m << offset;
        if (offset != 0)
            r.rho.w[word - 1] |= m >> (64 - offset);
        return r;
    }
    std::uint64_t f[4];
    payneHanek<6, 4>(ax, r.quadrant, f);
    if ((f[0] >> 63) != 0) {
        negateWords(f, 4);
        r.negative = true;
        r.quadrant++;
    }
    r.quadrant &= 3u;
    Fixed fraction = fixedZero();
    for (int i = 0; i < 4; i++)
        fraction.w[i + 1] = f[i];
    Fixed pio2;
    for (int i = 0; i < kFixedWords; i++)
        pio2.w[i] = kPiOverTwoFixed[i];
    r.rho = multiply(fraction, pio2);
    return r;
}

// sin rho (cosine false) or cos rho (cosine true) by the Taylor series, for
// 0 <= rho <= pi/4 + 2^-250 known within 4 ulps. The term t_n = rho^n/n! is made from the one
// before as t_(n-2) rho^2 / ((n-1) n), each multiplication and division truncating by less
// than an ulp (the multiplication of t_0 = 1 is exact); rho^2 is within 2 rho 4 + 1 < 8 ulps.
// So t_n's error is below (e_(n-2) rho^2 + 8 t_(n-2) + 1)/((n-1) n) + 1 ulps, e_(n-2) being
// t_(n-2)'s: the sine's t_1 = rho is within 4 ulps and t_3 within 2.7, the cosine's t_0 = 1
// is exact and t_2 within 8/2 + 1 = 5, and from there on every term is within 2.7 ulps.
// The sine adds at most 28 terms (t_1 to t_55) and the cosine 29 (t_0 to t_56) before the first
// that comes out as zero, whose exact value, within its error of 0, bounds the rest of the
// alternating series. So the sum is within 4 + 27 2.7 + 3 < 2^7 ulps (sine) or 5 + 28 2.7
// + 3 < 2^7 ulps (cosine) of sin rho or cos rho for the exact rho: 2^-249, used as 2^-240.
Fixed slowSeries(const Fixed& rho, bool cosine)
{
    const Fixed rho2 = multiply(rho, rho);
    Fixed term = rho;
    if (cosine) {
        term = fixedZero();
        term.w[0] = 1;
    }
    Fixed sum = term;
    std::uint32_t n = cosine ? 0 : 1;
    for (int k = 1;; k++) {
        term = divide(multiply(term, rho2), (n + 1) * (n + 2));
        n += 2;
        if (isZero(term))
            break;
        // The series alternates with decreasing terms, so every partial sum stays positive.
        sum = (k % 2 == 1) ? subtract(sum, term) : add(sum, term);
    }
    return sum;
}

// The correctly rounded sine or cosine: the series' sum y is within 2^-240 of the exact
// value v, and v is at least 2^-62: for |x| <= pi/4 it is about |x| >= 2^-27 or
// cos x >= 0.7, and no double lies nearer than 2^-60.9 to a multiple of pi/2. (The nearest
// is 6381956970095103 * 2^797, about 2^-60.9 from one; J.-M. Muller gives it in
// "Elementary Functions: Algorithms and Implementation", Birkhauser, 3rd edition 2016, in
// the chapter on range reduction, and the oracle test checks the functions there.) So
// roundFixed(y) is the double nearest to v unless a midpoint between two doubles lies
// within 2^-240 of v, 2^-178 of it relatively. The rounding test relies on no such case:
// the worst cases for the sine and cosine that V. Lefevre and J.-M. Muller's exhaustive
// searches found ("Worst cases for correct rounding of the elementary functions in double
// precision", 15th IEEE Symposium on Computer Arithmetic, ARITH-15, 2001) lie about 2^-120
// from a midpoint, relatively, far from that; and were the results of the 2^64 doubles
// placed at random, the chance of any one within 2^-178 of a midpoint would be 2^-60.
// Should it happen, y's rounding is returned.
double slowEvaluate(double x, bool cosine)
{
    const double ax = std::fabs(x);
    const SlowReduced r = slowReduce(ax);
    // sin x for quadrant q: sin rho, cos rho, -sin rho, -cos rho (rho signed); cos x is sin of
    // the next quadrant.
    const unsigned q = (r.quadrant + (cosine ? 1u : 0u)) & 3u;
    const bool useCos = (q & 1u) != 0;
    const double magnitude = roundFixed(slowSeries(r.rho, useCos));
    bool negative = (q & 2u) != 0;
    if (!useCos && r.negative)
        negative = !negative;
    if (!cosine && x < 0)
        negative = !negative;
    return negative ? -magnitude : magnitude;
}

} // namespace

// ---- Exact integer products ------------------------------------------------------------------

Wide multiply64Portable(std::uint64_t a, std::uint64_t b) noexcept
{
    const std::uint64_t a0 = a & 0xffffffffu, a1 = a >> 32;
    const std::uint64_t b0 = b & 0xffffffffu, b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
    Wide w;
    w.low = (middle << 32) | (p00 & 0xffffffffu);
    w.high = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
    return w;
}

Wide multiply64(std::uint64_t a, std::uint64_t b) noexcept
{
#if defined(__SIZEOF_INT128__) && !defined(VECMATH_TRIG_NO_INT128)
    __extension__ typedef unsigned __int128 U128;
    const U128 p = static_cast<U128>(a) * b;
    Wide w;
    w.high = static_cast<std::uint64_t>(p >> 64);
    w.low = static_cast<std::uint64_t>(p);
    return w;
#else
    return multiply64Portable(a, b);
#endif
}

// ---- The paths ---------------------------------------------------------------------------------

namespace {

// The reduction of a finite x with 2^-27 <= |x|; false where Payne-Hanek's f came out as 0.
inline bool reduce(double x, Reduced& r)
{
    if (inCodyWaiteRange(x)) {
        r = codyWaite(x);
        return true;
    }
    return payneHanekFast(x, r);
}

} // namespace

bool fastSinCos(double x, Approximation& sine, Approximation& cosine) noexcept
{
    Reduced r;
    if (!reduce(x, r) || r.high == 0)
        return false;
    Lanes v, small, high, low;
    valueOf(partsOf(r.high, r.low), v, small);
    fastTwoSum(v, small, high, low);
    const Lanes bound = boundOf(high);
    const Approximation ofRho[2] = {{high[0], low[0], bound[0]}, {high[1], low[1], bound[1]}};
    for (unsigned cosineOfX = 0; cosineOfX < 2; cosineOfX++) {
        const Role role = roleOf(r, cosineOfX);
        Approximation a = ofRho[role.ofRho];
        a.high = fromBits(bitsOf(a.high) ^ role.sign);
        a.low = fromBits(bitsOf(a.low) ^ role.sign);
        (cosineOfX == 0 ? sine : cosine) = a;
    }
    return true;
}

double slowSin(double x) noexcept
{
    return slowEvaluate(x, false);
}

double slowCos(double x) noexcept
{
    return slowEvaluate(x, true);
}

namespace {

// The correctly rounded result for x of the given role, from the fast path's lanes where
// Ziv's test is sure of it, else from the slow path.
inline double resultOf(double x, unsigned cosine, const Reduced& r, const Rounded& both)
{
    const Role role = roleOf(r, cosine);
    if ((both.certain >> role.ofRho) & 1u)
        return fromBits(bitsOf(both.value[role.ofRho]) ^ role.sign);
    return slowEvaluate(x, cosine != 0);
}

// The sine (cosine 0) or cosine (1) of a finite x with 2^-27 <= |x| reduced to r, rounding
// to nearest.
inline double sinOrCos(double x, unsigned cosine, const Reduced& r)
{
    return resultOf(x, cosine, r, roundedOfRho(r));
}

// Both, where Ziv's test left one of them undecided.
SinCos sinCosUndecided(double x, const Reduced& r, const Rounded& both)
{
    return {resultOf(x, 0, r, both), resultOf(x, 1, r, both)};
}

inline SinCos sinCosOf(double x, const Reduced& r)
{
    const Rounded both = roundedOfRho(r);
    if (both.certain != 3u)
        return sinCosUndecided(x, r, both);
    const Role s = roleOf(r, 0), c = roleOf(r, 1);
    return {fromBits(bitsOf(both.value[s.ofRho]) ^ s.sign),
            fromBits(bitsOf(both.value[c.ofRho]) ^ c.sign)};
}

// Arguments outside Cody-Waite's range, rounding to nearest.
double sinOutside(double x) noexcept
{
    const double ax = std::fabs(x);
    if (!(ax <= DBL_MAX))
        return x - x; // NaN for an infinity or a NaN
    // Below 2^-26, 0 < x - sin x < x^3/6 < 2^-54 x, less than half the distance to the next
    // double below x: sin x rounds to x (zeros and subnormals included).
    if (ax < 0x1p-26)
        return x;
    Reduced r;
    return reduce(x, r) ? sinOrCos(x, 0, r) : slowSin(x);
}

double cosOutside(double x) noexcept
{
    const double ax = std::fabs(x);
    if (!(ax <= DBL_MAX))
        return x - x;
    // Below 2^-27, 0 <= 1 - cos x <= x^2/2 < 2^-55, less than half the distance (2^-54) to
    // the double below 1.
    if (ax < 0x1p-27)
        return 1.0;
    Reduced r;
    return reduce(x, r) ? sinOrCos(x, 1, r) : slowCos(x);
}

SinCos sinCosOutside(double x) noexcept
{
    const double ax = std::fabs(x);
    if (!(ax <= DBL_MAX) || ax < 0x1p-27)
        return {sinOutside(x), cosOutside(x)};
    Reduced r;
    return reduce(x, r) ? sinCosOf(x, r) : SinCos{slowSin(x), slowCos(x)};
}

// The three functions rounding to nearest, whole.
inline double sinNearest(double x) noexcept
{
    return inCodyWaiteRange(x) ? sinOrCos(x, 0, codyWaite(x)) : sinOutside(x);
}

inline double cosNearest(double x) noexcept
{
    return inCodyWaiteRange(x) ? sinOrCos(x, 1, codyWaite(x)) : cosOutside(x);
}

inline SinCos sinCosNearest(double x) noexcept
{
    return inCodyWaiteRange(x) ? sinCosOf(x, codyWaite(x)) : sinCosOutside(x);
}

// The common case, an argument in Cody-Waite's range with the mode rounding to nearest, is
// one test; everything else (another mode, an argument outside the range) goes to one call
// out of line, so that the common case's code, inlined into a caller's loop, carries nothing
// of the rest.
inline bool commonCase(double x) noexcept
{
    const bool inRange = inCodyWaiteRange(x);
    const bool nearest = roundsToNearest(); // both evaluated: one branch, not two
    return inRange && nearest;
}

VECMATH_NOINLINE double sinOtherwise(double x) noexcept
{
    return roundsToNearest() ? sinOutside(x) : inRoundToNearest(sinNearest, x);
}

VECMATH_NOINLINE double cosOtherwise(double x) noexcept
{
    return roundsToNearest() ? cosOutside(x) : inRoundToNearest(cosNearest, x);
}

VECMATH_NOINLINE SinCos sinCosOtherwise(double x) noexcept
{
    return roundsToNearest() ? sinCosOutside(x) : inRoundToNearest(sinCosNearest, x);
}

} // namespace
} // namespace trig_detail

// ---- The interface ---------------------------------------------------------------------------

double portableSin(double x) noexcept
{
    using namespace trig_detail;
    return commonCase(x) ? sinOrCos(x, 0, codyWaite(x)) : sinOtherwise(x);
}

double portableCos(double x) noexcept
{
    using namespace trig_detail;
    return commonCase(x) ? sinOrCos(x, 1, codyWaite(x)) : cosOtherwise(x);
}

SinCos portableSinCos(double x) noexcept
{
    using namespace trig_detail;
    return commonCase(x) ? sinCosOf(x, codyWaite(x)) : sinCosOtherwise(x);
}

bool rotationsUsePortableTrig() noexcept
{
#if VECMATH_PORTABLE_TRIG
    return true;
#else
    return false;
#endif
}

} // namespace vecmath
