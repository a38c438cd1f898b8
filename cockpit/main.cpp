// cockpit: the view from an aeroplane cockpit.
//
// A flat grey panel frames two window openings: a dashboard below, a beam on top, a
// central post and two corner pieces, with a darker round dial on the dashboard. The
// world, the three axes in red (X), green (Y) and blue (Z), is seen through the openings
// and, through the stencil buffer, over the cockpit. Each key prints its message, if it
// has one, and then the camera position as "(x,y,z)" on standard output.
//
// Keys, laid out as a keypad (8 up, 2 down, 5 forward, 4 left, 6 right):
//   5       move forward by 0.1 where the cockpit looks; prints "u pressed -> SpeedUp"
//   8       move up by 0.1
//   2       move down by 0.1; prints "j pressed -> SpeedDown"
//   4, a    turn 5 degrees left; "4" first prints "4 pressed -> turning left"
//   6, d    turn 5 degrees right; "6" first prints "6 pressed -> turning right"
//   Escape  end the program (status 0, prints nothing)
//   Any other key only prints the camera position.
// A turn swings the view about the vertical line through the eye; 72 turns make a full
// circle, and coming back to a heading gives exactly the view the cockpit had there.
#include "gl_headers.h"

#include "cockpit.h"
#include "draw_axis.h"
#include "glut_startup.h"
#include "projection.h"

char title[10] = "Aeroplane";
int FPS = 60; // frames per second that set the timer period

// Loads the view from the camera's eye, look-at point and up vector into the current
// (modelview) matrix.
void lookFromCamera()
{
    gluLookAt(camera.X(), camera.Y(), camera.Z(), LookAt_vector.X(), LookAt_vector.Y(),
              LookAt_vector.Z(), LookUp_vector.X(), LookUp_vector.Y(), LookUp_vector.Z());
}

// One-time GL state, set before the main loop starts. The stencil test stays on for the
// whole run; display sets the stencil function and operations.
void initGL()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glShadeModel(GL_FLAT);
    glEnable(GL_DEPTH_TEST);
    glClearStencil(0);
    glEnable(GL_STENCIL_TEST);
}

// Called by GLUT when the window is first shown and after every resize.
void reshape(GLsizei width, GLsizei height)
{
    setViewportAndProjection(width, height);
    lookFromCamera();
}

// Called by GLUT whenever a redisplay is due: draws the cockpit, then the axes.
//
// The cockpit is drawn under the stencil state that the previous frame left: it keeps
// off the pixels that the previous frame's axes covered and marks every pixel it covers,
// so the panel never covers the dial. The stencil buffer is then cleared, and the axes
// mark the pixels they cover for the next frame's cockpit.
void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawCircle();
    drawPanel();
    glClear(GL_STENCIL_BUFFER_BIT);
    glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
    glStencilFunc(GL_NOTEQUAL, 1, 1);
    draw_axis();
    glutSwapBuffers();
}

// Called by GLUT at every tick: rebuilds the view from the camera, schedules the next
// tick, then asks for a redisplay.
void timer(int v)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    lookFromCamera();
    glutTimerFunc(1000 / FPS, timer, v);
    glutPostRedisplay();
}

// Called by GLUT for every key that produces a character; the pointer position is not
// used. The view follows a move at the next timer tick.
void KeyboardKeyPressed(unsigned char key, int /*x*/, int /*y*/)
{
    flyByKey(key);
    glutPostRedisplay();
}

int main(int argc, char** argv)
{
    installGlutErrorHandler("cockpit");
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(640, 480);
    glutInitWindowPosition(50, 50);
    glutCreateWindow(title);
    createPanel();
    createCircle();
    glutDisplayFunc(display);
    glutTimerFunc(100, timer, 0);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(KeyboardKeyPressed);
    initGL();
    glutMainLoop();
    return 0;
}
