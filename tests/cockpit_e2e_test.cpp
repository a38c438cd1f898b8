// End-to-end tests of the cockpit program: the real binary in a virtual X server, driven
// by real key events, its standard output read back, its GL calls recorded by apitrace
// and its window photographed live.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cockpit_keys_model.h"
#include "e2e/expected_calls.h"
#include "e2e/harness.h"

namespace {

using e2e::GlCall;
using e2e::readFile;
using e2e::secondsSince;
using e2e::sleepMs;
using Clock = std::chrono::steady_clock;

const double kPi = 3.141592653589793;

// ---- Where the cockpit lands in the window ---------------------------------------------------

// The window position (pixels from the left, and from the top) of the world point (x, y, 0)
// seen from the eye (0, eyeY, eyeZ) looking towards -z, through the 640 x 480 viewport
// with its 80 degree vertical field of view.
struct At {
    int x, y;
};
At project(double x, double y, double eyeY = 1.0, double eyeZ = 8.9)
{
    const double f = 1.0 / std::tan(40.0 * kPi / 180.0);
    const double ndcX = f / (640.0 / 480.0) * x / eyeZ;
    const double ndcY = f * (y - eyeY) / eyeZ;
    return {static_cast<int>(std::lround((ndcX + 1.0) * 320.0)),
            static_cast<int>(std::lround((1.0 - ndcY) * 240.0))};
}

// Radius in pixels of the dial (2.5 units across in the plane z = 0) seen from eyeZ.
double dialRadius(double eyeZ)
{
    return 1.0 / std::tan(40.0 * kPi / 180.0) * 2.5 / eyeZ * 240.0;
}

// The panel's grey 0.3 and the dial's 0.2 on an 8-bit channel: 76.5 (either way rounded)
// and 51.
bool panelGrey(const e2e::Image::Pixel& p)
{
    return p.r == p.g && p.g == p.b && (p.r == 76 || p.r == 77);
}
bool dialGrey(const e2e::Image::Pixel& p)
{
    return p.r == 51 && p.g == 51 && p.b == 51;
}
bool black(const e2e::Image::Pixel& p)
{
    return p.r == 0 && p.g == 0 && p.b == 0;
}
bool pure(const e2e::Image::Pixel& p, int r, int g, int b)
{
    return p.r == r && p.g == g && p.b == b;
}
// The pixel at `at`; a pixel no colour has, and a failure, when `at` is outside the image.
e2e::Image::Pixel pixel(const e2e::Image& img, At at)
{
    if (at.x < 0 || at.y < 0 || at.x >= img.width || at.y >= img.height) {
        ADD_FAILURE() << "pixel " << at.x << "," << at.y << " is outside the " << img.width << "x"
                      << img.height << " picture";
        return {-1, -1, -1};
    }
    return img.at(at.x, at.y);
}

std::string show(const e2e::Image::Pixel& p)
{
    return "(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + ")";
}

// ---- Keys --------------------------------------------------------------------------------------

// One key sent to the program and what it printed in answer.
struct KeyStep {
    std::string phase; // which part of the run sent it
    std::string key;   // as xdotool was told
    int code;          // the character code it stands for
    std::string printed;
    bool answered = false; // a camera line came back in time
};

// Reads the program's standard output as it grows.
class OutputReader
{
public:
    explicit OutputReader(std::string path) : m_path(std::move(path)) {}

    // Waits until a whole camera line has been printed after what was read so far, and
    // returns everything up to and including it; on timeout returns what there is.
    std::string untilCameraLine(double seconds, bool& answered)
    {
        const auto start = Clock::now();
        for (;;) {
            const std::string all = readFile(m_path);
            std::size_t pos = m_read;
            while (pos < all.size()) {
                const std::size_t end = all.find('\n', pos);
                if (end == std::string::npos)
                    break;
                if (all[pos] == '(') {
                    std::string got = all.substr(m_read, end + 1 - m_read);
                    m_read = end + 1;
                    answered = true;
                    return got;
                }
                pos = end + 1;
            }
            if (secondsSince(start) > seconds) {
                std::string got = all.substr(std::min(m_read, all.size()));
                m_read = all.size();
                answered = false;
                return got;
            }
            sleepMs(3);
        }
    }

private:
    std::string m_path;
    std::size_t m_read = 0;
};

// ---- The recorded runs, shared by the tests ----------------------------------------------------

struct KeyRun {
    e2e::WindowInfo window;
    e2e::Image restA, restB; // two screenshots at rest, a little apart
    e2e::Image turned;       // after a turn to the left
    e2e::Image turnedBack;   // after the turn to the right that follows it
    e2e::Image forward;      // after ten presses of "5"
    std::vector<KeyStep> steps;
    std::string output;   // all of standard output
    std::string expected; // all of it as the key table has it
    bool runningAtEnd = false;
    std::string error; // why the run could not be recorded
};

struct EscapeRun {
    int status = -1;
    std::string output;
    std::string error;
};

struct TracedRun {
    e2e::Trace trace;
    bool runningBeforeStop = false;
    int status = -1; // after the window was closed
    std::string output;
    std::string error;
};

struct Runs {
    std::unique_ptr<e2e::VirtualDisplay> display;
    KeyRun keys;
    EscapeRun escape;
    TracedRun traced;
};

// Records one run, keeping what went wrong for the tests that read it.
template <typename Run>
void record(void (*recorder)(const std::string&, Run&), const std::string& display, Run& run)
{
    try {
        recorder(display, run);
    } catch (const std::exception& e) {
        run.error = e.what();
    }
}

