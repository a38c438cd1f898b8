// A static initialised at run time from an axis constant of the library. Whatever order
// the files' statics are initialised in, the constant already holds its value.
#include "consumer.h"

namespace {

// Not constexpr: the copy below is made while the program's statics are initialised.
Vector3D copyOf(const Vector3D& v)
{
    return v;
}

const Vector3D up = copyOf(Vector3D::AxisY);

} // namespace

const Vector3D& upAtStart()
{
    return up;
}
