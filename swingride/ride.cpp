// ride.cpp: geometry, drawing and animation of the swing ride.
#include "ride.h"

#include "gl_headers.h"

#include <cstdlib>

#include "matrix4x4.h"

int N = 360;
int NUM = 0;
PointLists body;
Vector3D bodyTop(0, 0, 0);
PointLists konopci;
PointLists cubes;
float r = 1.0f, g = 1.0f, b = 0.0f; // yellow until the first full turn

namespace {

const double kTwoPi = 6.283185307179586;

// Sizes of the body, in scene units.
const double kPlatformRadius = 20.0, kPlatformHeight = 10.0;
const double kPoleRadius = 3.0, kPoleHeight = 70.0;
const double kRoofRadius = 10.0, kRoofRimHeight = 80.0, kApexHeight = 90.0;

// Ropes and baskets: sizes in scene units, angles in radians.
const double kRopeRadius = 0.5;
const double kRopeLength = 70.0;
const double kBasketTilt = 0.7853981633974483; // pi/4: the basket hangs from a corner
const double kRopeDrop = 0.6981317007977318;   // 40 degrees below the horizontal
const double kRopeTurns[4] = {0.0, 4.71238898038469, 3.141592653589793, 1.5707963267948966};
const double kStep = 3.141592653589793 / 180; // the ride turns one degree per frame

// Green channel of the body colour, (0, 0.6, 0).
const GLfloat kBodyGreen = 0.6f;

// Draws a closed band between two rings: quadrilateral j joins points j and j+1 of
// both rings, and the last joins point N-1 back to point 0.
void drawBand(const PointList& lower, const PointList& upper)
{
    for (int j = 0; j < N; j++) {
        const int next = (j + 1) % N;
        glBegin(GL_POLYGON);
        vertex3d(lower[j]);
        vertex3d(lower[next]);
        vertex3d(upper[next]);
        vertex3d(upper[j]);
        glEnd();
    }
}

void drawQuad(const Vector3D& p0, const Vector3D& p1, const Vector3D& p2, const Vector3D& p3)
{
    glBegin(GL_POLYGON);
    vertex3d(p0);
    vertex3d(p1);
    vertex3d(p2);
    vertex3d(p3);
    glEnd();
}

// A colour channel from the standard generator: k / 100 for a whole k in 0..99.
float randomChannel()
{
    return static_cast<float>((rand() % 100) / 100.0);
}

} // namespace

// ---- Ride body ----------------------------------------------------------------------------

void napraviValjak(double r, double h, double Y, PointList& prvi, PointList& drugi)
{
    const double a = kTwoPi / static_cast<double>(N);
    Matrix4x4 R;
    R.loadRotateY(a);
    stepAround(prvi, N, Vector3D(r, Y, 0), R);
    Matrix4x4 T;
    T.loadTranslate(0, h, 0);
    for (int k = 0; k < N; k++)
        drugi[k] = T.Transform(prvi[k]);
}

void createBody()
{
    body.resize(5);
    for (PointList& ring : body)
        ring.resize(N);
    napraviValjak(kPlatformRadius, kPlatformHeight, 0.0, body[0], body[1]);
    napraviValjak(kPoleRadius, kPoleHeight, kPlatformHeight, body[2], body[3]);
    bodyTop = Vector3D(0, kApexHeight, 0);
    Matrix4x4 R;
    R.loadRotateY(kTwoPi / static_cast<double>(N));
    stepAround(body[4], N, Vector3D(kRoofRadius, kRoofRimHeight, 0), R);
}

void drawBody()
{
    glColor3f(0.0f, kBodyGreen, 0.0f);
    drawBand(body[0], body[1]); // side wall of the platform
    drawBand(body[2], body[3]); // the pole
    drawBand(body[1], body[2]); // top face of the platform, out to the foot of the pole
    const PointList& rim = body[4];
    for (int j = 0; j < N; j++) { // the roof: a fan of triangles from the rim to the apex
        glBegin(GL_POLYGON);
        vertex3d(rim[j]);
        vertex3d(rim[(j + 1) % N]);
        vertex3d(bodyTop);
        glEnd();
    }
}

// ---- Ropes and baskets --------------------------------------------------------------------

