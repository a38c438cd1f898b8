// rotate_about_line: turns a point about a line that does not pass through the origin,
// then undoes the turn with the inverse matrix. Uses vecmath alone, no graphics.
//
//   rotate_about_line
//
// Prints each step and exits with status 0 when the point comes back where it started
// (within the library's tolerance of 1e-10), 1 otherwise.
#include <cstdio>

#include "matrix4x4.h"
#include "vector3d.h"
#include "vector4d.h"

static void print(const char* label, const Vector3D& p)
{
    std::printf("%-34s (%.6f, %.6f, %.6f)\n", label, p.m_x, p.m_y, p.m_z);
}

int main()
{
    const double quarterTurn = 1.57079632679489661923; // radians

    // The line through (1, 0, 0) that runs parallel to z, and a point 1 unit from it.
    const Vector3D onLine(1.0, 0.0, 0.0);
    const Vector3D direction(0.0, 0.0, 2.0); // any length: the loader normalises it
    const Vector3D start(2.0, 0.0, 5.0);
    print("start", start);

    Matrix4x4 turn;
    turn.loadRotate(onLine, direction, quarterTurn);
    const Vector3D turned = turn * start;
    print("a quarter turn about the line", turned); // (1, 1, 5)

    // The same turn as a homogeneous point, then back to Cartesian coordinates.
    Vector4D homogeneous = turn.Transform(Vector4D(start));
    print("the same, through Vector4D", homogeneous.cartesianized());

    // Undo it: the inverse of a rotation turns the other way about the same line.
    Matrix4x4 undo = turn;
    if (!undo.inv()) {
        std::fprintf(stderr, "rotate_about_line: the rotation is singular\n");
        return 1;
    }
    const Vector3D back = undo * turned;
    print("turned back with the inverse", back);

    Matrix4x4 identity, roundTrip = undo * turn;
    identity.identity();
    std::printf("det of the turn: %.17g\n", turn.det());
    std::printf("inverse times turn is the identity: %s\n", roundTrip == identity ? "yes" : "no");

    const bool ok = back == start && roundTrip == identity;
    return ok ? 0 : 1;
}
