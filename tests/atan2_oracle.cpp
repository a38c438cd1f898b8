// atan2_oracle: compares the library's own two-argument arctangent (portableAtan2, trig.h)
// bit for bit with GNU MPFR's correctly rounded atan2, and reports counts.
//
//   vecmath_atan2_oracle [--count N] [--seed S]
//
// About N argument pairs (default 100,000; scripts/trig-oracle.sh atan2 runs 10,000,000)
// are drawn from SplitMix64 with seed S, in every quadrant and with both signs of each
// argument, spread over these classes:
//   random points of the plane at every scale from 2^-60 to 2^60;
//   |y/x| near 1, within 2^-1 to 2^-60 of it (the octants' boundaries);
//   |y/x| tiny or huge, down to 2^-1130 (results that are subnormal or zero, and pi/2 or
//   pi within far less than an ulp);
//   random bit patterns for both, every exponent;
//   subnormal arguments, one or both;
//   ratios at and next to the table points j/512 and i/16 of the fast and slow paths;
//   special values: every pair of zeros, infinities, NaNs and the extremes of the doubles,
//   checked against MPFR and, bit for bit, against the C library's atan2 (C99 Annex F
//   fixes those results);
//   hard cases: pairs whose ratio is the closest fraction of two 53-bit integers to the
//   tangent of a midpoint between two doubles, so that atan2 lies within about 2^-104 of
//   that midpoint, relative, and only the slow path can round it; and exact quotients
//   (2m + 1) 2^-1075, midpoints between subnormals.
// For every pair it checks portableAtan2 against MPFR and measures the error in ulps. It
// also checks the inside of the code (trig_detail.h): every constant of the tables against
// MPFR; that the fast path's error bound holds on every pair it takes (and how often Ziv's
// test sends a pair to the slow path); and the slow path alone on every 16th pair.
// Exits 1 if anything is wrong, so that CTest fails; the counts are printed either way.
#include <gmp.h>
#include <mpfr.h>

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "oracle_util.h"
#include "trig.h"
#include "trig_detail.h"

