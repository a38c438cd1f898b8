// native_reference: what the native programs show and print, the reference of the browser
// test of the web build (browser_test.mjs).
//
//   web_native_reference OUT_DIR CODE...
//
// On a virtual X server of its own it photographs the swing ride, stopped after about 120
// frames (OUT_DIR/swingride.ppm, the number of frames it had shown in
// OUT_DIR/swingride.frame), and the cockpit at rest (OUT_DIR/cockpit.ppm), then sends
// the cockpit the keys whose character codes are given, each one answered by its camera
// line before the next, photographs it at rest again (OUT_DIR/cockpit-keys.ppm), sends
// Escape, and writes what the cockpit printed (OUT_DIR/cockpit.out) and its exit status
// (OUT_DIR/cockpit.status).
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "e2e/harness.h"

namespace {

// The ride is photographed about two seconds in.
const long kRideFrames = 120;

void writePpm(const e2e::Image& img, const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << img.width << " " << img.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(img.rgb.data()), static_cast<long>(img.rgb.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

// The window of a program just started; fails unless it has drawn `frames` frames.
std::string drawnWindow(const std::string& display, const e2e::FrameCounter& counter, long frames)
{
    std::string id = e2e::findWindow(display, "Aeroplane");
    if (id.empty() || !counter.waitFor(frames))
        throw std::runtime_error("the program's window did not appear or drew nothing");
    return id;
}

// Lines that start a camera position, "(x,y,z)".
int cameraLines(const std::string& text)
{
    int n = text.rfind('(', 0) == 0 ? 1 : 0;
    for (std::size_t at = text.find("\n("); at != std::string::npos; at = text.find("\n(", at + 1))
        n++;
    return n;
}

void record(const std::string& out, int codes, char** code)
{
    e2e::VirtualDisplay display;
    {
        e2e::FrameCounter counter(out + "/swingride.frames");
        e2e::Process ride(counter.wrap({SWINGRIDE_BIN}), display.name(), "",
                          out + "/swingride.err");
        const std::string id = drawnWindow(display.name(), counter, kRideFrames);
        // Stopped, the ride shows the frame it has counted, or the one before while that
        // frame's picture is still on its way to the X server.
        kill(ride.pid(), SIGSTOP);
        std::ofstream(out + "/swingride.frame") << counter.frames() << "\n";
        writePpm(e2e::screenshot(display.name(), id), out + "/swingride.ppm");
        kill(ride.pid(), SIGCONT);
    }
    const std::string printed = out + "/cockpit.out";
    e2e::FrameCounter counter(out + "/cockpit.frames");
    e2e::Process cockpit(counter.wrap({COCKPIT_BIN}), display.name(), printed,
                         out + "/cockpit.err");
    const std::string id = drawnWindow(display.name(), counter, 3);
    writePpm(e2e::restingPicture(display.name(), id, counter), out + "/cockpit.ppm");
    for (int k = 0; k < codes; k++) {
        e2e::sendKey(display.name(), id, e2e::xdotoolKey(std::stoi(code[k])));
        if (!e2e::waitUntil([&] { return cameraLines(e2e::readFile(printed)) > k; }))
            throw std::runtime_error("no camera line after key " + std::string(code[k]));
    }
    // The next tick takes the view of the last key, and the frame after it is at rest.
    counter.waitForMore(3);
    writePpm(e2e::restingPicture(display.name(), id, counter), out + "/cockpit-keys.ppm");
    // The window is gone before xdotool sends the key's release: only the status counts.
    e2e::runCommand("xdotool key --window " + e2e::shellQuote(id) + " Escape 2>/dev/null",
                    display.name());
    std::ofstream(out + "/cockpit.status") << cockpit.wait(e2e::kPatience) << "\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: web_native_reference OUT_DIR CODE...\n");
        return 2;
    }
    try {
        record(argv[1], argc - 2, argv + 2);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "web_native_reference: %s\n", e.what());
        return 1;
    }
    return 0;
}
