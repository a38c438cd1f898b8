#!/usr/bin/env bash
# Rebuilds the vecmath library, its unit tests and the digest tool with
#     -O3 -march=x86-64-v3 -ffp-contract=fast
# (flags that let the compiler fuse multiplies and adds), then
#   1. runs the tests, whose bit-exact cases compare every result with a plain
#      evaluation in the documented order, through the CPU's choice of the product's and
#      inverse's code (AVX2 here) and again through their plain code,
#   2. runs the digest tool, whose exact digest must be the recorded one, and
#   3. checks with objdump that the library archive holds no fused multiply-add
#      instruction, and does hold AVX code, so that the flags really reached it.
#
# Usage: run.sh BUILD_DIR EXACT_DIGEST [CXX_COMPILER]
#   BUILD_DIR     where to configure and build (created if missing, reused if present)
#   EXACT_DIGEST  the digest tool's exact digest, as recorded in tests/CMakeLists.txt
#   CXX_COMPILER  the C++ compiler to use (default: CMake's choice)
# CTest runs it as vecmath.BitExactUnderFmaFlags. Exits 77 (skipped) on a CPU without
# FMA and AVX2, where the built tests could not run.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage="usage: run.sh BUILD_DIR EXACT_DIGEST [CXX_COMPILER]"
build=${1:?$usage}
digest=${2:?$usage}
compiler=${3:-}

for flag in fma avx2; do
    if ! grep -qw "$flag" /proc/cpuinfo; then
        echo "SKIP: this CPU has no $flag; code built for x86-64-v3 cannot run here."
        exit 77
    fi
done

configure=(cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release
           "-DCMAKE_CXX_FLAGS=-O3 -march=x86-64-v3 -ffp-contract=fast")
if [[ -n "$compiler" ]]; then
    configure+=("-DCMAKE_CXX_COMPILER=$compiler")
fi
"${configure[@]}"
cmake --build "$build" -j2

# Both checks run, so that a failure reports everything that is wrong.
status=0
for simd in auto scalar; do
    "$build/vecmath_fma_tests" --vecmath-simd=$simd --gtest_brief=1 || status=1
done
exact=$("$build/vecmath_digest" | awk '$1 == "exact" { print $2 }')
if [[ "$exact" != "$digest" ]]; then
    echo "FAIL: the digest tool's exact digest is '$exact' under these flags, not $digest."
    status=1
fi

archive="$build/vecmath/libvecmath.a"
disassembly=$(objdump -d "$archive")
if ! grep -qE '\svmul[sp]d\s' <<<"$disassembly"; then
    echo "FAIL: $archive has no AVX multiplies; -march=x86-64-v3 did not reach it."
    status=1
fi
if fused=$(grep -E '\svfn?m(add|sub)' <<<"$disassembly"); then
    echo "FAIL: $archive contains $(wc -l <<<"$fused") fused multiply-add instructions:"
    head -n 20 <<<"$fused"
    status=1
fi
if [[ $status -eq 0 ]]; then
    echo "OK: bit-exact under FMA flags; no fused multiply-add in $archive."
fi
exit $status