Runs* runs = nullptr;

// Takes pairs of screenshots two frames apart until the two agree (the picture at rest)
// or the patience runs out; returns the last pair, saving the first of it at `savePath`.
std::pair<e2e::Image, e2e::Image> steadyPicture(const std::string& display, const std::string& id,
                                                const e2e::FrameCounter& counter,
                                                const std::string& savePath)
{
    const auto start = Clock::now();
    for (;;) {
        e2e::Image a = e2e::screenshot(display, id, savePath);
        counter.waitForMore(2);
        e2e::Image b = e2e::screenshot(display, id);
        if (a == b || secondsSince(start) > e2e::kPatience)
            return {std::move(a), std::move(b)};
    }
}

void recordKeyRun(const std::string& display, KeyRun& run)
{
    const std::string dir = e2e::artifactDir();
    const std::string outPath = dir + "/cockpit-keys.out";
    e2e::FrameCounter counter(dir + "/cockpit-keys.frames");
    e2e::Process cockpit(counter.wrap({COCKPIT_BIN}), display, outPath, dir + "/cockpit-keys.err");
    const std::string id = e2e::findWindow(display, "Aeroplane");
    if (id.empty())
        throw std::runtime_error("the cockpit window did not appear");
    run.window = e2e::windowInfo(display, id);

    // From the second frame on the picture is the one at rest.
    if (!counter.waitFor(3))
        throw std::runtime_error("the cockpit drew no frames");
    std::tie(run.restA, run.restB) = steadyPicture(display, id, counter, dir + "/cockpit.png");

    OutputReader reader(outPath);
    cockpit_model::Camera model;
    auto press = [&](const std::string& phase, const std::string& key, int code) {
        KeyStep step{phase, key, code, "", false};
        try {
            e2e::sendKey(display, id, key);
            step.printed = reader.untilCameraLine(e2e::kPatience, step.answered);
        } catch (const std::exception& e) {
            step.printed = e.what();
        }
        const auto lines = cockpit_model::linesForKey(static_cast<unsigned char>(code), model);
        run.expected += cockpit_model::joined(lines);
        run.steps.push_back(step);
    };

    // A turn to the left and back: the view follows each at the next tick, and the frame
    // after that is consistent again.
    press("turn", "a", 'a');
    counter.waitForMore(3);
    run.turned = steadyPicture(display, id, counter, dir + "/cockpit-turned.png").first;
    press("turn", "d", 'd');
    counter.waitForMore(3);
    run.turnedBack = steadyPicture(display, id, counter, "").first;

    const struct {
        const char* key;
        int code;
    } singles[] = {{"4", '4'}, {"6", '6'}, {"a", 'a'},     {"d", 'd'},    {"A", 'A'}, {"D", 'D'},
                   {"1", '1'}, {"x", 'x'}, {"space", ' '}, {"plus", '+'}, {"2", '2'}, {"8", '8'}};
    for (const auto& s : singles)
        press("single", s.key, s.code);
    for (int i = 0; i < 10; i++)
        press("fives", "5", '5');
    // The next tick takes the new view, and the frame after it is consistent again.
    counter.waitForMore(3);
    run.forward = steadyPicture(display, id, counter, dir + "/cockpit-forward.png").first;
    for (int i = 0; i < 10; i++)
        press("eights", "8", '8');

    for (int code = 0; code < 256; code++) {
        if (code == 27)
            continue;
        press("sweep", e2e::xdotoolKey(code), code);
        if (!cockpit.running())
            break;
    }
    // Still drawing after the sweep.
    run.runningAtEnd = counter.waitForMore(1) && cockpit.running();
    run.output = readFile(outPath);
}

void recordEscapeRun(const std::string& display, EscapeRun& run)
{
    const std::string dir = e2e::artifactDir();
    const std::string outPath = dir + "/cockpit-escape.out";
    e2e::FrameCounter counter(dir + "/cockpit-escape.frames");
    e2e::Process cockpit(counter.wrap({COCKPIT_BIN}), display, outPath,
                         dir + "/cockpit-escape.err");
    const std::string id = e2e::findWindow(display, "Aeroplane");
    if (id.empty())
        throw std::runtime_error("the cockpit window did not appear");
    if (!counter.waitFor(1))
        throw std::runtime_error("the cockpit drew no frame");
    // The window is gone before xdotool sends the key's release, so xdotool reports an
    // error; only the program's status counts here.
    e2e::runCommand("xdotool key --window " + e2e::shellQuote(id) + " Escape 2>/dev/null", display);
    run.status = cockpit.wait(e2e::kPatience);
    run.output = readFile(outPath);
}

