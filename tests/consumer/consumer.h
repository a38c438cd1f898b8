// consumer.h: what the consumer program's other files give its main().
#ifndef TESTS_CONSUMER_CONSUMER_H
#define TESTS_CONSUMER_CONSUMER_H

#include "vector3d.h"

/// A copy of Vector3D::AxisY made while the statics of another file were initialised.
const Vector3D& upAtStart();
/// x + y of (10, 2) + (20, 3) in another library's own global Vector3D, whose + multiplies.
int otherLibrarySum();
/// The length of (1, 2, 2), computed in that library's file, which leaves out vecmath's
/// global names.
double fromTheNamespaceOnly();

#endif // TESTS_CONSUMER_CONSUMER_H
