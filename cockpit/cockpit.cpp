// cockpit.cpp: camera moves, flight keys, and the geometry and drawing of the panel and
// the dial.
#include "cockpit.h"

#include "gl_headers.h"

#include <cstdlib>
#include <iostream>

#include "matrix4x4.h"

// The x of the eye starts as a negative zero, so the first camera line reads (-0,1,8.9);
// the first move adds positive zeros to it and it prints as 0 from then on.
Vector3D camera(-0.0, 1.0, 8.9);
Vector3D LookAt_vector(0.0, 1.0, 0.0);
Vector3D LookUp_vector(0.0, 1.0, 0.0);
int heading = 0;
Vector3D unturnedLookAt(0.0, 1.0, 0.0);

int points = 60;
PointList circle_points;
PointList panel_points;

namespace {

const double kStep = 0.1; // scene units per key press

// One turn: 5 degrees (pi / 36 radians) about the vertical; 72 make a full circle.
const double kTurn = 0.08726646259971647;
const int kTurnsInACircle = 72;

const unsigned char kEscape = 27;

const double kTwoPi = 6.283185307179586;
const double kDialRadius = 2.5; // scene units
const double kDialDrop = -3.0;  // the dial's centre sits 3 units below the origin

// Grey levels of the dial and the panel.
const GLfloat kDialGrey = 0.2f;
const GLfloat kPanelGrey = 0.3f;

// The vertices of the panel in the plane z = 0, by index in panel_points.
const double kPanelXY[16][2] = {
    {-10, -10},  {10, -10},  {10, 1.2}, {-10, 1.2}, // 0-3: dashboard corners
    {-10, 8},    {10, 8},    {10, 10},  {-10, 10},  // 4-7: top beam corners
    {-0.7, -10}, {0.7, -10}, {0.7, 10}, {-0.7, 10}, // 8-11: central post corners
    {10, 0},     {5, 10},    {-10, 0},  {-5, 10},   // 12-15: feet of the corner triangles
};

// The five pieces of the panel, in drawing order, as indices into panel_points; each
// runs counter-clockwise seen from +z. The triangles have -1 as their fourth entry.
const int kPieces[5][4] = {
    {0, 1, 2, 3},    // dashboard
    {4, 5, 6, 7},    // top beam
    {8, 9, 10, 11},  // central post
    {12, 6, 13, -1}, // right corner
    {14, 15, 7, -1}, // left corner
};

// Sets the look-at point from the heading: the unturned look-at point turned about the
// vertical line through the eye by the heading's angle. With no heading it is the
// unturned point itself, bit for bit, so coming back to heading 0 gives back exactly the
// view the aeroplane had before it turned.
void aim()
{
    if (heading == 0) {
        LookAt_vector = unturnedLookAt;
        return;
    }
    Matrix4x4 MR;
    MR.loadRotate(camera, Vector3D(0.0, 1.0, 0.0), heading * kTurn);
    LookAt_vector = MR.Transform(unturnedLookAt);
}

// Translates the camera and the look-at point by (tx, ty, tz), so the view keeps its
// direction.
void moveBoth(double tx, double ty, double tz)
{
    Matrix4x4 MT;
    MT.loadTranslate(tx, ty, tz);
    camera = MT.Transform(camera);
    unturnedLookAt = MT.Transform(unturnedLookAt);
    aim();
}

// Turns the heading by `steps` turns to the left (negative: to the right), kept within
// -35..36 so that every heading has one number.
void turnBy(int steps)
{
    heading = (heading + steps + kTurnsInACircle + 35) % kTurnsInACircle - 35;
    aim();
}

void printLine(const char* text)
{
    std::cout << text << std::endl;
}

void printCamera()
{
    std::cout << "(" << camera.m_x << "," << camera.m_y << "," << camera.m_z << ")" << std::endl;
}

} // namespace

// ---- Flight controls ------------------------------------------------------------------------

void moveForward()
{
    Vector3D v = LookAt_vector - camera;
    v.Normalize();
    // A step of 0.1 along the unit look direction. At heading 0 that direction is
    // exactly (0, 0, -1): the look-at point is the unturned one, moved by the same steps
    // as the eye from the same x and y, so the differences in x and y are +0, and a
    // z divided by its own norm, sqrt(z * z) = |z|, is -1. The step is then exactly
    // (+0, +0, -0.1), the same bits as a plain 0.1 towards -z.
    moveBoth(kStep * v.m_x, kStep * v.m_y, kStep * v.m_z);
}

void moveUp()
{
    moveBoth(0.0, kStep, 0.0);
}

void moveDown()
{
    moveBoth(0.0, -kStep, 0.0);
}

void turnLeft()
{
    turnBy(1);
}

void turnRight()
{
    turnBy(-1);
}

void flyByKey(unsigned char key)
{
    switch (key) {
    case kEscape:
        std::exit(0);
    case '2':
        printLine("j pressed -> SpeedDown");
        moveDown();
        break;
    case '4':
        printLine("4 pressed -> turning left");
        turnLeft();
        break;
    case '5':
        moveForward();
        printLine("u pressed -> SpeedUp");
        break;
    case '6':
        printLine("6 pressed -> turning right");
        turnRight();
        break;
    case '8':
        moveUp();
        break;
    case 'a':
        turnLeft();
        break;
    case 'd':
        turnRight();
        break;
    default: // a key without an action only shows where the camera is
        break;
    }
    printCamera();
}

// ---- Panel and dial -------------------------------------------------------------------------

void createPanel()
{
    panel_points.resize(16);
    for (int i = 0; i < 16; i++)
        panel_points[i] = Vector3D(kPanelXY[i][0], kPanelXY[i][1], 0.0);
}

void createCircle()
{
    const double r = kDialRadius;
    circle_points.resize(points);
    const Vector3D center(0.0, 0.0, 0.0);
    Matrix4x4 MT, MR, MT1;
    MT.loadTranslate(r, 0.0, 0.0);
    MT1.loadTranslate(0.0, kDialDrop, 0.0);
    MR.loadRotateZ(kTwoPi / static_cast<double>(points));
    // A ring about the origin, each point the one before turned by one more step, then
    // the whole ring moved down onto the dashboard.
    stepAround(circle_points, points, MT.Transform(center), MR);
    transformAll(MT1, circle_points);
}

void drawCircle()
{
    glBegin(GL_POLYGON);
    glColor3f(kDialGrey, kDialGrey, kDialGrey);
    for (int i = 0; i < points; i++)
        vertex3d(circle_points[i]);
    glEnd();
}

void drawPanel()
{
    glColor3f(kPanelGrey, kPanelGrey, kPanelGrey);
    for (const auto& piece : kPieces) {
        glBegin(GL_POLYGON);
        for (int index : piece)
            if (index >= 0)
                vertex3d(panel_points[index]);
        glEnd();
    }
}
