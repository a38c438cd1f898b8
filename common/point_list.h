// point_list.h: the point lists in which both programs keep their geometry, and the two
// ways the programs build and move them with a loaded matrix.
#ifndef COMMON_POINT_LIST_H
#define COMMON_POINT_LIST_H

#include <vector>

#include "matrix4x4.h"
#include "vector3d.h"

/// A growable array of points, indexed from 0; sized once when its shape is built.
using PointList = std::vector<Vector3D>;
/// A list of point lists.
using PointLists = std::vector<PointList>;

/// Writes points 0 to count-1 of `list`: point 0 is `first`, and every further point is
/// the one before it transformed by `step`, so rounding builds up along the list as
/// repeated rotation makes it. The list must already hold at least `count` points.
void stepAround(PointList& list, int count, const Vector3D& first, const Matrix4x4& step);

/// Replaces every point of `list`, in index order, by its image under `M`.
void transformAll(const Matrix4x4& M, PointList& list);

/// Sends one point to GL in double precision with glVertex3d.
void vertex3d(const Vector3D& p);

#endif // COMMON_POINT_LIST_H
