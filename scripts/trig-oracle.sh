#!/usr/bin/env bash
# trig-oracle.sh: compares the library's own sine and cosine (vecmath/trig.h), or its
# two-argument arctangent, bit for bit with GNU MPFR on many arguments and prints the
# counts: arguments per class, results not correctly rounded (the goal is none), the largest
# error in ulps, how often the slow path decided, the checks of the tables and of the fast
# path's error bounds, and, for the sine and cosine, the results in each of the four
# rounding modes.
#
#   bash scripts/trig-oracle.sh              # sin and cos, ten million arguments (about two minutes)
#   bash scripts/trig-oracle.sh 1e8 7        # a hundred million, with seed 7
#   bash scripts/trig-oracle.sh atan2        # atan2, ten million pairs (about six minutes)
#   bash scripts/trig-oracle.sh atan2 1e8 7  # a hundred million pairs, with seed 7
#
# The suite runs the same programs on 100,000 arguments (vecmath.PortableTrigIsCorrectlyRounded
# and vecmath.PortableAtan2IsCorrectlyRounded). Builds build/ (or $BUILD_DIR) with the tests,
# as scripts/test.sh does, but only the oracle program. Exit status 1 if any result is wrong.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

program=vecmath_trig_oracle
case "${1:-}" in
    atan2) program=vecmath_atan2_oracle; shift ;;
    sincos) shift ;;
esac
count="${1:-1e7}"
seed="${2:-20260101}"
install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" \
      -DVECMATH_BUILD_TESTS=ON >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target "$program" >/dev/null
start=$SECONDS
"$BUILD_DIR/tests/$program" --count "$count" --seed "$seed"
echo "trig-oracle.sh: done in $((SECONDS - start)) s"
