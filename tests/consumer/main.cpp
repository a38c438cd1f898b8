// Uses the installed library the way an application would; exits 0 when the results are
// right.
#include <matrix4x4.h>
#include <vector4d.h>

#include <cstdio>

int main()
{
    Matrix4x4 M;
    M.loadTranslate(1, 2, 3);
    const Vector3D p = M.Transform(Vector3D(1, 1, 1));
    std::printf("(%g, %g, %g)\n", p.m_x, p.m_y, p.m_z);

    // A turn about a line, undone by the inverse, on a homogeneous point.
    Matrix4x4 turn, undo;
    turn.loadRotate(Vector3D(1, 0, 0), Vector3D(0, 0, 1), 0.5);
    undo = turn;
    const bool inverted = undo.inv();
    Vector4D q = undo * (turn * Vector4D(2, 0, 5, 1));
    const Vector3D back = q.cartesianized();
    std::printf("(%g, %g, %g)\n", back.m_x, back.m_y, back.m_z);

    return p == Vector3D(2, 3, 4) && inverted && back == Vector3D(2, 0, 5) ? 0 : 1;
}
