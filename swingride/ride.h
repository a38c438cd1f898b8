// ride.h: the swing ride's scene: its state, the builders that make its geometry once,
// the drawers that send it to GL every frame, and the turn that animates it.
//
// All points are kept in world coordinates (y up, scene units). The ride moves because
// rotateAll rewrites the stored points of the ropes and baskets; no GL transform is used.
#ifndef SWINGRIDE_RIDE_H
#define SWINGRIDE_RIDE_H

#include "point_list.h"
#include "vector3d.h"

// ---- Scene state ------------------------------------------------------------------------

extern int N;              // points in each ring of the body and of each rope (360)
extern int NUM;            // turning steps since the baskets last changed colour
extern PointLists body;    // the five rings of platform, pole and roof
extern Vector3D bodyTop;   // apex of the roof
extern PointLists konopci; // the ropes: upper ring 2p and lower ring 2p+1 of rope p
extern PointLists cubes;   // the baskets: near face 2p and far face 2p+1 of basket p
extern float r, g, b;      // colour of the baskets

// ---- Ride body: platform, pole and roof ---------------------------------------------------

/// Builds the five rings of the body and its apex into `body` and `bodyTop`.
void createBody();
/// Fills points 0..N-1 of `prvi` with a ring of radius r at height Y, each point stepped
/// from the one before by 2*pi/N about Y, and of `drugi` with the same ring raised by h.
/// Both lists must already hold at least N points.
void napraviValjak(double r, double h, double Y, PointList& prvi, PointList& drugi);
/// Draws the body in green, one GL_POLYGON per face: 4*N polygons, every band closed.
void drawBody();

// ---- Ropes and baskets --------------------------------------------------------------------

/// Builds the four ropes and the four baskets hanging from them, in world coordinates.
void kreirajKonopce();
/// Draws the ropes as red tubes, N-1 quadrilaterals each (the last step left open).
void crtajKonopce();
/// Changes the basket colour once NUM has passed 359, then draws the baskets filled.
void drawCubes();

// ---- Animation ----------------------------------------------------------------------------

/// Counts the frame in NUM and turns every rope and basket point by one degree about Y.
void rotateAll();

#endif // SWINGRIDE_RIDE_H
