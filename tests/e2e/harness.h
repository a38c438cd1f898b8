// harness.h: what the end-to-end tests need to run the real programs the way a user
// would: a virtual X server, the program in a real window, its GL calls as apitrace
// records them, screenshots of the live window and key presses sent to it.
#ifndef E2E_HARNESS_H
#define E2E_HARNESS_H

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

/// How long a test waits for something that comes at once on an idle machine (a window,
/// a printed line, a few frames, a process's end) before it calls it missing. Generous on
/// purpose: on a loaded machine things come late, and a wait that ends early costs
/// nothing, so only a real fault ever reaches the deadline.
constexpr double kPatience = 60.0;

/// Seconds on the steady clock since `start`.
double secondsSince(std::chrono::steady_clock::time_point start);

/// Sleeps for `ms` milliseconds.
void sleepMs(int ms);

/// Asks `done` every few milliseconds until it holds (true) or `seconds` have passed
/// (false, after one last look).
bool waitUntil(const std::function<bool()>& done, double seconds = kPatience);

/// The whole content of the file at `path`; empty when it cannot be read.
std::string readFile(const std::string& path);

/// Output and exit status of a shell command.
struct CommandResult {
    int status = -1; // exit status, or 128 + signal number
    std::string out; // standard output
};

/// Runs `command` with /bin/sh, with DISPLAY set to `display` when it is not empty.
CommandResult runCommand(const std::string& command, const std::string& display = "");

/// Quotes a word for /bin/sh.
std::string shellQuote(const std::string& word);

/// An Xvfb server on a display number that nobody else uses, stopped by its process id
/// when the object goes.
class VirtualDisplay
{
public:
    explicit VirtualDisplay(int width = 1024, int height = 768);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    /// The display name, ":N".
    const std::string& name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

/// A program started in the background on a display; ended by SIGTERM when the object
/// goes if it is still running.
class Process
{
public:
    /// Starts `argv` with DISPLAY set to `display` (unset when empty). Standard output
    /// goes to `stdoutPath` when it is given, standard error to `stderrPath` likewise.
    Process(const std::vector<std::string>& argv, const std::string& display,
            const std::string& stdoutPath = "", const std::string& stderrPath = "");
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return m_pid; }
    /// True while the process has not ended.
    bool running();
    /// Waits up to `seconds` for the process to end; returns its exit status (128 + the
    /// signal number when a signal ended it), or -1 if it is still running.
    int wait(double seconds);
    /// Sends `signal`, then waits up to `seconds`; returns what wait() returns.
    int stop(int signal, double seconds);

private:
    pid_t m_pid = -1;
    int m_status = -1;
};

/// Counts the frames a program shows: started through wrap(), the program runs with the
/// swapcount preload library, which keeps its count of buffer swaps in a file that this
/// object maps and reads while the program runs and after it has ended.
class FrameCounter
{
public:
    /// Makes the count file at `path`, zeroed.
    explicit FrameCounter(const std::string& path);
    ~FrameCounter();
    FrameCounter(const FrameCounter&) = delete;
    FrameCounter& operator=(const FrameCounter&) = delete;

    /// `argv` behind env with the preload library and the count file set, so that the
    /// process id of what runs is still the program's.
    std::vector<std::string> wrap(const std::vector<std::string>& argv) const;
    /// Buffer swaps so far: the frames shown.
    long frames() const;
    /// Waits until at least `n` frames have been shown; false when `seconds` pass first.
    bool waitFor(long n, double seconds = kPatience) const;
    /// Waits for `n` more frames than have been shown so far.
    bool waitForMore(long n, double seconds = kPatience) const;
    /// Seconds from the first swap to the latest.
    double drawingSeconds() const;

private:
    const void* m_record = nullptr;
    std::string m_path;
};

/// Finds the top-level window titled exactly `title`; returns its id, or "" if none
/// appears within `seconds`.
std::string findWindow(const std::string& display, const std::string& title,
                       double seconds = kPatience);

