// End-to-end tests of the swingride program: the real binary in a virtual X server,
// its GL calls recorded by apitrace, its window read by xwininfo and photographed live.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "e2e/expected_calls.h"
#include "e2e/harness.h"

namespace {

using e2e::GlCall;

// ---- The scene as it should be, from closed-form formulas --------------------------------

struct P3 {
    double x, y, z;
};

const double kPi = 3.141592653589793;
const double kDeg = kPi / 180.0;

P3 rotX(P3 p, double t)
{
    return {p.x, p.y * std::cos(t) - p.z * std::sin(t), p.y * std::sin(t) + p.z * std::cos(t)};
}

P3 rotY(P3 p, double t)
{
    return {p.x * std::cos(t) + p.z * std::sin(t), p.y, -p.x * std::sin(t) + p.z * std::cos(t)};
}

// Point k of a ring of radius R at height y, running from +X towards -Z.
P3 ringPoint(double R, double y, int k)
{
    const double a = k * 2 * kPi / 360;
    return {R * std::cos(a), y, -R * std::sin(a)};
}

// Rope p (pointing +Z, -X, -Z, +X) after `frames` turns of one degree.
double ropeTurn(int p, int frames)
{
    const double start[4] = {0.0, 270.0, 180.0, 90.0};
    return (start[p] + frames) * kDeg;
}

P3 hang(P3 local, int p, int frames)
{
    P3 w = rotY(rotX(local, 40 * kDeg), ropeTurn(p, frames));
    w.y += 90;
    return w;
}

P3 ropePoint(int p, bool lower, int j, int frames)
{
    const double a = j * 2 * kPi / 360;
    return hang({0.5 * std::cos(a), 0.5 * std::sin(a), lower ? 70.0 : 0.0}, p, frames);
}

P3 cubeCorner(int p, bool farFace, int k, int frames)
{
    const P3 nearCorners[4] = {{0, 0, 0}, {5, 0, 5}, {0, 0, 10}, {-5, 0, 5}};
    P3 c = nearCorners[k];
    if (farFace)
        c.y = 5;
    c = rotX(c, 45 * kDeg);
    c.z += 70;
    return hang(c, p, frames);
}

std::vector<double> xyz(const P3& p)
{
    return {p.x, p.y, p.z};
}

// A whole frame of the ride after `frames` turns, with the baskets in colour (r, g, b).
std::vector<e2e::ExpectedCall> expectedFrame(int frames, double r, double g, double b)
{
    e2e::ExpectedFrame f;
    f.call("glClear", {{"mask", "GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT"}});
    f.call("glPolygonMode", {{"face", "GL_FRONT_AND_BACK"}, {"mode", "GL_LINE"}});
    f.axes();
    f.color(0, 0.6, 0);
    const double radius[5] = {20, 20, 3, 3, 10};
    const double height[5] = {0, 10, 10, 80, 80};
    const int bands[3][2] = {{0, 1}, {2, 3}, {1, 2}};
    auto ring = [&](int i, int k) { return xyz(ringPoint(radius[i], height[i], k)); };
    for (const auto& band : bands)
        for (int j = 0; j < 360; j++) {
            const int n = (j + 1) % 360;
            f.polygon({ring(band[0], j), ring(band[0], n), ring(band[1], n), ring(band[1], j)});
        }
    for (int j = 0; j < 360; j++)
        f.polygon({ring(4, j), ring(4, (j + 1) % 360), {0, 90, 0}});
    for (int p = 0; p < 4; p++) {
        f.color(1, 0, 0);
        for (int j = 0; j < 359; j++)
            f.polygon({xyz(ropePoint(p, false, j, frames)), xyz(ropePoint(p, false, j + 1, frames)),
                       xyz(ropePoint(p, true, j + 1, frames)), xyz(ropePoint(p, true, j, frames))});
    }
    f.call("glPolygonMode", {{"face", "GL_FRONT_AND_BACK"}, {"mode", "GL_FILL"}});
    f.color(r, g, b);
    const int sides[6][4][2] = {{{0, 0}, {0, 1}, {0, 2}, {0, 3}}, {{1, 0}, {1, 1}, {1, 2}, {1, 3}},
                                {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 1}, {1, 1}, {1, 2}, {0, 2}},
                                {{0, 2}, {1, 2}, {1, 3}, {0, 3}}, {{0, 3}, {1, 3}, {1, 0}, {0, 0}}};
    for (int p = 0; p < 4; p++)
        for (const auto& side : sides) {
            std::vector<std::vector<double>> corners;
            for (const auto& c : side)
                corners.push_back(xyz(cubeCorner(p, c[0] == 1, c[1], frames)));
            f.polygon(corners);
        }
    f.call("glPolygonMode", {{"face", "GL_FRONT_AND_BACK"}, {"mode", "GL_LINE"}});
    f.swap();
    return f.calls;
}

// Compares a recorded frame call for call with the expected one.
void expectCalls(int frame, const std::vector<GlCall>& recorded,
                 const std::vector<e2e::ExpectedCall>& want)
{
    ASSERT_FALSE(recorded.empty()) << "frame " << frame << " was not recorded";
    for (const std::string& fault : e2e::compareCalls(frame, e2e::drawingCalls(recorded), want))
        ADD_FAILURE() << fault;
}

