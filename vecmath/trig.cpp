// trig.cpp: the library's own correctly rounded sine and cosine (trig.h).
//
// Outline, for an argument x (the sign is taken off first: sin(-x) = -sin x, cos(-x) = cos x):
//   1. |x| < 2^-26 (sine) or 2^-27 (cosine): the result is x, or 1 (see portableSin).
//   2. Reduction: x = q pi/2 + r with |r| <= pi/4 (a little more, below 2^-30), r as a
//      double-double rh + rl and a bound on its error. Below 2^20 by Cody-Waite, above by
//      Payne-Hanek in exact integer arithmetic.
//   3. Evaluation in double-double: r = j/512 + z with |z| <= 2^-10, from the table of
//      sin(j/512) and cos(j/512) and short polynomials in z.
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

// ---- Fast path: reduction --------------------------------------------------------------------

// x - quadrant pi/2 = high + low + d (mod 2 pi) with |d| <= error, |high| <= pi/4 + 2^-30 and
// |low| <= 2^-53 |high|.
struct Reduced {
    unsigned quadrant;
    double high, low, error;
};

const double kPiOverFour = 0x1.921fb54442d18p-1; // RN(pi/4), just above pi/4
const double kCodyWaiteLimit = 0x1p20;

// Cody-Waite for pi/4 < x < 2^20. k = nearest integer to RN(x RN(2/pi)), so |k| < 2^20 and
// |x - k pi/2| <= pi/4 + 2^-31. With pi/2 = P1 + P2 + P3 + P4 (|error| < 2^-150):
//   t1 = x - k P1 is exact: k P1 is exact (33 + 20 bits), both are multiples of
//        min(ulp(x), 2^-32) >= 2^-53 and |t1| <= pi/4 + 2^-31 + 2^20 2^-32 < 1;
//   k P2 and k P3 are exact products; s + e = t1 - k P2 exactly (twoSum);
//   c1 = RN(e - k P3), c = RN(c1 - RN(k P4)), each rounding below u |result|;
//   |k P4 - RN(k P4)| <= u 2^20 2^-98 = 2^-131, k (error of the parts) < 2^-130;
//   high + low = s + c exactly (twoSum).
// So |x - k pi/2 - (high + low)| <= u (|c1| + |c|) + 2^-129 (2^-130 + 2^-131 rounded up);
// the bound below doubles the first term to cover its own roundings.
Reduced codyWaite(double x)
{
    const double k = (x * kTwoOverPi + 0x1.8p52) - 0x1.8p52;
    const double t1 = x - k * kCodyWaite[0];
    double s, e;
    twoSum(t1, -(k * kCodyWaite[1]), s, e);
    const double c1 = e - k * kCodyWaite[2];
    const double c = c1 - k * kCodyWaite[3];
    Reduced r;
    twoSum(s, c, r.high, r.low);
    r.quadrant = static_cast<unsigned>(static_cast<std::int64_t>(k) & 3);
    r.error = 0x1p-52 * (std::fabs(c1) + std::fabs(c)) + 0x1p-129;
    return r;
}

// Payne-Hanek for x >= 2^20: 4 words of 2/pi (error in f below 2^-138, as s >= 191), f to
// 192 bits, turned into [-1/2, 1/2), then into a double-double fh + fl (53 + 53 bits of it,
// truncated: relative error below 2^-105) and multiplied by pi/2 = kPiOverTwoHigh +
// kPiOverTwoLow (relative error 2^-107) in double-double: the roundings of fh lo + fl hi and
// of its sum with the product's low part are each below u 2^-51 |r| and the neglected
// fl lo is below 2^-105 |r|, so
//   |r - (high + low)| <= 2^-102 |r| + (pi/2) 2^-138 <= 2^-100 |high| + 2^-135
// with room for the bound's own roundings. False where f came out as 0.
bool payneHanekFast(double x, Reduced& r)
{
    unsigned quadrant;
    std::uint64_t f[3];
    payneHanek<4, 3>(x, quadrant, f);
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
    if (negative) {
        r.high = -r.high;
        r.low = -r.low;
    }
    r.quadrant = quadrant & 3u;
    r.error = 0x1p-100 * std::fabs(r.high) + 0x1p-135;
    return true;
}

