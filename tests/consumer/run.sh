#!/usr/bin/env bash
# Installs the library from SOURCE_DIR the way the README says (configured without a
# prefix, installed with --prefix into a scratch folder), then builds and runs the consumer
# program against it: with find_package(vecmath CONFIG) and with pkg-config's flags, each
# with GCC and with clang (clang also in C++20). Then adds the repository, and its vecmath/
# folder, to another project with add_subdirectory, which must change nothing in it, and
# builds the consumer there. Last, installs the whole project from BUILD_DIR and checks
# that the programs are installed with the library.
#
# Usage: run.sh SOURCE_DIR WORK_DIR BUILD_DIR
set -euo pipefail
usage="usage: run.sh SOURCE_DIR WORK_DIR BUILD_DIR"
src=${1:?$usage} work=${2:?$usage} build=${3:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$work"
prefix="$work/prefix"

fail() { echo "FAIL: $*" >&2; exit 1; }

compilers=(g++)
if command -v clang++ >/dev/null; then
    compilers+=(clang++)
else
    echo "NOTE: clang++ is not installed; only GCC builds the consumer" >&2
fi

echo "-- the library alone, installed with --prefix at install time"
cmake -S "$src" -B "$work/lib" -DVECMATH_BUILD_PROGRAMS=OFF -DVECMATH_BUILD_TESTS=OFF \
      >/dev/null
cmake --build "$work/lib" -j2 >/dev/null
cmake --install "$work/lib" --prefix "$prefix" >/dev/null
for f in include/vecmath/vector3d.h include/vecmath/vector4d.h include/vecmath/matrix4x4.h \
         include/vecmath/vecmath_assert.h lib/libvecmath.a \
         lib/cmake/vecmath/vecmathConfig.cmake lib/cmake/vecmath/vecmathConfigVersion.cmake \
         lib/pkgconfig/vecmath.pc share/doc/vecmath/LICENSE; do
    [[ -f "$prefix/$f" ]] || fail "$f is not installed"
done
[[ ! -e "$prefix/bin" ]] || fail "the library-only install installed programs"
cmp -s "$src/LICENSE" "$prefix/share/doc/vecmath/LICENSE" || fail "the installed LICENSE differs"

for cxx in "${compilers[@]}"; do
    echo "-- through find_package(vecmath CONFIG), $cxx"
    cmake -S "$here" -B "$work/app-$cxx" -DCMAKE_PREFIX_PATH="$prefix" \
          -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
    cmake --build "$work/app-$cxx" >/dev/null
    "$work/app-$cxx/consumer"
done
# The flags that keep results exact travel with the installed target.
grep -q -- '-ffp-contract=off' "$prefix"/lib/cmake/vecmath/vecmathTargets.cmake ||
    fail "the CMake package lost -ffp-contract=off"

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
cflags=$(pkg-config --cflags vecmath) libs=$(pkg-config --libs vecmath)
[[ "$cflags" == *-ffp-contract=off* ]] || fail "pkg-config's flags lack -ffp-contract=off"
# The folders are the ones installed into, whatever prefix was configured.
for dir in $cflags $libs; do
    case "$dir" in
    -I* | -L*)
        [[ "$(cd "${dir:2}" && pwd -P)" == "$(cd "$prefix" && pwd -P)"* ]] ||
            fail "pkg-config names $dir, outside $prefix"
        ;;
    esac
done
for cxx in "${compilers[@]}"; do
    standards=(17)
    [[ "$cxx" == clang++ ]] && standards+=(20)
    for std in "${standards[@]}"; do
        echo "-- through pkg-config, $cxx, C++$std"
        # shellcheck disable=SC2086 # the flags are words
        "$cxx" -std=c++$std -Wall -Wextra -Wpedantic -Werror $cflags "$here"/main.cpp \
            "$here"/statics.cpp "$here"/other_library.cpp -o "$work/consumer-pc-$cxx-$std" $libs
        "$work/consumer-pc-$cxx-$std" >/dev/null
    done
done

for added in "$src" "$src/vecmath"; do
    echo "-- add_subdirectory($added)"
    cmake -S "$here/parent" -B "$work/parent-${added##*/}" -DVECMATH_SOURCE="$added" >/dev/null
    cmake --build "$work/parent-${added##*/}" -j2 >/dev/null
    "$work/parent-${added##*/}/consumer" >/dev/null
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
