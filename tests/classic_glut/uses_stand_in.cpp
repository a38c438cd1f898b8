// uses_stand_in.cpp: built with the programs' sources in the check that they use the
// classic GLUT API only. It includes GLUT as they do and fails to compile unless that
// finds tests/classic_glut/GL/glut.h, which does not define FREEGLUT: otherwise the
// check would compile the programs against another header and prove nothing.
#include "gl_headers.h"

#if !defined(CLASSIC_GLUT_STAND_IN)
#error "the programs found another GL/glut.h than tests/classic_glut/GL/glut.h"
#endif
#if defined(FREEGLUT)
#error "FREEGLUT is defined: the programs' freeglut-only code would be compiled"
#endif
