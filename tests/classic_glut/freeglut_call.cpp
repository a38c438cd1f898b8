// freeglut_call.cpp: the one freeglut function that the programs call, called without
// its guard. The test programs.ClassicGlutHeaderLacksFreeglut compiles this against
// tests/classic_glut/GL/glut.h and expects glutInitErrorFunc to be undeclared: the header
// declares the classic API and nothing more, so a program that compiles against it uses
// nothing more.
#include <GL/glut.h>

#include <cstdarg>

namespace {
void onError(const char* /*fmt*/, va_list /*ap*/) {}
} // namespace

int main()
{
    glutInitErrorFunc(onError);
    return 0;
}
