// projection.cpp: viewport and perspective for a window of a given size.
#include "projection.h"

#include "gl_headers.h"

void setViewportAndProjection(GLsizei width, GLsizei height)
{
    if (height == 0)
        height = 1;
    const GLfloat aspect = static_cast<GLfloat>(width) / static_cast<GLfloat>(height);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(80.0, aspect, 0.1f, 300.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
