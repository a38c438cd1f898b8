// trig_oracle: compares the library's own sine and cosine (trig.h) bit for bit with GNU
// MPFR's correctly rounded ones, and reports counts.
//
//   vecmath_trig_oracle [--count N] [--seed S]
//
// N arguments (default 100,000; scripts/trig-oracle.sh runs 10,000,000) are drawn from
// SplitMix64 with seed S, spread over these classes, plus fixed lists:
//   below pi/4, below 2 pi, up to 1e5, up to 1e22, any finite double (random bits);
//   doubles next to multiples of pi/2 (the nearest double to k pi/2 and its neighbours, for
//   small k in order and for random k up to 2^62);
//   special values (zeros, infinities, NaNs, subnormals, the ends of the ranges and the
//   thresholds of the code);
//   hard cases: the double closest to a multiple of pi/2 (6381956970095103 * 2^797, as given
//   in J.-M. Muller's "Elementary Functions", chapter on range reduction), and cosines of small
//   arguments constructed to lie within about 2^-105 of the midpoint between two doubles, which
//   only the slow path can round.
// For every argument it checks portableSin, portableCos and portableSinCos against MPFR,
// and measures the error in ulps; and it calls them again in each of the four rounding
// modes, where they must return the same round-to-nearest results and leave the mode as it
// was. It also checks the inside of the code (trig_detail.h): every constant of the tables
// against MPFR, and the table's splits against split(); that the fast path's error bound
// holds on every argument (and how often Ziv's test sends an argument to the slow path);
// the slow path alone on every 16th argument; and the portable 128-bit product against
// __int128.
// Exits 1 if anything is wrong, so that CTest fails; the counts are printed either way.
#include <mpfr.h>

#include <cfenv>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "oracle_util.h"
#include "trig.h"
#include "trig_detail.h"