void recordTracedRun(const std::string& display, TracedRun& run)
{
    const std::string dir = e2e::artifactDir();
    const std::string tracePath = dir + "/cockpit.trace";
    const std::string outPath = dir + "/cockpit-trace.out";
    std::remove(tracePath.c_str());
    {
        e2e::FrameCounter counter(dir + "/cockpit-trace.frames");
        e2e::Process cockpit(counter.wrap({"apitrace", "trace", "-o", tracePath, COCKPIT_BIN}),
                             display, outPath, dir + "/cockpit-trace.err");
        const std::string id = e2e::findWindow(display, "Aeroplane");
        if (id.empty())
            throw std::runtime_error("the traced cockpit window did not appear");
        // Ten frames with the first view, the key, then ten with the view it brings.
        counter.waitFor(10);
        OutputReader reader(outPath);
        bool answered = false;
        e2e::sendKey(display, id, "5");
        reader.untilCameraLine(e2e::kPatience, answered);
        counter.waitForMore(10);
        // A quarter turn to the left, ten frames, and the quarter turn back.
        for (const char* key : {"a", "d"}) {
            for (int i = 0; i < 18; i++) {
                e2e::sendKey(display, id, key);
                reader.untilCameraLine(e2e::kPatience, answered);
            }
            counter.waitForMore(10);
        }
        // An X window cannot be 0 pixels high: 1 is the lowest height it can take. Each
        // size is awaited, then seven frames: the first may have been under way before
        // the cockpit heard of the size, and at least five follow in it.
        for (int height : {1, 480}) {
            e2e::runCommand("xdotool windowsize " + e2e::shellQuote(id) + " 640 "
                                + std::to_string(height),
                            display);
            e2e::waitUntil([&] { return e2e::windowInfo(display, id).height == height; });
            counter.waitForMore(7);
        }
        // Enough frames for the frame-by-frame checks.
        counter.waitFor(30);
        run.runningBeforeStop = cockpit.running();
        // Closing the window ends the cockpit normally, so apitrace finishes the trace.
        e2e::closeWindow(display, id);
        run.status = cockpit.wait(e2e::kPatience);
    }
    run.output = readFile(outPath);
    run.trace = e2e::readTrace(tracePath, [](int) { return true; });
}

// The runs are recorded once, by the first suite that needs them, and the virtual display
// goes when all the tests are done.
class RunsEnvironment : public ::testing::Environment
{
public:
    void TearDown() override
    {
        delete runs;
        runs = nullptr;
    }
};
::testing::Environment* const runsEnvironment =
    ::testing::AddGlobalTestEnvironment(new RunsEnvironment);

class CockpitRuns : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (runs != nullptr)
            return;
        runs = new Runs;
        try {
            runs->display = std::make_unique<e2e::VirtualDisplay>();
            // The sweep sends every Latin-1 character, each on a key of its own.
            e2e::bindLatin1Keysyms(runs->display->name());
        } catch (const std::exception& e) {
            runs->keys.error = runs->escape.error = runs->traced.error = e.what();
            return;
        }
        record(recordKeyRun, runs->display->name(), runs->keys);
        record(recordEscapeRun, runs->display->name(), runs->escape);
        record(recordTracedRun, runs->display->name(), runs->traced);
    }

    static std::vector<const KeyStep*> phase(const std::string& name)
    {
        std::vector<const KeyStep*> out;
        for (const KeyStep& s : runs->keys.steps)
            if (s.phase == name)
                out.push_back(&s);
        return out;
    }
};

// The tests of each run fail at once, with the reason, when the run could not be recorded.
class CockpitKeys : public CockpitRuns
{
protected:
    void SetUp() override { ASSERT_EQ(runs->keys.error, "") << "recording the key run failed"; }
};
class CockpitEscape : public CockpitRuns
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(runs->escape.error, "") << "recording the Escape run failed";
    }
};
class CockpitPixels : public CockpitKeys
{
};
class CockpitTrace : public CockpitRuns
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(runs->traced.error, "") << "recording the traced run failed";
    }
};

// Checks each step against the key table, worked out afresh from the start of the run.
void expectAsTheTableSays(const std::vector<KeyStep>& all, const std::string& phaseName)
{
    cockpit_model::Camera model;
    int checked = 0;
    for (const KeyStep& s : all) {
        const std::string want = cockpit_model::joined(
            cockpit_model::linesForKey(static_cast<unsigned char>(s.code), model));
        if (s.phase != phaseName)
            continue;
        checked++;
        EXPECT_TRUE(s.answered) << "key " << s.key << " (code " << s.code
                                << ") got no camera line within " << e2e::kPatience << " s";
        EXPECT_EQ(s.printed, want) << "key " << s.key << " (code " << s.code << ")";
    }
    EXPECT_GT(checked, 0) << "no key of " << phaseName << " was sent";
}

// ---- Window ------------------------------------------------------------------------------------

TEST_F(CockpitPixels, OpensOneWindowTitledAeroplane640By480At50_50)
{
    const e2e::WindowInfo& w = runs->keys.window;
    EXPECT_EQ(w.title, "Aeroplane");
    EXPECT_EQ(w.width, 640);
    EXPECT_EQ(w.height, 480);
    EXPECT_EQ(w.x, 50);
    EXPECT_EQ(w.y, 50);
}

// ---- Keys and printed lines --------------------------------------------------------------------

TEST_F(CockpitKeys, PrintsTheNegativeZeroCameraLineForTheFirstKeysWhichTurnAndComeBack)
{
    expectAsTheTableSays(runs->keys.steps, "turn");
    const auto turns = phase("turn");
    ASSERT_EQ(turns.size(), 2u);
    EXPECT_EQ(turns[0]->printed, "(-0,1,8.9)\n");
    EXPECT_EQ(turns[1]->printed, "(-0,1,8.9)\n");
    const auto singles = phase("single");
    ASSERT_FALSE(singles.empty());
    EXPECT_EQ(singles[0]->key, "4");
    EXPECT_EQ(singles[0]->printed, "4 pressed -> turning left\n(-0,1,8.9)\n");
}

