// What the window system can do to both programs: a display that cannot be opened, the
// window iconified and restored, and the ride's window squeezed to one pixel high and
// back. Each test runs the real binaries on a virtual X server of its own.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using Clock = std::chrono::steady_clock;
using e2e::GlCall;
using e2e::readFile;
using e2e::secondsSince;
using e2e::sleepMs;

const double kPi = 3.141592653589793;

// Runs xdotool on the window; returns its status.
int xdotool(const std::string& display, const std::string& action, const std::string& id,
            const std::string& rest = "")
{
    return e2e::runCommand("xdotool " + action + " " + e2e::shellQuote(id) + rest + " 2>/dev/null",
                           display)
        .status;
}

// "IsViewable", "IsUnMapped" or "IsUnviewable", as xwininfo reports the window.
std::string mapState(const std::string& display, const std::string& id)
{
    const std::string out = e2e::runCommand("xwininfo -id " + e2e::shellQuote(id), display).out;
    const auto at = out.find("Map State: ");
    return at == std::string::npos ? "" : out.substr(at + 11, out.find('\n', at) - at - 11);
}

// Iconifies the window and restores it; the program must run throughout and draw again.
// Without a window manager the iconify request (a message to the root window) has no
// taker, so the window is also unmapped, which is what a window manager does with it.
void iconifyAndRestore(const std::string& display, const std::string& id, e2e::Process& program,
                       const e2e::FrameCounter& counter)
{
    xdotool(display, "windowminimize", id);
    EXPECT_EQ(xdotool(display, "windowunmap", id), 0);
    EXPECT_TRUE(e2e::waitUntil([&] { return mapState(display, id) == "IsUnMapped"; }))
        << mapState(display, id);
    // How long the window stays iconified is part of the scenario, not a wait for
    // anything: an unmapped window gets no frames to count.
    sleepMs(1000);
    EXPECT_TRUE(program.running()) << "ended while iconified";
    EXPECT_EQ(xdotool(display, "windowmap", id), 0);
    EXPECT_TRUE(e2e::waitUntil([&] { return mapState(display, id) == "IsViewable"; }))
        << mapState(display, id);
    EXPECT_TRUE(counter.waitForMore(2)) << "no frame drawn after the restore";
    EXPECT_TRUE(program.running()) << "ended when restored";
}

// ---- A display that cannot be opened ------------------------------------------------------

TEST(BadDisplayOption, BothProgramsEndAtOnceWithAClearMessageAndAFailureStatus)
{
    // DISPLAY names a working server, so only the option can make the start fail.
    e2e::VirtualDisplay display;
    int number = 9999;
    struct stat st;
    while (stat(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), &st) == 0)
        number++;
    const std::string bad = ":" + std::to_string(number);
    for (const std::string program : {"swingride", "cockpit"}) {
        const std::string bin = program == "swingride" ? SWINGRIDE_BIN : COCKPIT_BIN;
        const std::string err = e2e::artifactDir() + "/" + program + "-baddisplay.err";
        const auto start = Clock::now();
        e2e::Process p({bin, "-display", bad}, display.name(), "", err);
        const int status = p.wait(e2e::kPatience);
        const double seconds = secondsSince(start);
        const std::string text = readFile(err);
        std::printf("%s -display %s: status %d after %.2f s; %s", program.c_str(), bad.c_str(),
                    status, seconds, text.c_str());
        EXPECT_NE(status, -1) << program << " still running after " << e2e::kPatience << " s";
        EXPECT_NE(status, 0) << program;
        std::string message = program;
        message.append(": cannot start: failed to open display '").append(bad).append("'");
        EXPECT_NE(text.find(message), std::string::npos) << text;
    }
}

// ---- Iconified and restored ----------------------------------------------------------------

