#!/usr/bin/env bash
# Builds and runs the consumer program against an installed library, as a CMake project
# with find_package(vecmath CONFIG) and as a plain compiler command with pkg-config's
# flags, each with GCC and with clang (clang also in C++20), and checks that each found
# the library where it was installed and passes on the flags that keep results exact, and
# that the CMake package, the pkg-config file and the library itself agree on
# VECMATH_PORTABLE_TRIG.
#
# Usage: run.sh SOURCE_DIR WORK_DIR BUILD_DIR
#   Installs the library from SOURCE_DIR the way the README says (configured without a
#   prefix, installed with --prefix into a scratch folder), with BUILD_DIR's
#   VECMATH_PORTABLE_TRIG, and uses it from there. Then
#   adds the repository, and its vecmath/ folder, to another project with
#   add_subdirectory, which must change nothing in it, and builds the consumer there.
#   Last, installs the whole project from BUILD_DIR and checks that the programs are
#   installed with the library.
# Usage: run.sh --system WORK_DIR
#   Uses the library installed in /usr (the Debian package libvecmath-dev) with no prefix
#   and no search path given: CMake and pkg-config must find it by themselves.
set -euo pipefail
usage="usage: run.sh SOURCE_DIR WORK_DIR BUILD_DIR | run.sh --system WORK_DIR"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

compilers=(g++)
if command -v clang++ >/dev/null; then
    compilers+=(clang++)
else
    echo "NOTE: clang++ is not installed; only GCC builds the consumer" >&2
fi
sources=("$here/main.cpp" "$here/statics.cpp" "$here/other_library.cpp")

# Builds and runs the consumer every way; the library must be found under the prefix $1,
# built with VECMATH_PORTABLE_TRIG $2 (ON or OFF). With a third argument "given", CMake and
# pkg-config are told the prefix; without, they search their default places only.
consume() {
    local prefix=$1 portable=$2 given=${3:-} cmake_args=() cxx found configured
    [ "$given" = given ] && cmake_args=(-DCMAKE_PREFIX_PATH="$prefix")
    for cxx in "${compilers[@]}"; do
        echo "-- through find_package(vecmath CONFIG), $cxx"
        configured=$(cmake -S "$here" -B "$work/app-$cxx" -DCMAKE_CXX_COMPILER="$cxx" \
            "${cmake_args[@]}")
        grep -q -- "-- vecmath_PORTABLE_TRIG: $portable\$" <<<"$configured" ||
            fail "the CMake package does not record VECMATH_PORTABLE_TRIG=$portable"
        found=$(sed -n 's/^vecmath_DIR:PATH=//p' "$work/app-$cxx/CMakeCache.txt")
        [[ "$found" == "$prefix"/lib* ]] ||
            fail "find_package found vecmath in '$found', not in $prefix"
        cmake --build "$work/app-$cxx" >/dev/null
        "$work/app-$cxx/consumer" "$portable"
    done
    # The flags that keep results exact travel with the installed target.
    grep -q -- '-ffp-contract=off' "$found"/vecmathTargets.cmake ||
        fail "the CMake package lost -ffp-contract=off"

    if [ "$given" = given ]; then
        export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
    else
        unset PKG_CONFIG_PATH
    fi
    local pcdir cflags libs flag std standards
    pcdir=$(pkg-config --variable=pcfiledir vecmath) || fail "pkg-config does not find vecmath"
    [[ "$pcdir" == "$prefix"/lib* ]] || fail "pkg-config found vecmath.pc in '$pcdir', not in $prefix"
    cflags=$(pkg-config --cflags vecmath) libs=$(pkg-config --libs vecmath)
    [[ "$cflags" == *-ffp-contract=off* ]] || fail "pkg-config's flags lack -ffp-contract=off"
    [[ "$(pkg-config --variable=portable_trig vecmath)" == "$portable" ]] ||
        fail "pkg-config's portable_trig is not $portable"
    # Every folder that the flags name must exist and lie in the installation, whatever
    # prefix was configured (a wrong prefix in vecmath.pc shows here).
    for flag in $cflags $libs; do
        case "$flag" in
        -I* | -L*)
            [ -d "${flag:2}" ] || fail "pkg-config names a missing folder: $flag"
            [[ "$(cd "${flag:2}" && pwd -P)" == "$(cd "$prefix" && pwd -P)"* ]] ||
                fail "pkg-config names $flag, outside $prefix"
            ;;
        esac
    done
    for cxx in "${compilers[@]}"; do
        standards=(17)
        [[ "$cxx" == clang++ ]] && standards+=(20)
        for std in "${standards[@]}"; do
            echo "-- through pkg-config, $cxx, C++$std"
            # shellcheck disable=SC2086 # the flags are words
            "$cxx" -std=c++$std -Wall -Wextra -Wpedantic -Werror $cflags "${sources[@]}" \
                -o "$work/consumer-pc-$cxx-$std" $libs
            "$work/consumer-pc-$cxx-$std" "$portable" >/dev/null
        done
    done
}