// The colours the baskets take: three numbers from the standard generator seeded with 0.
struct Rgb {
    float r, g, b;
};
Rgb basketColour(int change)
{
    srand(0);
    Rgb c{1.0f, 1.0f, 0.0f};
    for (int i = 0; i < change; i++) {
        c.r = static_cast<float>((rand() % 100) / 100.0);
        c.g = static_cast<float>((rand() % 100) / 100.0);
        c.b = static_cast<float>((rand() % 100) / 100.0);
    }
    return c;
}

// ---- One recorded run, shared by the tests ------------------------------------------------

// The run is recorded until frame 361, the one after the first colour change, is whole in
// the trace, and a screenshot is taken at frame 120, about two seconds in.
const long kLastFrame = 361;
const long kScreenshotFrame = 120;

struct RecordedRun {
    std::unique_ptr<e2e::VirtualDisplay> display;
    e2e::WindowInfo window;
    e2e::Image early; // a screenshot at frame 120
    e2e::Trace trace;
    long framesShown = 0; // frames counted when the window was closed
    int exitStatus = -1;  // after the window was closed
};

RecordedRun* run = nullptr;

class SwingRide : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        run = new RecordedRun;
        run->display = std::make_unique<e2e::VirtualDisplay>();
        const std::string dir = e2e::artifactDir();
        const std::string tracePath = dir + "/swingride.trace";
        std::remove(tracePath.c_str());
        {
            e2e::FrameCounter counter(dir + "/swingride.frames");
            e2e::Process ride(counter.wrap({"apitrace", "trace", "-o", tracePath, SWINGRIDE_BIN}),
                              run->display->name(), dir + "/swingride.out", dir + "/swingride.err");
            const std::string id = e2e::findWindow(run->display->name(), "Aeroplane");
            if (!id.empty()) {
                run->window = e2e::windowInfo(run->display->name(), id);
                if (counter.waitFor(kScreenshotFrame))
                    run->early = e2e::screenshot(run->display->name(), id, dir + "/swingride.png");
                // The swap that ends frame 361 is in the trace once 361 swaps are counted.
                counter.waitFor(kLastFrame, 10 * e2e::kPatience);
                // Closing the window ends the ride normally, so apitrace finishes the trace.
                e2e::closeWindow(run->display->name(), id);
                run->exitStatus = ride.wait(e2e::kPatience);
            }
            run->framesShown = counter.frames();
        }
        run->trace =
            e2e::readTrace(tracePath, [](int k) { return k <= 3 || (k >= 358 && k <= 362); });
    }
    static void TearDownTestSuite()
    {
        delete run;
        run = nullptr;
    }
};

// ---- Window -------------------------------------------------------------------------------

TEST_F(SwingRide, OpensOneWindowTitledAeroplane640By480At50_50AndEndsWhenItIsClosed)
{
    EXPECT_EQ(run->exitStatus, 0) << "-1: still running after its window was closed";
    EXPECT_EQ(run->window.title, "Aeroplane");
    EXPECT_EQ(run->window.width, 640);
    EXPECT_EQ(run->window.height, 480);
    EXPECT_EQ(run->window.x, 50);
    EXPECT_EQ(run->window.y, 50);
}

TEST_F(SwingRide, AsksForADoubleBufferedRgbVisualWithoutDepthOrStencil)
{
    const std::vector<GlCall>& first = run->trace.frame(1);
    ASSERT_FALSE(first.empty()) << "no frame was recorded";
    const std::string attribs = e2e::visualAttributes(first);
    ASSERT_FALSE(attribs.empty()) << "no visual was chosen through GLX";
    EXPECT_NE(attribs.find("GLX_DOUBLEBUFFER, True"), std::string::npos) << attribs;
    EXPECT_NE(attribs.find("GLX_RED_SIZE"), std::string::npos) << attribs;
    EXPECT_EQ(attribs.find("GLX_DEPTH_SIZE"), std::string::npos) << attribs;
    EXPECT_EQ(attribs.find("GLX_STENCIL_SIZE"), std::string::npos) << attribs;
}

// ---- One-time state, projection and camera -------------------------------------------------