TEST_F(CockpitKeys, PrintsTheLinesOfEveryBoundKeyOfUnboundKeysAndOfUpperCaseAAndD)
{
    expectAsTheTableSays(runs->keys.steps, "single");
    // The lines the key table gives for these keys, word for word.
    const auto singles = phase("single");
    ASSERT_EQ(singles.size(), 12u);
    EXPECT_EQ(singles[1]->printed, "6 pressed -> turning right\n(-0,1,8.9)\n");
    for (int i = 2; i <= 9; i++)
        EXPECT_EQ(singles[i]->printed, "(-0,1,8.9)\n") << "key " << singles[i]->key;
    EXPECT_EQ(singles[10]->printed, "j pressed -> SpeedDown\n(0,0.9,8.9)\n");
    EXPECT_EQ(singles[11]->printed, "(0,1,8.9)\n");
}

TEST_F(CockpitKeys, MovesForwardOneUnitInTenPressesOfFive)
{
    expectAsTheTableSays(runs->keys.steps, "fives");
    const auto fives = phase("fives");
    ASSERT_EQ(fives.size(), 10u);
    EXPECT_EQ(fives.front()->printed, "u pressed -> SpeedUp\n(0,1,8.8)\n");
    EXPECT_EQ(fives.back()->printed, "u pressed -> SpeedUp\n(0,1,7.9)\n");
}

TEST_F(CockpitKeys, MovesUpOneUnitInTenPressesOfEight)
{
    expectAsTheTableSays(runs->keys.steps, "eights");
    const auto eights = phase("eights");
    ASSERT_EQ(eights.size(), 10u);
    EXPECT_EQ(eights.back()->printed, "(0,2,7.9)\n");
}

TEST_F(CockpitKeys, KeepsRunningAndPrintsWhatTheTableSaysForEveryKeyCodeButEscape)
{
    const auto sweep = phase("sweep");
    EXPECT_EQ(sweep.size(), 255u) << "the program ended during the sweep";
    expectAsTheTableSays(runs->keys.steps, "sweep");
    EXPECT_TRUE(runs->keys.runningAtEnd);
}

TEST_F(CockpitKeys, PrintsNothingButTheLinesOfTheKeysSent)
{
    EXPECT_EQ(runs->keys.output, runs->keys.expected);
}

TEST_F(CockpitEscape, EndsWithStatusZeroAndPrintsNothingOnEscape)
{
    EXPECT_EQ(runs->escape.status, 0) << "-1 means still running after " << e2e::kPatience << " s";
    EXPECT_EQ(runs->escape.output, "");
}

// ---- Pixels ------------------------------------------------------------------------------------

TEST_F(CockpitPixels, ShowsThePanelAndTheDialInTheirGreys)
{
    const e2e::Image& img = runs->keys.restA;
    ASSERT_EQ(img.width, 640);
    ASSERT_EQ(img.height, 480);
    const struct {
        const char* what;
        double x, y;
    } panel[] = {{"dashboard, left of the dial", -6, -5},
                 {"dashboard, right", 6, -5},
                 {"top beam", -5, 8.2},
                 {"central post", 0.4, 5},
                 {"right corner", 9, 6},
                 {"left corner", -9, 6}},
      dial[] = {{"dial centre-right", 1, -3}, {"dial lower left", -1.5, -4}, {"dial top", 0.5, -1}};
    for (const auto& p : panel) {
        const At at = project(p.x, p.y);
        EXPECT_TRUE(panelGrey(pixel(img, at)))
            << p.what << " at pixel " << at.x << "," << at.y << " is " << show(pixel(img, at));
    }
    for (const auto& p : dial) {
        const At at = project(p.x, p.y);
        EXPECT_TRUE(dialGrey(pixel(img, at)))
            << p.what << " at pixel " << at.x << "," << at.y << " is " << show(pixel(img, at));
    }
    // The dial is a disc of the projected radius.
    const double r = dialRadius(8.9);
    const double area = kPi * r * r;
    EXPECT_NEAR(img.count(dialGrey), area, 0.03 * area);
}

TEST_F(CockpitPixels, LeavesTheOpeningsBlack)
{
    const e2e::Image& img = runs->keys.restA;
    ASSERT_EQ(img.width, 640);
    for (double side : {-1.0, 1.0}) {
        // The middle of an opening, well clear of the post, the beam and the corner.
        const At lo = project(side < 0 ? -5.0 : 1.5, 1.7), hi = project(side < 0 ? -1.5 : 5.0, 7.5);
        int notBlack = 0;
        for (int y = hi.y; y <= lo.y; y++)
            for (int x = lo.x; x <= hi.x; x++)
                if (!black(img.at(x, y)))
                    notBlack++;
        EXPECT_EQ(notBlack, 0) << (side < 0 ? "left" : "right") << " opening, pixels " << lo.x
                               << ".." << hi.x << " by " << hi.y << ".." << lo.y;
    }
    for (const At& p : {project(-8, 3), project(8, 3), project(-2, 2)})
        EXPECT_TRUE(black(pixel(img, p))) << "pixel " << p.x << "," << p.y;
}

