// A long run of the real swing ride on a virtual X server: over 3,600 frames (a minute at
// its timer's pace) its resident memory must not grow, and it must still end cleanly when
// its window is closed. A preload library counts the frames it shows; how fast they come
// is printed, not judged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

const long kFrames = 3600;
const long kSampleEvery = 30;
// The GL driver takes and gives back memory as it draws, so now and then one sample of a
// healthy ride's resident set dips or peaks by about a megabyte and is back at the next.
// What a leak cannot hide is a higher middle: the median of the samples over the last
// third of the run must stay within this of the median over the first third.
const long kEarlyUntil = 1200, kLateFrom = 2400;
const long kMostGrowthKiB = 512;
// A loaded machine may draw far below the timer's 62.5 frames a second; only a ride that
// has stopped drawing should miss this.
const double kSecondsPerSample = 120.0;

// The resident set of process `pid` in KiB, from /proc; -1 if it cannot be read.
long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

TEST(SwingRideSoak, KeepsItsMemoryForThousandsOfFramesAndEndsWhenItsWindowCloses)
{
    e2e::VirtualDisplay display;
    const std::string dir = e2e::artifactDir();
    e2e::FrameCounter counter(dir + "/swingride-soak.frames");
    e2e::Process ride(counter.wrap({SWINGRIDE_BIN}), display.name(), dir + "/swingride-soak.out",
                      dir + "/swingride-soak.err");
    const std::string id = e2e::findWindow(display.name(), "Aeroplane");
    ASSERT_FALSE(id.empty()) << "the ride's window did not appear";

    // Resident memory every 30 frames from frame 60 on.
    struct Sample {
        long frame, kib;
    };
    std::vector<Sample> samples;
    for (long frame = 60; frame <= kFrames; frame += kSampleEvery) {
        ASSERT_TRUE(counter.waitFor(frame, kSecondsPerSample))
            << "the ride stopped drawing after " << counter.frames() << " frames";
        samples.push_back({frame, residentKiB(ride.pid())});
        ASSERT_GT(samples.back().kib, 0) << "cannot read the ride's resident memory";
    }
    ASSERT_TRUE(ride.running()) << "the ride ended during the run";

    // Closed the way a window manager closes it, the ride ends with status 0.
    ASSERT_TRUE(e2e::closeWindow(display.name(), id));
    EXPECT_EQ(ride.wait(e2e::kPatience), 0) << "-1: still running after its window was closed";

    const long frames = counter.frames();
    const double seconds = counter.drawingSeconds();
    // The least, the median and the most of the samples in frames [from, to].
    struct Spread {
        long least, median, most;
    };
    auto spread = [&](long from, long to) {
        std::vector<long> kib;
        for (const Sample& x : samples)
            if (x.frame >= from && x.frame <= to)
                kib.push_back(x.kib);
        std::sort(kib.begin(), kib.end());
        return Spread{kib.front(), kib[kib.size() / 2], kib.back()};
    };
    const Spread early = spread(60, kEarlyUntil), late = spread(kLateFrom, kFrames);
    std::printf("resident KiB in frames 60-%ld: %ld, median %ld, %ld; in frames %ld-%ld: %ld, "
                "median %ld, %ld (median %+ld KiB); %ld frames in %.2f s = %.1f frames/s\n",
                kEarlyUntil, early.least, early.median, early.most, kLateFrom, kFrames, late.least,
                late.median, late.most, late.median - early.median, frames, seconds,
                seconds > 0 ? (frames - 1) / seconds : 0.0);
    EXPECT_LE(late.median - early.median, kMostGrowthKiB) << "the resident memory grew";
}

} // namespace
