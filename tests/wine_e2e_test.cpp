// End-to-end tests of the Windows builds of both programs (MinGW-w64), run under Wine on a
// virtual X server of their own, beside the Linux build of the cockpit:
// - the Windows cockpit draws its panel, dial and axes, prints for real key presses exactly
//   the lines that the Linux cockpit prints for the same keys, and ends with status 0 on
//   Escape;
// - the Windows ride shows its green frame, red ropes and yellow baskets in its live window
//   and ends with status 0 when the window is closed;
// - when a program has ended, no process of the Wine prefix is left once its server is
//   stopped.
//
// WINEPREFIX must name a ready Wine prefix of the caller's, which these tests stop with
// `wineserver -k` after each program. freeglut on Windows reads DISPLAY as the name of a
// display device, while Wine needs it to reach the X server, so DISPLAY is cleared in the
// Windows program's environment only: `cmd /c "set DISPLAY=&& program.exe"`.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

// The keys of the cockpit's table, a step forward 10 degrees to the left (its rotation
// takes sin and cos from each platform's C library), and a key without an action; each
// ends with the camera line.
const std::vector<std::string> kKeys = {"5", "5", "8", "2", "4", "6", "a",
                                        "a", "5", "d", "d", "x", "8"};

const double kWindowSeconds = 90.0; // a cold Wine start can be slow on a loaded machine
const double kEventSeconds = 30.0;

std::string winePrefix()
{
    const char* prefix = std::getenv("WINEPREFIX");
    return prefix != nullptr ? prefix : "";
}

// The argument list that runs the Windows program at `path` under Wine, with DISPLAY
// cleared for the program alone. Wine shows the host's root as drive Z:.
std::vector<std::string> underWine(const std::string& path)
{
    std::string windowsPath = "Z:" + path;
    for (char& c : windowsPath)
        if (c == '/')
            c = '\\';
    return {WINE64, "cmd", "/c", "set DISPLAY=&& " + windowsPath};
}

