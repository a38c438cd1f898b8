// cockpit.h: the cockpit's scene: the camera and the flight controls that move it, and
// the panel and dial that are built once and drawn in every frame.
//
// All points are kept in world coordinates (y up, scene units). The panel and the dial
// lie in the plane z = 0; the camera starts 8.9 units in front of them at height 1 and
// looks towards -z. A move translates the eye and the look-at point by the same step; a
// turn swings the look-at point about the vertical line through the eye.
#ifndef COCKPIT_COCKPIT_H
#define COCKPIT_COCKPIT_H

#include "point_list.h"
#include "vector3d.h"

// ---- Camera -------------------------------------------------------------------------------

extern Vector3D camera;         // eye point; starts at (-0.0, 1, 8.9) with a negative-zero x
extern Vector3D LookAt_vector;  // look-at point (centre of the view); starts at (0, 1, 0)
extern Vector3D LookUp_vector;  // up vector of the view, (0, 1, 0)
extern int heading;             // turns of 5 degrees to the left (negative: right), -35..36
extern Vector3D unturnedLookAt; // the look-at point as it would be at heading 0

// ---- Flight controls ------------------------------------------------------------------------

/// Moves the camera and the look-at point 0.1 along the unit viewing direction.
void moveForward();
/// Moves the camera and the look-at point 0.1 up.
void moveUp();
/// Moves the camera and the look-at point 0.1 down.
void moveDown();
/// Turns the view 5 degrees to the left (counter-clockwise seen from above) about the
/// vertical line through the eye; the eye stays where it is.
void turnLeft();
/// Turns the view 5 degrees to the right about the vertical line through the eye.
void turnRight();

/// Does what the key with character code `key` stands for and prints its lines on
/// standard output, each ended and flushed: Escape (27) ends the process at once with
/// status 0 and prints nothing; "2" prints "j pressed -> SpeedDown" and moves down; "4"
/// and "6" print "4 pressed -> turning left" and "6 pressed -> turning right" and turn;
/// "5" moves forward and prints "u pressed -> SpeedUp"; "8" moves up; "a" turns left and
/// "d" right; every other code has no action. After the action every key but Escape prints the
/// camera as "(x,y,z)" in the stream's default format. Posting the redisplay is left to the caller.
void flyByKey(unsigned char key);

// ---- Panel and dial -------------------------------------------------------------------------

extern int points;              // points on the outline of the dial (60)
extern PointList circle_points; // outline of the dial, `points` entries
extern PointList panel_points;  // the 16 vertices of the panel

/// Fills panel_points with the 16 vertices of the panel, all in the plane z = 0.
void createPanel();
/// Fills circle_points with the outline of the dial, the circle of radius 2.5 about
/// (0, -3, 0): entry k at 6k degrees from +x, counter-clockwise seen from +z, each entry
/// made by turning the one before it by one more step. Needs `points` >= 1.
void createCircle();
/// Draws the dial as one filled polygon in dark grey (0.2), its colour set inside the
/// begin/end pair before the first vertex.
void drawCircle();
/// Draws the panel in grey (0.3), the colour set once: the dashboard, the top beam, the
/// central post and the right and left corner triangles, each one filled polygon.
void drawPanel();

#endif // COCKPIT_COCKPIT_H
