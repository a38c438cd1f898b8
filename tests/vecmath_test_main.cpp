// vecmath_test_main.cpp: main() of the library's unit and oracle tests. Besides
// GoogleTest's own options it takes
//     --vecmath-simd=auto|scalar|avx2
// the code that the matrix products and inverses of every test run through (see
// vecmath_simd.h); auto, the default, is the CPU's choice, as in any program. CTest runs
// the tests through each. Asked for code that this build or CPU does not have, every test
// is skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "vecmath_simd.h"
#include "vecmath_test_util.h"

namespace {

class Unavailable : public ::testing::Environment
{
public:
    explicit Unavailable(std::string why) : m_why(std::move(why)) {}
    void SetUp() override { GTEST_SKIP() << m_why; }

private:
    std::string m_why;
};

} // namespace

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
        const std::string why =
            std::string("this build or CPU has no ") + vecmathSimdName(requested) + " code";
        std::printf("vecmath: %s; every test is skipped\n", why.c_str());
        ::testing::AddGlobalTestEnvironment(new Unavailable(why));
    } else {
        std::printf("vecmath: products and inverses run the %s code (asked for %s)\n",
                    vecmathSimdName(vecmathSimdInUse()), vecmathSimdName(requested));
    }
    return RUN_ALL_TESTS();
}