TEST_F(CockpitPixels, ShowsTheRedXAxisOverTheDashboardAndTheGreenYAxisOverThePost)
{
    const e2e::Image& img = runs->keys.restA;
    ASSERT_EQ(img.width, 640);
    // The X axis runs along y = 0 across the dashboard, out of the window at the right.
    const At xFrom = project(1.0, 0.0);
    int redColumns = 0, columns = 0;
    for (int x = xFrom.x; x < 636; x++, columns++)
        for (int y = xFrom.y - 3; y <= xFrom.y + 3; y++)
            if (pure(img.at(x, y), 255, 0, 0)) {
                redColumns++;
                break;
            }
    EXPECT_EQ(redColumns, columns) << "columns with the red X axis over the dashboard";
    // The Y axis runs up the middle of the central post to the top of the window.
    const At yFrom = project(0.0, 0.5);
    int greenRows = 0, rows = 0;
    for (int y = 2; y <= yFrom.y; y++, rows++)
        for (int x = yFrom.x - 3; x <= yFrom.x + 3; x++)
            if (pure(img.at(x, y), 0, 255, 0)) {
                greenRows++;
                break;
            }
    EXPECT_EQ(greenRows, rows) << "rows with the green Y axis over the post";
}

TEST_F(CockpitPixels, NeverDrawsThePanelOverTheDial)
{
    const e2e::Image& img = runs->keys.restA;
    ASSERT_EQ(img.width, 640);
    const At c = project(0.0, -3.0);
    const double r = dialRadius(8.9) - 1.5;
    int other = 0, blue = 0;
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++) {
            if (std::hypot(x - c.x, y - c.y) > r)
                continue;
            const auto p = img.at(x, y);
            if (pure(p, 0, 0, 255))
                blue++; // the Z axis, which runs towards the camera in front of the dial
            else if (!dialGrey(p))
                other++;
        }
    EXPECT_EQ(other, 0) << "pixels inside the dial that are neither dial grey nor the Z axis";
    EXPECT_GT(blue, 0) << "the blue Z axis in front of the dial";
}

TEST_F(CockpitPixels, DrawsTheSamePictureInEveryFrameAtRest)
{
    ASSERT_EQ(runs->keys.restA.width, 640);
    EXPECT_TRUE(runs->keys.restA == runs->keys.restB);
}

// The mean column of the pixels for which `pred` holds.
double meanColumn(const e2e::Image& img, const std::function<bool(const e2e::Image::Pixel&)>& pred)
{
    double sum = 0.0;
    int n = 0;
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++)
            if (pred(img.at(x, y))) {
                sum += x;
                n++;
            }
    return n > 0 ? sum / n : -1.0;
}

TEST_F(CockpitPixels, SwingsThePictureRightOnATurnLeftAndShowsItAgainAfterTheTurnBack)
{
    const KeyRun& k = runs->keys;
    ASSERT_EQ(k.turned.width, 640);
    ASSERT_EQ(k.turnedBack.width, 640);
    EXPECT_FALSE(k.turned == k.restA) << "the picture did not change after a turn";
    // Turned 5 degrees to the left, the dial straight ahead moves right by about
    // f / aspect * tan(5 degrees) * 320 = 25 pixels.
    const double before = meanColumn(k.restA, dialGrey), after = meanColumn(k.turned, dialGrey);
    EXPECT_NEAR(after - before, 25.0, 3.0) << "dial at column " << before << ", then " << after;
    EXPECT_TRUE(k.turnedBack == k.restA) << "the picture after turning back is not the first one";
}

TEST_F(CockpitPixels, ShowsTheDialLargerAfterMovingForward)
{
    ASSERT_EQ(runs->keys.forward.width, 640);
    const double before = runs->keys.restA.count(dialGrey);
    const double after = runs->keys.forward.count(dialGrey);
    // The disc's area grows with the square of the nearness: (8.9 / 7.9)^2 = 1.27.
    const double want = (8.9 / 7.9) * (8.9 / 7.9);
    EXPECT_NEAR(after / before, want, 0.04)
        << before << " dial pixels before, " << after << " after";
}

// ---- GL calls ----------------------------------------------------------------------------------

// One frame of the cockpit, from its first clear to the swap.
std::vector<e2e::ExpectedCall> expectedFrame()
{
    e2e::ExpectedFrame f;
    f.call("glClear", {{"mask", "GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT"}});
    // The dial: its colour inside its begin/end pair, then 60 points every 6 degrees.
    f.call("glBegin", {{"mode", "GL_POLYGON"}});
    f.color(0.2, 0.2, 0.2);
    for (int k = 0; k < 60; k++)
        f.vertexd(2.5 * std::cos(k * kPi / 30.0), -3.0 + 2.5 * std::sin(k * kPi / 30.0), 0.0);
    f.call("glEnd");
    // The panel: its colour once, then dashboard, beam, post, right and left corners.
    f.color(0.3, 0.3, 0.3);
    f.polygon({{-10, -10, 0}, {10, -10, 0}, {10, 1.2, 0}, {-10, 1.2, 0}});
    f.polygon({{-10, 8, 0}, {10, 8, 0}, {10, 10, 0}, {-10, 10, 0}});
    f.polygon({{-0.7, -10, 0}, {0.7, -10, 0}, {0.7, 10, 0}, {-0.7, 10, 0}});
    f.polygon({{10, 0, 0}, {10, 10, 0}, {5, 10, 0}});
    f.polygon({{-10, 0, 0}, {-5, 10, 0}, {-10, 10, 0}});
    // The stencil: cleared, then set for the axes and for the next frame's cockpit.
    f.call("glClear", {{"mask", "GL_STENCIL_BUFFER_BIT"}});
    f.call("glStencilOp",
           {{"fail", "GL_REPLACE"}, {"zfail", "GL_REPLACE"}, {"zpass", "GL_REPLACE"}});
    f.calls.push_back({"glStencilFunc", {{"func", "GL_NOTEQUAL"}}, {{"ref", 1}, {"mask", 1}}, 0.0});
    f.axes();
    f.swap();
    return f.calls;
}

