// vector3d.cpp: the out-of-line members of Vector3D. Everything else is small and is
// defined in the header, where callers inline it.
#include "vector3d.h"

#include <istream>
#include <ostream>

#include "read_tuple.h"

namespace vecmath {

std::ostream& operator<<(std::ostream& out, const Vector3D& A)
{
    return out << '(' << A.m_x << ", " << A.m_y << ", " << A.m_z << ')';
}

std::istream& operator>>(std::istream& in, Vector3D& A)
{
    double v[3];
    if (!detail::readTuple(in, v, 3))
        return in;
    A.m_x = v[0];
    A.m_y = v[1];
    A.m_z = v[2];
    return in;
}

} // namespace vecmath
