// Another library's file, with a global class of the same name, Vector3D, whose members
// are defined out of line: its symbols must not replace the vecmath library's, nor ours
// its. It asks vecmath for no global names, so that both classes can be used here too.
#define VECMATH_NO_GLOBAL_NAMES
#include <vecmath/vector3d.h>

class Vector3D
{
public:
    int x, y;
    Vector3D(int x0, int y0);
    Vector3D operator+(const Vector3D& other) const;
};

Vector3D::Vector3D(int x0, int y0) : x(x0), y(y0) {}

// This library's + multiplies, so that a mix-up of the two shows in the results.
Vector3D Vector3D::operator+(const Vector3D& other) const
{
    return Vector3D(x * other.x, y * other.y);
}

int otherLibrarySum()
{
    const Vector3D sum = Vector3D(10, 2) + Vector3D(20, 3);
    return sum.x + sum.y;
}

double fromTheNamespaceOnly()
{
    const vecmath::Vector3D v(1, 2, 2);
    return v.Norm();
}