// What happened before a frame was drawn, cut into the blocks that make it.
struct Prelude {
    int ticks = 0;             // views rebuilt by the timer
    int reshapes = 0;          // viewport, projection and view set by reshape
    std::vector<GlCall> looks; // the glTranslated of every view set, in order
    std::vector<GlCall> turns; // the glMultMatrixf of every view set, in order
    std::vector<GlCall> viewports;
    std::vector<GlCall> projections;
    std::string stray; // the first call that belongs to neither
};

Prelude cutPrelude(const std::vector<GlCall>& calls, std::size_t from)
{
    Prelude p;
    std::size_t i = from;
    auto is = [&](std::size_t k, const std::string& name, const std::string& arg = "",
                  const std::string& value = "") {
        return k < calls.size() && calls[k].name == name
            && (arg.empty() || calls[k].arg(arg) == value);
    };
    while (i < calls.size()) {
        if (is(i, "glMatrixMode", "mode", "GL_MODELVIEW") && is(i + 1, "glLoadIdentity")
            && is(i + 2, "glMultMatrixf") && is(i + 3, "glTranslated")) {
            p.ticks++;
            p.turns.push_back(calls[i + 2]);
            p.looks.push_back(calls[i + 3]);
            i += 4;
        } else if (is(i, "glViewport") && is(i + 1, "glMatrixMode", "mode", "GL_PROJECTION")
                   && is(i + 2, "glLoadIdentity") && is(i + 3, "glMultMatrixd")
                   && is(i + 4, "glMatrixMode", "mode", "GL_MODELVIEW")
                   && is(i + 5, "glLoadIdentity") && is(i + 6, "glMultMatrixf")
                   && is(i + 7, "glTranslated")) {
            p.reshapes++;
            p.viewports.push_back(calls[i]);
            p.projections.push_back(calls[i + 3]);
            p.turns.push_back(calls[i + 6]);
            p.looks.push_back(calls[i + 7]);
            i += 8;
        } else {
            p.stray = calls[i].text();
            break;
        }
    }
    return p;
}

const int kOneTimeCalls = 5; // glClearColor, glShadeModel, two glEnable, glClearStencil

TEST_F(CockpitTrace, AsksForADoubleBufferedVisualWithDepthAndStencilBuffers)
{
    const std::vector<GlCall>& first = runs->traced.trace.frame(1);
    ASSERT_FALSE(first.empty()) << "no frame was recorded";
    const std::string attribs = e2e::visualAttributes(first);
    ASSERT_FALSE(attribs.empty()) << "no visual was chosen through GLX";
    EXPECT_NE(attribs.find("GLX_DOUBLEBUFFER, True"), std::string::npos) << attribs;
    EXPECT_NE(attribs.find("GLX_DEPTH_SIZE, 1"), std::string::npos) << attribs;
    EXPECT_NE(attribs.find("GLX_STENCIL_SIZE, 1"), std::string::npos) << attribs;
}

TEST_F(CockpitTrace, SetsItsOneTimeStateOnceThenViewportProjectionAndView)
{
    const std::vector<GlCall> setup = e2e::callsBeforeClear(runs->traced.trace.frame(1));
    ASSERT_GE(setup.size(), static_cast<std::size_t>(kOneTimeCalls + 8))
        << "calls before the first frame";
    auto bare = [](const GlCall& c) { return c.text().substr(c.text().find(' ') + 1); };
    EXPECT_EQ(bare(setup[0]), "glClearColor(red = 0, green = 0, blue = 0, alpha = 1)");
    EXPECT_EQ(bare(setup[1]), "glShadeModel(mode = GL_FLAT)");
    EXPECT_EQ(bare(setup[2]), "glEnable(cap = GL_DEPTH_TEST)");
    EXPECT_EQ(bare(setup[3]), "glClearStencil(s = 0)");
    EXPECT_EQ(bare(setup[4]), "glEnable(cap = GL_STENCIL_TEST)");

    // Then the first reshape, and maybe already a timer tick.
    const Prelude p = cutPrelude(setup, kOneTimeCalls);
    EXPECT_EQ(p.stray, "");
    ASSERT_EQ(p.reshapes, 1);
    EXPECT_LE(p.ticks, 1);
    EXPECT_EQ(bare(p.viewports[0]), "glViewport(x = 0, y = 0, width = 640, height = 480)");
    // gluPerspective(80, 640/480 in float, 0.1 in float, 300) as GLU multiplies it in.
    const std::vector<double> m = p.projections[0].numbers("m");
    ASSERT_EQ(m.size(), 16u);
    const double aspect = static_cast<float>(640.0f / 480.0f);
    const double nearZ = 0.1f, farZ = 300.0;
    const double f = 1.0 / std::tan(40.0 * kPi / 180.0);
    // clang-format off
    const double want[16] = {
        f / aspect, 0, 0,                                   0,
        0,          f, 0,                                   0,
        0,          0, -(farZ + nearZ) / (farZ - nearZ),   -1,
        0,          0, -2 * nearZ * farZ / (farZ - nearZ),  0,
    };
    // clang-format on
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(m[i], want[i], 1e-12) << "projection element " << i;

    // The first frame's cockpit is drawn under GL's initial stencil state: nothing sets
    // the stencil function or operations before the stencil clear that follows it.
    for (const GlCall& c : runs->traced.trace.frame(1)) {
        if (c.name == "glClear" && c.arg("mask") == "GL_STENCIL_BUFFER_BIT")
            break;
        EXPECT_TRUE(c.name != "glStencilFunc" && c.name != "glStencilOp") << c.text();
    }

    // None of the one-time state is ever set again.
    for (const auto& frame : runs->traced.trace.frames)
        for (std::size_t i = 0; i < frame.second.size(); i++) {
            const GlCall& c = frame.second[i];
            const bool oneTime = c.name == "glClearColor" || c.name == "glShadeModel"
                              || c.name == "glEnable" || c.name == "glClearStencil"
                              || c.name == "glDisable";
            if (oneTime && frame.first == 1) {
                const auto at = std::find_if(setup.begin(), setup.begin() + kOneTimeCalls,
                                             [&](const GlCall& s) { return s.no == c.no; });
                EXPECT_NE(at, setup.begin() + kOneTimeCalls) << "frame 1: " << c.text();
            } else {
                EXPECT_FALSE(oneTime) << "frame " << frame.first << ": " << c.text();
            }
        }
}