// ---- Fast path: evaluation ---------------------------------------------------------------------

// Taylor coefficients, rounded to doubles: sin z - z = z^3 (S3 + z^2 S5) and
// cos z - 1 = z^2 (C2 + z^2 (C4 + z^2 C6)), for |z| <= 2^-10 (+2^-60). Left out: z^7/7!
// (below 2^-72.3 |z|) and z^8/8! (below 2^-95).
const double kS3 = -1.0 / 6.0;
const double kS5 = 1.0 / 120.0;
const double kC2 = -0.5;
const double kC4 = 1.0 / 24.0;
const double kC6 = -1.0 / 720.0;

// The relative error of the evaluation, proven below 2^-69.9 (sine) and 2^-75 (cosine) of
// the function's value at high + low (see sinOf); a bound of 2^-68 leaves room for the
// bound's own roundings and for the difference between the value and the computed high.
const double kEvaluationError = 0x1p-68;

// The parts shared by the sine and the cosine of rho = high + low, 0 <= high <= pi/4 + 2^-30
// and |low| <= u high: rho = a + zh + low with a = j/512 (j = 0..402) and zh = high - a,
// which is exact (when j >= 1 both are multiples of ulp(high) and |zh| < 2^52 ulp(high)),
// |zh| <= 2^-10 + 2^-60; sin a = sh + sl and cos a = ch + cl from the table (relative error
// 2^-106 each).
struct Parts {
    double sh, sl, ch, cl; // sin a and cos a
    double zh, low;        // the rest of rho
    double sz;             // sin zh - zh, evaluated: relative error below 4.01 u
    double cz;             // cos zh - 1, evaluated: relative error below 3.01 u
};

Parts partsOf(double high, double low)
{
    Parts p;
    // The integer nearest to 512 high (ties to even): adding and taking away 1.5 2^52 leaves
    // no fraction bits, for 0 <= 512 high < 2^51.
    const double jd = (high * 512.0 + 0x1.8p52) - 0x1.8p52;
    const double* t = kSinCosTable[static_cast<int>(jd)];
    p.sh = t[0];
    p.sl = t[1];
    p.ch = t[2];
    p.cl = t[3];
    p.zh = high - jd * 0x1p-9;
    p.low = low;
    const double q = p.zh * p.zh;
    p.sz = p.zh * q * (kS3 + q * kS5);
    p.cz = q * (kC2 + q * (kC4 + q * kC6));
    return p;
}

// sin(rho) = sin a + cos a zh + sin a (cos zh - 1) + cos a (sin zh - zh)
//            + low (cos a - sin a zh) + (error below |low| zh^2/2 + low^2).
// cos a zh is formed exactly (twoProduct) and added to sin a exactly (twoSum); the other
// terms are small and are summed in double, the smallest first. The errors, relative to
// sin rho (which is at least sin(2^-10)(1 - 2^-50) for j >= 1, and then sin a <= 2 sin rho
// since |z| <= a/2; about zh for j = 0):
//   sin a (cos zh - 1): cz's 3.01 u and the product's u, of at most 2^-21 sin a: 2^-70.9;
//   the series: z^7/7! and z^8/8!: 2^-72.3;
//   cos a (sin zh - zh): sz's 4.01 u and the product's u, of |zh|^3/6 <= 2^-22.6 sin rho:
//   2^-73.3;
//   the low term: |low| zh^2/2 <= u rho 2^-21 with rho <= 1.12 sin rho: 2^-73.8;
//   the sum of the small terms, at most 2^-20 sin rho, with about 1.1 u: 2^-72.9;
//   the table, the neglected cl low and the other products: below 2^-100.
// In all, below 2^-69.9 sin rho.
Approximation sinOf(const Parts& p)
{
    double m, me, u, ue;
    twoProduct(p.ch, p.zh, m, me); // cos a zh
    twoSum(p.sh, m, u, ue);
    double small = p.sl + me;
    small = small + p.cl * p.zh;
    small = small + p.low * (p.ch - p.sh * p.zh);
    small = small + ue;
    small = small + p.ch * p.sz;
    small = small + p.sh * p.cz;
    Approximation a;
    fastTwoSum(u, small, a.high, a.low);
    a.bound = 0.0;
    return a;
}

