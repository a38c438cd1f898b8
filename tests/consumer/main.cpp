// Uses the installed library the way an application would; exits 0 when the results are
// right. With an argument, ON or OFF, also checks that the library says its rotation
// loaders use its own sine and cosine (VECMATH_PORTABLE_TRIG) or not, as the argument does.
#include <matrix4x4.h>
#include <trig.h>
#include <vector4d.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
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

    // The library's own sine, correctly rounded.
    const double s = vecmath::portableSin(1.0);
    std::printf("sin(1) = %.17g; the loaders use %s sine and cosine\n", s,
                vecmath::rotationsUsePortableTrig() ? "the library's own" : "the C library's");
    bool optionAsExpected = true;
    if (argc > 1)
        optionAsExpected = vecmath::rotationsUsePortableTrig() == (std::strcmp(argv[1], "ON") == 0);

    return p == Vector3D(2, 3, 4) && inverted && back == Vector3D(2, 0, 5)
                && s == 0.8414709848078965 && optionAsExpected
             ? 0
             : 1;
}
