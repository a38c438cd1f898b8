#!/usr/bin/env bash
# bench-fps.sh: measures how many frames per second a program really draws under Xvfb.
#
#   bash scripts/bench-fps.sh [PROGRAM] [SECONDS]
#
# PROGRAM is swingride (default) or cockpit; SECONDS defaults to 12. The program runs
# unmodified on a fresh virtual display with a preload library that counts its buffer
# swaps; the figure is compared with the 62.5 ticks per second of its 16 ms timer.
# It builds into $BUILD_DIR first (build/ by default) unless BENCH_FPS_NO_BUILD=1 says that
# the programs and the preload library are already built there (scripts/bench.sh does so).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

program="${1:-swingride}" seconds="${2:-12}"
install_missing "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
[ "${BENCH_FPS_NO_BUILD:-0}" = 1 ] || build_all >/dev/null
result=$(mktemp)
trap 'rm -f "$result"' EXIT

xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    timeout -s TERM "$seconds" \
    env SWAPCOUNT_OUT="$result" LD_PRELOAD="$BUILD_DIR/bench/libswapcount.so" \
    "$BUILD_DIR/$program/$program" || true

# The count file holds the swaps and the times of the first and the latest swap in
# nanoseconds, three 64-bit integers (bench/swapcount.h); the frames are counted from
# the first swap on.
read -r swaps first last < <(od -An -v -w24 -t d8 -N 24 "$result")
awk -v n="$swaps" -v a="$first" -v b="$last" -v p="$program" 'BEGIN {
    f = n - 1; s = (b - a) / 1e9
    printf "%s: %d frames in %.2f s = %.1f frames/s (timer: 62.5 ticks/s)\n", p, f, s, f / s
}'