// cos(rho) = cos a - sin a zh + cos a (cos zh - 1) - sin a (sin zh - zh)
//            - low (sin a + cos a zh) + (error below |low| zh^2/2 + low^2),
// summed as for the sine. cos rho >= 0.7 and every term but the first two is below 2^-20,
// so every error is far smaller relative to it: below 2^-75 cos rho in all.
Approximation cosOf(const Parts& p)
{
    double m, me, u, ue;
    twoProduct(p.sh, p.zh, m, me); // sin a zh
    twoSum(p.ch, -m, u, ue);
    double small = p.cl - me;
    small = small - p.sl * p.zh;
    small = small - p.low * (p.sh + p.ch * p.zh);
    small = small + ue;
    small = small - p.sh * p.sz;
    small = small + p.ch * p.cz;
    Approximation a;
    fastTwoSum(u, small, a.high, a.low);
    a.bound = 0.0;
    return a;
}

Approximation negated(Approximation a)
{
    a.high = -a.high;
    a.low = -a.low;
    return a;
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
// than an ulp; rho^2 is within 8 ulps; by induction every term is within 4 ulps, since its
// error is at most the previous term's times rho^2/6 plus 2 ulps plus the error of rho^2
// times t/6. At most 32 terms are added (the first dropped is below an ulp), so the sum is
// within 32 * 4 + 1 ulps, and rho's own error moves sin and cos by at most 4 ulps more:
// in all below 2^8 ulps = 2^-248, used as 2^-240.
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
// value v, and roundFixed(y) is the double nearest to v. v is at least 2^-62:
// for |x| <= pi/4 it is about |x| >= 2^-27 or cos x >= 0.7, and no double lies nearer than
// 2^-60.9 to a multiple of pi/2 (Kahan and McDonald's search; the oracle test has that
// double). So v rounds as y does unless a midpoint between two doubles lies within 2^-240
// of v, 2^-178 relative to it. The worst cases of sine and cosine found by Lefevre and
// Muller's exhaustive searches need about 2^-120 relative accuracy, far from that (and
// were the 2^64 doubles' results placed at random, the chance of any one within 2^-178 of
// a midpoint would be 2^-60). Should it happen, y's rounding is returned.
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

bool fastSinCos(double x, Approximation& sine, Approximation& cosine) noexcept
{
    const double ax = std::fabs(x);
    Reduced r;
    if (ax <= kPiOverFour) {
        r.quadrant = 0;
        r.high = ax;
        r.low = 0.0;
        r.error = 0.0;
    } else if (ax < kCodyWaiteLimit) {
        r = codyWaite(ax);
    } else if (!payneHanekFast(ax, r)) {
        return false;
    }
    bool negative = false;
    if (r.high < 0) {
        r.high = -r.high;
        r.low = -r.low;
        negative = true;
    } else if (r.high == 0) {
        return false;
    }
    const Parts p = partsOf(r.high, r.low);
    Approximation s = sinOf(p), c = cosOf(p);
    s.bound = kEvaluationError * std::fabs(s.high) + r.error;
    c.bound = kEvaluationError * std::fabs(c.high) + r.error;
    if (negative)
        s = negated(s);
    // sin(rho + q pi/2) = sin rho, cos rho, -sin rho, -cos rho; cos is the next quadrant's.
    switch (r.quadrant) {
    case 0:
        sine = s;
        cosine = c;
        break;
    case 1:
        sine = c;
        cosine = negated(s);
        break;
    case 2:
        sine = negated(s);
        cosine = negated(c);
        break;
    default:
        sine = negated(c);
        cosine = s;
        break;
    }
    if (x < 0)
        sine = negated(sine);
    return true;
}

// |a.high + a.low - v| <= a.bound, a.high = RN(a.high + a.low), so |v - a.high| <= |a.low| +
// a.bound. Let h be half the distance from a.high to its nearer neighbour (half an ulp, or a
// quarter below a power of two). If |a.low| + a.bound < h, every such v rounds to a.high
// (there are no ties: v is transcendental). The sum is computed as m = RN(|a.low| + a.bound)
// >= (|a.low| + a.bound)(1 - u); m < h (1 - 2^-52), exact for a power of two h, gives
// |a.low| + a.bound < h (1 - 2u)/(1 - u) < h.
bool roundingIsCertain(const Approximation& a) noexcept
{
    const std::uint64_t bits = bitsOf(std::fabs(a.high));
    const int biased = static_cast<int>(bits >> 52);
    if (biased == 0 || biased >= 2047)
        return false; // 0, subnormal or not finite: never the case for these results
    double h = powerOfTwo(biased - 1023 - 53);
    if ((bits & kMantissaMask) == 0)
        h *= 0.5;
    const double margin = std::fabs(a.low) + a.bound;
    return margin < h * (1 - 0x1p-52);
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

// The three functions rounding to nearest; the public ones call them directly in that mode
// (inlined) and through inRoundToNearest in any other.
inline double sinNearest(double x) noexcept
{
    const double ax = std::fabs(x);
    if (!(ax <= DBL_MAX))
        return x - x; // NaN for an infinity or a NaN
    // Below 2^-26, 0 < x - sin x < x^3/6 < 2^-54 x, less than half the distance to the next
    // double below x: sin x rounds to x (zeros and subnormals included).
    if (ax < 0x1p-26)
        return x;
    Approximation s, c;
    if (fastSinCos(x, s, c) && roundingIsCertain(s))
        return s.high;
    return slowSin(x);
}

inline double cosNearest(double x) noexcept
{
    const double ax = std::fabs(x);
    if (!(ax <= DBL_MAX))
        return x - x;
    // Below 2^-27, 0 <= 1 - cos x <= x^2/2 < 2^-55, less than half the distance (2^-54) to
    // the double below 1.
    if (ax < 0x1p-27)
        return 1.0;
    Approximation s, c;
    if (fastSinCos(x, s, c) && roundingIsCertain(c))
        return c.high;
    return slowCos(x);
}

inline SinCos sinCosNearest(double x) noexcept
{
    const double ax = std::fabs(x);
    if (!(ax <= DBL_MAX))
        return {x - x, x - x};
    if (ax < 0x1p-27)
        return {x, 1.0};
    Approximation s, c;
    const bool fast = fastSinCos(x, s, c);
    SinCos result;
    result.sine = fast && roundingIsCertain(s) ? s.high : slowSin(x);
    result.cosine = fast && roundingIsCertain(c) ? c.high : slowCos(x);
    return result;
}

} // namespace
} // namespace trig_detail

// ---- The interface ---------------------------------------------------------------------------

double portableSin(double x) noexcept
{
    if (trig_detail::roundsToNearest())
        return trig_detail::sinNearest(x);
    return trig_detail::inRoundToNearest(trig_detail::sinNearest, x);
}

double portableCos(double x) noexcept
{
    if (trig_detail::roundsToNearest())
        return trig_detail::cosNearest(x);
    return trig_detail::inRoundToNearest(trig_detail::cosNearest, x);
}

SinCos portableSinCos(double x) noexcept
{
    if (trig_detail::roundsToNearest())
        return trig_detail::sinCosNearest(x);
    return trig_detail::inRoundToNearest(trig_detail::sinCosNearest, x);
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
