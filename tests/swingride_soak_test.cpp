// A long run of the real swing ride on a virtual X server: over 3,600 frames (a minute at
// its timer's pace) its resident memory must stay where it was after the first 60, and
// it must still end cleanly when its window is closed. A preload library counts the
// frames it shows; how fast they come is printed, not judged.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "e2e/harness.h"

namespace {

const long kFrames = 3600;
const long kSampleEvery = 600;
const long kMostGrowthKiB = 512;
// A loaded machine may draw far below the timer's 62.5 frames a second; only a ride that
// has stopped drawing should miss this.
const double kSecondsPerSample = 300.0;

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

    // Resident memory after the first 60 frames, then every 600 to the end.
    ASSERT_TRUE(counter.waitFor(60)) << "the ride did not draw 60 frames";
    const long first = residentKiB(ride.pid());
    ASSERT_GT(first, 0) << "cannot read the ride's resident memory";
    std::ostringstream samples;
    long last = first;
    for (long frame = kSampleEvery; frame <= kFrames; frame += kSampleEvery) {
        ASSERT_TRUE(counter.waitFor(frame, kSecondsPerSample))
            << "the ride stopped drawing after " << counter.frames() << " frames";
        last = residentKiB(ride.pid());
        samples << " " << last;
    }
    ASSERT_TRUE(ride.running()) << "the ride ended during the run";

    // Closed the way a window manager closes it, the ride ends with status 0.
    ASSERT_TRUE(e2e::closeWindow(display.name(), id));
    EXPECT_EQ(ride.wait(e2e::kPatience), 0) << "-1: still running after its window was closed";

    const long frames = counter.frames();
    const double seconds = counter.drawingSeconds();
    std::printf("resident %ld KiB after 60 frames, %ld KiB after %ld (%+ld KiB; every %ld "
                "frames:%s); %ld frames in %.2f s = %.1f frames/s\n",
                first, last, kFrames, last - first, kSampleEvery, samples.str().c_str(), frames,
                seconds, seconds > 0 ? (frames - 1) / seconds : 0.0);
    EXPECT_GT(last, 0) << "cannot read the ride's resident memory at the end";
    EXPECT_LE(last - first, kMostGrowthKiB) << "resident memory grew";
}

} // namespace
