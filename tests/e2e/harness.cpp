// harness.cpp: virtual display, processes, windows, screenshots and traces for the
// end-to-end tests.
#include "harness.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "swapcount.h"

namespace e2e {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool waitUntil(const std::function<bool()>& done, double seconds)
{
    const auto start = Clock::now();
    while (secondsSince(start) < seconds) {
        if (done())
            return true;
        sleepMs(5);
    }
    return done();
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

namespace {

int decodeStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

std::string withDisplay(const std::string& command, const std::string& display)
{
    if (display.empty())
        return command;
    return "DISPLAY=" + shellQuote(display) + "; export DISPLAY; " + command;
}

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// Reads a binary PPM (P6, maxval 255).
Image parsePpm(const std::string& data)
{
    Image img;
    std::size_t pos = 0;
    auto nextToken = [&]() {
        while (pos < data.size()) {
            if (data[pos] == '#') {
                while (pos < data.size() && data[pos] != '\n')
                    pos++;
            } else if (std::isspace(static_cast<unsigned char>(data[pos]))) {
                pos++;
            } else {
                break;
            }
        }
        const std::size_t start = pos;
        while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos])))
            pos++;
        return data.substr(start, pos - start);
    };
    if (nextToken() != "P6")
        throw std::runtime_error("screenshot is not a binary PPM");
    img.width = std::stoi(nextToken());
    img.height = std::stoi(nextToken());
    if (std::stoi(nextToken()) != 255)
        throw std::runtime_error("screenshot is not 8 bits a channel");
    pos++; // the single whitespace before the pixels
    const std::size_t bytes = static_cast<std::size_t>(img.width) * img.height * 3;
    if (data.size() < pos + bytes)
        throw std::runtime_error("screenshot is cut short");
    img.rgb.assign(data.begin() + static_cast<long>(pos),
                   data.begin() + static_cast<long>(pos + bytes));
    return img;
}

bool isOpening(char c)
{
    return c == '{' || c == '(' || c == '[';
}

bool isClosing(char c)
{
    return c == '}' || c == ')' || c == ']';
}

// Index of the quote that ends the string opening at `quote`, past escaped characters.
std::size_t endOfQuoted(const std::string& s, std::size_t quote)
{
    for (std::size_t i = quote + 1; i < s.size(); i++) {
        if (s[i] == '\\')
            i++;
        else if (s[i] == '"')
            return i;
    }
    return s.size();
}

// Index of the bracket that closes the one at `open`, past quoted strings; npos if none.
std::size_t matchingClose(const std::string& s, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < s.size(); i++) {
        if (s[i] == '"')
            i = endOfQuoted(s, i);
        else if (isOpening(s[i]))
            depth++;
        else if (isClosing(s[i]) && --depth == 0)
            return i;
    }
    return std::string::npos;
}

// Splits "a = 1, b = {2, 3}, c = \"x, y\"" at the commas outside brackets and quotes.
std::vector<std::string> splitTopLevel(const std::string& s)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); i++) {
        if (s[i] == '"') {
            i = endOfQuoted(s, i);
        } else if (isOpening(s[i])) {
            i = matchingClose(s, i);
            if (i == std::string::npos)
                break;
        } else if (s[i] == ',') {
            parts.push_back(trim(s.substr(start, i - start)));
            start = i + 1;
        }
    }
    const std::string last = trim(s.substr(start));
    if (!last.empty())
        parts.push_back(last);
    return parts;
}

} // namespace

// ---- Commands ---------------------------------------------------------------------------

std::string shellQuote(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

CommandResult runCommand(const std::string& command, const std::string& display)
{
    CommandResult result;
    FILE* pipe = popen(withDisplay(command, display).c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run: " + command);
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    result.status = decodeStatus(pclose(pipe));
    return result;
}

// ---- Virtual display --------------------------------------------------------------------

VirtualDisplay::VirtualDisplay(int width, int height)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    m_pid = fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM); // no server is left behind if the test dies
        close(fds[0]);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    const auto start = Clock::now();
    while (secondsSince(start) < kPatience) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) > 0) {
            char c;
            const ssize_t got = read(fds[0], &c, 1);
            if (got <= 0 || c == '\n')
                break;
            number += c;
        }
    }
    close(fds[0]);
    if (number.empty()) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    }
    m_name = ":" + number;
}