void kreirajKonopce()
{
    const double angle = kTwoPi / static_cast<double>(N);
    konopci.resize(8);
    for (PointList& ring : konopci)
        ring.resize(N);
    cubes.resize(8);
    for (PointList& face : cubes)
        face.resize(4);

    Matrix4x4 mr, mt;
    for (int p = 0; p < 4; p++) {
        const int i = 2 * p;
        PointList &upper = konopci[i], &lower = konopci[i + 1];
        PointList &nearFace = cubes[i], &farFace = cubes[i + 1];

        // A thin tube along +Z: a circle about the origin and the same circle 70 further.
        mr.loadRotateZ(angle);
        stepAround(upper, N, Vector3D(kRopeRadius, 0, 0), mr);
        mt.loadTranslate(0, 0, kRopeLength);
        for (int j = 0; j < N; j++)
            lower[j] = mt.Transform(upper[j]);

        // A 5*sqrt(2) by 5*sqrt(2) by 5 box in the plane y = 0, hung by corner 0 from
        // the rope's lower end.
        nearFace[0] = Vector3D(0, 0, 0);
        nearFace[1] = Vector3D(5, 0, 5);
        nearFace[2] = Vector3D(0, 0, 10);
        nearFace[3] = Vector3D(-5, 0, 5);
        farFace[0] = Vector3D(0, 5, 0);
        farFace[1] = Vector3D(5, 5, 5);
        farFace[2] = Vector3D(0, 5, 10);
        farFace[3] = Vector3D(-5, 5, 5);
        mr.loadRotateX(kBasketTilt);
        transformAll(mr, nearFace);
        transformAll(mr, farFace);
        mt.loadTranslate(0, 0, kRopeLength);
        transformAll(mt, nearFace);
        transformAll(mt, farFace);

        // Tilt rope and basket 40 degrees below the horizontal.
        mr.loadRotateX(kRopeDrop);
        transformAll(mr, upper);
        transformAll(mr, lower);
        transformAll(mr, nearFace);
        transformAll(mr, farFace);
    }

    // Ropes 1 to 3 point to -X, -Z and +X; rope 0 keeps pointing to +Z.
    for (int p = 1; p < 4; p++) {
        mr.loadRotateY(kRopeTurns[p]);
        transformAll(mr, konopci[2 * p]);
        transformAll(mr, konopci[2 * p + 1]);
        transformAll(mr, cubes[2 * p]);
        transformAll(mr, cubes[2 * p + 1]);
    }

    // Hang everything from the apex of the roof.
    mt.loadTranslate(0, kApexHeight, 0);
    for (int p = 0; p < 4; p++) {
        transformAll(mt, konopci[2 * p]);
        transformAll(mt, konopci[2 * p + 1]);
        transformAll(mt, cubes[2 * p]);
        transformAll(mt, cubes[2 * p + 1]);
    }
}

void crtajKonopce()
{
    for (int p = 0; p < 4; p++) {
        const PointList &upper = konopci[2 * p], &lower = konopci[2 * p + 1];
        glColor3f(1.0f, 0.0f, 0.0f);
        for (int j = 0; j < N - 1; j++)
            drawQuad(upper[j], upper[j + 1], lower[j + 1], lower[j]);
    }
}

void drawCubes()
{
    if (NUM > 359) {
        NUM = 0;
        r = randomChannel();
        g = randomChannel();
        b = randomChannel();
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColor3f(r, g, b);
    for (int p = 0; p < 4; p++) {
        const PointList &A = cubes[2 * p], &B = cubes[2 * p + 1];
        drawQuad(A[0], A[1], A[2], A[3]); // near face
        drawQuad(B[0], B[1], B[2], B[3]); // far face
        drawQuad(A[0], B[0], B[1], A[1]); // the four sides
        drawQuad(A[1], B[1], B[2], A[2]);
        drawQuad(A[2], B[2], B[3], A[3]);
        drawQuad(A[3], B[3], B[0], A[0]);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
}

// ---- Animation ----------------------------------------------------------------------------

void rotateAll()
{
    NUM = NUM + 1;
    Matrix4x4 mr;
    mr.loadRotateY(kStep);
    for (int p = 0; p < 4; p++) {
        transformAll(mr, konopci[2 * p]);
        transformAll(mr, konopci[2 * p + 1]);
        transformAll(mr, cubes[2 * p]);
        transformAll(mr, cubes[2 * p + 1]);
    }
}
