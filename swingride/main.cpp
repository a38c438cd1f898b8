// swingride: an animated wire-frame fairground swing ride.
//
// A green wire-frame platform, pole and conical roof stand at the origin; four red
// rope tubes run from the apex of the roof to four filled boxes, the baskets. Every
// frame turns the ropes and baskets by one degree about the vertical axis, and once
// per full turn the baskets take a new random colour. The world axes are drawn in red
// (X), green (Y) and blue (Z). The program takes no input; close the window to end it.
#include "gl_headers.h"

#include <cstdlib>

#include "draw_axis.h"
#include "glut_startup.h"
#include "projection.h"
#include "ride.h"
#include "vector3d.h"

char title[10] = "Aeroplane";
Vector3D camera(-100, 100, 100); // eye point of the view, in scene units
int FPS = 60;                    // frames per second that set the timer period

// One-time GL state, set before the main loop starts.
void initGL()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glShadeModel(GL_FLAT);
    glEnable(GL_DEPTH_TEST);
}

// Called by GLUT when the window is first shown and after every resize.
void reshape(GLsizei width, GLsizei height)
{
    setViewportAndProjection(width, height);
    gluLookAt(camera.X(), camera.Y(), camera.Z(), 0.0, 5.0, 0.0, 0.0, 1.0, 0.0);
}

// Called by GLUT whenever a redisplay is due: draws one frame and turns the ride a step.
void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    draw_axis();
    drawBody();
    rotateAll();
    crtajKonopce();
    drawCubes();
    glutSwapBuffers();
}

// Called by GLUT at every tick: schedules the next tick, then asks for a redisplay.
void timer(int v)
{
    glutTimerFunc(1000 / FPS, timer, v);
    glutPostRedisplay();
}

int main(int argc, char** argv)
{
    srand(0);
    installGlutErrorHandler("swingride");
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
    glutInitWindowSize(640, 480);
    glutInitWindowPosition(50, 50);
    glutCreateWindow(title);
    createBody();
    kreirajKonopce();
    glutDisplayFunc(display);
    glutTimerFunc(100, timer, 0);
    glutReshapeFunc(reshape);
    initGL();
    glutMainLoop();
    return 0;
}
