// atan2.cpp: the library's own correctly rounded two-argument arctangent (trig.h).
//
// Outline, for finite non-zero x and y (the special values are C's, see portableAtan2):
//   1. Octant: with n = min(|x|, |y|) and d = max(|x|, |y|), t = n/d lies in (0, 1] and
//      atan2(y, x) = s (k pi/2 + or - atan t), with k = 0, 1 or 2 and the sign s of y:
//        x > 0, |y| <= |x|:  atan t            x < 0, |y| <= |x|:  pi - atan t
//        x > 0, |y| >  |x|:  pi/2 - atan t     x < 0, |y| >  |x|:  pi/2 + atan t
//      (x = -0 counts as negative). Where k >= 1 the result is at least pi/4 >= atan t, so
//      nothing cancels.
//   2. r = RN(n/d) below 2^-56: the result is decided from r alone (see tinyQuotient).
//   3. Fast path in double-double: t = c + (t - c) with c = j/512 the nearest to r, and
//      atan t = atan c + atan z, z = (t - c)/(1 + t c) = (n - c d)/(d + c n), |z| <= 2^-10;
//      atan c from a table, atan z from its Taylor series to z^7; then k pi/2 is added.
//      The error is proven below 2^-71.9 of the result (see fastPath). There are no
//      branches on the quadrant, which random points would make unpredictable.
//   4. Ziv's test (roundingIsCertain): where it cannot decide (one in about 130,000),
//      the slow path computes again in 256-bit fixed point, with a relative error below
//      2^-247, and rounds that (see slowPath).
//
// Every double operation below is an IEEE operation rounded to nearest, in the order
// written: portableAtan2 does its work in that mode, whatever mode the caller had set
// (trig_detail::inRoundToNearest); the library is built with contraction off, this file
// says so again through trig_detail.h's pragmas, and it has no FMA instructions where the
// compiler allows it. u = 2^-53 is the unit roundoff: |RN(a) - a| <= u |a| for a normal result.
#include "trig.h"

#include <cfloat>
#include <cmath>
#include <cstdint>

#include "trig_detail.h"

#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD != 0
#error "the portable arctangent needs double expressions evaluated in double"
#endif

