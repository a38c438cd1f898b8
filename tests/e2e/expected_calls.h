// expected_calls.h: GL calls as a test expects them, and their comparison, call for
// call, with the calls that apitrace recorded.
#ifndef E2E_EXPECTED_CALLS_H
#define E2E_EXPECTED_CALLS_H

#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace e2e {

/// A call as it should be: its name, the arguments printed as words (enums, masks),
/// and numeric arguments compared within a tolerance.
struct ExpectedCall {
    std::string name;
    std::vector<std::pair<std::string, std::string>> words;
    std::vector<std::pair<std::string, double>> numbers;
    double tolerance = 0.0;

    bool matches(const GlCall& call) const;
    std::string text() const;
};

/// Builds the expected calls of a frame in order.
class ExpectedFrame
{
public:
    std::vector<ExpectedCall> calls;

    void call(const std::string& name, std::vector<std::pair<std::string, std::string>> words = {});
    /// glColor3f, compared to single precision.
    void color(double r, double g, double b);
    /// glVertex3f, compared to single precision.
    void vertexf(double x, double y, double z);
    /// glVertex3d, compared within 1e-9 scene units.
    void vertexd(double x, double y, double z);
    /// One GL_POLYGON begin/end pair with its glVertex3d corners.
    void polygon(const std::vector<std::vector<double>>& corners);
    /// The world axes: three GL_LINES pairs from the origin to 50 along +X, +Y, +Z in red,
    /// green and blue, with single-precision vertices.
    void axes();
    /// What glutSwapBuffers records: a flush, then the swap.
    void swap();
};

/// The attribute list with which GLUT chose its visual (glXChooseFBConfig or
/// glXChooseVisual) among `calls`, as dump prints it; "" if none was chosen.
std::string visualAttributes(const std::vector<GlCall>& calls);

/// The calls of a frame before its first glClear, less the GLX calls: the one-time
/// state, reshapes and timer ticks.
std::vector<GlCall> callsBeforeClear(const std::vector<GlCall>& frame);

/// The calls of a frame from its first glClear on, less the GLX calls that GLUT makes
/// around them, but with the swap.
std::vector<GlCall> drawingCalls(const std::vector<GlCall>& frame);

/// Compares a frame call for call. Returns what differs, each message naming the frame
/// and the call; empty when they agree. Reports the count mismatch alone, or up to
/// `most` differing calls.
std::vector<std::string> compareCalls(int frame, const std::vector<GlCall>& got,
                                      const std::vector<ExpectedCall>& want, int most = 5);

} // namespace e2e

#endif // E2E_EXPECTED_CALLS_H
