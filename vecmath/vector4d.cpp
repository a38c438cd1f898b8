// vector4d.cpp: the out-of-line members of Vector4D. Everything else is small and is
// defined in the header, where callers inline it.
#include "vector4d.h"

#include <istream>
#include <ostream>

#include "read_tuple.h"

namespace vecmath {

std::ostream& operator<<(std::ostream& out, const Vector4D& A)
{
    return out << '(' << A.m_x << ", " << A.m_y << ", " << A.m_z << ", " << A.m_w << ')';
}

std::istream& operator>>(std::istream& in, Vector4D& A)
{
    double v[4];
    if (!detail::readTuple(in, v, 4))
        return in;
    A.m_x = v[0];
    A.m_y = v[1];
    A.m_z = v[2];
    A.m_w = v[3];
    return in;
}

} // namespace vecmath
