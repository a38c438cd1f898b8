// web_gl.cpp: the web build's GL shim (see web_gl.h): immediate mode gathered into arrays
// in the WebAssembly memory, the polygon mode, flat shading, the look-at matrix, and
// GLUT's start-up errors.
#include "web_gl.h"

#include <GL/freeglut_ext.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

#include "vector3d.h"

// Defined in web_glut.js.
extern "C" void vecmath_web_route_keys();

namespace {

// A vertex as the arrays hold it: position and colour, in single precision.
struct Vertex {
    GLfloat x, y, z;
    GLfloat r, g, b;
};

// A line as drawn, by the bits of its ends taken in a fixed order: the same line drawn
// from either end is the same Line.
struct Line {
    std::array<std::uint32_t, 12> bits;

    Line(const Vertex& a, const Vertex& b)
    {
        std::array<std::uint32_t, 6> from, to;
        std::memcpy(from.data(), &a, sizeof a);
        std::memcpy(to.data(), &b, sizeof b);
        if (to < from)
            std::swap(from, to);
        std::copy(from.begin(), from.end(), bits.begin());
        std::copy(to.begin(), to.end(), bits.begin() + 6);
    }
    bool operator==(const Line& other) const { return bits == other.bits; }
};
struct LineHash {
    std::size_t operator()(const Line& line) const
    {
        std::size_t h = 0;
        for (std::uint32_t word : line.bits)
            h = (h ^ word) * 0x9e3779b1u;
        return h;
    }
};
static_assert(sizeof(Vertex) == 6 * sizeof(std::uint32_t), "a vertex is six floats");

// The most vertices drawn by one call: 1.5 MB, within the emulation's 2 MB buffers.
const std::size_t kMostGathered = 65536;

struct State {
    GLfloat colour[3] = {1.0f, 1.0f, 1.0f}; // GL's initial current colour
    GLenum polygonMode = GL_FILL;
    bool flat = false; // GL starts with GL_SMOOTH
    GLenum primitive = GL_LINES;
    std::vector<Vertex> corners; // of the begin/end pair under way
    GLenum gatheredMode = GL_LINES;
    std::vector<Vertex> gathered; // GL_LINES pairs or GL_TRIANGLES triples
    std::unordered_set<Line, LineHash> gatheredLines;
    bool toClipKnown = false; // false after any call that may have changed a matrix
    double toClip[16];        // projection times modelview, column-major
    void (*onError)(const char*, va_list) = nullptr;
};

State state;

// A fatal error of the shim or of GLUT: through the program's handler if it has one,
// otherwise printed, ending the program with status 1.
void fail(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    if (state.onError != nullptr) {
        state.onError(fmt, ap);
    } else {
        std::fputs("web_gl: ", stderr);
        std::vfprintf(stderr, fmt, ap);
        std::fputc('\n', stderr);
    }
    va_end(ap);
    std::exit(1);
}

// The projection times the modelview matrix, read from the emulation after any call that
// may have changed either.
const double* toClip()
{
    if (!state.toClipKnown) {
        GLfloat p[16], m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        for (int col = 0; col < 4; col++)
            for (int row = 0; row < 4; row++) {
                double sum = 0.0;
                for (int k = 0; k < 4; k++)
                    sum += double(p[4 * k + row]) * double(m[4 * col + k]);
                state.toClip[4 * col + row] = sum;
            }
        state.toClipKnown = true;
    }
    return state.toClip;
}

// How far the vertex lies inside the near plane in clip coordinates, z + w: negative
// nearer than the near plane, and behind the eye.
double insideNear(const Vertex& v)
{
    const double* c = toClip();
    return (c[2] + c[3]) * v.x + (c[6] + c[7]) * v.y + (c[10] + c[11]) * v.z + (c[14] + c[15]);
}

// Cuts the line from `a` to `b` at the near plane, as GL's clipping does; false when no
// part of it lies beyond the plane. SwiftShader, the software WebGL of headless Chromium,
// drops a whole line with an end behind the eye instead (the cockpit's Z axis runs from
// the origin to z = 50, past the eye at z = 8.9).
bool clipToNear(Vertex& a, Vertex& b)
{
    const double da = insideNear(a), db = insideNear(b);
    if (da >= 0.0 && db >= 0.0)
        return true;
    if (da < 0.0 && db < 0.0)
        return false;
    const double t = da / (da - db);
    auto at = [t](GLfloat from, GLfloat to) {
        return static_cast<GLfloat>(from + t * (to - from));
    };
    const Vertex cut = {at(a.x, b.x), at(a.y, b.y), at(a.z, b.z),
                        at(a.r, b.r), at(a.g, b.g), at(a.b, b.b)};
    (da < 0.0 ? a : b) = cut;
    return true;
}

// Under flat shading, gives `v` the colour of the primitive's provoking vertex.
Vertex shaded(Vertex v, const Vertex& provoking)
{
    if (state.flat) {
        v.r = provoking.r;
        v.g = provoking.g;
        v.b = provoking.b;
    }
    return v;
}

// Appends vertices of `mode` (GL_LINES or GL_TRIANGLES) to the gathered arrays, first
// drawing what they hold when it is of the other kind or they are full.
void gather(GLenum mode, std::initializer_list<Vertex> vertices)
{
    if (state.gatheredMode != mode || state.gathered.size() + vertices.size() > kMostGathered) {
        web::drawGathered();
        state.gatheredMode = mode;
    }
    state.gathered.insert(state.gathered.end(), vertices);
}

// Gathers the part of the line from `a` to `b` beyond the near plane, unless the same line
// is gathered already. Adjacent polygons in line mode share their edges (the ride's bands
// share every edge but the rims): drawing a line twice, in the same state and without
// blending, gives what drawing it once gives, and drawing the ride's edges once each makes
// its frames half as costly again for SwiftShader.
void gatherLine(const Vertex& from, const Vertex& to, const Vertex& provoking)
{
    Vertex a = shaded(from, provoking), b = shaded(to, provoking);
    if (clipToNear(a, b) && state.gatheredLines.insert(Line(a, b)).second)
        gather(GL_LINES, {a, b});
}

} // namespace