VirtualDisplay::~VirtualDisplay()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    const auto start = Clock::now();
    while (waitpid(m_pid, nullptr, WNOHANG) == 0) {
        if (secondsSince(start) > 5.0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            break;
        }
        sleepMs(20);
    }
}

// ---- Processes ----------------------------------------------------------------------------

Process::Process(const std::vector<std::string>& argv, const std::string& display,
                 const std::string& stdoutPath, const std::string& stderrPath)
{
    m_pid = fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        setpgid(0, 0); // its own group, so that stop() reaches apitrace's child too
        if (display.empty())
            unsetenv("DISPLAY");
        else
            setenv("DISPLAY", display.c_str(), 1);
        if (!stdoutPath.empty()) {
            const int fd = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, STDOUT_FILENO);
        }
        if (!stderrPath.empty()) {
            const int fd = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, STDERR_FILENO);
        }
        std::vector<char*> args;
        args.reserve(argv.size() + 1);
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    setpgid(m_pid, m_pid);
}

Process::~Process()
{
    if (running())
        stop(SIGTERM, 10.0);
    if (running()) {
        kill(-m_pid, SIGKILL);
        wait(5.0);
    }
}

bool Process::running()
{
    return wait(0.0) == -1;
}

int Process::wait(double seconds)
{
    if (m_status != -1)
        return m_status;
    const auto start = Clock::now();
    for (;;) {
        int status = 0;
        const pid_t got = waitpid(m_pid, &status, WNOHANG);
        if (got == m_pid) {
            m_status = decodeStatus(status);
            return m_status;
        }
        if (got < 0 || secondsSince(start) >= seconds)
            return -1;
        sleepMs(10);
    }
}

int Process::stop(int signal, double seconds)
{
    if (m_status == -1)
        kill(-m_pid, signal);
    return wait(seconds);
}

// ---- Frame counts ---------------------------------------------------------------------------

