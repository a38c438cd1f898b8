#!/usr/bin/env bash
# Checks the library under the compiler flags of someone chasing speed:
#   1. the source of its own sine and cosine (vecmath/trig.cpp) refuses to compile with
#      -ffast-math, associative, reciprocal or finite-only math: each stops at its #error;
# then rebuilds the vecmath library, its unit tests and the digest tool with
#     -O3 -march=x86-64-v3 -ffp-contract=fast
# (flags that let the compiler fuse multiplies and adds), then
#   2. runs the tests, whose bit-exact cases compare every result with a plain
#      evaluation in the documented order; compiled for AVX2, they run the product's,
#      inverse's and array transform's AVX2 code inline, and compare it with the library's
#      own code, forced to its AVX2 code and to its plain code in turn,
#   3. runs the digest tool, whose exact digest must be the recorded one,
#   4. checks with objdump that the library archive holds no fused multiply-add
#      instruction, and does hold AVX code, so that the flags really reached it; and the
#      same of the tests and the digest tool, the library's users built with these flags,
#      into whose code the headers' AVX2 code is inlined (the one test that calls std::fma
#      on purpose, to show what fusing would change, is left out), and that the members'
#      code there makes no call to the library's own code of those operations, and
#   5. builds the library's sources once more with those flags and -march=haswell alone,
#      without the options the library's target adds (a copy of the files in another
#      build system): the digest tool linked with it must give the recorded portable
#      digest, and with GCC its sine and cosine hold no fused multiply-add either.
#
# Usage: run.sh BUILD_DIR EXACT_DIGEST PORTABLE_DIGEST [CXX_COMPILER]
#   BUILD_DIR        where to configure and build (created if missing, reused if present)
#   EXACT_DIGEST     the digest tool's exact digest, as recorded in tests/CMakeLists.txt
#   PORTABLE_DIGEST  its portable digest (the library's own sine and cosine), likewise
#   CXX_COMPILER     the C++ compiler to use (default: CMake's choice, c++ for step 1)
# CTest runs it as vecmath.BitExactUnderFmaFlags. Exits 77 (skipped) after step 1 on a CPU
# without FMA and AVX2, where the built tests could not run.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
trig="$here/../../vecmath/trig.cpp"
usage="usage: run.sh BUILD_DIR EXACT_DIGEST PORTABLE_DIGEST [CXX_COMPILER]"
build=${1:?$usage}
digest=${2:?$usage}
portable=${3:?$usage}
compiler=${4:-}

# Every check runs, so that a failure reports everything that is wrong.
status=0

# 1. Flags that reorder or drop floating-point operations stop the build.
cxx=${compiler:-c++}
for flags in "-ffast-math" "-fassociative-math -fno-signed-zeros -fno-trapping-math" \
             "-freciprocal-math" "-ffinite-math-only"; do
    # shellcheck disable=SC2086 # the flags are words
    if output=$("$cxx" -std=c++17 $flags -fsyntax-only "$trig" 2>&1); then
        echo "FAIL: trig.cpp compiled with $flags; it must stop with its #error."
        status=1
    elif ! grep -q "correctly rounded functions cannot be built with" <<<"$output"; then
        echo "FAIL: trig.cpp did not compile with $flags, but not for its #error:"
        head -n 5 <<<"$output"
        status=1
    else
        echo "trig.cpp with $flags: stopped by its #error, as it must be."
    fi
done

for flag in fma avx2; do
    if ! grep -qw "$flag" /proc/cpuinfo; then
        echo "SKIP: this CPU has no $flag; code built for x86-64-v3 cannot run here."
        exit $((status == 0 ? 77 : status))
    fi
done

configure=(cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release
           "-DCMAKE_CXX_FLAGS=-O3 -march=x86-64-v3 -ffp-contract=fast")
if [[ -n "$compiler" ]]; then
    configure+=("-DCMAKE_CXX_COMPILER=$compiler")
fi
"${configure[@]}"
cmake --build "$build" -j2

# 2. and 3.
for simd in auto scalar; do
    "$build/vecmath_fma_tests" --vecmath-simd=$simd --gtest_brief=1 || status=1
done
exact=$("$build/vecmath_digest" | awk '$1 == "exact" { print $2 }')
if [[ "$exact" != "$digest" ]]; then
    echo "FAIL: the digest tool's exact digest is '$exact' under these flags, not $digest."
    status=1
fi

# 4.
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
# The users' code, which the headers' inline code is compiled into with these flags.
for binary in "$build/vecmath_fma_tests" "$build/vecmath_digest"; do
    fused=$(objdump -d --no-show-raw-insn -C "$binary" | awk '
        /^[0-9a-f]+ <.*>:$/ { fn = $0; next }
        /[ \t]vfn?m(add|sub)/ && fn !~ /FusedMultiplyAddWouldChangeTheResults/ { print fn " " $0 }')
    if [[ -n "$fused" ]]; then
        echo "FAIL: $binary contains $(wc -l <<<"$fused") fused multiply-add instructions:"
        head -n 20 <<<"$fused"
        status=1
    fi
done
# The members run the AVX2 code inline: the tests call the library's own code of the
# product, inverse and array transforms only where they mean to, to compare it with the
# inline code (vecmath_simd_test.cpp); that those calls are seen shows the scan works.
callers=$(objdump -d --no-show-raw-insn -C "$build/vecmath_fma_tests" | awk '
    /^[0-9a-f]+ <.*>:$/ { fn = $0; next }
    /call.*<vecmath::detail::library/ { print fn }' | sort -u)
on_purpose=$(grep -cE 'SimdDispatch_|ThroughLibrary' <<<"$callers" || true)
others=$(grep -vE 'SimdDispatch_|ThroughLibrary' <<<"$callers" || true)
if [[ -n "$others" ]]; then
    echo "FAIL: the members call the library's own code, not the inline AVX2 code, in:"
    echo "$others"
    status=1
elif [[ "$on_purpose" -eq 0 ]]; then
    echo "FAIL: objdump shows no call of the library's own code, not even the tests' own."
    status=1
fi

# 5. The copy: its sine and cosine keep their bits. GCC honours the source's pragma that
# switches contraction off, so its code has no fused operation at all; clang ignores such
# pragmas under -ffp-contract=fast and fuses elsewhere, where the proofs allow it, while
# the error-free transformations stay unfused (exact_fp.h).
vendored=$("$build/vecmath_digest_vendored" | awk '$1 == "portable" { print $2 }')
if [[ "$vendored" != "$portable" ]]; then
    echo "FAIL: the copied library's sine and cosine give the portable digest '$vendored'"
    echo "      under these flags, not $portable."
    status=1
fi
trig_code=$(objdump -d "$build/libvecmath_vendored.a" |
            awk '/file format/ { inside = ($1 == "trig.cpp.o:"); next } inside')
if ! grep -qE '\svmul[sp]d\s' <<<"$trig_code"; then
    echo "FAIL: the copied trig.cpp has no AVX multiplies; -march=haswell did not reach it."
    status=1
fi
if ! "$cxx" --version | grep -qi clang && fused=$(grep -E '\svfn?m(add|sub)' <<<"$trig_code"); then
    echo "FAIL: the copied trig.cpp contains $(wc -l <<<"$fused") fused multiply-adds:"
    head -n 20 <<<"$fused"
    status=1
fi

if [[ $status -eq 0 ]]; then
    echo "OK: bit-exact under FMA flags; no fused multiply-add in $archive, the tests or the"
    echo "digest tool; the members run the AVX2 code inline; the copied sine and cosine"
    echo "keep their digest; fast-math flags stop their build."
fi
exit $status
