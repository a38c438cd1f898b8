// vector4d.cpp: the out-of-line members of Vector4D. Everything else is small and is
// defined in the header, where callers inline it.
#include "vector4d.h"

#include <ostream>

namespace vecmath {

std::ostream& operator<<(std::ostream& out, const Vector4D& A)
{
    return out << '(' << A.m_x << ", " << A.m_y << ", " << A.m_z << ", " << A.m_w << ')';
}

} // namespace vecmath