// The lines of a file, without the carriage returns that Windows programs end lines with.
std::vector<std::string> readLines(const std::string& path)
{
    std::istringstream in(e2e::readFile(path));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The number of camera lines, "(x,y,z)", among `lines`.
int cameraLines(const std::vector<std::string>& lines)
{
    int n = 0;
    for (const std::string& l : lines)
        n += l.size() > 2 && l.front() == '(' && l.back() == ')';
    return n;
}

bool exactly(const e2e::Image::Pixel& p, int r, int g, int b)
{
    return p.r == r && p.g == g && p.b == b;
}

// A picture of the window, or an empty one while the window cannot be read yet (Wine maps
// it before its first frame).
e2e::Image pictureOf(const std::string& display, const std::string& window)
{
    try {
        return e2e::screenshot(display, window);
    } catch (const std::runtime_error&) {
        return e2e::Image{};
    }
}

// Processes of the Wine prefix `prefix`: Wine's own programs (the loader and the server)
// whose environment names that prefix. Returns "pid command" for each.
std::vector<std::string> wineProcesses(const std::string& prefix)
{
    std::vector<std::string> found;
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return found;
    const std::string entry = "WINEPREFIX=" + prefix;
    while (const dirent* d = readdir(proc)) {
        const std::string pid = d->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        char exe[4096];
        const ssize_t n = readlink(("/proc/" + pid + "/exe").c_str(), exe, sizeof exe - 1);
        if (n <= 0)
            continue;
        const std::string path(exe, static_cast<std::size_t>(n));
        const std::string name = path.substr(path.rfind('/') + 1);
        if (name.rfind("wine", 0) != 0 || name.find("test") != std::string::npos)
            continue;
        const std::string env = e2e::readFile("/proc/" + pid + "/environ");
        std::istringstream vars(env);
        std::string var;
        while (std::getline(vars, var, '\0'))
            if (var == entry) {
                std::string line = pid + " ";
                for (char c : e2e::readFile("/proc/" + pid + "/cmdline"))
                    line += c == '\0' ? ' ' : c;
                found.push_back(line);
                break;
            }
    }
    closedir(proc);
    return found;
}

// Stops the prefix's Wine server, which ends the programs Wine keeps running beside a
// Windows program (services, explorer, devices), and expects them all to be gone.
void expectWineStopsCleanly()
{
    const e2e::CommandResult killed = e2e::runCommand(e2e::shellQuote(WINESERVER) + " -k 2>&1");
    EXPECT_EQ(killed.status, 0) << "wineserver -k: " << killed.out;
    std::vector<std::string> left;
    const bool gone = e2e::waitUntil(
        [&] {
            left = wineProcesses(winePrefix());
            return left.empty();
        },
        kEventSeconds);
    std::string list;
    for (const std::string& p : left)
        list += "\n  " + p;
    EXPECT_TRUE(gone) << "Wine processes of " << winePrefix() << " still run:" << list;
}

// What a run of a cockpit printed, and how it ended.
struct CockpitRun {
    std::vector<std::string> lines;
    int status = -1;
    e2e::Image picture; // the window after the last key but Escape
};

// Runs a cockpit (`argv`) on `display`: waits for its window to show the panel, then
// presses each key and waits for the camera line that ends its answer, photographs the
// window, presses Escape and waits for the end. The photograph is taken once the picture
// equals `reference`, when one is given, or else once three pictures in a row agree: the
// last move shows from the next timer tick on. Fails the test at the first thing that
// does not happen in time; `name` names the artifacts.
CockpitRun flyCockpit(const std::vector<std::string>& argv, const std::string& display,
                      const std::string& name, const e2e::Image* reference = nullptr)
{
    CockpitRun run;
    const std::string out = e2e::artifactDir() + "/" + name + ".out";
    const std::string err = e2e::artifactDir() + "/" + name + ".err";
    e2e::Process cockpit(argv, display, out, err);
    const std::string window = e2e::findWindow(display, "Aeroplane", kWindowSeconds);
    if (window.empty()) {
        ADD_FAILURE() << name << ": no window within " << kWindowSeconds << " s; stderr:\n"
                      << e2e::readFile(err);
        return run;
    }
    // The first frame: the grey panel (0.3 on 8 bits) is drawn.
    const auto panelGrey = [](const e2e::Image::Pixel& p) {
        return p.r == p.g && p.g == p.b && (p.r == 76 || p.r == 77);
    };
    if (!e2e::waitUntil([&] { return pictureOf(display, window).count(panelGrey) > 10000; },
                        kWindowSeconds)) {
        ADD_FAILURE() << name << ": the window never showed the panel";
        return run;
    }
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
        e2e::sendKey(display, window, kKeys[k]);
        const int wanted = static_cast<int>(k) + 1;
        if (!e2e::waitUntil([&] { return cameraLines(readLines(out)) >= wanted; }, kEventSeconds)) {
            ADD_FAILURE() << name << ": no camera line within " << kEventSeconds << " s of key "
                          << kKeys[k] << " (key " << wanted << ")";
            return run;
        }
    }
    e2e::Image last = pictureOf(display, window);
    int agreeing = 0;
    e2e::waitUntil(
        [&] {
            e2e::Image now = pictureOf(display, window);
            agreeing = now == last ? agreeing + 1 : 0;
            last = now;
            return reference != nullptr ? now == *reference : agreeing >= 2;
        },
        kEventSeconds);
    run.picture = last;
    e2e::screenshot(display, window, e2e::artifactDir() + "/" + name + ".png");
    // The program ends on the key press, so xdotool's key release finds no window and
    // xdotool fails: its status says nothing here, the program's does.
    e2e::runCommand("xdotool key --window " + e2e::shellQuote(window) + " Escape 2>/dev/null",
                    display);
    run.status = cockpit.wait(kEventSeconds);
    run.lines = readLines(out);
    return run;
}

