// expected_calls.cpp: expected GL calls and their comparison with a recorded frame.
#include "expected_calls.h"

#include <cmath>
#include <sstream>

namespace e2e {

bool ExpectedCall::matches(const GlCall& call) const
{
    if (call.name != name)
        return false;
    for (const auto& w : words)
        if (call.arg(w.first) != w.second)
            return false;
    for (const auto& n : numbers)
        if (call.arg(n.first).empty() || !(std::fabs(call.num(n.first) - n.second) <= tolerance))
            return false;
    return true;
}

std::string ExpectedCall::text() const
{
    std::ostringstream s;
    s.precision(15);
    s << name << "(";
    const char* sep = "";
    for (const auto& w : words) {
        s << sep << w.first << " = " << w.second;
        sep = ", ";
    }
    for (const auto& n : numbers) {
        s << sep << n.first << " = " << n.second;
        sep = ", ";
    }
    s << ")";
    return s.str();
}

void ExpectedFrame::call(const std::string& name,
                         std::vector<std::pair<std::string, std::string>> words)
{
    calls.push_back({name, std::move(words), {}, 0.0});
}

void ExpectedFrame::color(double r, double g, double b)
{
    calls.push_back({"glColor3f", {}, {{"red", r}, {"green", g}, {"blue", b}}, 1e-6});
}

void ExpectedFrame::vertexf(double x, double y, double z)
{
    calls.push_back({"glVertex3f", {}, {{"x", x}, {"y", y}, {"z", z}}, 1e-6});
}

void ExpectedFrame::vertexd(double x, double y, double z)
{
    calls.push_back({"glVertex3d", {}, {{"x", x}, {"y", y}, {"z", z}}, 1e-9});
}

void ExpectedFrame::polygon(const std::vector<std::vector<double>>& corners)
{
    call("glBegin", {{"mode", "GL_POLYGON"}});
    for (const auto& c : corners)
        vertexd(c[0], c[1], c[2]);
    call("glEnd");
}

void ExpectedFrame::axes()
{
    const double unit[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const auto& a : unit) {
        color(a[0], a[1], a[2]);
        call("glBegin", {{"mode", "GL_LINES"}});
        vertexf(0, 0, 0);
        vertexf(50 * a[0], 50 * a[1], 50 * a[2]);
        call("glEnd");
    }
}

void ExpectedFrame::swap()
{
    call("glFlush");
    call("glXSwapBuffers");
}

std::string visualAttributes(const std::vector<GlCall>& calls)
{
    for (const GlCall& c : calls)
        if (c.name == "glXChooseFBConfig" || c.name == "glXChooseVisual")
            return c.arg("attribList");
    return "";
}

std::vector<GlCall> callsBeforeClear(const std::vector<GlCall>& frame)
{
    std::vector<GlCall> out;
    for (const GlCall& c : frame) {
        if (c.name == "glClear")
            break;
        if (c.name.rfind("glX", 0) != 0)
            out.push_back(c);
    }
    return out;
}

std::vector<GlCall> drawingCalls(const std::vector<GlCall>& frame)
{
    std::vector<GlCall> out;
    bool started = false;
    for (const GlCall& c : frame) {
        started = started || c.name == "glClear";
        if (started && (c.name.rfind("glX", 0) != 0 || c.name == "glXSwapBuffers"))
            out.push_back(c);
    }
    return out;
}

std::vector<std::string> compareCalls(int frame, const std::vector<GlCall>& got,
                                      const std::vector<ExpectedCall>& want, int most)
{
    std::vector<std::string> faults;
    if (got.size() != want.size()) {
        faults.push_back("frame " + std::to_string(frame) + ": " + std::to_string(got.size())
                         + " GL calls, expected " + std::to_string(want.size()));
        return faults;
    }
    for (std::size_t i = 0; i < want.size() && static_cast<int>(faults.size()) < most; i++)
        if (!want[i].matches(got[i]))
            faults.push_back("frame " + std::to_string(frame) + ", call " + std::to_string(i)
                             + ": got " + got[i].text() + ", expected " + want[i].text());
    return faults;
}

} // namespace e2e