TEST(Iconify, TheRideKeepsRunningAndTurnsAgainWhenRestored)
{
    e2e::VirtualDisplay display;
    const std::string dir = e2e::artifactDir();
    e2e::FrameCounter counter(dir + "/swingride-iconify.frames");
    e2e::Process ride(counter.wrap({SWINGRIDE_BIN}), display.name(), dir + "/swingride-iconify.out",
                      dir + "/swingride-iconify.err");
    const std::string id = e2e::findWindow(display.name(), "Aeroplane");
    ASSERT_FALSE(id.empty()) << "the ride's window did not appear";
    ASSERT_TRUE(counter.waitFor(2)) << "the ride drew no frames";
    iconifyAndRestore(display.name(), id, ride, counter);

    // Drawn again, and still turning: two pictures two frames apart show the green frame
    // and differ.
    const e2e::Image a = e2e::screenshot(display.name(), id, dir + "/swingride-restored.png");
    counter.waitForMore(2);
    const e2e::Image b = e2e::screenshot(display.name(), id);
    auto green = [](const e2e::Image::Pixel& p) { return p.r == 0 && p.g == 153 && p.b == 0; };
    EXPECT_GT(a.count(green), 2000) << "the green frame after the restore";
    EXPECT_GT(b.count(green), 2000);
    EXPECT_FALSE(a == b) << "the ride does not turn after the restore";
}

TEST(Iconify, TheCockpitKeepsRunningRedrawsItsPictureAndFliesOnWhenRestored)
{
    e2e::VirtualDisplay display;
    const std::string dir = e2e::artifactDir();
    const std::string outPath = dir + "/cockpit-iconify.out";
    e2e::FrameCounter counter(dir + "/cockpit-iconify.frames");
    e2e::Process cockpit(counter.wrap({COCKPIT_BIN}), display.name(), outPath,
                         dir + "/cockpit-iconify.err");
    const std::string id = e2e::findWindow(display.name(), "Aeroplane");
    ASSERT_FALSE(id.empty()) << "the cockpit window did not appear";
    ASSERT_TRUE(counter.waitFor(3)) << "the cockpit drew no frames";
    const e2e::Image before = e2e::restingPicture(display.name(), id, counter);
    iconifyAndRestore(display.name(), id, cockpit, counter);

    // An unmapped window loses its pixels, so the same picture again means it was redrawn.
    const e2e::Image restored = e2e::restingPicture(display.name(), id, counter);
    auto panel = [](const e2e::Image::Pixel& p) {
        return p.r == p.g && p.g == p.b && (p.r == 76 || p.r == 77);
    };
    EXPECT_GT(before.count(panel), 10000) << "the grey panel before iconifying";
    EXPECT_TRUE(restored == before) << "the picture after the restore is not the one before";

    // A key still moves it, and the picture follows.
    const std::string printed = "u pressed -> SpeedUp\n(0,1,8.8)\n";
    EXPECT_EQ(xdotool(display.name(), "key --window", id, " 5"), 0);
    EXPECT_TRUE(e2e::waitUntil([&] { return readFile(outPath) == printed; }));
    // The next tick takes the new view, and the frame after it is consistent again.
    counter.waitForMore(3);
    const e2e::Image forward = e2e::restingPicture(display.name(), id, counter);
    EXPECT_FALSE(forward == before) << "the picture did not follow a move forward";
    EXPECT_EQ(readFile(outPath), printed);
}

// ---- The ride squeezed to one pixel high -----------------------------------------------------

