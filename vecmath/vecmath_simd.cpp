// vecmath_simd.cpp: the choice between the plain and the AVX2 code of the library's matrix
// product, inverse and array transforms (see vecmath_simd.h).
#include "vecmath_simd.h"

#include <cstring>
#include <initializer_list>

namespace vecmath {

#if VECMATH_HAVE_AVX2_PATH

// The only state of the library: set once from the CPU, or by vecmathUseSimd, and read by
// every product and inverse. An atomic so that threads making the first choice at the
// same time do not race; they all store the same value.
std::atomic<int> vecmathSimdChoice{static_cast<int>(VecmathSimd::Auto)};

namespace {

// AVX2 in the CPU and its registers saved by the operating system: libgcc's and
// compiler-rt's records of the CPU check both (XGETBV) before they report AVX2.
bool cpuRunsAvx2()
{
    // Fills in the record if no constructor has done so yet (a product computed while
    // static objects are constructed); it does nothing the second time.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

} // namespace

VecmathSimd vecmathSimdInUse()
{
    int choice = vecmathSimdChoice.load(std::memory_order_relaxed);
    if (choice == static_cast<int>(VecmathSimd::Auto)) {
        choice = static_cast<int>(cpuRunsAvx2() ? VecmathSimd::Avx2 : VecmathSimd::Scalar);
        vecmathSimdChoice.store(choice, std::memory_order_relaxed);
    }
    return static_cast<VecmathSimd>(choice);
}

bool vecmathSimdAvailable(VecmathSimd simd)
{
    return simd != VecmathSimd::Avx2 || cpuRunsAvx2();
}

bool vecmathUseSimd(VecmathSimd simd)
{
    if (!vecmathSimdAvailable(simd))
        return false;
    vecmathSimdChoice.store(static_cast<int>(simd), std::memory_order_relaxed);
    return true;
}

#else // no AVX2 code in this build: always the plain code

VecmathSimd vecmathSimdInUse()
{
    return VecmathSimd::Scalar;
}

bool vecmathSimdAvailable(VecmathSimd simd)
{
    return simd != VecmathSimd::Avx2;
}

bool vecmathUseSimd(VecmathSimd simd)
{
    return vecmathSimdAvailable(simd);
}

#endif // VECMATH_HAVE_AVX2_PATH

const char* vecmathSimdName(VecmathSimd simd)
{
    switch (simd) {
    case VecmathSimd::Scalar:
        return "scalar";
    case VecmathSimd::Avx2:
        return "avx2";
    case VecmathSimd::Auto:
        break;
    }
    return "auto";
}

bool vecmathSimdFromName(const char* name, VecmathSimd& simd)
{
    for (VecmathSimd candidate : {VecmathSimd::Auto, VecmathSimd::Scalar, VecmathSimd::Avx2})
        if (std::strcmp(name, vecmathSimdName(candidate)) == 0) {
            simd = candidate;
            return true;
        }
    return false;
}

} // namespace vecmath
