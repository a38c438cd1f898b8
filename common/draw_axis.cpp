// draw_axis.cpp: the world axes, drawn in immediate mode in world coordinates.
#include "draw_axis.h"

#include "gl_headers.h"

#include "vector3d.h"

namespace {

const double kAxisLength = 50.0; // scene units from the origin

void drawOneAxis(const Vector3D& centar, const Vector3D& unit, float r, float g, float b)
{
    const Vector3D end = unit * kAxisLength;
    glColor3f(r, g, b);
    glBegin(GL_LINES);
    glVertex3f(static_cast<GLfloat>(centar.m_x), static_cast<GLfloat>(centar.m_y),
               static_cast<GLfloat>(centar.m_z));
    glVertex3f(static_cast<GLfloat>(end.m_x), static_cast<GLfloat>(end.m_y),
               static_cast<GLfloat>(end.m_z));
    glEnd();
}

} // namespace

void draw_axis()
{
    const Vector3D centar(0.0, 0.0, 0.0);
    drawOneAxis(centar, Vector3D::AxisX, 1.0f, 0.0f, 0.0f);
    drawOneAxis(centar, Vector3D::AxisY, 0.0f, 1.0f, 0.0f);
    drawOneAxis(centar, Vector3D::AxisZ, 0.0f, 0.0f, 1.0f);
}
