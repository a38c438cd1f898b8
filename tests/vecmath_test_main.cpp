// vecmath_test_main.cpp: main() of the library's unit and oracle tests. Besides
// GoogleTest's own options it takes
//     --vecmath-simd=auto|scalar|avx2
// the code that the matrix products and inverses of every test run through (see
// vecmath_simd.h); auto, the default, is the CPU's choice, as in any program. CTest runs
// the tests through each. Asked for code that this build or CPU does not have, it runs no
// test and exits with status 77, the usual "skipped". In a build compiled for AVX2 the
// members run the AVX2 code inline whatever is asked, and the option chooses only the
// library's own code, which the tests of vecmath_simd_test.cpp call directly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "vecmath_simd.h"
#include "vecmath_test_util.h"

using namespace vecmath_test;

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const char* const option = "--vecmath-simd=";
    VecmathSimd& requested = vecmath_test::RequestedSimd();
    for (int i = 1; i < argc; i++) {
        const bool known = std::strncmp(argv[i], option, std::strlen(option)) == 0
                        && vecmathSimdFromName(argv[i] + std::strlen(option), requested);
        if (!known) {
            std::fprintf(stderr, "%s: unknown argument %s (try %sauto, scalar or avx2)\n", argv[0],
                         argv[i], option);
            return 2;
        }
    }
    if (!vecmathUseSimd(requested)) {
        std::printf("vecmath: this build or CPU has no %s code; no test runs (skipped)\n",
                    vecmathSimdName(requested));
        return 77;
    }
    if (vecmathInlineAvx2())
        std::printf("vecmath: products, inverses and array transforms run the avx2 code inline "
                    "(compiled for AVX2); the library's own code runs the %s code (asked for %s)\n",
                    vecmathSimdName(vecmathSimdInUse()), vecmathSimdName(requested));
    else
        std::printf(
            "vecmath: products, inverses and array transforms run the %s code (asked for %s)\n",
            vecmathSimdName(vecmathSimdInUse()), vecmathSimdName(requested));
    return RUN_ALL_TESTS();
}
