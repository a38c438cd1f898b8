// read_tuple.h: the reading side of the library's operator>>, shared by every type. Not
// installed; not part of the interface.
#ifndef VECMATH_READ_TUPLE_H
#define VECMATH_READ_TUPLE_H

#include <iosfwd>

namespace vecmath {
namespace detail {

/// Reads "(v0, v1, ..., v(n-1))" as the library's operator<< writes it, whitespace allowed
/// before and between the parts, into out[0..n-1]. Each number is read in the classic "C"
/// format, or as "inf", "infinity" or "nan" with an optional sign, in any case. Returns
/// true on success; on malformed text it sets failbit on `in` and returns false, and
/// out may then hold some of the numbers read.
bool readTuple(std::istream& in, double* out, int n);

} // namespace detail
} // namespace vecmath

#endif
