// A key storm on the real cockpit: thousands of random keys over every character code
// but Escape, sent as fast as the X server takes them. The program must keep running,
// answer every key as its key table says, end where those keys put the camera, and still
// end with status 0 on Escape.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
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

// xdotool types a keysym that no key carries by binding it to a spare key just for the
// press and unbinding it at once; when keys come quickly the program can read the press
// after the unbinding, find no character and drop it. So every Latin-1 keysym from 0x80
// up that no key carries on its first two levels gets a key of its own before the
// program starts, taken from the keys that carry only XFree86 keysyms or nothing: each
// lower-case letter with its capital as the shifted level. Returns how many were bound.
int bindLatin1Keysyms(const std::string& display)
{
    Display* d = XOpenDisplay(display.c_str());
    if (d == nullptr)
        throw std::runtime_error("cannot open " + display + " to bind the Latin-1 keysyms");
    int minCode = 0, maxCode = 0, perKey = 0;
    XDisplayKeycodes(d, &minCode, &maxCode);
    KeySym* map =
        XGetKeyboardMapping(d, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perKey);
    auto sym = [&](int code, int level) { return map[(code - minCode) * perKey + level]; };
    std::vector<int> spare;
    for (int code = minCode; code <= maxCode; code++) {
        bool free = true;
        for (int level = 0; level < perKey; level++)
            free = free && (sym(code, level) == NoSymbol || (sym(code, level) >> 16) == 0x1008);
        if (free)
            spare.push_back(code);
    }
    auto onAKey = [&](KeySym s) {
        for (int code = minCode; code <= maxCode; code++)
            if (sym(code, 0) == s || (perKey > 1 && sym(code, 1) == s))
                return true;
        return false;
    };
    std::size_t next = 0;
    int bound = 0;
    for (KeySym s = 0x80; s <= 0xFF; s++) {
        const bool capital = s >= 0xC0 && s <= 0xDE && s != 0xD7;
        const bool small = s >= 0xE0 && s <= 0xFE && s != 0xF7;
        if (capital || onAKey(s))
            continue; // a capital goes with its small letter
        if (next == spare.size()) {
            XFree(map);
            XCloseDisplay(d);
            throw std::runtime_error("no spare key left to bind a Latin-1 keysym to");
        }
        KeySym levels[2] = {s, small ? s - 0x20 : s};
        XChangeKeyboardMapping(d, spare[next++], 2, levels, 1);
        bound++;
    }
    XSync(d, False);
    XFree(map);
    XCloseDisplay(d);
    return bound;
}

TEST(CockpitKeyStorm, AnswersThousandsOfRandomKeysAsTheKeyTableSaysAndEndsOnEscape)
{
    e2e::VirtualDisplay display;
    const int bound = bindLatin1Keysyms(display.name());
    const std::string dir = e2e::artifactDir();
    const std::string outPath = dir + "/cockpit-keystorm.out";
    e2e::Process cockpit({COCKPIT_BIN}, display.name(), outPath, dir + "/cockpit-keystorm.err");
    const std::string id = e2e::findWindow(display.name(), "Aeroplane", 20.0);
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
        const auto waited = Clock::now();
        while ((answered = cameraLines(readLines(outPath))) < sent && secondsSince(waited) < 20.0
               && cockpit.running())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_EQ(answered, sent) << "camera lines after " << sent << " keys";
    }
    const double seconds = secondsSince(start);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(cockpit.running()) << "the cockpit ended during the storm";

    // Escape prints nothing and ends the program. The window is gone before xdotool
    // sends the key's release, so only the program's status counts.
    e2e::runCommand("xdotool key --window " + e2e::shellQuote(id) + " Escape 2>/dev/null",
                    display.name());
    EXPECT_EQ(cockpit.wait(10.0), 0) << "status after Escape (-1: still running)";

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
