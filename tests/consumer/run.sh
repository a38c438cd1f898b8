#!/usr/bin/env bash
# Installs the library from SOURCE_DIR into a scratch prefix (headers, archive, CMake and
# pkg-config files, the licence), then builds and runs the consumer program against it
# twice: as a CMake project with find_package(vecmath CONFIG) and as a plain compiler
# command with pkg-config's flags. Then installs the whole project from BUILD_DIR and
# checks that the programs are installed with the library.
#
# The library is configured with BUILD_DIR's VECMATH_PORTABLE_TRIG, which both the CMake
# package and the pkg-config file must record, and the library must report.
#
# Usage: run.sh SOURCE_DIR WORK_DIR BUILD_DIR
set -euo pipefail
usage="usage: run.sh SOURCE_DIR WORK_DIR BUILD_DIR"
src=${1:?$usage} work=${2:?$usage} build=${3:?$usage}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$work"
prefix="$work/prefix"
portable=OFF
grep -q '^VECMATH_PORTABLE_TRIG:BOOL=ON' "$build/CMakeCache.txt" && portable=ON
cmake -S "$src" -B "$work/lib" -DVECMATH_BUILD_PROGRAMS=OFF -DVECMATH_BUILD_TESTS=OFF \
      -DVECMATH_BUILD_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DVECMATH_PORTABLE_TRIG=$portable >/dev/null
cmake --build "$work/lib" -j2 >/dev/null
cmake --install "$work/lib" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in include/vecmath/vector3d.h include/vecmath/vector4d.h include/vecmath/matrix4x4.h \
         include/vecmath/vecmath_assert.h include/vecmath/trig.h lib/libvecmath.a \
         lib/cmake/vecmath/vecmathConfig.cmake lib/cmake/vecmath/vecmathConfigVersion.cmake \
         lib/pkgconfig/vecmath.pc share/doc/vecmath/LICENSE; do
    [[ -f "$prefix/$f" ]] || fail "$f is not installed"
done
cmp -s "$src/LICENSE" "$prefix/share/doc/vecmath/LICENSE" || fail "the installed LICENSE differs"

echo "-- through find_package(vecmath CONFIG)"
configured=$(cmake -S "$here" -B "$work/app" -DCMAKE_PREFIX_PATH="$prefix")
grep -q -- "-- vecmath_PORTABLE_TRIG: $portable\$" <<<"$configured" ||
    fail "the CMake package does not record VECMATH_PORTABLE_TRIG=$portable"
cmake --build "$work/app" >/dev/null
"$work/app/consumer" "$portable"
# The flags that keep results exact travel with the installed target.
grep -q -- '-ffp-contract=off' "$prefix"/lib/cmake/vecmath/vecmathTargets.cmake ||
    fail "the CMake package lost -ffp-contract=off"

echo "-- through pkg-config"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
cflags=$(pkg-config --cflags vecmath) libs=$(pkg-config --libs vecmath)
[[ "$cflags" == *-ffp-contract=off* ]] || fail "pkg-config's flags lack -ffp-contract=off"
# shellcheck disable=SC2086 # the flags are words
c++ -std=c++17 $cflags "$here/main.cpp" -o "$work/consumer-pkgconfig" $libs
"$work/consumer-pkgconfig" "$portable"
[[ "$(pkg-config --variable=portable_trig vecmath)" == "$portable" ]] ||
    fail "pkg-config's portable_trig is not $portable"

echo "-- the whole project"
cmake --install "$build" --prefix "$work/full" >/dev/null
if grep -q '^VECMATH_BUILD_PROGRAMS:BOOL=ON' "$build/CMakeCache.txt"; then
    for program in swingride cockpit; do
        [[ -x "$work/full/bin/$program" ]] || fail "bin/$program is not installed"
    done
fi
echo "installed: $(cd "$work/full" && find . -type f | sort | tr '\n' ' ')"
