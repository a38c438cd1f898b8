// glut_startup.cpp: a clear message and a non-zero exit when GLUT cannot start.
//
// freeglut lets a program handle its fatal errors (glutInitErrorFunc); the classic GLUT
// API has no such hook, so with Apple's GLUT a missing display is reported in that
// framework's own words.
#include "glut_startup.h"

#include "gl_headers.h"

#if defined(FREEGLUT)
#include <GL/freeglut_ext.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* programName = "program";

void onGlutError(const char* fmt, va_list ap)
{
    char reason[512];
    std::vsnprintf(reason, sizeof reason, fmt, ap);
    std::fprintf(stderr, "%s: cannot start: %s\n", programName, reason);
    if (std::strstr(reason, "display") != nullptr)
        std::fprintf(stderr,
                     "%s: it needs an X display: set DISPLAY or pass -display NAME "
                     "(on a headless machine, run it under Xvfb)\n",
                     programName);
    std::exit(1);
}

} // namespace

void installGlutErrorHandler(const char* program)
{
    programName = program;
    glutInitErrorFunc(onGlutError);
}

#else

void installGlutErrorHandler(const char* /*program*/) {}

#endif
