// GL/freeglut_ext.h: the one freeglut extension that the programs use, for the web build,
// whose GLUT (emscripten's) has none of them. Implemented in web_gl.cpp.
#ifndef WEB_GL_FREEGLUT_EXT_H
#define WEB_GL_FREEGLUT_EXT_H

#include <cstdarg>

extern "C" {
/// Makes `callback` the handler of fatal GLUT errors, called with a printf format and its
/// arguments. Without one, a fatal error is printed on standard error and ends the program
/// with status 1, as freeglut does.
void glutInitErrorFunc(void (*callback)(const char* fmt, va_list ap));
}

#endif // WEB_GL_FREEGLUT_EXT_H
