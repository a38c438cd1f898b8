// gl_headers.h: the one way the programs include OpenGL, GLU and freeglut, on every
// platform.
//
// Windows' <GL/gl.h> needs the calling-convention macros of <windows.h> first (MinGW-w64's
// header defines its own, Visual C++'s does not); macOS keeps gl.h and glu.h in its
// OpenGL framework, as <OpenGL/gl.h>; everywhere else they are <GL/gl.h> and <GL/glu.h>.
// freeglut's header comes last and finds them included.
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
#include <OpenGL/gl.h>
#include <OpenGL/glu.h>
#else
#include <GL/gl.h>
#include <GL/glu.h>
#endif

#include <GL/freeglut.h>

#endif // COMMON_GL_HEADERS_H
