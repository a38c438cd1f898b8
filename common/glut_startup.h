// glut_startup.h: what both programs do when GLUT cannot start.
#ifndef COMMON_GLUT_STARTUP_H
#define COMMON_GLUT_STARTUP_H

/// Makes a fatal GLUT error (no display to open, say) print one clear line on standard
/// error, naming the program, and end the process with status 1. Call before glutInit.
/// Needs freeglut's error hook: with a GLUT that lacks it (Apple's), it does nothing and
/// GLUT reports the error in its own words.
void installGlutErrorHandler(const char* program);

#endif // COMMON_GLUT_STARTUP_H
