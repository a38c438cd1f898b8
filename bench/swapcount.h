// swapcount.h: the record that the swapcount preload library keeps in the file named by
// SWAPCOUNT_OUT, for the programs that read it (the end-to-end tests, the frame-rate
// script reads the same three numbers with od).
#ifndef BENCH_SWAPCOUNT_H
#define BENCH_SWAPCOUNT_H

#include <cstdint>

/// Three native 64-bit integers at the start of the file. Written with atomic stores
/// while the program runs: read `swaps` with an acquire load before the times.
struct SwapRecord {
    std::int64_t swaps;   // buffer swaps so far
    std::int64_t firstNs; // CLOCK_MONOTONIC time of the first swap, in nanoseconds
    std::int64_t lastNs;  // CLOCK_MONOTONIC time of the latest swap, in nanoseconds
};

#endif // BENCH_SWAPCOUNT_H