namespace {

namespace td = vecmath::trig_detail;
using oracle::SplitMix64;

// ---- Arguments -----------------------------------------------------------------------------

enum Group {
    kRandomPoints,
    kNearDiagonal,
    kExtremeRatios,
    kRandomBits,
    kSubnormals,
    kTablePoints,
    kSpecial,
    kHard,
    kGroups
};

const char* const kGroupNames[kGroups] = {"random points, 2^-60 to 2^60",
                                          "|y/x| near 1",
                                          "|y/x| tiny or huge",
                                          "random bit patterns, all exponents",
                                          "subnormal arguments",
                                          "ratios at and near the table points",
                                          "special values",
                                          "hard cases"};

struct Pair {
    double y, x;
    int group;
};

// A double (1 + f) 2^e with f uniform in [0, 1), e uniform from lowest to highest.
double scaled(SplitMix64& g, int lowest, int highest)
{
    const double mantissa = 1.0 + g.unit(); // one draw per statement: a fixed order
    return std::ldexp(mantissa, lowest + int(g.next() % std::uint64_t(highest - lowest + 1)));
}

// (y, x), or (x, y) half of the time, each with a random sign.
void addPair(std::vector<Pair>& out, SplitMix64& g, double a, double b, int group)
{
    const bool swap = (g.next() & 1u) != 0;
    const double y = g.sign(swap ? b : a);
    const double x = g.sign(swap ? a : b);
    out.push_back({y, x, group});
}

// The last convergent p/q of the continued fraction of v (in [1, 2)) with p, q < 2^53: the
// closest fraction of 53-bit integers to v, within about 2^-104 of it. v is used up.
void closestFraction(mpfr_t v, std::uint64_t& p, std::uint64_t& q)
{
    const std::uint64_t limit = std::uint64_t(1) << 53;
    std::uint64_t h0 = 0, h1 = 1, k0 = 1, k1 = 0; // the two convergents before
    mpfr_t a;
    mpfr_init2(a, mpfr_get_prec(v));
    for (;;) {
        mpfr_floor(a, v);
        if (mpfr_cmp_d(a, 0x1p53) >= 0)
            break;
        const std::uint64_t ai = mpfr_get_ui(a, MPFR_RNDZ);
        if ((h1 != 0 && ai > (limit - 1 - h0) / h1) || (k1 != 0 && ai > (limit - 1 - k0) / k1))
            break;
        const std::uint64_t h = ai * h1 + h0, k = ai * k1 + k0;
        h0 = h1;
        h1 = h;
        k0 = k1;
        k1 = k;
        mpfr_sub(v, v, a, MPFR_RNDN);
        if (mpfr_zero_p(v))
            break;
        mpfr_ui_div(v, 1, v, MPFR_RNDN);
    }
    mpfr_clear(a);
    p = h1;
    q = k1;
}

// Pairs whose atan2 lies within about 2^-104 (relative) of a midpoint M between two
// doubles: |y/x| is the closest fraction of 53-bit integers to |tan M|, scaled, with the
// signs of sin M and cos M. M is the midpoint above a random double in (0, pi), or above
// one from 2^-1000 to 2 half of the time; each pair is used with both signs of y.
void nearMidpoints(std::vector<Pair>& out, SplitMix64& g, long count)
{
    mpfr_t m, tangent;
    mpfr_inits2(400, m, tangent, static_cast<mpfr_ptr>(nullptr));
    for (long i = 0; i < count; i++) {
        const double base = i % 2 == 0 ? g.unit() * 3.14159 : scaled(g, -1000, 0);
        if (base == 0)
            continue;
        const double above = std::nextafter(base, INFINITY);
        mpfr_set_d(m, base, MPFR_RNDN);
        mpfr_add_d(m, m, above, MPFR_RNDN);
        mpfr_div_2ui(m, m, 1, MPFR_RNDN); // exact: the midpoint
        mpfr_tan(tangent, m, MPFR_RNDN);
        const bool xNegative = mpfr_sgn(tangent) < 0; // M > pi/2
        mpfr_abs(tangent, tangent, MPFR_RNDN);
        const long e = mpfr_get_exp(tangent); // tangent = v 2^(e - 1), v in [1, 2)
        mpfr_mul_2si(tangent, tangent, 1 - e, MPFR_RNDN);
        std::uint64_t p, q;
        closestFraction(tangent, p, q);
        // y = p 2^(e - 1 + s) and x = q 2^s, both normal and finite.
        const long lowest = -1021 - 52 - (e - 1) > -1074 ? -1021 - 52 - (e - 1) : -1074;
        const long highest = 970 - (e - 1 > 0 ? e - 1 : 0);
        const long s = lowest + long(g.next() % std::uint64_t(highest - lowest + 1));
        const double y = std::ldexp(double(p), int(e - 1 + s));
        const double x = std::ldexp(double(q), int(s));
        out.push_back({y, xNegative ? -x : x, kHard});
        out.push_back({-y, xNegative ? -x : x, kHard});
    }
    mpfr_clears(m, tangent, static_cast<mpfr_ptr>(nullptr));
}

std::vector<Pair> arguments(long count, std::uint64_t seed)
{
    SplitMix64 g(seed);
    std::vector<Pair> a;
    const long share = count / 16; // a sixteenth of the pairs
    for (long i = 0; i < 4 * share; i++) {
        const int e = int(g.next() % 121) - 60;
        const double y = std::ldexp(g.unit(), e), x = std::ldexp(g.unit(), e);
        a.push_back({g.sign(y), g.sign(x), kRandomPoints});
    }
    for (long i = 0; i < 2 * share; i++) {
        const double x = scaled(g, -100, 100);
        const double step = std::ldexp(g.unit(), -1 - int(g.next() % 60));
        addPair(a, g, x * (1 + g.sign(step)), x, kNearDiagonal);
    }
    for (long i = 0; i < 3 * share; i++) {
        const double x = scaled(g, -500, 500);
        const double y = x * scaled(g, -1130, 0); // may round to a subnormal or to 0
        addPair(a, g, y, x, kExtremeRatios);
    }
    for (long i = 0; i < 3 * share; i++) {
        double y, x;
        do
            y = td::fromBits(g.next());
        while (!std::isfinite(y));
        do
            x = td::fromBits(g.next());
        while (!std::isfinite(x));
        a.push_back({y, x, kRandomBits});
    }
    for (long i = 0; i < share; i++) {
        const double y = td::fromBits(g.next() & td::kMantissaMask);
        const double x = (g.next() & 1u) != 0 ? td::fromBits(g.next() & td::kMantissaMask)
                                              : scaled(g, -1022, -960);
        addPair(a, g, y, x, kSubnormals);
    }
    // t = j/512 or i/16 exactly (x of 43 bits, so that x t is exact), or moved by a relative
    // 2^-20 to 2^-60.
    for (long i = 0; i < 3 * share; i++) {
        const bool fine = (g.next() & 1u) != 0;
        const double c = fine ? double(g.next() % 513) / 512 : double(g.next() % 17) / 16;
        const double x = std::ldexp(double(g.next() >> 21), int(g.next() % 41) - 60);
        double t = c;
        if ((g.next() % 4) != 0)
            t = c * (1 + g.sign(std::ldexp(1.0, -20 - int(g.next() % 41))));
        addPair(a, g, x * t, x, kTablePoints);
    }
    // Every pair of special values.
    const double special[] = {0.0,           -0.0,     INFINITY,  -INFINITY, NAN,
                              DBL_MAX,       -DBL_MAX, DBL_MIN,   -DBL_MIN,  DBL_TRUE_MIN,
                              -DBL_TRUE_MIN, 1.0,      -1.0,      0.5,       -3.0,
                              0x1p-56,       0x1p-57,  0x1p-1021, 1e300,     -1e-300};
    for (double y : special)
        for (double x : special)
            a.push_back({y, x, kSpecial});
    // Hard cases: near midpoints, and exact midpoints between subnormals,
    // y/x = (2m + 1) b 2^-1074 / (2 b) with b odd.
    nearMidpoints(a, g, count / 200 + 20);
    for (long i = 0; i < count / 1000 + 20; i++) {
        const std::uint64_t b = (g.next() % (std::uint64_t(1) << 20)) | 1u;
        const std::uint64_t odd = (g.next() % ((std::uint64_t(1) << 53) / b)) | 1u;
        const int s = int(g.next() % 900);
        const double y = std::ldexp(double(odd * b), s - 1074);
        const double x = std::ldexp(double(2 * b), s);
        a.push_back({g.sign(y), g.sign(x), kHard});
    }
    return a;
}

// ---- The oracle ------------------------------------------------------------------------------

// The correctly rounded atan2(y, x) by MPFR, subnormals rounded as doubles are.
double reference(double y, double x)
{
    mpfr_t my, mx, r;
    mpfr_inits2(53, my, mx, r, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_d(my, y, MPFR_RNDN);
    mpfr_set_d(mx, x, MPFR_RNDN);
    const int inexact = mpfr_atan2(r, my, mx, MPFR_RNDN);
    mpfr_subnormalize(r, inexact, MPFR_RNDN);
    const double d = mpfr_get_d(r, MPFR_RNDN);
    mpfr_clears(my, mx, r, static_cast<mpfr_ptr>(nullptr));
    return d;
}

// atan2(y, x) to the precision of `exact`.
void exactValue(double y, double x, mpfr_t exact)
{
    mpfr_t my, mx;
    mpfr_inits2(53, my, mx, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_d(my, y, MPFR_RNDN);
    mpfr_set_d(mx, x, MPFR_RNDN);
    mpfr_atan2(exact, my, mx, MPFR_RNDN);
    mpfr_clears(my, mx, static_cast<mpfr_ptr>(nullptr));
}

// |a.high + a.low - exact| / |exact|, in 400-bit arithmetic.
double relativeError(const td::Approximation& a, const mpfr_t exact)
{
    mpfr_t d;
    mpfr_init2(d, 400);
    mpfr_set_d(d, a.high, MPFR_RNDN);
    mpfr_add_d(d, d, a.low, MPFR_RNDN);
    mpfr_sub(d, d, exact, MPFR_RNDN);
    mpfr_div(d, d, exact, MPFR_RNDN);
    const double e = std::fabs(mpfr_get_d(d, MPFR_RNDN));
    mpfr_clear(d);
    return e;
}

// The C library's atan2, called at run time (not folded by the compiler).
double cLibraryAtan2(double y, double x)
{
    volatile double vy = y, vx = x;
    return std::atan2(vy, vx);
}

struct Counts {
    long pairs = 0, wrong = 0, fast = 0, slow = 0;
    double worstUlps = 0.0;
    double worstY = 0.0, worstX = 0.0;
};

// ---- The tables --------------------------------------------------------------------------------

int checkTables()
{
    int bad = 0;
    mpfr_t v, w;
    mpfr_inits2(600, v, w, static_cast<mpfr_ptr>(nullptr));
    // atan(j/512) as the nearest double and the double nearest to the rest.
    for (int j = 0; j < td::kAtanTableSize; j++) {
        mpfr_set_si_2exp(w, j, -9, MPFR_RNDN);
        mpfr_atan(v, w, MPFR_RNDN);
        const double high = td::kAtanTable[j][0], low = td::kAtanTable[j][1];
        if (mpfr_get_d(v, MPFR_RNDN) != high) {
            std::printf("FAIL: atan(%d/512) is not the nearest double\n", j);
            bad++;
        }
        mpfr_sub_d(v, v, high, MPFR_RNDN);
        if (mpfr_get_d(v, MPFR_RNDN) != low) {
            std::printf("FAIL: the low part of atan(%d/512) is not the nearest double\n", j);
            bad++;
        }
    }
    // atan(i/16) in fixed point: floor(atan(i/16) 2^256), word by word.
    mpz_t z, word;
    mpz_inits(z, word, static_cast<mpz_ptr>(nullptr));
    for (int i = 0; i < td::kAtanFixedSize; i++) {
        mpfr_set_si_2exp(w, i, -4, MPFR_RNDN);
        mpfr_atan(v, w, MPFR_RNDN);
        mpfr_mul_2ui(v, v, 256, MPFR_RNDN);
        mpfr_get_z(z, v, MPFR_RNDD);
        for (int k = td::kFixedWords - 1; k >= 0; k--) {
            mpz_fdiv_r_2exp(word, z, 64);
            mpz_fdiv_q_2exp(z, z, 64);
            std::uint64_t expected = 0;
            for (int half = 1; half >= 0; half--) { // word < 2^64, as two 32-bit halves
                mpz_t h;
                mpz_init(h);
                mpz_fdiv_q_2exp(h, word, 32 * half);
                expected |= (std::uint64_t(mpz_get_ui(h)) & 0xffffffffu) << (32 * half);
                mpz_clear(h);
            }
            if (expected != td::kAtanFixed[i][k]) {
                std::printf("FAIL: word %d of atan(%d/16) differs from MPFR\n", k, i);
                bad++;
            }
        }
    }
    mpz_clears(z, word, static_cast<mpz_ptr>(nullptr));
    mpfr_clears(v, w, static_cast<mpfr_ptr>(nullptr));
    return bad;
}

} // namespace

int main(int argc, char** argv)
{
    oracle::Options options;
    if (!oracle::start(argc, argv, "vecmath_atan2_oracle", options))
        return 2;
    const long count = options.count;
    const std::uint64_t seed = options.seed;

    const int tableErrors = checkTables();
    oracle::printTables(tableErrors);

    const std::vector<Pair> args = arguments(count, seed);
    Counts groups[kGroups], total;
    long boundFailures = 0, slowChecked = 0, slowWrong = 0, annexF = 0, annexFDiffers = 0;
    double hardest = 1.0, hardestY = 0.0, hardestX = 0.0, fastWorst = 0.0;
    mpfr_t exact;
    mpfr_init2(exact, 320);
    for (std::size_t i = 0; i < args.size(); i++) {
        const double y = args[i].y, x = args[i].x;
        Counts& c = groups[args[i].group];
        const double ours = vecmath::portableAtan2(y, x);
        const double want = reference(y, x);
        c.pairs++;
        total.pairs++;
        if (!oracle::sameResult(ours, want)) {
            c.wrong++;
            total.wrong++;
            if (total.wrong <= 20)
                std::printf("WRONG: atan2(%a, %a) = %a, correctly rounded %a\n", y, x, ours, want);
        }
        // C99 Annex F fixes the result where an argument is a zero, an infinity or a NaN.
        const bool special = y == 0 || x == 0 || !std::isfinite(y) || !std::isfinite(x);
        if (special) {
            annexF++;
            const double theirs = cLibraryAtan2(y, x);
            if (!oracle::sameResult(ours, theirs)) {
                annexFDiffers++;
                std::printf("DIFFERS FROM C: atan2(%a, %a) = %a, the C library's %a\n", y, x, ours,
                            theirs);
            }
            continue;
        }
        exactValue(y, x, exact);
        double toMidpoint;
        const double ulps = oracle::errorInUlps(ours, exact, toMidpoint);
        if (ulps > c.worstUlps) {
            c.worstUlps = ulps;
            c.worstY = y;
            c.worstX = x;
        }
        if (ulps > total.worstUlps) {
            total.worstUlps = ulps;
            total.worstY = y;
            total.worstX = x;
        }
        // Below 2^-1021 a quotient can be a midpoint itself, which the 320 bits of `exact`
        // cannot tell from atan2, just below it; those ties are the hard cases' last kind.
        if (oracle::sameResult(ours, want) && toMidpoint < hardest
            && std::fabs(want) >= 0x1p-1021) {
            hardest = toMidpoint;
            hardestY = y;
            hardestX = x;
        }
        td::Approximation fast;
        if (td::fastAtan2(y, x, fast)) {
            c.fast++;
            total.fast++;
            const double relative = relativeError(fast, exact);
            if (relative > fastWorst)
                fastWorst = relative;
            if (!oracle::boundHolds(fast, exact)) {
                boundFailures++;
                if (boundFailures <= 10)
                    std::printf("BOUND: atan2(%a, %a): the fast path's error exceeds its bound "
                                "%a\n",
                                y, x, fast.bound);
            }
            if (!td::roundingIsCertain(fast)) {
                c.slow++;
                total.slow++;
            }
        }
        if (i % 16 == 0) {
            slowChecked++;
            const double slow = td::slowAtan2(y, x);
            if (!oracle::sameResult(slow, want)) {
                slowWrong++;
                std::printf("SLOW WRONG: atan2(%a, %a) = %a, correctly rounded %a\n", y, x, slow,
                            want);
            }
        }
    }
    mpfr_clear(exact);

    std::printf("%-38s %9s %7s %7s %10s  %s\n", "pairs", "count", "wrong", "slow", "worst ulps",
                "at (y, x)");
    for (int gi = 0; gi < kGroups; gi++)
        std::printf("%-38s %9ld %7ld %7ld %10.6f  (%a, %a)\n", kGroupNames[gi], groups[gi].pairs,
                    groups[gi].wrong, groups[gi].slow, groups[gi].worstUlps, groups[gi].worstY,
                    groups[gi].worstX);
    std::printf("%-38s %9ld %7ld %7ld %10.6f  (%a, %a)\n", "all", total.pairs, total.wrong,
                total.slow, total.worstUlps, total.worstY, total.worstX);
    std::printf("pairs: %zu (seed %" PRIu64 ")\n", args.size(), seed);
    std::printf("not correctly rounded: %ld\n", total.wrong);
    std::printf("largest error: %.6f ulps\n", total.worstUlps);
    std::printf("nearest to a midpoint (results from 2^-1021 up): atan2(%a, %a), %.3g ulps "
                "(2^%.1f) from it\n",
                hardestY, hardestX, hardest, std::log2(hardest));
    std::printf("special values (C99 Annex F): %ld pairs, %ld differ from the C library's atan2\n",
                annexF, annexFDiffers);
    const long fast = total.fast - groups[kHard].fast, slow = total.slow - groups[kHard].slow;
    std::printf("fast path: %ld pairs; its error bound exceeded: %ld times; Ziv's test undecided "
                "(slow path) for %ld, %ld of them hard cases; outside those, for %ld of %ld%s\n",
                total.fast, boundFailures, total.slow, groups[kHard].slow, slow, fast,
                slow > 0 ? (" (1 in " + std::to_string(fast / slow) + ")").c_str() : "");
    std::printf("fast path's largest error: 2^%.2f of the result (its bound: 2^-71 of it)\n",
                std::log2(fastWorst));
    std::printf("slow path alone: %ld pairs checked, %ld wrong\n", slowChecked, slowWrong);
    const bool ok = tableErrors == 0 && total.wrong == 0 && boundFailures == 0 && slowWrong == 0
                 && annexFDiffers == 0;
    std::printf("%s\n", ok ? "OK: every result correctly rounded" : "FAILED");
    return ok ? 0 : 1;
}
