// Turns a point with the installed library; exits 0 when the result is right.
#include <matrix4x4.h>

#include <cstdio>

int main()
{
    Matrix4x4 M;
    M.loadTranslate(1, 2, 3);
    const Vector3D p = M.Transform(Vector3D(1, 1, 1));
    std::printf("(%g, %g, %g)\n", p.m_x, p.m_y, p.m_z);
    return p == Vector3D(2, 3, 4) ? 0 : 1;
}
