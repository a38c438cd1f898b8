// vector3d.cpp: the out-of-line members of Vector3D. Everything else is small and is
// defined in the header, where callers inline it.
#include "vector3d.h"

#include <ostream>

namespace vecmath {

std::ostream& operator<<(std::ostream& out, const Vector3D& A)
{
    return out << '(' << A.m_x << ", " << A.m_y << ", " << A.m_z << ')';
}

} // namespace vecmath