namespace web {

void begin(GLenum mode)
{
    if (mode != GL_LINES && mode != GL_POLYGON)
        fail("glBegin(0x%x): only GL_LINES and GL_POLYGON are drawn here", mode);
    state.primitive = mode;
    state.corners.clear();
}

void end()
{
    const std::vector<Vertex>& c = state.corners;
    const std::size_t n = c.size();
    if (state.primitive == GL_LINES) {
        for (std::size_t i = 0; i + 1 < n; i += 2)
            gatherLine(c[i], c[i + 1], c[i + 1]); // a line's provoking vertex: its last
    } else if (n >= 3 && state.polygonMode == GL_LINE) {
        for (std::size_t i = 0; i < n; i++) // a polygon's provoking vertex: its first
            gatherLine(c[i], c[(i + 1) % n], c[0]);
    } else if (n >= 3) {
        for (std::size_t i = 1; i + 1 < n; i++) // GL_POLYGON is convex: a fan from corner 0
            gather(GL_TRIANGLES, {shaded(c[0], c[0]), shaded(c[i], c[0]), shaded(c[i + 1], c[0])});
    }
    state.corners.clear();
}

void vertex(double x, double y, double z)
{
    state.corners.push_back({static_cast<GLfloat>(x), static_cast<GLfloat>(y),
                             static_cast<GLfloat>(z), state.colour[0], state.colour[1],
                             state.colour[2]});
}

void color(GLfloat r, GLfloat g, GLfloat b)
{
    state.colour[0] = r;
    state.colour[1] = g;
    state.colour[2] = b;
}

void polygonMode(GLenum face, GLenum mode)
{
    if (face != GL_FRONT_AND_BACK || (mode != GL_FILL && mode != GL_LINE))
        fail("glPolygonMode(0x%x, 0x%x): only GL_FILL and GL_LINE of GL_FRONT_AND_BACK are "
             "drawn here",
             face, mode);
    state.polygonMode = mode;
}

void shadeModel(GLenum model)
{
    drawGathered();
    state.flat = model == GL_FLAT;
}

void drawGathered()
{
    // Every call that may change a matrix comes here first.
    state.toClipKnown = false;
    std::vector<Vertex>& v = state.gathered;
    if (v.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &v[0].x);
    glColorPointer(3, GL_FLOAT, sizeof(Vertex), &v[0].r);
    glDrawArrays(state.gatheredMode, 0, static_cast<GLsizei>(v.size()));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    v.clear();
    state.gatheredLines.clear();
}

void lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
            double upX, double upY, double upZ)
{
    // The rows of the rotation: the side, the true up, and the backward direction.
    const Vector3D forward = Vector3D(centreX - eyeX, centreY - eyeY, centreZ - eyeZ).Normalized();
    const Vector3D side = forward.Cross(Vector3D(upX, upY, upZ)).Normalized();
    const Vector3D up = side.Cross(forward);
    const Vector3D rows[3] = {side, up, -forward};
    GLfloat m[16] = {}; // column-major, as GL takes it
    for (int row = 0; row < 3; row++) {
        m[row] = static_cast<GLfloat>(rows[row].m_x);
        m[4 + row] = static_cast<GLfloat>(rows[row].m_y);
        m[8 + row] = static_cast<GLfloat>(rows[row].m_z);
    }
    m[15] = 1.0f;
    glMultMatrixf(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

void init(int* argc, char** argv)
{
    // A function-like macro is not expanded without its parenthesis: this is GLUT's own.
    (glutInit)(argc, argv);
    vecmath_web_route_keys();
}

int createWindow(const char* title)
{
    const int window = (glutCreateWindow)(title);
    if (window == 0)
        fail("failed to create a WebGL context: this browser has WebGL switched off or lacks it");
    return window;
}

void swapBuffers()
{
    drawGathered();
    (glutSwapBuffers)();
}

} // namespace web

extern "C" void glutInitErrorFunc(void (*callback)(const char* fmt, va_list ap))
{
    state.onError = callback;
}