TEST(FlatWindow, TheRideTakesAViewportOneHighAndTheWidthAsAspectThenResizesBack)
{
    e2e::VirtualDisplay display;
    const std::string dir = e2e::artifactDir();
    const std::string tracePath = dir + "/swingride-flat.trace";
    std::remove(tracePath.c_str());
    e2e::WindowInfo zero, flat, back;
    bool runningAtEnd = false;
    int status = -1;
    {
        e2e::FrameCounter counter(dir + "/swingride-flat.frames");
        e2e::Process ride(counter.wrap({"apitrace", "trace", "-o", tracePath, SWINGRIDE_BIN}),
                          display.name(), dir + "/swingride-flat.out", dir + "/swingride-flat.err");
        const std::string id = e2e::findWindow(display.name(), "Aeroplane");
        ASSERT_FALSE(id.empty()) << "the ride's window did not appear";
        ASSERT_TRUE(counter.waitFor(3)) << "the ride drew no frames";
        // X has no windows 0 pixels high: the request is refused and the window stays.
        // xdotool ends only after the server has taken its requests, so the window is
        // read as the server left it.
        xdotool(display.name(), "windowsize", id, " 640 0");
        zero = e2e::windowInfo(display.name(), id);
        // Each new size is awaited, then seven frames: the first may have been under way
        // before the ride heard of the size, and at least five follow in it.
        auto resize = [&](int height) {
            xdotool(display.name(), "windowsize", id, " 640 " + std::to_string(height));
            e2e::waitUntil([&] { return e2e::windowInfo(display.name(), id).height == height; });
            EXPECT_TRUE(counter.waitForMore(7)) << "frames drawn " << height << " high";
            return e2e::windowInfo(display.name(), id);
        };
        flat = resize(1);
        back = resize(480);
        runningAtEnd = ride.running();
        // Closing the window ends the ride normally, so apitrace finishes the trace.
        e2e::closeWindow(display.name(), id);
        status = ride.wait(e2e::kPatience);
    }
    std::printf("window after asking for 640 x 0: %d x %d; for 640 x 1: %d x %d; back: %d x %d\n",
                zero.width, zero.height, flat.width, flat.height, back.width, back.height);
    EXPECT_TRUE(runningAtEnd);
    EXPECT_EQ(status, 0) << "-1: still running after its window was closed";
    EXPECT_GE(zero.height, 1);
    EXPECT_EQ(flat.height, 1);
    EXPECT_EQ(back.height, 480);

    // Every viewport with the projection that follows it, and the frame it came in.
    struct Reshape {
        int frame;
        GlCall viewport;
        std::vector<double> projection;
    };
    std::vector<Reshape> reshapes;
    int frame = 1;
    std::istringstream dump(e2e::runCommand("apitrace dump --color=never --multiline=no "
                                            "--grep='^(glViewport|glMultMatrixd|glXSwapBuffers)$' "
                                            + e2e::shellQuote(tracePath))
                                .out);
    for (std::string line; std::getline(dump, line);) {
        GlCall call;
        if (line.find("// fake") != std::string::npos || !e2e::parseCallLine(line, call))
            continue;
        if (call.name == "glXSwapBuffers")
            frame++;
        else if (call.name == "glViewport")
            reshapes.push_back({frame, call, {}});
        else if (!reshapes.empty() && reshapes.back().projection.empty())
            reshapes.back().projection = call.numbers("m");
    }
    const int frames = frame - 1;

    const double f = 1.0 / std::tan(40.0 * kPi / 180.0);
    const Reshape* flatOne = nullptr;
    const Reshape* backOne = nullptr;
    for (const Reshape& r : reshapes) {
        EXPECT_GE(r.viewport.num("height"), 1) << r.viewport.text();
        if (flatOne == nullptr && r.viewport.num("height") == 1)
            flatOne = &r;
        else if (flatOne != nullptr && r.viewport.num("height") == 480)
            backOne = &r;
    }
    ASSERT_NE(flatOne, nullptr) << "no viewport one pixel high";
    ASSERT_NE(backOne, nullptr) << "no viewport 480 high after it";
    ASSERT_EQ(flatOne->projection.size(), 16u);
    ASSERT_EQ(backOne->projection.size(), 16u);
    std::printf("flat viewport in frame %d: %s, projection [0] %.17g, [5] %.17g; back in frame "
                "%d; %d frames in all\n",
                flatOne->frame, flatOne->viewport.text().c_str(), flatOne->projection[0],
                flatOne->projection[5], backOne->frame, frames);
    EXPECT_EQ(flatOne->viewport.num("width"), 640);
    // gluPerspective puts f / aspect in element 0 and f in element 5: the aspect of a
    // window one pixel high is its width.
    EXPECT_NEAR(flatOne->projection[0], f / 640.0, 1e-15);
    EXPECT_NEAR(flatOne->projection[5], f, 1e-12);
    EXPECT_EQ(backOne->viewport.num("width"), 640);
    EXPECT_NEAR(backOne->projection[0], f / static_cast<double>(640.0f / 480.0f), 1e-12);
    EXPECT_NEAR(backOne->projection[5], f, 1e-12);
    // It went on drawing while flat, and after the resize back.
    EXPECT_GE(backOne->frame - flatOne->frame, 5) << "frames drawn one pixel high";
    EXPECT_GE(frames - backOne->frame, 5) << "frames drawn after the resize back";
}

} // namespace