namespace vecmath {
namespace trig_detail {
namespace {

// The doubles nearest to pi, pi/4 and 3 pi/4 (the oracle test checks them against MPFR);
// RN(pi/2) is kPi/2.
constexpr double kPi = 0x1.921fb54442d18p+1;
constexpr double kPiOverFour = 0x1.921fb54442d18p-1;
constexpr double kThreePiOverFour = 0x1.2d97c7f3321d2p+1;
// Below this r = RN(n/d) the result is decided from r alone.
constexpr double kTinyQuotient = 0x1p-56;

// ---- Octants ---------------------------------------------------------------------------------

constexpr std::uint64_t kSignBit = std::uint64_t(1) << 63;

// atan2(y, x) = sign (k pi/2 + turn atan(n/d)), with sign and turn each 1 or -1.
struct Octant {
    double n, d; // 0 < n <= d, both finite
    double r;    // RN(n/d)
    unsigned k;  // 0, 1 or 2
    double turn; // -1 where atan(n/d) is taken away, 1 where it is added
    double sign; // the sign of the result
};

// For finite non-zero x and y: the octant of (x, y), true. Otherwise false, with C's
// result (C99 Annex F.9.1.4) in `special`:
//   a NaN gives NaN;
//   atan2(+-0, +0) = +-0 and atan2(+-0, -0) = +-pi, atan2(+-0, x) = +-0 for x > 0 and +-pi
//   for x < 0, atan2(y, +-0) = +-pi/2 for y != 0: t = 0, the result is +-RN(k pi/2);
//   atan2(+-y, +inf) = +-0 and atan2(+-y, -inf) = +-pi for finite y, and atan2(+-inf, x) =
//   +-pi/2 for finite x: t = 0 too;
//   atan2(+-inf, +inf) = +-pi/4 and atan2(+-inf, -inf) = +-3 pi/4: t = 1.
// The sign of a zero counts, as the annex says: x = -0 is on the negative side. The octant
// is chosen without branches, since the quadrants of random points are unpredictable.
bool octantOf(double y, double x, Octant& o, double& special)
{
    // The magnitudes' bits order as the magnitudes do (NaNs above infinities).
    const std::uint64_t bx = bitsOf(x) & ~kSignBit, by = bitsOf(y) & ~kSignBit;
    const unsigned swap = by > bx ? 1u : 0u;
    const unsigned xNegative = static_cast<unsigned>(bitsOf(x) >> 63);
    const std::uint64_t exchange = (bx ^ by) & (0 - std::uint64_t(swap)); // by ^ bx or 0
    o.n = fromBits(by ^ exchange);
    o.d = fromBits(bx ^ exchange);
    o.k = swap | ((xNegative & ~swap) << 1);
    o.turn = 1.0 - 2.0 * static_cast<int>(swap ^ xNegative);
    o.sign = std::copysign(1.0, y);
    if (o.n > 0 && o.d <= DBL_MAX) { // false for a NaN too
        o.r = o.n / o.d;
        return true;
    }
    double magnitude;
    if (std::isnan(x) || std::isnan(y))
        magnitude = x + y;
    else if (o.n > DBL_MAX)
        magnitude = o.k == 0 ? kPiOverFour : kThreePiOverFour;
    else
        magnitude = 0.5 * o.k * kPi; // 0, RN(pi/2) or RN(pi), exactly
    special = o.sign * magnitude;
    return false;
}

// x = m 2^e with 2^52 <= m < 2^53, for a finite x > 0 (subnormals too).
void significandOf(double x, std::uint64_t& m, int& e)
{
    const std::uint64_t bits = bitsOf(x);
    const int biased = static_cast<int>(bits >> 52);
    m = bits & kMantissaMask;
    if (biased != 0) {
        m |= std::uint64_t(1) << 52;
        e = biased - 1075;
        return;
    }
    e = -1074; // subnormal: x = m 2^-1074
    while (m < (std::uint64_t(1) << 52)) {
        m <<= 1;
        e--;
    }
}

double withSign(const Octant& o, double magnitude)
{
    return o.sign * magnitude;
}

// ---- Tiny quotients ------------------------------------------------------------------------

// The result where r = RN(t) < 2^-56, so t < 2^-56 (1 + 2^-52) (or t is below 2^-1022
// and r is its correct rounding: IEEE division rounds subnormal quotients correctly too).
//
// k >= 1: k pi/2 +- atan t lies within 2^-55.9 of k pi/2. Every point there rounds to
// RN(k pi/2): pi/2 lies 2^-53.86 above RN(pi/2), whose neighbouring midpoints are 2^-53
// away, so the nearer midpoint is 2^-54.15 from pi/2; pi lies 2^-52.86 above RN(pi), the
// nearer midpoint 2^-53.15 from it.
//
// k = 0: the result is RN(atan t), with t - t^3/3 < atan t < t. No midpoint M between
// doubles lies in [t - t^3/3, t) unless M = t exactly:
//   write t = a/b 2^f with odd integers a, b < 2^53. For t >= 2^-1021 let
//   2^e <= t < 2^(e+1); every midpoint in [2^(e-1), 2^(e+1)) is M = K 2^g, g = e - 54,
//   with an integer K whose odd part is at least 2^53 (a midpoint has 54 significant bits).
//   If f >= g, t - M = 2^g (a 2^(f-g) - K b)/b; the integer in parentheses is not 0 (the
//   odd part of a 2^(f-g) is a < 2^53, that of K b at least 2^53), so |t - M| >= 2^g/b >
//   2^(e-107) > t 2^-108. If f < g, t - M = 2^f (a - K b 2^(g-f))/b, an odd integer in
//   parentheses, so |t - M| >= 2^f/b = t/a > t 2^-53. Either way farther than
//   t^3/3 < t 2^-113.
//   For t < 2^-1021 every midpoint is M = (2m+1) 2^-1075 and t - M = 2^-1075 (a 2^(f+1075)
//   - (2m+1) b)/b. For f >= -1075 the parentheses hold an integer, for f < -1075 an odd
//   integer times 2^(f+1075) > b/a > 2^-53 (as t > 2^-1075), so |t - M| >= 2^-1181 unless
//   t = M, far more than t^3/3 < 2^-3063. (For t <= 2^-1075 both t and atan t round to 0.)
// So atan t rounds as t does, which is r, unless t is a midpoint: then atan t, just below,
// rounds down, to the double below t. That happens only for t = (2m+1) 2^-1075 below
// 2^-1021, i.e. (a/b) 2^(f+1075) an odd integer: b divides a and f = -1075. Where
// r > 2^-1021, t > 2^-1021 too and r is the result.
double tinyQuotient(const Octant& o)
{
    if (o.k != 0)
        return withSign(o, 0.5 * o.k * kPi);
    if (o.r > 0x1p-1021)
        return withSign(o, o.r);
    std::uint64_t a, b;
    int ea, eb;
    significandOf(o.n, a, ea);
    significandOf(o.d, b, eb);
    while ((a & 1u) == 0) {
        a >>= 1;
        ea++;
    }
    while ((b & 1u) == 0) {
        b >>= 1;
        eb++;
    }
    if (ea - eb == -1075 && a % b == 0) // t = (a/b) 2^-1075: the double below is (a/b - 1)/2 ulps
        return withSign(o, fromBits((a / b - 1) / 2));
    return withSign(o, o.r);
}

// ---- Fast path -----------------------------------------------------------------------------

// Taylor coefficients of atan z - z = z^3 (A3 + z^2 (A5 + z^2 A7)), rounded to doubles.
constexpr double kA3 = -1.0 / 3.0;
constexpr double kA5 = 1.0 / 5.0;
constexpr double kA7 = -1.0 / 7.0;

// The error bound of the fast path relative to its result: the error is proven below
// 2^-71.93 of it (see fastPath); the bound is computed as 2^-71 |high|, which is exact.
constexpr double kFastError = 0x1p-71;

// p + e = c b exactly, p = RN(c b), for c with at most 26 significant bits: Dekker's product
// (twoProduct) with c as its own high part, so that only b is split (b = bh + bl, 26 bits
// each). c bh and c bl are exact; c bh is within 2^-26 of c b and so of p, and c bh - p is
// exact by Sterbenz's lemma; the sum c b - p is the error of a rounded product, a double,
// and so exact too. (No result here is subnormal: see fastPath.)
void shortProduct(double c, double b, double& p, double& e)
{
    double bh, bl;
    split(b, bh, bl);
    p = c * b;
    e = (c * bh - p) + c * bl;
}

// r = RN(t) >= 2^-56; the result sign (k pi/2 + turn atan t) as high + low and a bound.
//
// Scaling: n' = n S and d' = d S, with S = 2^-600 where d > 2^500, 2^600 where d < 2^-500
// and 1 otherwise, are exact (d' > 2^-100 and n' >= 2^-57 d' > 2^-157 where they shrink),
// and 2^-500 <= d' <= 2^500, n' >= 2^-558, t = n'/d'. Every double below is then a multiple
// of at least 2^-720 or a rounded normal value, so no error term is lost to underflow; the
// bounds below are all relative.
//
// 1. c = j/512, the multiple of 2^-9 nearest to r (1.5 2^43 has an ulp of 2^-9; a tie goes
//    to even j), 0 <= j <= 512: |t - c| <= 2^-10 + u t, and t > 2^-10 when j >= 1 (r > 2^-10
//    then, a tie r = 2^-10 going to j = 0). atan c = ah + al from the table, within
//    u^2 ah <= 2^-105 atan t (ah <= 2 atan t, as t >= c/2).
// 2. N = n' - c d' = nh - pe exactly: shortProduct gives p + pe = c d' (|pe| <= u p); nh =
//    n' - p is exact by Sterbenz's lemma (n' and p are within a factor of two: for j = 1,
//    p = c d' exactly and t/c > 1/2; for j >= 2, t/c >= (1 - 2^-10/c)(1 - u) >= 3/4 (1 - u);
//    and t/c <= (1 + 2^-10/c)(1 + 3u) <= 3/2 (1 + 3u)). For j = 0, nh = n' and pe = 0.
// 3. D = d' + c n', in [d', 2 d']: shortProduct gives q + qe = c n', fastTwoSum(d', q) =
//    Dh + e2 (d' >= q), and Dl = RN(e2 + qe): |D - Dh - Dl| <= u (|e2| + |qe|) <= 2u^2 Dh.
// 4. z = N/D = zh + zl. inv = RN(1/Dh) and zh = RN(nh inv): |z - zh| <= 5.03u |z| + u c
//    (the roundings of inv and zh, |D/Dh - 1| <= 2.01u, and pe/D <= u c). The rest
//    rho = N - zh D: zh = zH + zL and Dh = dH + dL (Veltkamp, 26 bits each, |zL| <= 2^-26
//    |zh|); nh - zH dH is exact (the product has 52 bits and is within 2^-25 of nh:
//    Sterbenz), the cross terms zH dL + zL dH + zL dL, at most 2^-25 |nh|, are summed
//    within 2u of that, 2^-77 |nh|, and the remaining roundings, of numbers below
//    5.03u |nh| + u p, and Dl's error add O(u^2 (|nh| + p)). zl = RN(rho inv) then carries
//    the relative errors of inv and zl and of Dh against D, 4.02u on at most 5.03u |nh| +
//    u p. With |nh|/D <= |z| + u c: |z - zh - zl| <= 2^-76.9 |z| + 2^-140 c, and
//    |zl| <= 5.04u |z| + 1.01u c.
//    |z| <= |t - c|/(1 + t c) <= 2^-10 (1 + 2^-43), and |z| <= (1 + 2^-21.5) atan t (for
//    j >= 1, atan t >= atan 2^-10; for j = 0, z = t <= 2^-10 (1 + u)).
// 5. atan z = z + f(z) + theta, f(z) = -z^3/3 + z^5/5 - z^7/7, |theta| <= |z|^9/9 <=
//    2^-93.1 |z|. With w = RN(zh^2): tail = RN(RN(zh w) P), P = RN(A3 + RN(w RN(A5 +
//    RN(w A7)))), is f(zh) within 5.01u |f(zh)| (A3, P's last rounding, and the relative
//    error of the w terms, 5u of at most 2^-22.3 |P|, give P within 2.01u; w, zh w and
//    tail 3u more) <= 5.01u/3 2^-20 |zh|: 2^-72.26 |z| and a negligible part of c.
//    f(zh + zl) = f(zh) - zh^2 zl within 2^-93 (|z| + c) (f'(zh) = -zh^2 + zh^4 - ..., and
//    f'' zl^2), and zl w stands for zh^2 zl.
// 6. The result is Kh + Kl + turn (ah + al + zh + zl - zl w + tail), with K = k pi/2 =
//    Kh + Kl within 2^-106 (kPiOverTwoHigh + kPiOverTwoLow is pi/2 within 2^-107; k = 2
//    doubles it exactly). fastTwoSum(Kh, turn ah) = s1 + e1 exactly (Kh = 0, or Kh > ah),
//    fastTwoSum(s1, turn zh) = s2 + e3 exactly (s1 = 0, or |s1| >= ah >= atan 2^-9 >
//    |zh| for k = 0, or |s1| >= pi/4 > |zh|). low = (((Kl + e1) + turn al) + e3) +
//    turn (zl - zl w)) + turn tail: for k = 0 the first terms are 0 and then below 3u
//    atan t, for k >= 1 below 2^-50.4, so their roundings stay below 4u^2 atan t +
//    2^-101.6 of the result (at least pi/4 then); the last sum, at most |tail| + 6u |z| <=
//    2^-21.58 |z|, rounds by 2^-74.58 |z|. fastTwoSum(s2, low) gives the result exactly.
// In all the error is at most (2^-72.26 + 2^-74.58 + 2^-76.9 + 2^-93.1 + 2^-93) |z| +
// 2^-100 of the result, below 2^-71.93 of it, as the result is at least atan t. The bound
// 2^-71 |high| covers that, the result being at most |high| (1 + 2u).
void fastPath(const Octant& o, Approximation& a)
{
    double nn = o.n, dd = o.d;
    if (dd > 0x1p500) {
        nn *= 0x1p-600;
        dd *= 0x1p-600;
    } else if (dd < 0x1p-500) {
        nn *= 0x1p600;
        dd *= 0x1p600;
    }

    // 1. The table point: adding and taking away 1.5 2^43, whose ulp is 2^-9, rounds
    //    0 <= r <= 1 to the nearest multiple of 2^-9 (ties to even j).
    const double c = (o.r + 0x1.8p43) - 0x1.8p43;
    const double* entry = kAtanTable[static_cast<int>(c * 512.0)];

    // 2. and 3. N = nh - pe = n' - c d' and D = d' + c n'.
    double p, pe;
    shortProduct(c, dd, p, pe);
    const double nh = nn - p;
    double q, qe, dh, e2;
    shortProduct(c, nn, q, qe);
    fastTwoSum(dd, q, dh, e2);
    const double dl = e2 + qe;

    // 4. z = N/D.
    const double inv = 1.0 / dh;
    const double zh = nh * inv;
    double zH, zL, dH, dL;
    split(zh, zH, zL);
    split(dh, dH, dL);
    const double cross = (zH * dL + zL * dH) + zL * dL;
    const double rho = ((nh - zH * dH) - cross) - (pe + zh * dl);
    const double zl = rho * inv;

    // 5. atan z - z.
    const double w = zh * zh;
    const double poly = kA3 + w * (kA5 + w * kA7);
    const double tail = (zh * w) * poly;

    // 6. k pi/2 + turn (atan c + atan z), and the sign.
    const double kh = o.k * kPiOverTwoHigh, kl = o.k * kPiOverTwoLow;
    double s1, e1, s2, e3;
    fastTwoSum(kh, o.turn * entry[0], s1, e1);
    fastTwoSum(s1, o.turn * zh, s2, e3);
    double low = (kl + e1) + o.turn * entry[1];
    low = low + e3;
    low = low + o.turn * (zl - zl * w);
    low = low + o.turn * tail;
    double high;
    fastTwoSum(s2, low, high, a.low);
    a.bound = kFastError * high;
    a.high = o.sign * high;
    a.low = o.sign * a.low;
}

// ---- Slow path -------------------------------------------------------------------------------

// a/b truncated to 256 fraction bits (error below one ulp), for 0 < b < 2^63.
Fixed quotient(std::uint64_t a, std::uint64_t b)
{
    Fixed q = fixedZero();
    q.w[0] = a / b;
    std::uint64_t rest = a % b; // below b, so doubling it cannot overflow
    for (int i = 1; i < kFixedWords; i++)
        for (int bit = 63; bit >= 0; bit--) {
            rest <<= 1;
            if (rest >= b) {
                rest -= b;
                q.w[i] |= std::uint64_t(1) << bit;
            }
        }
    return q;
}

// a 2^-s truncated (error below one ulp), 0 <= s < 256.
Fixed shiftedRight(const Fixed& a, int s)
{
    Fixed r;
    const int words = s / 64, bits = s % 64;
    for (int i = kFixedWords - 1; i >= 0; i--) {
        const int from = i - words;
        std::uint64_t v = from >= 0 ? a.w[from] >> bits : 0;
        if (bits != 0 && from >= 1)
            v |= a.w[from - 1] << (64 - bits);
        r.w[i] = v;
    }
    return r;
}

// S(v) = 1 - v/3 + v^2/5 - v^3/7 + ..., so that atan z = z S(z^2), for 0 <= v <= 2^-10
// (1 + 2^-40) known within 2 ulps. v^k is made from v^(k-1) by one multiplication, which
// truncates by less than an ulp: its error E_k <= E_(k-1) v + 2 + 1 stays below 3.01 ulps;
// each term v^k/(2k+1) is then within 2.01 ulps. The terms alternate and decrease, so every
// partial sum is positive. v^26 < 0.07 ulps, so the 26th computed power is below 3.1 ulps
// and its term is 0: at most 25 terms are added, and the exact tail left out is below
// 2 ulps. S is within 25 * 2.01 + 2 < 53 ulps, and 1 - v/3 <= S <= 1.
Fixed atanSeries(const Fixed& v)
{
    Fixed one = fixedZero();
    one.w[0] = 1;
    Fixed power = one, sum = one;
    for (std::uint32_t k = 1;; k++) {
        power = multiply(power, v);
        const Fixed term = divide(power, 2 * k + 1);
        if (isZero(term))
            break;
        sum = (k % 2 == 1) ? subtract(sum, term) : add(sum, term);
    }
    return sum;
}

// The correctly rounded result for r >= 2^-56 (k = 0) or any r (k >= 1), from a value
// within 2^-247 of it, relative, in 256-bit fixed point (an ulp is 2^-256). With
// t = (mn/md) 2^-shift (0 <= shift <= 57) and i the integer nearest to 16 r:
// - i = 0 (t <= 2^-5 (1 + u), shift >= 4): T = mn/md in (1/2, 2) within an ulp, t^2 =
//   T^2 2^(-2 shift) within 5/2^8 + 1 < 2 ulps, and V = T S(t^2) = atan(t) 2^shift within
//   2 * 53 + 2 = 108 ulps, which is 2^-248.2 of V >= 0.49. For k = 0 the result is
//   RN(V) 2^-shift (a normal double, at least 2^-58); otherwise atan t = V 2^-shift
//   within 108/16 + 1 < 8 ulps.
// - i >= 1 (t > 2^-5, shift <= 5): c = i/16, z = (t - c)/(1 + t c) = (16 mn - i md
//   2^shift)/(16 md 2^shift + i mn), numerator and denominator exact integers below 2^63;
//   |z| <= 2^-5 (1 + 2^-48). z within an ulp, z^2 within 1.07 ulps, atan |z| = |z| S(z^2)
//   within 53/32 + 2 < 4 ulps, and atan t = atan c +- atan |z| (atan c from the table,
//   truncated) within 5 ulps; atan t >= atan 2^-5 > 2^-5.01, so 2^-248.6 of it.
// Then k pi/2 is added with pi/2 truncated (an ulp each): the sum is within 10 ulps, and
// is at least pi/4, so 2^-252 of it. roundFixed rounds that value; it rounds the exact
// result the same way unless a midpoint between doubles lies within 2^-247 of the result,
// relative. The result is never a midpoint itself (atan of a rational t > 0, and k pi/2
// plus or minus it, is transcendental), and no exhaustive search of the hardest cases of
// atan2 exists: for the about 2^112 distinct values of t >= 2^-56 and octants, the nearest
// to a midpoint would be expected at about 2^-165 relative, were the results spread at
// random. The oracle test also takes arguments built to lie within about 2^-106 of a
// midpoint, which only this path can round.
double slowPath(const Octant& o)
{
    std::uint64_t mn, md;
    int en, ed;
    significandOf(o.n, mn, en);
    significandOf(o.d, md, ed);
    const int shift = ed - en;
    const double id = (o.r * 16.0 + 0x1.8p52) - 0x1.8p52;
    const unsigned i = static_cast<unsigned>(id);
    Fixed atanT;
    if (i == 0) {
        const Fixed scaled = quotient(mn, md);
        const Fixed square = shiftedRight(multiply(scaled, scaled), 2 * shift);
        const Fixed v = multiply(scaled, atanSeries(square));
        if (o.k == 0)
            return withSign(o, roundFixed(v) * powerOfTwo(-shift));
        atanT = shiftedRight(v, shift);
    } else {
        const std::uint64_t b = md << shift;
        const std::uint64_t n16 = 16 * mn, ib = i * b;
        const bool below = n16 < ib; // t < c: z < 0
        const Fixed z = quotient(below ? ib - n16 : n16 - ib, 16 * b + i * mn);
        const Fixed atanZ = multiply(z, atanSeries(multiply(z, z)));
        Fixed c;
        for (int w = 0; w < kFixedWords; w++)
            c.w[w] = kAtanFixed[i][w];
        atanT = below ? subtract(c, atanZ) : add(c, atanZ);
    }
    Fixed halfPi;
    for (int w = 0; w < kFixedWords; w++)
        halfPi.w[w] = kPiOverTwoFixed[w];
    Fixed result = atanT;
    if (o.k == 1)
        result = o.turn < 0 ? subtract(halfPi, atanT) : add(halfPi, atanT);
    else if (o.k == 2)
        result = subtract(add(halfPi, halfPi), atanT);
    return withSign(o, roundFixed(result));
}

} // namespace

// ---- The paths -----------------------------------------------------------------------------

bool fastAtan2(double y, double x, Approximation& a) noexcept
{
    Octant o;
    double special;
    if (!octantOf(y, x, o, special) || o.r < kTinyQuotient)
        return false;
    fastPath(o, a);
    return true;
}

double slowAtan2(double y, double x) noexcept
{
    Octant o;
    double special;
    if (!octantOf(y, x, o, special))
        return special;
    if (o.r < kTinyQuotient)
        return tinyQuotient(o);
    return slowPath(o);
}

} // namespace trig_detail

// ---- The interface ---------------------------------------------------------------------------

namespace {

// portableAtan2 rounding to nearest.
double atan2Work(double y, double x) noexcept
{
    trig_detail::Octant o;
    double special;
    if (!trig_detail::octantOf(y, x, o, special))
        return special;
    if (o.r < trig_detail::kTinyQuotient)
        return trig_detail::tinyQuotient(o);
    trig_detail::Approximation a;
    trig_detail::fastPath(o, a);
    if (trig_detail::roundingIsCertain(a))
        return a.high;
    return trig_detail::slowPath(o);
}

} // namespace

double portableAtan2(double y, double x) noexcept
{
    if (trig_detail::roundsToNearest())
        return atan2Work(y, x);
    return trig_detail::inRoundToNearest(atan2Work, y, x);
}

} // namespace vecmath