TEST_F(CockpitTrace, DrawsEveryFrameDialPanelStencilThenAxesCallForCall)
{
    const e2e::Trace& trace = runs->traced.trace;
    ASSERT_GE(trace.frameCount, 30) << "too few frames recorded";
    const std::vector<e2e::ExpectedCall> want = expectedFrame();
    int badFrames = 0;
    for (const auto& frame : trace.frames) {
        const auto faults = e2e::compareCalls(frame.first, e2e::drawingCalls(frame.second), want);
        for (const std::string& fault : faults)
            ADD_FAILURE() << fault;
        badFrames += !faults.empty();
        if (badFrames >= 3)
            break;
    }
    EXPECT_EQ(badFrames, 0);
}

TEST_F(CockpitTrace, RebuildsTheViewFromTheCameraAtEveryTimerTick)
{
    const e2e::Trace& trace = runs->traced.trace;
    ASSERT_GE(trace.frameCount, 30) << "too few frames recorded";
    int framesWithoutTick = 0;
    for (const auto& frame : trace.frames) {
        if (frame.first == 1)
            continue;
        const Prelude p = cutPrelude(e2e::callsBeforeClear(frame.second), 0);
        EXPECT_EQ(p.stray, "") << "frame " << frame.first << ": a call that is neither a "
                               << "timer tick nor a reshape";
        // A tick re-arms the timer for 16 ms later and asks for one frame, which GLUT
        // draws before the next tick is due.
        EXPECT_LE(p.ticks, 1) << "frame " << frame.first;
        if (p.ticks == 0)
            framesWithoutTick++;
        // Every view moves the eye to the origin; the run moves it only forward, along z.
        for (const GlCall& look : p.looks) {
            EXPECT_EQ(look.num("y"), -1.0) << look.text();
            EXPECT_EQ(look.num("x"), 0.0) << look.text();
        }
    }
    // The frames that no tick asked for: one for each of the 37 key presses, and the
    // two resizes.
    EXPECT_LE(framesWithoutTick, 37 + 4);
}

// Every view the trace sets, in order, with the frame it was set before.
struct View {
    int frame;
    GlCall turn; // gluLookAt's rotation, as glMultMatrixf
    GlCall look; // gluLookAt's move of the eye to the origin, as glTranslated
};
std::vector<View> viewsOf(const e2e::Trace& trace)
{
    std::vector<View> views;
    for (const auto& frame : trace.frames) {
        const Prelude p =
            cutPrelude(e2e::callsBeforeClear(frame.second), frame.first == 1 ? kOneTimeCalls : 0);
        for (std::size_t i = 0; i < p.looks.size(); i++)
            views.push_back({frame.first, p.turns[i], p.looks[i]});
    }
    return views;
}

TEST_F(CockpitTrace, LooksTowardsMinusXAfterAQuarterTurnLeftAndExactlyAsBeforeAfterTheTurnBack)
{
    const std::vector<View> views = viewsOf(runs->traced.trace);
    ASSERT_GE(views.size(), 10u);
    // gluLookAt's rotation has minus the viewing direction in its third column: (0, 0, 1)
    // looking towards -z, (1, 0, 0) looking towards -x.
    auto facing = [](const View& v, double x, double z) {
        const std::vector<double> m = v.turn.numbers("m");
        return m.size() == 16 && std::fabs(m[2] - x) < 1e-6 && std::fabs(m[6]) < 1e-6
            && std::fabs(m[10] - z) < 1e-6;
    };
    ASSERT_TRUE(facing(views.front(), 0.0, 1.0)) << views.front().turn.text();
    std::size_t quarter = 0;
    while (quarter < views.size() && !facing(views[quarter], 1.0, 0.0))
        quarter++;
    ASSERT_LT(quarter, views.size()) << "no view looks towards -x";
    // The eye stays where it was through the turns.
    EXPECT_EQ(views[quarter].look.text().substr(views[quarter].look.text().find(' ')),
              views[quarter - 1].look.text().substr(views[quarter - 1].look.text().find(' ')));
    // Back on the first heading, every call of the view is the one before the turns, to
    // the last printed digit: the view straight after the forward step.
    std::size_t before = quarter;
    while (before > 0 && !facing(views[before - 1], 0.0, 1.0))
        before--;
    ASSERT_GT(before, 0u);
    auto bare = [](const GlCall& c) { return c.text().substr(c.text().find(' ')); };
    const View& straight = views[before - 1];
    int backAgain = 0;
    for (std::size_t i = quarter; i < views.size(); i++)
        if (facing(views[i], 0.0, 1.0)) {
            backAgain++;
            EXPECT_EQ(bare(views[i].turn), bare(straight.turn)) << "frame " << views[i].frame;
            EXPECT_EQ(bare(views[i].look), bare(straight.look)) << "frame " << views[i].frame;
        }
    EXPECT_GE(backAgain, 5) << "views on the first heading after the turn back";
}

