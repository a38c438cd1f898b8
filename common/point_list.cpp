// point_list.cpp: building and moving point lists with a loaded matrix.
#include "point_list.h"

#include "gl_headers.h"

void stepAround(PointList& list, int count, const Vector3D& first, const Matrix4x4& step)
{
    list[0] = first;
    for (int k = 1; k < count; k++)
        list[k] = step.Transform(list[k - 1]);
}

void transformAll(const Matrix4x4& M, PointList& list)
{
    M.Transform(list.data(), list.data(), list.size());
}

void vertex3d(const Vector3D& p)
{
    glVertex3d(p.m_x, p.m_y, p.m_z);
}
