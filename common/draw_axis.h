// draw_axis.h: the three world axes, shared by the swing ride and the cockpit.
#ifndef COMMON_DRAW_AXIS_H
#define COMMON_DRAW_AXIS_H

/// Draws the world axes from the origin to 50 units along +X in red, +Y in green and
/// +Z in blue, each as its own GL_LINES pair with single-precision vertices. Leaves the
/// current colour blue.
void draw_axis();

#endif // COMMON_DRAW_AXIS_H