TEST_F(CockpitTrace, FollowsAMoveForwardAtTheNextTick)
{
    const e2e::Trace& trace = runs->traced.trace;
    std::string turns;
    for (int i = 0; i < 36; i++)
        turns += "(0,1,8.8)\n";
    EXPECT_EQ(runs->traced.output, "u pressed -> SpeedUp\n(0,1,8.8)\n" + turns);
    struct Tick {
        int frame;
        GlCall look;
    };
    std::vector<Tick> ticks;
    for (const auto& frame : trace.frames) {
        const std::vector<GlCall> before = e2e::callsBeforeClear(frame.second);
        const Prelude p = cutPrelude(before, frame.first == 1 ? kOneTimeCalls : 0);
        for (const GlCall& look : p.looks)
            ticks.push_back({frame.first, look});
    }
    ASSERT_GE(ticks.size(), 10u);
    // gluLookAt moves the eye to the origin with glTranslated(-eye): z -8.9 at the start,
    // and -8.8 after the key. The x shows the camera's negative zero turn positive.
    EXPECT_EQ(ticks.front().look.num("z"), -8.9);
    EXPECT_EQ(ticks.front().look.arg("x"), "0");
    int changes = 0, lastOld = -1, firstNew = -1;
    for (std::size_t i = 1; i < ticks.size(); i++) {
        const double dz = ticks[i].look.num("z") - ticks[i - 1].look.num("z");
        if (dz != 0.0) {
            changes++;
            EXPECT_NEAR(dz, 0.1, 1e-12) << ticks[i].look.text();
            lastOld = ticks[i - 1].frame;
            firstNew = ticks[i].frame;
        }
    }
    ASSERT_EQ(changes, 1) << "the view should change once, for the one key press";
    EXPECT_EQ(ticks.back().look.arg("x"), "-0");
    EXPECT_NEAR(ticks.back().look.num("z"), -8.8, 1e-12);
    // The key's own frame is drawn with the old view; the next tick brings the new one.
    EXPECT_LE(firstNew - lastOld, 2)
        << "old view last in frame " << lastOld << ", new view first in frame " << firstNew;
}

TEST_F(CockpitTrace, KeepsRunningThroughAResizeToOnePixelHighWithAViewportOfHeightOne)
{
    EXPECT_TRUE(runs->traced.runningBeforeStop);
    EXPECT_EQ(runs->traced.status, 0) << "-1: still running after its window was closed";
    const e2e::Trace& trace = runs->traced.trace;
    int flatFrame = -1, backFrame = -1;
    GlCall flatProjection;
    for (const auto& frame : trace.frames) {
        const Prelude p =
            cutPrelude(e2e::callsBeforeClear(frame.second), frame.first == 1 ? kOneTimeCalls : 0);
        for (std::size_t i = 0; i < p.viewports.size(); i++) {
            const GlCall& v = p.viewports[i];
            if (v.num("height") == 1 && flatFrame < 0) {
                flatFrame = frame.first;
                flatProjection = p.projections[i];
                EXPECT_EQ(v.num("width"), 640);
                EXPECT_EQ(v.num("x"), 0);
                EXPECT_EQ(v.num("y"), 0);
            }
            if (v.num("height") == 480 && flatFrame > 0)
                backFrame = frame.first;
        }
    }
    ASSERT_GT(flatFrame, 0) << "no viewport of height 1";
    ASSERT_GT(backFrame, 0) << "no viewport of height 480 after it";
    // The aspect ratio of a window one pixel high is its width.
    const std::vector<double> m = flatProjection.numbers("m");
    ASSERT_EQ(m.size(), 16u);
    EXPECT_NEAR(m[0], 1.0 / std::tan(40.0 * kPi / 180.0) / 640.0, 1e-12);
    EXPECT_GE(trace.frameCount - backFrame, 5) << "frames drawn after the resize back";
}

// ---- Without a display -------------------------------------------------------------------------

TEST(CockpitWithoutDisplay, EndsAtOnceWithAClearMessageAndAFailureStatus)
{
    const std::string err = e2e::artifactDir() + "/cockpit-nodisplay.err";
    e2e::Process cockpit({COCKPIT_BIN}, "", "", err);
    const int status = cockpit.wait(e2e::kPatience);
    EXPECT_NE(status, -1) << "still running after " << e2e::kPatience << " s";
    EXPECT_NE(status, 0);
    const std::string text = readFile(err);
    EXPECT_NE(text.find("cockpit: cannot start"), std::string::npos) << text;
    EXPECT_NE(text.find("display"), std::string::npos) << text;
}

} // namespace
