// oracle_util.h: what the GNU MPFR oracle programs of the library's own correctly rounded
// functions share (trig_oracle.cpp, atan2_oracle.cpp): the generator of their arguments,
// the error of a result in ulps, the check of a fast path's error bound, the comparison of
// results bit for bit, and the reading of their options.
#ifndef VECMATH_ORACLE_UTIL_H
#define VECMATH_ORACLE_UTIL_H

#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "trig_detail.h"

namespace oracle {

/// SplitMix64: the same arguments from the same seed on every platform.
class SplitMix64
{
public:
    explicit SplitMix64(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15u);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return z ^ (z >> 31);
    }
    /// Uniform in [0, 1), 53 bits.
    double unit() { return double(next() >> 11) * 0x1p-53; }
    /// Plus or minus, at random.
    double sign(double x) { return (next() & 1u) != 0 ? -x : x; }

private:
    std::uint64_t m_state;
};

/// |y - exact| in ulps of the exact value (an ulp of a double in its binade; at least the
/// subnormal ulp), and 1/2 minus that in `toMidpoint`, worked out in 400 bits. Both are
/// scaled to ulps before they are subtracted, so that the difference of two tiny values
/// cannot underflow MPFR's exponent range (set to that of doubles).
inline double errorInUlps(double y, const mpfr_t exact, double& toMidpoint)
{
    toMidpoint = 0.5;
    if (mpfr_zero_p(exact))
        return y == 0 ? 0.0 : INFINITY;
    long e = mpfr_get_exp(exact) - 1; // exact = 1.xxx 2^e
    if (e < -1022)
        e = -1022;
    mpfr_t d, s;
    mpfr_init2(d, 400);
    mpfr_init2(s, 53);
    mpfr_mul_2si(d, exact, 52 - e, MPFR_RNDN);
    mpfr_set_d(s, y, MPFR_RNDN);
    mpfr_mul_2si(s, s, 52 - e, MPFR_RNDN);
    mpfr_sub(d, d, s, MPFR_RNDN);
    mpfr_abs(d, d, MPFR_RNDN);
    const double u = mpfr_get_d(d, MPFR_RNDN);
    mpfr_d_sub(d, 0.5, d, MPFR_RNDN);
    toMidpoint = mpfr_get_d(d, MPFR_RNDN);
    mpfr_clear(d);
    mpfr_clear(s);
    return u;
}

/// |a.high + a.low - exact| <= a.bound, checked in 400-bit arithmetic.
inline bool boundHolds(const vecmath::trig_detail::Approximation& a, const mpfr_t exact)
{
    mpfr_t d;
    mpfr_init2(d, 400);
    mpfr_set_d(d, a.high, MPFR_RNDN);
    mpfr_add_d(d, d, a.low, MPFR_RNDN);
    mpfr_sub(d, d, exact, MPFR_RNDN);
    mpfr_abs(d, d, MPFR_RNDN);
    const bool ok = mpfr_cmp_d(d, a.bound) <= 0;
    mpfr_clear(d);
    return ok;
}

/// The same bits, or both NaN.
inline bool sameResult(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return vecmath::trig_detail::bitsOf(a) == vecmath::trig_detail::bitsOf(b);
}

/// The count of a --count option ("1e7" too), or -1 unless it is from 1 to 10^10.
inline long parseCount(const char* text)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= 1 && v <= 1e10))
        return -1;
    return static_cast<long>(v);
}

/// What an oracle program is asked to do: how many arguments, from which seed.
struct Options {
    long count = 100000;
    std::uint64_t seed = 20260101;
};

/// Reads the options [--count N] [--seed S] and sets MPFR's exponent range to that of
/// doubles (subnormals by mpfr_subnormalize); false, with a usage line naming the program
/// on standard error, for any other argument.
inline bool start(int argc, char** argv, const char* program, Options& options)
{
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        if (a == "--count" && i + 1 < argc) {
            options.count = parseCount(argv[++i]);
        } else if (a == "--seed" && i + 1 < argc) {
            options.seed = std::strtoull(argv[++i], nullptr, 0);
        } else {
            options.count = -1;
        }
        if (options.count < 0) {
            std::fprintf(stderr, "usage: %s [--count N] [--seed S]\n", program);
            return false;
        }
    }
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    return true;
}

/// Prints the verdict on the tables, from the number of constants that differ from MPFR.
inline void printTables(int errors)
{
    std::printf("tables: %s\n",
                errors == 0 ? "every constant agrees with MPFR" : "CONSTANTS DIFFER FROM MPFR");
}

} // namespace oracle

#endif
