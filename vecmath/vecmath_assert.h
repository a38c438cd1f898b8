// vecmath_assert.h: the index checks of Vector3D and Matrix4x4.
//
// VECMATH_ASSERT(condition, function) is the standard assert, except that the function
// named in the message is given, not taken from the compiler: compilers spell a member's
// signature differently ("double& V::f()" or "double &V::f()"), and the message is part
// of the library's contract. Like assert, it checks nothing when NDEBUG is defined.
#ifndef VECMATH_VECMATH_ASSERT_H
#define VECMATH_VECMATH_ASSERT_H

#include <cassert>

#if defined(NDEBUG)
#define VECMATH_ASSERT(condition, function) static_cast<void>(0)
#elif defined(__GLIBC__)
#define VECMATH_ASSERT(condition, function)                                                        \
    ((condition) ? static_cast<void>(0) : __assert_fail(#condition, __FILE__, __LINE__, function))
#else
#define VECMATH_ASSERT(condition, function) assert(condition)
#endif

#endif // VECMATH_VECMATH_ASSERT_H
