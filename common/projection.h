// projection.h: the viewport and perspective that both programs set on every reshape.
#ifndef COMMON_PROJECTION_H
#define COMMON_PROJECTION_H

#include "gl_headers.h"

/// Sets the viewport to the whole window and an 80-degree vertical perspective with the
/// window's aspect ratio (computed in single precision), near plane 0.1f and far plane
/// 300; then selects the modelview matrix and loads the identity, ready for the camera.
/// A height of 0 is taken as 1, so the aspect ratio never divides by zero.
void setViewportAndProjection(GLsizei width, GLsizei height);

#endif // COMMON_PROJECTION_H