TEST_F(SwingRide, SetsItsStateOnceThenViewportProjectionAndCamera)
{
    const std::vector<GlCall> setup = e2e::callsBeforeClear(run->trace.frame(1));
    ASSERT_EQ(setup.size(), 11u) << "calls before the first frame";
    EXPECT_EQ(setup[0].text().substr(setup[0].text().find(' ') + 1),
              "glClearColor(red = 0, green = 0, blue = 0, alpha = 1)");
    EXPECT_EQ(setup[1].arg("mode"), "GL_FLAT");
    EXPECT_EQ(setup[2].name + " " + setup[2].arg("cap"), "glEnable GL_DEPTH_TEST");
    EXPECT_EQ(setup[3].name, "glViewport");
    EXPECT_EQ(setup[3].num("width"), 640);
    EXPECT_EQ(setup[3].num("height"), 480);
    EXPECT_EQ(setup[4].arg("mode"), "GL_PROJECTION");
    EXPECT_EQ(setup[5].name, "glLoadIdentity");

    // gluPerspective(80, 640/480 in float, 0.1 in float, 300) as GLU multiplies it in.
    ASSERT_EQ(setup[6].name, "glMultMatrixd");
    const double aspect = static_cast<float>(640.0f / 480.0f);
    const double nearZ = 0.1f, farZ = 300.0;
    const double f = 1.0 / std::tan(40 * kDeg);
    const double m[16] = {f / aspect,
                          0,
                          0,
                          0,
                          0,
                          f,
                          0,
                          0,
                          0,
                          0,
                          -(farZ + nearZ) / (farZ - nearZ),
                          -1,
                          0,
                          0,
                          -2 * nearZ * farZ / (farZ - nearZ),
                          0};
    const std::vector<double> got = setup[6].numbers("m");
    ASSERT_EQ(got.size(), 16u);
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(got[i], m[i], 1e-12) << "projection element " << i;
    // A near plane of exactly 0.1 would give -0.2000666888962987 here.
    EXPECT_NEAR(got[14], -0.2000666918785188, 1e-13);

    EXPECT_EQ(setup[7].arg("mode"), "GL_MODELVIEW");
    EXPECT_EQ(setup[8].name, "glLoadIdentity");
    // gluLookAt from (-100, 100, 100) towards (0, 5, 0): a rotation, then the eye moved
    // to the origin.
    EXPECT_EQ(setup[9].name, "glMultMatrixf");
    EXPECT_EQ(setup[10].name, "glTranslated");
    EXPECT_EQ(setup[10].num("x"), 100);
    EXPECT_EQ(setup[10].num("y"), -100);
    EXPECT_EQ(setup[10].num("z"), -100);
    const P3 eye{-100, 100, 100}, centre{0, 5, 0};
    const P3 d{centre.x - eye.x, centre.y - eye.y, centre.z - eye.z};
    const double len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    // The third column of the rotation is minus the viewing direction.
    const std::vector<double> lm = setup[9].numbers("m");
    ASSERT_EQ(lm.size(), 16u);
    EXPECT_NEAR(lm[2], -d.x / len, 1e-6);
    EXPECT_NEAR(lm[6], -d.y / len, 1e-6);
    EXPECT_NEAR(lm[10], -d.z / len, 1e-6);
}

// ---- Frames -------------------------------------------------------------------------------

TEST_F(SwingRide, DrawsFramesOneAndTwoCallForCallTurnedOneDegreeEach)
{
    for (int frame : {1, 2, 3})
        expectCalls(frame, run->trace.frame(frame), expectedFrame(frame, 1.0, 1.0, 0.0));
}

TEST_F(SwingRide, ChangesTheBasketColourInFrame360FromTheSeededGenerator)
{
    ASSERT_GE(run->trace.frameCount, kLastFrame)
        << run->trace.frameCount << " frames in the trace, " << run->framesShown << " shown";
    const Rgb yellow = basketColour(0), next = basketColour(1);
    expectCalls(359, run->trace.frame(359), expectedFrame(359, yellow.r, yellow.g, yellow.b));
    expectCalls(360, run->trace.frame(360), expectedFrame(360, next.r, next.g, next.b));
    expectCalls(361, run->trace.frame(361), expectedFrame(361, next.r, next.g, next.b));
}

// ---- Pixels -------------------------------------------------------------------------------

TEST_F(SwingRide, ShowsTheAxesTheGreenFrameTheRedRopesAndTheYellowBoxes)
{
    const e2e::Image& img = run->early;
    ASSERT_EQ(img.width, 640);
    ASSERT_EQ(img.height, 480);
    auto exactly = [](int r, int g, int b) {
        return [=](const e2e::Image::Pixel& p) { return p.r == r && p.g == g && p.b == b; };
    };
    // The green Y axis runs up inside the pole, whose wire frame hides it.
    EXPECT_GT(img.count(exactly(0, 0, 255)), 30) << "the blue Z axis";
    EXPECT_GT(img.count(exactly(255, 0, 0)), 300) << "the red X axis and ropes";
    EXPECT_GT(img.count(exactly(0, 153, 0)), 2000) << "the green wire frame";
    EXPECT_GT(img.count(exactly(255, 255, 0)), 1000) << "the yellow boxes";
}

// ---- Without a display ----------------------------------------------------------------------

TEST(SwingRideWithoutDisplay, EndsAtOnceWithAClearMessageAndAFailureStatus)
{
    const std::string err = e2e::artifactDir() + "/swingride-nodisplay.err";
    e2e::Process ride({SWINGRIDE_BIN}, "", "", err);
    const int status = ride.wait(e2e::kPatience);
    EXPECT_NE(status, -1) << "still running after " << e2e::kPatience << " s";
    EXPECT_NE(status, 0);
    const std::string text = e2e::runCommand("cat " + e2e::shellQuote(err)).out;
    EXPECT_NE(text.find("swingride: cannot start"), std::string::npos) << text;
    EXPECT_NE(text.find("display"), std::string::npos) << text;
}

} // namespace