if [ "${1:-}" = --system ]; then
    work=${2:?$usage}
    rm -rf "$work"
    # The packaged library says how it was built; the CMake package and the library itself
    # must say the same.
    consume /usr "$(pkg-config --variable=portable_trig vecmath)"
    exit 0
fi

src=${1:?$usage} work=${2:?$usage} build=${3:?$usage}
rm -rf "$work"
prefix="$work/prefix"
portable=OFF
grep -q '^VECMATH_PORTABLE_TRIG:BOOL=ON' "$build/CMakeCache.txt" && portable=ON

echo "-- the library alone, installed with --prefix at install time"
cmake -S "$src" -B "$work/lib" -DVECMATH_BUILD_PROGRAMS=OFF -DVECMATH_BUILD_TESTS=OFF \
      -DVECMATH_PORTABLE_TRIG=$portable >/dev/null
cmake --build "$work/lib" -j2 >/dev/null
cmake --install "$work/lib" --prefix "$prefix" >/dev/null
for f in include/vecmath/vector3d.h include/vecmath/vector4d.h include/vecmath/matrix4x4.h \
         include/vecmath/quaternion.h include/vecmath/exact_compare.h include/vecmath/vecmath_assert.h include/vecmath/trig.h lib/libvecmath.a \
         lib/cmake/vecmath/vecmathConfig.cmake lib/cmake/vecmath/vecmathConfigVersion.cmake \
         lib/pkgconfig/vecmath.pc share/doc/vecmath/LICENSE; do
    [[ -f "$prefix/$f" ]] || fail "$f is not installed"
done
[[ ! -e "$prefix/bin" ]] || fail "the library-only install installed programs"
cmp -s "$src/LICENSE" "$prefix/share/doc/vecmath/LICENSE" || fail "the installed LICENSE differs"
# The Debian packages' own files (packaging/) are installed with their packages only.
[[ ! -e "$prefix/share/doc/libvecmath-dev" ]] || fail "a plain install has the package's doc folder"

consume "$prefix" "$portable" given

# Every whole program (a cpp block with a main) of the two READMEs compiles as pasted, and
# every line it prints is what one of its comments says it prints ("// (1, 1, 5): ...").
echo "-- the READMEs' examples, as pasted"
for readme in "$src/README.md" "$src/vecmath/README.md"; do
    rm -f "$work"/example-*.cpp
    awk -v out="$work/example-" '
        /^```cpp$/ { n++; body = ""; inside = 1; next }
        /^```$/ && inside { if (body ~ /int main\(/) { f = out n ".cpp"; printf "%s", body > f; close(f) }
                           inside = 0; next }
        inside { body = body $0 "\n" }' "$readme"
    examples=("$work"/example-*.cpp)
    [ -e "${examples[0]}" ] || fail "${readme#"$src"/} has no whole example"
    for example in "${examples[@]}"; do
        # shellcheck disable=SC2046 # the flags are words
        g++ -std=c++17 -Wall -Wextra -Werror $(pkg-config --cflags vecmath) "$example" \
            -o "${example%.cpp}" $(pkg-config --libs vecmath) ||
            fail "an example of ${readme#"$src"/} does not compile as pasted"
        while IFS= read -r line; do
            grep -qF -- "// $line" "$example" ||
                fail "${readme#"$src"/}: the example prints \"$line\", which no comment says"
        done < <("${example%.cpp}")
    done
done

for added in "$src" "$src/vecmath"; do
    echo "-- add_subdirectory($added)"
    cmake -S "$here/parent" -B "$work/parent-${added##*/}" -DVECMATH_SOURCE="$added" >/dev/null
    cmake --build "$work/parent-${added##*/}" -j2 >/dev/null
    "$work/parent-${added##*/}/consumer" "$(grep -q '^VECMATH_PORTABLE_TRIG:BOOL=ON' \
        "$work/parent-${added##*/}/CMakeCache.txt" && echo ON || echo OFF)" >/dev/null
    if grep -rq --include=cmake_install.cmake 'file(INSTALL' "$work/parent-${added##*/}"; then
        fail "add_subdirectory($added) added install rules to the parent project"
    fi
done

echo "-- the whole project"
cmake --install "$build" --prefix "$work/full" >/dev/null
if grep -q '^VECMATH_BUILD_PROGRAMS:BOOL=ON' "$build/CMakeCache.txt"; then
    for program in swingride cockpit; do
        [[ -x "$work/full/bin/$program" ]] || fail "bin/$program is not installed"
    done
fi
echo "installed: $(cd "$work/full" && find . -type f | sort | tr '\n' ' ')"
