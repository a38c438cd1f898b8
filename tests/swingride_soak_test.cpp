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
// The drawing threads of the GL driver take and give back memory as they go, so the
// resident set of a healthy ride swings by a megabyte from one sample to the next. What
// a leak cannot hide is a higher floor: the least of the samples over the last third of
// the run must stay within this of the least over the first third.
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
    // The least and the most of the samples in frames [from, to].
    auto range = [&](long from, long to) {
        long least = -1, most = -1;
        for (const Sample& x : samples)
            if (x.frame >= from && x.frame <= to) {
                least = least < 0 ? x.kib : std::min(least, x.kib);
                most = std::max(most, x.kib);
            }
        return std::make_pair(least, most);
    };
    const auto early = range(60, kEarlyUntil), late = range(kLateFrom, kFrames);
    std::printf("resident KiB in frames 60-%ld: %ld to %ld; in frames %ld-%ld: %ld to %ld "
                "(floor %+ld KiB); %ld frames in %.2f s = %.1f frames/s\n",
                kEarlyUntil, early.first, early.second, kLateFrom, kFrames, late.first, late.second,
                late.first - early.first, frames, seconds,
                seconds > 0 ? (frames - 1) / seconds : 0.0);
    EXPECT_LE(late.first - early.first, kMostGrowthKiB) << "the resident memory's floor rose";
}

} // namespace
