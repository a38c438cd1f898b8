// web_gl.h: the programs' GL and GLUT calls as the web build makes them.
//
// Included by gl_headers.h after the GL, GLU and GLUT headers, and only where the compiler
// is emscripten. There GL is emscripten's emulation of the fixed-function pipeline over
// WebGL (LEGACY_GL_EMULATION), written in JavaScript, and GLUT is emscripten's own. The
// macros below send the programs' calls to this shim where the emulation falls short:
//   - glBegin/glEnd: the emulation crosses into JavaScript for every vertex, and it draws
//     no GL_POLYGON ("unsupported immediate mode 9"). The shim gathers the vertices of
//     consecutive begin/end pairs in arrays in the WebAssembly memory and draws them with
//     one glDrawArrays: a polygon as a fan of triangles, or in line mode as its outline.
//   - glVertex3d is missing from the emulation, and a glColor3f inside a begin/end pair,
//     before the first vertex, corrupts its vertex stream: the shim keeps the current
//     colour and takes every vertex itself.
//   - glPolygonMode does nothing there: the shim keeps the mode and applies it.
//   - glShadeModel only warns there: the shim keeps the model, and under GL_FLAT gives
//     each primitive the colour of its provoking vertex, as GL does.
//   - gluLookAt passes its arguments to the wrong parameters inside the emulation: the
//     shim multiplies the current matrix by the look-at matrix itself, as GLU does.
//   - emscripten's GLUT has no glutInitErrorFunc nor GL/freeglut_ext.h: the shim's
//     GL/freeglut_ext.h declares it, and glutCreateWindow reports through it when the
//     browser gives no WebGL context.
//   - Lines with an end behind the eye are clipped at the near plane by the shim, which
//     SwiftShader (headless Chromium's software WebGL) does not do.
//   - Keys pass the character they type (emscripten's GLUT reads "%" as "5"), and a key
//     callback that calls exit() (the cockpit's Escape) ends the program for good, as the
//     process ends on the desktop (see web_glut.js).
// Every other GL call that the programs make draws what is gathered first, so that
// drawing and state changes happen in the program's order.
#ifndef WEB_WEB_GL_H
#define WEB_WEB_GL_H

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>

namespace web {

// ---- Immediate mode, gathered ------------------------------------------------------------

/// Starts a primitive of `mode`: GL_LINES or GL_POLYGON.
void begin(GLenum mode);
/// Ends the primitive and adds it to the gathered arrays.
void end();
/// Adds a vertex with the current colour, in single precision as GL keeps it.
void vertex(double x, double y, double z);
/// Sets the current colour.
void color(GLfloat r, GLfloat g, GLfloat b);
/// Sets how polygons are drawn: GL_FILL or GL_LINE, for GL_FRONT_AND_BACK.
void polygonMode(GLenum face, GLenum mode);
/// Sets the shading model: GL_FLAT or GL_SMOOTH.
void shadeModel(GLenum model);
/// Draws what has been gathered, with one glDrawArrays, and empties the arrays.
void drawGathered();

// ---- GLU and GLUT ------------------------------------------------------------------------

/// Multiplies the current matrix by the view from `eye` towards `centre` with `up` up,
/// the matrix of gluLookAt: a rotation, then the eye moved to the origin.
void lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
            double upX, double upY, double upZ);
/// glutInit, then GLUT's key listeners replaced by the shim's (see web_glut.js).
void init(int* argc, char** argv);
/// glutCreateWindow; a browser without WebGL is a fatal error through glutInitErrorFunc.
int createWindow(const char* title);
/// Draws what is gathered, then glutSwapBuffers.
void swapBuffers();

} // namespace web

#define glBegin(mode) web::begin(mode)
#define glEnd() web::end()
#define glVertex3d(x, y, z) web::vertex(x, y, z)
#define glVertex3f(x, y, z) web::vertex(x, y, z)
#define glColor3f(r, g, b) web::color(r, g, b)
#define glPolygonMode(face, mode) web::polygonMode(face, mode)
#define glShadeModel(model) web::shadeModel(model)
#define gluLookAt(ex, ey, ez, cx, cy, cz, ux, uy, uz)                                              \
    (web::drawGathered(), web::lookAt(ex, ey, ez, cx, cy, cz, ux, uy, uz))
#define glutInit(argc, argv) web::init(argc, argv)
#define glutCreateWindow(title) web::createWindow(title)
#define glutSwapBuffers() web::swapBuffers()

// The state changes: each draws what is gathered, then makes the call itself (a macro
// does not expand its own name again).
#define glClear(mask) (web::drawGathered(), glClear(mask))
#define glClearColor(r, g, b, a) (web::drawGathered(), glClearColor(r, g, b, a))
#define glClearStencil(s) (web::drawGathered(), glClearStencil(s))
#define glEnable(cap) (web::drawGathered(), glEnable(cap))
#define glStencilFunc(func, ref, mask) (web::drawGathered(), glStencilFunc(func, ref, mask))
#define glStencilOp(fail, zfail, zpass) (web::drawGathered(), glStencilOp(fail, zfail, zpass))
#define glViewport(x, y, w, h) (web::drawGathered(), glViewport(x, y, w, h))
#define glMatrixMode(mode) (web::drawGathered(), glMatrixMode(mode))
#define glLoadIdentity() (web::drawGathered(), glLoadIdentity())
#define gluPerspective(fovy, aspect, zNear, zFar)                                                  \
    (web::drawGathered(), gluPerspective(fovy, aspect, zNear, zFar))

#endif // WEB_WEB_GL_H
