// gl_headers.h: the one way the programs include OpenGL, GLU and GLUT, on every platform.
//
// Windows' <GL/gl.h> needs the calling-convention macros of <windows.h> first (MinGW-w64's
// header defines its own, Visual C++'s does not); macOS keeps gl.h, glu.h and glut.h in
// its OpenGL and GLUT frameworks, as <OpenGL/gl.h> and <GLUT/glut.h>; everywhere else
// they are <GL/gl.h>, <GL/glu.h> and freeglut's <GL/glut.h>. GLUT's header comes last and
// finds them included.
//
// The programs use the classic GLUT API, which Apple's GLUT and freeglut both provide.
// Code that needs freeglut's own functions includes <GL/freeglut_ext.h> itself, where
// FREEGLUT (defined by freeglut's glut.h) says that freeglut is there; a test compiles
// the programs against a header with the classic API alone (tests/classic_glut/).
#ifndef COMMON_GL_HEADERS_H
#define COMMON_GL_HEADERS_H

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#if defined(__APPLE__)
#ifndef GL_SILENCE_DEPRECATION
#define GL_SILENCE_DEPRECATION // macOS marks the fixed-function API deprecated
#endif
#include <GLUT/glut.h>
#include <OpenGL/gl.h>
#include <OpenGL/glu.h>
#else
#include <GL/gl.h>
#include <GL/glu.h>
// GLUT's classic header. freeglut installs it as <GL/glut.h> where it stands in for the
// original GLUT, as it does by default everywhere but on Windows; there its own
// <GL/freeglut_std.h>, the same classic API, may be all there is.
#if __has_include(<GL/glut.h>)
#include <GL/glut.h>
#else
#include <GL/freeglut_std.h>
#endif
#endif

// In the web build (emscripten) the calls go through the compatibility shim of web/.
#if defined(__EMSCRIPTEN__)
#include "web_gl.h"
#endif

#endif // COMMON_GL_HEADERS_H