namespace {

namespace td = vecmath::trig_detail;
using oracle::boundHolds;
using oracle::errorInUlps;
using oracle::sameResult;
using oracle::SplitMix64;

// ---- Arguments -----------------------------------------------------------------------------

double fromBits(std::uint64_t b)
{
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

std::uint64_t bitsOf(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

// A double within [0, limit): half uniform, half with a uniform exponent down to 2^-30.
double below(SplitMix64& g, double limit)
{
    if ((g.next() & 1u) != 0)
        return g.unit() * limit;
    const double mantissa = 1.0 + g.unit(); // one draw per statement: a fixed order
    return std::ldexp(mantissa, -int(g.next() % 31)) * (limit / 2);
}

// The double nearest to k pi/2 for an integer k < 2^64, by MPFR.
double nearestToMultiple(std::uint64_t k)
{
    mpfr_t m;
    mpfr_init2(m, 400);
    mpfr_const_pi(m, MPFR_RNDN);
    mpfr_mul_ui(m, m, static_cast<unsigned long>(k >> 32), MPFR_RNDN);
    mpfr_mul_2ui(m, m, 32, MPFR_RNDN);
    mpfr_t low;
    mpfr_init2(low, 400);
    mpfr_const_pi(low, MPFR_RNDN);
    mpfr_mul_ui(low, low, static_cast<unsigned long>(k & 0xffffffffu), MPFR_RNDN);
    mpfr_add(m, m, low, MPFR_RNDN);
    mpfr_div_2ui(m, m, 1, MPFR_RNDN);
    const double d = mpfr_get_d(m, MPFR_RNDN);
    mpfr_clear(m);
    mpfr_clear(low);
    return d;
}

struct Argument {
    double x;
    int group;
};

enum Group {
    kBelowQuarterPi,
    kBelowTwoPi,
    kUpTo1e5,
    kUpTo1e22,
    kRandomBits,
    kNearMultiples,
    kSpecial,
    kHard,
    kGroups
};

const char* const kGroupNames[kGroups] = {"|x| below pi/4",
                                          "|x| below 2 pi",
                                          "|x| up to 1e5",
                                          "|x| up to 1e22",
                                          "random bit patterns, all exponents",
                                          "doubles next to multiples of pi/2",
                                          "special values",
                                          "hard cases"};

// Cosines of 2^-26 < x < 2^-22 that lie very near a midpoint: cos x = 1 - x^2/2 + x^4/24
// - ..., and from one double x to the next x^2/2 moves by x ulp(x) < 2^-96, less than
// 2^-43 of an ulp of the result. Of the 65 doubles around the solution of
// 1 - x^2/2 + x^4/24 = (a midpoint), the nearest is typically within 2^-48 ulps of it,
// which needs about 2^-101 of relative accuracy to round.
void hardCosines(std::vector<Argument>& out, SplitMix64& g, int count)
{
    mpfr_t x, c, mid, d;
    mpfr_inits2(300, x, c, mid, d, static_cast<mpfr_ptr>(nullptr));
    for (int i = 0; i < count; i++) {
        // A midpoint below 1: 1 - (2t + 1) 2^-54, t from 1 to 256.
        const std::uint64_t t = 1 + g.next() % 256;
        // x ~ sqrt(2 (1 - midpoint)) = sqrt((2t + 1) 2^-53), refined by one Newton step on
        // x^2/2 - x^4/24 = (2t + 1) 2^-54.
        const double target = double(2 * t + 1) * 0x1p-54;
        double xv = std::sqrt(2 * target);
        xv = xv - (xv * xv / 2 - xv * xv * xv * xv / 24 - target) / (xv - xv * xv * xv / 6);
        double best = xv, bestDistance = 1e300;
        for (int step = -32; step <= 32; step++) {
            double y = xv;
            for (int s = 0; s < std::abs(step); s++)
                y = std::nextafter(y, step > 0 ? 1.0 : 0.0);
            mpfr_set_d(x, y, MPFR_RNDN);
            mpfr_cos(c, x, MPFR_RNDN);
            // The midpoint nearest to cos y: (2n + 1) 2^-54.
            mpfr_mul_2si(mid, c, 54, MPFR_RNDN);
            mpfr_sub_d(mid, mid, 1.0, MPFR_RNDN);
            mpfr_div_2ui(mid, mid, 1, MPFR_RNDN);
            mpfr_rint(mid, mid, MPFR_RNDN);
            mpfr_mul_2ui(mid, mid, 1, MPFR_RNDN);
            mpfr_add_ui(mid, mid, 1, MPFR_RNDN);
            mpfr_div_2ui(mid, mid, 54, MPFR_RNDN);
            mpfr_sub(d, c, mid, MPFR_RNDN);
            const double distance = std::fabs(mpfr_get_d(d, MPFR_RNDN));
            if (distance < bestDistance) {
                bestDistance = distance;
                best = y;
            }
        }
        out.push_back({g.sign(best), kHard});
    }
    mpfr_clears(x, c, mid, d, static_cast<mpfr_ptr>(nullptr));
}

std::vector<Argument> arguments(long count, std::uint64_t seed)
{
    SplitMix64 g(seed);
    std::vector<Argument> a;
    const long share = count / 7;
    const double pi = 3.141592653589793;
    for (long i = 0; i < share; i++)
        a.push_back({g.sign(below(g, pi / 4)), kBelowQuarterPi});
    for (long i = 0; i < share; i++)
        a.push_back({g.sign(below(g, 2 * pi)), kBelowTwoPi});
    for (long i = 0; i < share; i++)
        a.push_back({g.sign(below(g, 1e5)), kUpTo1e5});
    for (long i = 0; i < share; i++)
        a.push_back({g.sign(below(g, 1e22)), kUpTo1e22});
    for (long i = 0; i < 2 * share; i++) {
        double x;
        do
            x = fromBits(g.next());
        while (!std::isfinite(x));
        a.push_back({x, kRandomBits});
    }
    // Multiples of pi/2: k = 1, 2, ... in order, and random k up to 2^62 (log-uniform);
    // each nearest double and its two neighbours on either side.
    const long multiples = share / 5;
    for (long i = 0; i < multiples; i++) {
        std::uint64_t k = static_cast<std::uint64_t>(i + 1);
        if (i % 2 == 1) {
            const std::uint64_t bits = g.next();
            k = (bits >> (2 + g.next() % 62)) | 1u;
        }
        double x = nearestToMultiple(k);
        for (int s = 0; s < 2; s++)
            x = std::nextafter(x, 0.0);
        for (int s = 0; s < 5; s++) {
            a.push_back({g.sign(x), kNearMultiples});
            x = std::nextafter(x, INFINITY);
        }
    }
    // Special values and the code's thresholds, each with its neighbours.
    const double special[] = {0.0,
                              INFINITY,
                              NAN,
                              DBL_MAX,
                              DBL_MIN,
                              DBL_TRUE_MIN,
                              0x1p-1074 * 3,
                              0x1.fffffffffffffp-1023,
                              0x1p-26,
                              0x1p-27,
                              0x1.921fb54442d18p-1, // pi/4
                              0x1.921fb54442d18p+0, // pi/2
                              0x1.921fb54442d18p+1, // pi
                              0x1p20,
                              0x1p54,
                              0x1p1023,
                              1.0,
                              -0.0};
    for (double s : special) {
        a.push_back({s, kSpecial});
        a.push_back({-s, kSpecial});
        if (std::isfinite(s) && s != 0) {
            a.push_back({std::nextafter(s, 0.0), kSpecial});
            a.push_back({std::nextafter(s, INFINITY), kSpecial});
        }
    }
    for (int i = 0; i < 1000; i++) // random subnormals
        a.push_back({g.sign(fromBits(g.next() & ((std::uint64_t(1) << 52) - 1))), kSpecial});
    // Hard cases.
    const double kahanMcDonald = std::ldexp(6381956970095103.0, 797);
    for (double x = kahanMcDonald, s = 0; s < 3; s++, x = std::nextafter(x, INFINITY))
        a.push_back({x, kHard});
    a.push_back({std::nextafter(kahanMcDonald, 0.0), kHard});
    hardCosines(a, g, static_cast<int>(count / 2000 + 20));
    return a;
}

// ---- The oracle ------------------------------------------------------------------------------

// The correctly rounded sine (or cosine) of x by MPFR, subnormals rounded as doubles are.
double reference(double x, bool cosine)
{
    mpfr_t m, y;
    mpfr_init2(m, 53);
    mpfr_init2(y, 53);
    mpfr_set_d(m, x, MPFR_RNDN);
    const int inexact = cosine ? mpfr_cos(y, m, MPFR_RNDN) : mpfr_sin(y, m, MPFR_RNDN);
    mpfr_subnormalize(y, inexact, MPFR_RNDN);
    const double r = mpfr_get_d(y, MPFR_RNDN);
    mpfr_clear(m);
    mpfr_clear(y);
    return r;
}

// The exact value to 320 bits, in `exact`.
void exactValue(double x, bool cosine, mpfr_t exact)
{
    mpfr_t m;
    mpfr_init2(m, 53);
    mpfr_set_d(m, x, MPFR_RNDN);
    if (cosine)
        mpfr_cos(exact, m, MPFR_RNDN);
    else
        mpfr_sin(exact, m, MPFR_RNDN);
    mpfr_clear(m);
}

struct Counts {
    long arguments = 0, wrong = 0, slow = 0;
    double worstUlps = 0.0;
    double worstAt = 0.0;
};

// The four rounding modes: in each, the functions must return the round-to-nearest result
// and leave the mode as it was.
const int kModes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
const char* const kModeNames[] = {"to nearest", "upward", "downward", "towards zero"};
constexpr int kModeCount = 4;

struct ModeCounts {
    long results = 0, wrong = 0, modeChanged = 0;
};

// portableSin, portableCos and portableSinCos of x with the given mode set; counts the
// results that differ from `want` (sine, cosine) and the calls after which the mode differs.
void checkInMode(double x, int mode, const double (&want)[2], ModeCounts& counts)
{
    std::fesetround(mode);
    const vecmath::SinCos sc = vecmath::portableSinCos(x);
    const double sine = vecmath::portableSin(x);
    const bool keptAfterSin = std::fegetround() == mode;
    const double cosine = vecmath::portableCos(x);
    const bool kept = keptAfterSin && std::fegetround() == mode;
    std::fesetround(FE_TONEAREST);
    counts.results += 4;
    counts.wrong += !sameResult(sine, want[0]) + !sameResult(sc.sine, want[0])
                  + !sameResult(cosine, want[1]) + !sameResult(sc.cosine, want[1]);
    counts.modeChanged += kept ? 0 : 1;
}

// ---- The tables --------------------------------------------------------------------------------

int checkTables()
{
    int bad = 0;
    mpfr_t pi, v, w;
    mpfr_inits2(2000, pi, v, w, static_cast<mpfr_ptr>(nullptr));
    mpfr_const_pi(pi, MPFR_RNDN);
    // 2/pi, word by word: floor(2/pi 2^(64(i+1))) mod 2^64.
    mpfr_ui_div(v, 2, pi, MPFR_RNDN);
    for (int i = 0; i < td::kTwoOverPiWords; i++) {
        mpfr_mul_2ui(v, v, 64, MPFR_RNDN);
        mpfr_floor(w, v);
        mpfr_sub(v, v, w, MPFR_RNDN); // the fraction left
        std::uint64_t word = 0;
        for (int half = 0; half < 2; half++) { // w < 2^64, in two 32-bit halves
            mpfr_t h;
            mpfr_init2(h, 64);
            mpfr_div_2ui(h, w, 32 * (1 - half), MPFR_RNDZ);
            mpfr_floor(h, h);
            const unsigned long part = mpfr_get_ui(h, MPFR_RNDZ) & 0xffffffffu;
            word |= std::uint64_t(part) << (32 * (1 - half));
            mpfr_clear(h);
        }
        if (word != td::kTwoOverPiBits[i]) {
            std::printf("FAIL: word %d of 2/pi is %016" PRIx64 ", MPFR says %016" PRIx64 "\n", i,
                        td::kTwoOverPiBits[i], word);
            bad++;
        }
    }
    // pi/2 in fixed point.
    mpfr_div_2ui(v, pi, 1, MPFR_RNDN);
    for (int i = 0; i < td::kFixedWords; i++) {
        mpfr_floor(w, v);
        mpfr_sub(v, v, w, MPFR_RNDN);
        const std::uint64_t word = (std::uint64_t(mpfr_get_ui(w, MPFR_RNDZ) >> 32) << 32)
                                 | (mpfr_get_ui(w, MPFR_RNDZ) & 0xffffffffu);
        if (word != td::kPiOverTwoFixed[i]) {
            std::printf("FAIL: word %d of pi/2 differs from MPFR\n", i);
            bad++;
        }
        mpfr_mul_2ui(v, v, 64, MPFR_RNDN);
    }
    // The Cody-Waite parts add up to pi/2 within 2^-139; the first three hold its bits down
    // to 2^-32, from 2^-33 to 2^-53 and from 2^-54 to 2^-86.
    mpfr_div_2ui(v, pi, 1, MPFR_RNDN);
    for (int i = 0; i < 4; i++)
        mpfr_sub_d(v, v, td::kCodyWaite[i], MPFR_RNDN);
    mpfr_set_d(w, 0x1p-139, MPFR_RNDN);
    if (mpfr_cmpabs(v, w) > 0) {
        std::printf("FAIL: the Cody-Waite parts are not pi/2 within 2^-139\n");
        bad++;
    }
    const int lastBit[3] = {-32, -53, -86}, below[3] = {1, -32, -53};
    for (int i = 0; i < 3; i++) {
        const double part = td::kCodyWaite[i];
        if (std::ldexp(part, -lastBit[i]) != std::floor(std::ldexp(part, -lastBit[i]))
            || !(part < std::ldexp(1.0, below[i]))) {
            std::printf("FAIL: Cody-Waite part %d has bits outside 2^%d .. 2^%d\n", i, below[i],
                        lastBit[i]);
            bad++;
        }
    }
    // The nearest doubles.
    const auto nearest = [&](mpfr_t value, double d, const char* name) {
        mpfr_t r;
        mpfr_init2(r, 53);
        mpfr_set(r, value, MPFR_RNDN);
        if (mpfr_get_d(r, MPFR_RNDN) != d) {
            std::printf("FAIL: %s is not the nearest double\n", name);
            bad++;
        }
        mpfr_clear(r);
    };
    mpfr_div_2ui(v, pi, 1, MPFR_RNDN);
    nearest(v, td::kPiOverTwoHigh, "kPiOverTwoHigh");
    mpfr_sub_d(v, v, td::kPiOverTwoHigh, MPFR_RNDN);
    nearest(v, td::kPiOverTwoLow, "kPiOverTwoLow");
    mpfr_ui_div(v, 2, pi, MPFR_RNDN);
    nearest(v, td::kTwoOverPi, "kTwoOverPi");
    // sin(j/512) and cos(j/512) as pairs of nearest doubles, then the upper part of the
    // first's split as the library's split makes it and the double nearest to the lower
    // part plus the second.
    for (int j = 0; j < td::kTableSize; j++) {
        for (int f = 0; f < 2; f++) {
            mpfr_set_si_2exp(w, j, -9, MPFR_RNDN);
            if (f == 0)
                mpfr_sin(v, w, MPFR_RNDN);
            else
                mpfr_cos(v, w, MPFR_RNDN);
            // The row interleaves them: {sin, cos, sin low, cos low, cos upper, sin upper,
            // cos rest, sin rest}.
            const double* row = td::kSinCosTable[j];
            const double entry[4] = {row[f], row[2 + f], row[5 - f], row[7 - f]};
            nearest(v, entry[0], f == 0 ? "a sine of the table" : "a cosine of the table");
            mpfr_sub_d(v, v, entry[0], MPFR_RNDN);
            nearest(v, entry[1], f == 0 ? "a low sine of the table" : "a low cosine of the table");
            double high, low;
            td::split(entry[0], high, low);
            if (bitsOf(high) != bitsOf(entry[2]) || bitsOf(low + entry[1]) != bitsOf(entry[3])) {
                std::printf("FAIL: the split of entry %d.%d differs from split()\n", j, f);
                bad++;
            }
        }
    }
    mpfr_clears(pi, v, w, static_cast<mpfr_ptr>(nullptr));
    return bad;
}

int checkProducts(std::uint64_t seed)
{
    SplitMix64 g(seed ^ 0x5a5a5a5a5a5a5a5au);
    int bad = 0;
    const std::uint64_t edge[] = {
        0, 1, 0xffffffffu, 0x100000000u, ~std::uint64_t(0), std::uint64_t(1) << 63};
    for (int i = 0; i < 100000; i++) {
        const std::uint64_t a = i < 36 ? edge[i % 6] : g.next();
        const std::uint64_t b = i < 36 ? edge[i / 6] : g.next() >> (g.next() % 64);
        const td::Wide p = td::multiply64(a, b), q = td::multiply64Portable(a, b);
        if (p.high != q.high || p.low != q.low || p.low != a * b)
            bad++;
    }
    return bad;
}

} // namespace

int main(int argc, char** argv)
{
    oracle::Options options;
    if (!oracle::start(argc, argv, "vecmath_trig_oracle", options))
        return 2;
    const long count = options.count;
    const std::uint64_t seed = options.seed;

    const int tableErrors = checkTables();
    oracle::printTables(tableErrors);
    const int productErrors = checkProducts(seed);
    std::printf("128-bit products: %s\n", productErrors == 0
                                              ? "the portable product equals the native one"
                                              : "THE PORTABLE PRODUCT DIFFERS");

    const std::vector<Argument> args = arguments(count, seed);
    Counts groups[kGroups], total;
    ModeCounts modes[kModeCount];
    long fastArguments = 0, slowNeeded = 0, boundFailures = 0, slowChecked = 0, slowWrong = 0,
         sinCosDiffers = 0;
    double hardest = 1.0, hardestAt = 0.0;
    bool hardestCosine = false;
    mpfr_t exact;
    mpfr_init2(exact, 320);
    for (std::size_t i = 0; i < args.size(); i++) {
        const double x = args[i].x;
        const vecmath::SinCos sc = vecmath::portableSinCos(x);
        const double ours[2] = {vecmath::portableSin(x), vecmath::portableCos(x)};
        if (!sameResult(sc.sine, ours[0]) || !sameResult(sc.cosine, ours[1]))
            sinCosDiffers++;
        // The fast path and its bound, where it applies.
        td::Approximation fast[2];
        const bool inside = std::isfinite(x) && std::fabs(x) >= 0x1p-27;
        const bool fastDone = inside && td::fastSinCos(x, fast[0], fast[1]);
        if (fastDone)
            fastArguments++;
        const double wanted[2] = {reference(x, false), reference(x, true)};
        for (int m = 0; m < kModeCount; m++)
            checkInMode(x, kModes[m], wanted, modes[m]);
        for (int f = 0; f < 2; f++) {
            const bool cosine = f == 1;
            const double want = wanted[f];
            Counts& c = groups[args[i].group];
            c.arguments++;
            total.arguments++;
            if (!sameResult(ours[f], want)) {
                c.wrong++;
                total.wrong++;
                if (total.wrong <= 20)
                    std::printf("WRONG: %s(%a) = %a, correctly rounded %a\n",
                                cosine ? "cos" : "sin", x, ours[f], want);
            }
            if (!std::isfinite(x))
                continue;
            exactValue(x, cosine, exact);
            double toMidpoint;
            const double ulps = errorInUlps(ours[f], exact, toMidpoint);
            if (ulps > c.worstUlps) {
                c.worstUlps = ulps;
                c.worstAt = x;
            }
            if (ulps > total.worstUlps) {
                total.worstUlps = ulps;
                total.worstAt = x;
            }
            // How near the exact value came to a midpoint, for a correctly rounded result.
            if (sameResult(ours[f], want) && toMidpoint < hardest) {
                hardest = toMidpoint;
                hardestAt = x;
                hardestCosine = cosine;
            }
            if (fastDone) {
                if (!boundHolds(fast[f], exact)) {
                    boundFailures++;
                    if (boundFailures <= 10)
                        std::printf("BOUND: %s(%a): the fast path's error exceeds its bound %a\n",
                                    cosine ? "cos" : "sin", x, fast[f].bound);
                }
                if (!td::roundingIsCertain(fast[f])) {
                    slowNeeded++;
                    c.slow++;
                }
            } else if (inside) {
                slowNeeded++;
                c.slow++;
            }
            if (inside && i % 16 == 0) {
                slowChecked++;
                const double slow = cosine ? td::slowCos(x) : td::slowSin(x);
                if (!sameResult(slow, want)) {
                    slowWrong++;
                    std::printf("SLOW WRONG: %s(%a) = %a, correctly rounded %a\n",
                                cosine ? "cos" : "sin", x, slow, want);
                }
            }
        }
    }
    mpfr_clear(exact);

    std::printf("%-36s %10s %8s %8s %10s  %s\n", "arguments", "results", "wrong", "slow",
                "worst ulps", "at");
    for (int gi = 0; gi < kGroups; gi++)
        std::printf("%-36s %10ld %8ld %8ld %10.6f  %a\n", kGroupNames[gi], groups[gi].arguments,
                    groups[gi].wrong, groups[gi].slow, groups[gi].worstUlps, groups[gi].worstAt);
    std::printf("%-36s %10ld %8ld %8ld %10.6f  %a\n", "all", total.arguments, total.wrong,
                slowNeeded, total.worstUlps, total.worstAt);
    std::printf("arguments: %zu (sine and cosine of each: %ld results, seed %" PRIu64 ")\n",
                args.size(), total.arguments, seed);
    std::printf("not correctly rounded: %ld\n", total.wrong);
    std::printf("largest error: %.6f ulps\n", total.worstUlps);
    std::printf("nearest to a midpoint: %s(%a), %.3g ulps (2^%.1f) from it\n",
                hardestCosine ? "cos" : "sin", hardestAt, hardest, std::log2(hardest));
    std::printf("portableSinCos differs from portableSin and portableCos: %ld\n", sinCosDiffers);
    std::printf("fast path: %ld arguments; its error bound exceeded: %ld times; Ziv's test "
                "undecided (slow path) for %ld of %ld results (1 in %.0f)\n",
                fastArguments, boundFailures, slowNeeded, 2 * fastArguments,
                slowNeeded > 0 ? 2.0 * fastArguments / slowNeeded : 0.0);
    std::printf("slow path alone: %ld results checked, %ld wrong\n", slowChecked, slowWrong);
    bool modesOk = true;
    for (int m = 0; m < kModeCount; m++) {
        std::printf("rounding mode %-12s %ld results, %ld not the round-to-nearest one, mode "
                    "changed by %ld calls\n",
                    kModeNames[m], modes[m].results, modes[m].wrong, modes[m].modeChanged);
        modesOk = modesOk && modes[m].wrong == 0 && modes[m].modeChanged == 0;
    }
    const bool ok = tableErrors == 0 && productErrors == 0 && total.wrong == 0 && boundFailures == 0
                 && slowWrong == 0 && sinCosDiffers == 0 && modesOk;
    std::printf("%s\n", ok ? "OK: every result correctly rounded" : "FAILED");
    return ok ? 0 : 1;
}