class WineE2e : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(winePrefix().empty()) << "WINEPREFIX must name a ready Wine prefix";
        display = std::make_unique<e2e::VirtualDisplay>();
    }
    std::unique_ptr<e2e::VirtualDisplay> display;
};

TEST_F(WineE2e, CockpitPrintsWhatTheLinuxBuildPrintsAndEndsOnEscape)
{
    const CockpitRun onLinux = flyCockpit({COCKPIT_BIN}, display->name(), "wine-cockpit-linux");
    const CockpitRun onWindows = flyCockpit(underWine(WINDOWS_COCKPIT_EXE), display->name(),
                                            "wine-cockpit-windows", &onLinux.picture);

    ASSERT_EQ(onLinux.status, 0) << "the Linux cockpit did not end with status 0 on Escape";
    ASSERT_GE(cameraLines(onLinux.lines), static_cast<int>(kKeys.size()));
    EXPECT_EQ(onWindows.status, 0) << "the Windows cockpit did not end with status 0 on Escape";
    EXPECT_EQ(onWindows.lines, onLinux.lines);

    // The same panel, dial and axes: the Windows build draws through Wine into the same
    // Mesa renderer, so the pictures agree pixel for pixel.
    const e2e::Image& picture = onWindows.picture;
    const auto count = [&](int r, int g, int b) {
        return picture.count([=](const e2e::Image::Pixel& p) { return exactly(p, r, g, b); });
    };
    EXPECT_GT(count(51, 51, 51), 5000) << "the dial";
    EXPECT_GT(count(255, 0, 0), 50) << "the red X axis";
    EXPECT_GT(count(0, 255, 0), 50) << "the green Y axis";
    EXPECT_GT(count(0, 0, 255), 50) << "the blue Z axis";
    EXPECT_TRUE(picture == onLinux.picture)
        << "the Windows cockpit's window differs from the Linux cockpit's (see "
        << e2e::artifactDir() << "/wine-cockpit-*.png)";

    expectWineStopsCleanly();
}

TEST_F(WineE2e, RideShowsItsFrameRopesAndBasketsAndClosesCleanly)
{
    const std::string err = e2e::artifactDir() + "/wine-swingride.err";
    e2e::Process ride(underWine(WINDOWS_SWINGRIDE_EXE), display->name(), "", err);
    const std::string window = e2e::findWindow(display->name(), "Aeroplane", kWindowSeconds);
    ASSERT_FALSE(window.empty()) << "no window within " << kWindowSeconds << " s; stderr:\n"
                                 << e2e::readFile(err);

    // The same colours as the Linux build's end-to-end test counts, with the same floors:
    // the baskets are yellow for the whole first turn.
    int red = 0, green = 0, yellow = 0;
    const bool shown = e2e::waitUntil(
        [&] {
            const e2e::Image img = pictureOf(display->name(), window);
            red = img.count([](const e2e::Image::Pixel& p) { return exactly(p, 255, 0, 0); });
            green = img.count([](const e2e::Image::Pixel& p) { return exactly(p, 0, 153, 0); });
            yellow = img.count([](const e2e::Image::Pixel& p) { return exactly(p, 255, 255, 0); });
            return red > 300 && green > 2000 && yellow > 1000;
        },
        kWindowSeconds);
    e2e::screenshot(display->name(), window, e2e::artifactDir() + "/wine-swingride.png");
    EXPECT_TRUE(shown) << "the ride never showed: " << red << " red pixels (more than 300 "
                       << "wanted), " << green << " green (2000), " << yellow << " yellow (1000)";

    e2e::closeWindow(display->name(), window);
    EXPECT_EQ(ride.wait(kEventSeconds), 0) << "the ride did not end with status 0 when closed";

    expectWineStopsCleanly();
}

} // namespace
