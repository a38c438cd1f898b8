// A long run of the real swing ride on a virtual X server: over a minute of frames, its
// resident memory must stay where it was after the first second, and it must keep
// drawing at its timer's pace. A preload library counts the frames it shows.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "e2e/harness.h"

namespace {

using Clock = std::chrono::steady_clock;
using e2e::secondsSince;

const int kRunSeconds = 62;
const long kMostGrowthKiB = 512;

// The resident set of process `pid` in KiB, from /proc; -1 if it cannot be read.
long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

TEST(SwingRideSoak, KeepsItsMemoryAndItsFrameRateForAMinute)
{
    e2e::VirtualDisplay display;
    const std::string dir = e2e::artifactDir();
    const std::string countPath = dir + "/swingride-soak.frames";
    std::remove(countPath.c_str());
    // env hands its own process over to the ride, so the process id is the ride's.
    e2e::Process ride(
        {"env", "SWAPCOUNT_OUT=" + countPath, "LD_PRELOAD=" SWAPCOUNT_LIB, SWINGRIDE_BIN},
        display.name(), dir + "/swingride-soak.out", dir + "/swingride-soak.err");
    const auto start = Clock::now();
    ASSERT_FALSE(e2e::findWindow(display.name(), "Aeroplane", 20.0).empty())
        << "the ride's window did not appear";
    const auto shown = Clock::now();

    // Resident memory after the first second, then every ten seconds to the end.
    std::this_thread::sleep_until(shown + std::chrono::seconds(1));
    const long first = residentKiB(ride.pid());
    ASSERT_GT(first, 0) << "cannot read the ride's resident memory";
    const auto end = start + std::chrono::seconds(kRunSeconds);
    std::ostringstream samples;
    for (auto at = shown + std::chrono::seconds(11); at < end; at += std::chrono::seconds(10)) {
        std::this_thread::sleep_until(at);
        samples << " " << residentKiB(ride.pid());
    }
    std::this_thread::sleep_until(end);
    const long last = residentKiB(ride.pid());
    ASSERT_TRUE(ride.running()) << "the ride ended during the run";
    const double seconds = secondsSince(start);
    // The counting library writes its count and exits with status 0 on SIGTERM.
    EXPECT_EQ(ride.stop(SIGTERM, 10.0), 0);

    long frames = -1;
    double drawingSeconds = 0.0;
    std::ifstream(countPath) >> frames >> drawingSeconds;
    std::printf("run of %.1f s: resident %ld KiB after the first second, %ld KiB at the end "
                "(%+ld KiB; every 10 s from 11 s:%s); %ld frames in %.2f s = %.1f frames/s\n",
                seconds, first, last, last - first, samples.str().c_str(), frames, drawingSeconds,
                drawingSeconds > 0 ? frames / drawingSeconds : 0.0);
    EXPECT_GT(last, 0) << "cannot read the ride's resident memory at the end";
    EXPECT_LE(last - first, kMostGrowthKiB) << "resident memory grew";
    EXPECT_GE(seconds, 60.0);
    // The 16 ms timer ticks 62.5 times a second; half of that is the least taken as
    // keeping up, on a machine shared with other work.
    EXPECT_GE(frames, static_cast<long>(drawingSeconds * 31.25)) << "frames drawn";
    EXPECT_GE(drawingSeconds, 55.0) << "seconds from the first frame to the last";
}

} // namespace