/// Asks the window to close the way a window manager's close button does: a
/// WM_DELETE_WINDOW message. False if the message could not be sent.
bool closeWindow(const std::string& display, const std::string& windowId);

/// Geometry and title of a window, as xwininfo reports them.
struct WindowInfo {
    std::string title;
    int x = -1, y = -1, width = -1, height = -1;
};
WindowInfo windowInfo(const std::string& display, const std::string& windowId);

/// An RGB picture of a window.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb; // row by row from the top, three bytes a pixel

    struct Pixel {
        int r, g, b;
    };
    Pixel at(int x, int y) const;
    /// Number of pixels for which `pred` holds.
    int count(const std::function<bool(const Pixel&)>& pred) const;
    bool operator==(const Image& other) const;
};

/// Takes a screenshot of the live window with ImageMagick's import, saves it as PNG at
/// `savePath` (when given) and returns its pixels.
Image screenshot(const std::string& display, const std::string& windowId,
                 const std::string& savePath = "");

/// Screenshots of the live window two frames apart, until two agree: the picture at rest
/// (the last one taken when `kPatience` runs out first).
Image restingPicture(const std::string& display, const std::string& windowId,
                     const FrameCounter& counter);

/// Sends a key to the window with xdotool (a keysym name such as "5" or "Escape").
void sendKey(const std::string& display, const std::string& windowId, const std::string& key);

/// Gives every Latin-1 keysym from 0x80 up that no key of `display` carries on its first
/// two levels a key of its own, taken from the keys that carry only XFree86 keysyms or
/// nothing: each lower-case letter with its capital as the shifted level. Call it before
/// sending such keys. xdotool types a keysym that no key carries by binding it to a spare
/// key just for the press and unbinding it at once, and a program that reads the press
/// after the unbinding (as a busy one can) finds no character and drops the key. Returns
/// how many keysyms were bound.
int bindLatin1Keysyms(const std::string& display);

/// The xdotool key that makes a program read the character `code` (0 to 255): control
/// codes through Control or their own keys, everything else through its Latin-1 keysym,
/// the upper-case Latin-1 letters with Shift.
std::string xdotoolKey(int code);

/// One GL call of a trace, as apitrace dump prints it.
struct GlCall {
    long no = 0;
    std::string name;
    std::vector<std::pair<std::string, std::string>> args; // name and printed value
    std::string ret;                                       // printed return value

    /// The printed value of argument `arg`; "" if the call has no such argument.
    std::string arg(const std::string& arg) const;
    /// The value of argument `arg` read as a number.
    double num(const std::string& arg) const;
    /// The numbers of an array argument printed as {a, b, ...}, such as a matrix.
    std::vector<double> numbers(const std::string& arg) const;
    /// The call as dump printed it, for failure messages.
    std::string text() const;
};

/// The calls of a trace cut into frames at every buffer swap: frame k (from 1) holds
/// the calls after swap k-1 up to and including swap k. Calls after the last swap are
/// left out. Only the frames asked for are kept; all of them are counted.
struct Trace {
    int frameCount = 0;
    std::vector<std::pair<int, std::vector<GlCall>>> frames; // frame number, its calls
    /// The calls of frame `k`; fails the caller's test through an empty list if it was
    /// not kept.
    const std::vector<GlCall>& frame(int k) const;
};

/// Reads `tracePath` with apitrace dump, keeping the frames for which `keep` holds.
/// Calls that apitrace adds itself (marked "fake") are left out.
Trace readTrace(const std::string& tracePath, const std::function<bool(int)>& keep);

/// Parses one line of apitrace dump; false if it is not a call.
bool parseCallLine(const std::string& line, GlCall& call);

/// A folder for what the tests leave to look at (screenshots, traces), made if missing.
std::string artifactDir();

} // namespace e2e

#endif // E2E_HARNESS_H