FrameCounter::FrameCounter(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot make the frame count file " + path);
    void* at = MAP_FAILED;
    if (ftruncate(fd, sizeof(SwapRecord)) == 0)
        at = mmap(nullptr, sizeof(SwapRecord), PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (at == MAP_FAILED)
        throw std::runtime_error("cannot map the frame count file " + path);
    m_record = at;
    m_path = path;
}

FrameCounter::~FrameCounter()
{
    munmap(const_cast<void*>(m_record), sizeof(SwapRecord));
}

std::vector<std::string> FrameCounter::wrap(const std::vector<std::string>& argv) const
{
    std::vector<std::string> all = {"env", "SWAPCOUNT_OUT=" + m_path, "LD_PRELOAD=" SWAPCOUNT_LIB};
    all.insert(all.end(), argv.begin(), argv.end());
    return all;
}

long FrameCounter::frames() const
{
    const auto* r = static_cast<const SwapRecord*>(m_record);
    return static_cast<long>(__atomic_load_n(&r->swaps, __ATOMIC_ACQUIRE));
}

bool FrameCounter::waitFor(long n, double seconds) const
{
    return waitUntil([&] { return frames() >= n; }, seconds);
}

bool FrameCounter::waitForMore(long n, double seconds) const
{
    return waitFor(frames() + n, seconds);
}

double FrameCounter::drawingSeconds() const
{
    const auto* r = static_cast<const SwapRecord*>(m_record);
    if (frames() == 0)
        return 0.0;
    return static_cast<double>(__atomic_load_n(&r->lastNs, __ATOMIC_RELAXED)
                               - __atomic_load_n(&r->firstNs, __ATOMIC_RELAXED))
         / 1e9;
}

// ---- Windows ------------------------------------------------------------------------------

std::string findWindow(const std::string& display, const std::string& title, double seconds)
{
    const auto start = Clock::now();
    do {
        const CommandResult r = runCommand(
            "xdotool search --name " + shellQuote("^" + title + "$") + " 2>/dev/null", display);
        std::istringstream lines(r.out);
        std::string id;
        if (std::getline(lines, id) && !trim(id).empty())
            return trim(id);
        sleepMs(50);
    } while (secondsSince(start) < seconds);
    return "";
}

bool closeWindow(const std::string& display, const std::string& windowId)
{
    ::Display* d = XOpenDisplay(display.c_str());
    if (d == nullptr)
        return false;
    const Window w = std::stoul(windowId, nullptr, 0);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(d, w, False, NoEventMask, &event);
    XSync(d, False);
    XCloseDisplay(d);
    return sent != 0;
}

WindowInfo windowInfo(const std::string& display, const std::string& windowId)
{
    WindowInfo info;
    const CommandResult r = runCommand("xwininfo -id " + shellQuote(windowId), display);
    std::istringstream lines(r.out);
    std::string line;
    auto valueAfter = [](const std::string& l, const std::string& key, int& out) {
        const auto at = l.find(key);
        if (at != std::string::npos)
            out = std::atoi(l.c_str() + at + key.size());
    };
    while (std::getline(lines, line)) {
        const auto open = line.find("Window id:");
        if (open != std::string::npos) {
            const auto q1 = line.find('"');
            const auto q2 = line.rfind('"');
            if (q1 != std::string::npos && q2 > q1)
                info.title = line.substr(q1 + 1, q2 - q1 - 1);
        }
        valueAfter(line, "Absolute upper-left X:", info.x);
        valueAfter(line, "Absolute upper-left Y:", info.y);
        valueAfter(line, "Width:", info.width);
        valueAfter(line, "Height:", info.height);
    }
    return info;
}

Image::Pixel Image::at(int x, int y) const
{
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return Pixel{rgb[i], rgb[i + 1], rgb[i + 2]};
}

int Image::count(const std::function<bool(const Pixel&)>& pred) const
{
    int n = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            if (pred(at(x, y)))
                n++;
    return n;
}

bool Image::operator==(const Image& other) const
{
    return width == other.width && height == other.height && rgb == other.rgb;
}

Image screenshot(const std::string& display, const std::string& windowId,
                 const std::string& savePath)
{
    std::string command = "import -window " + shellQuote(windowId) + " -depth 8 ppm:-";
    if (!savePath.empty())
        command = "import -window " + shellQuote(windowId) + " " + shellQuote(savePath)
                + " && convert " + shellQuote(savePath) + " -depth 8 ppm:-";
    const CommandResult r = runCommand(command, display);
    if (r.status != 0)
        throw std::runtime_error("screenshot failed: " + command);
    return parsePpm(r.out);
}

Image restingPicture(const std::string& display, const std::string& windowId,
                     const FrameCounter& counter)
{
    Image a = screenshot(display, windowId);
    for (const auto start = Clock::now(); secondsSince(start) < kPatience;) {
        counter.waitForMore(2);
        Image b = screenshot(display, windowId);
        if (a == b)
            break;
        a = std::move(b);
    }
    return a;
}

void sendKey(const std::string& display, const std::string& windowId, const std::string& key)
{
    const CommandResult r =
        runCommand("xdotool key --window " + shellQuote(windowId) + " " + shellQuote(key), display);
    if (r.status != 0)
        throw std::runtime_error("xdotool could not send " + key);
}

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

std::string xdotoolKey(int code)
{
    switch (code) {
    case 0:
        return "ctrl+at";
    case 8:
        return "BackSpace";
    case 9:
        return "Tab";
    case 13:
        return "Return";
    case 27:
        return "Escape";
    case 28:
        return "ctrl+backslash";
    case 29:
        return "ctrl+bracketright";
    case 30:
        return "ctrl+asciicircum";
    case 31:
        return "ctrl+underscore";
    case 127:
        return "Delete";
    default:
        break;
    }
    if (code < 32)
        return std::string("ctrl+") + static_cast<char>('a' + code - 1);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%02x", code);
    // A keysym bound to a key on its own reads in lower case unless Shift is held, so the
    // upper-case Latin-1 letters go with Shift.
    if (code >= 0xC0 && code <= 0xDE && code != 0xD7)
        return std::string("shift+") + hex;
    return hex;
}

// ---- Traces -------------------------------------------------------------------------------

std::string GlCall::arg(const std::string& name) const
{
    for (const auto& a : args)
        if (a.first == name)
            return a.second;
    return "";
}

double GlCall::num(const std::string& name) const
{
    const std::string v = arg(name);
    if (v.empty())
        throw std::runtime_error("call " + text() + " has no argument " + name);
    return std::strtod(v.c_str(), nullptr);
}

std::vector<double> GlCall::numbers(const std::string& name) const
{
    const std::string v = arg(name);
    std::vector<double> out;
    const char* s = v.c_str();
    while (*s == '{' || *s == ' ')
        s++;
    while (*s != '\0' && *s != '}') {
        char* end;
        out.push_back(std::strtod(s, &end));
        if (end == s)
            break;
        s = end;
        while (*s == ',' || *s == ' ')
            s++;
    }
    return out;
}

std::string GlCall::text() const
{
    std::string s = std::to_string(no) + " " + name + "(";
    for (std::size_t i = 0; i < args.size(); i++)
        s += (i ? ", " : "") + args[i].first + " = " + args[i].second;
    s += ")";
    if (!ret.empty())
        s += " = " + ret;
    return s;
}

bool parseCallLine(const std::string& line, GlCall& call)
{
    std::size_t pos = 0;
    while (pos < line.size() && std::isdigit(static_cast<unsigned char>(line[pos])))
        pos++;
    if (pos == 0 || pos >= line.size() || line[pos] != ' ')
        return false;
    call = GlCall();
    call.no = std::atol(line.c_str());
    const auto open = line.find('(', pos);
    if (open == std::string::npos)
        return false;
    call.name = line.substr(pos + 1, open - pos - 1);
    const std::size_t close = matchingClose(line, open);
    if (close == std::string::npos)
        return false;
    for (const std::string& part : splitTopLevel(line.substr(open + 1, close - open - 1))) {
        const auto eq = part.find(" = ");
        if (eq == std::string::npos)
            call.args.emplace_back("", part);
        else
            call.args.emplace_back(part.substr(0, eq), part.substr(eq + 3));
    }
    std::string rest = line.substr(close + 1);
    const auto comment = rest.find(" //");
    if (comment != std::string::npos)
        rest = rest.substr(0, comment);
    if (rest.rfind(" = ", 0) == 0)
        call.ret = trim(rest.substr(3));
    return true;
}

const std::vector<GlCall>& Trace::frame(int k) const
{
    static const std::vector<GlCall> none;
    for (const auto& f : frames)
        if (f.first == k)
            return f.second;
    return none;
}

Trace readTrace(const std::string& tracePath, const std::function<bool(int)>& keep)
{
    Trace trace;
    const std::string command = "apitrace dump --color=never --call-nos=yes --arg-names=yes "
                                "--multiline=no "
                              + shellQuote(tracePath);
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run apitrace dump");
    char* buf = nullptr;
    std::size_t cap = 0;
    ssize_t len;
    int current = 1;
    bool keeping = keep(current);
    std::vector<GlCall> calls;
    GlCall call;
    while ((len = getline(&buf, &cap, pipe)) > 0) {
        std::string line(buf, static_cast<std::size_t>(len));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        const bool swap = line.find("glXSwapBuffers(") != std::string::npos;
        if (!keeping && !swap)
            continue;
        if (line.size() >= 7 && line.compare(line.size() - 7, 7, "// fake") == 0)
            continue;
        if (!parseCallLine(line, call))
            continue;
        if (keeping)
            calls.push_back(call);
        if (swap) {
            if (keeping)
                trace.frames.emplace_back(current, std::move(calls));
            calls.clear();
            trace.frameCount = current;
            current++;
            keeping = keep(current);
        }
    }
    std::free(buf);
    pclose(pipe);
    return trace;
}

std::string artifactDir()
{
    const char* env = std::getenv("E2E_ARTIFACT_DIR");
    std::string dir = env != nullptr ? env : "e2e-artifacts";
    mkdir(dir.c_str(), 0755);
    return dir;
}

} // namespace e2e
