// A key storm on the real cockpit: thousands of random keys over every character code
// but Escape, sent as fast as the X server takes them. The program must keep running,
// answer every key as its key table says, end where those keys put the camera, and still
// end with status 0 on Escape.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cockpit_keys_model.h"
#include "e2e/harness.h"

namespace {

using Clock = std::chrono::steady_clock;
using e2e::secondsSince;

const unsigned kSeed = 20240607;
const int kKeys = 10000;
const int kBatch = 500; // keys per xdotool run

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int cameraLines(const std::vector<std::string>& lines)
{
    int n = 0;
    for (const std::string& l : lines)
        n += !l.empty() && l[0] == '(';
    return n;
}

TEST(CockpitKeyStorm, AnswersThousandsOfRandomKeysAsTheKeyTableSaysAndEndsOnEscape)
{
    e2e::VirtualDisplay display;
    const int bound = e2e::bindLatin1Keysyms(display.name());
    const std::string dir = e2e::artifactDir();
    const std::string outPath = dir + "/cockpit-keystorm.out";
    e2e::FrameCounter counter(dir + "/cockpit-keystorm.frames");
    e2e::Process cockpit(counter.wrap({COCKPIT_BIN}), display.name(), outPath,
                         dir + "/cockpit-keystorm.err");
    const std::string id = e2e::findWindow(display.name(), "Aeroplane");
    ASSERT_FALSE(id.empty()) << "the cockpit window did not appear";

    // Character codes 0 to 255 without Escape, drawn from a fixed seed.
    std::mt19937 generator(kSeed);
    std::vector<int> codes;
    for (int i = 0; i < kKeys; i++) {
        const int code = static_cast<int>(generator() % 255);
        codes.push_back(code < 27 ? code : code + 1);
    }

    // Each batch goes to the window in one xdotool run without a pause between keys; the
    // next batch waits until every key so far has had its camera line.
    const auto start = Clock::now();
    int sent = 0, answered = 0;
    while (sent < kKeys) {
        const int end = std::min(sent + kBatch, kKeys);
        std::string command = "xdotool key --window " + e2e::shellQuote(id) + " --delay 0";
        for (int i = sent; i < end; i++)
            command += " " + e2e::shellQuote(e2e::xdotoolKey(codes[i]));
        // Without a window manager xdotool complains on every key that the focus is
        // PointerRoot; only its status counts.
        const e2e::CommandResult r = e2e::runCommand(command + " 2>/dev/null", display.name());
        ASSERT_EQ(r.status, 0) << "xdotool failed on keys " << sent << " to " << end - 1;
        sent = end;
        e2e::waitUntil([&] {
            answered = cameraLines(readLines(outPath));
            return answered >= sent || !cockpit.running();
        });
        ASSERT_EQ(answered, sent) << "camera lines after " << sent << " keys";
    }
    const double seconds = secondsSince(start);
    // Still drawing after the storm.
    EXPECT_TRUE(counter.waitForMore(1)) << "no frame drawn after the storm";
    EXPECT_TRUE(cockpit.running()) << "the cockpit ended during the storm";

    // Escape prints nothing and ends the program. The window is gone before xdotool
    // sends the key's release, so only the program's status counts.
    e2e::runCommand("xdotool key --window " + e2e::shellQuote(id) + " Escape 2>/dev/null",
                    display.name());
    EXPECT_EQ(cockpit.wait(e2e::kPatience), 0) << "status after Escape (-1: still running)";

    std::vector<std::string> want;
    cockpit_model::Camera model;
    for (int code : codes)
        for (const std::string& line :
             cockpit_model::linesForKey(static_cast<unsigned char>(code), model))
            want.push_back(line);
    const std::vector<std::string> got = readLines(outPath);
    std::printf("seed %u: %d keys sent in %.2f s (%.0f keys/s), %d camera lines, %d keysyms "
                "bound; last camera line %s, expected %s\n",
                kSeed, sent, seconds, sent / seconds, cameraLines(got), bound,
                got.empty() ? "(none)" : got.back().c_str(), model.line().c_str());
    EXPECT_EQ(cameraLines(got), kKeys);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), model.line()) << "the last camera line";
    EXPECT_EQ(got.size(), want.size()) << "lines printed";
    for (std::size_t i = 0; i < std::min(got.size(), want.size()); i++)
        if (got[i] != want[i]) {
            ADD_FAILURE() << "line " << i + 1 << " is \"" << got[i] << "\", the key table says \""
                          << want[i] << "\"";
            break;
        }
}

} // namespace
