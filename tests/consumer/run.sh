#!/usr/bin/env bash
# Builds and runs the consumer program against an installed library twice, as a CMake
# project with find_package(vecmath CONFIG) and as a plain compiler command with
# pkg-config's flags, and checks that each found the library where it was installed and
# passes on the flags that keep results exact.
#
# Usage: run.sh SOURCE_DIR WORK_DIR BUILD_DIR
#   Installs the library from SOURCE_DIR into a scratch prefix (headers, archive, CMake and
#   pkg-config files, the licence) and uses it from there; then installs the whole project
#   from BUILD_DIR and checks that the programs are installed with the library.
# Usage: run.sh --system WORK_DIR
#   Uses the library installed in /usr (the Debian package libvecmath-dev) with no prefix
#   and no search path given: CMake and pkg-config must find it by themselves.
set -euo pipefail
usage="usage: run.sh SOURCE_DIR WORK_DIR BUILD_DIR | run.sh --system WORK_DIR"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

# Builds and runs the consumer both ways; the library must be found under the prefix $1.
# With a second argument "given", CMake and pkg-config are told the prefix; without, they
# search their default places only.
consume() {
    local prefix=$1 given=${2:-} cmake_args=()
    [ "$given" = given ] && cmake_args=(-DCMAKE_PREFIX_PATH="$prefix")
    echo "-- through find_package(vecmath CONFIG)"
    cmake -S "$here" -B "$work/app" "${cmake_args[@]}" >/dev/null
    local found
    found=$(sed -n 's/^vecmath_DIR:PATH=//p' "$work/app/CMakeCache.txt")
    [[ "$found" == "$prefix"/lib* ]] || fail "find_package found vecmath in '$found', not in $prefix"
    cmake --build "$work/app" >/dev/null
    "$work/app/consumer"
    # The flags that keep results exact travel with the installed target.
    grep -q -- '-ffp-contract=off' "$found"/vecmathTargets.cmake ||
        fail "the CMake package lost -ffp-contract=off"

    echo "-- through pkg-config"
    if [ "$given" = given ]; then
        export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
    else
        unset PKG_CONFIG_PATH
    fi
    local pcdir cflags libs flag
    pcdir=$(pkg-config --variable=pcfiledir vecmath) || fail "pkg-config does not find vecmath"
    [[ "$pcdir" == "$prefix"/lib* ]] || fail "pkg-config found vecmath.pc in '$pcdir', not in $prefix"
    cflags=$(pkg-config --cflags vecmath) libs=$(pkg-config --libs vecmath)
    [[ "$cflags" == *-ffp-contract=off* ]] || fail "pkg-config's flags lack -ffp-contract=off"
    # Every folder that the flags name must exist (a wrong prefix in vecmath.pc shows here).
    for flag in $cflags $libs; do
        case "$flag" in
        -I* | -L*) [ -d "${flag:2}" ] || fail "pkg-config names a missing folder: $flag" ;;
        esac
    done
    # shellcheck disable=SC2086 # the flags are words
    c++ -std=c++17 $cflags "$here/main.cpp" -o "$work/consumer-pkgconfig" $libs
    "$work/consumer-pkgconfig"
}

if [ "${1:-}" = --system ]; then
    work=${2:?$usage}
    rm -rf "$work"
    consume /usr
    exit 0
fi

src=${1:?$usage} work=${2:?$usage} build=${3:?$usage}
rm -rf "$work"
prefix="$work/prefix"
cmake -S "$src" -B "$work/lib" -DVECMATH_BUILD_PROGRAMS=OFF -DVECMATH_BUILD_TESTS=OFF \
      -DVECMATH_BUILD_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$work/lib" -j2 >/dev/null
cmake --install "$work/lib" >/dev/null

for f in include/vecmath/vector3d.h include/vecmath/vector4d.h include/vecmath/matrix4x4.h \
         include/vecmath/vecmath_assert.h lib/libvecmath.a \
         lib/cmake/vecmath/vecmathConfig.cmake lib/cmake/vecmath/vecmathConfigVersion.cmake \
         lib/pkgconfig/vecmath.pc share/doc/vecmath/LICENSE; do
    [[ -f "$prefix/$f" ]] || fail "$f is not installed"
done
cmp -s "$src/LICENSE" "$prefix/share/doc/vecmath/LICENSE" || fail "the installed LICENSE differs"
# The Debian packages' own files (packaging/) are installed with their packages only.
[[ ! -e "$prefix/share/doc/libvecmath-dev" ]] || fail "a plain install has the package's doc folder"

consume "$prefix" given

echo "-- the whole project"
cmake --install "$build" --prefix "$work/full" >/dev/null
if grep -q '^VECMATH_BUILD_PROGRAMS:BOOL=ON' "$build/CMakeCache.txt"; then
    for program in swingride cockpit; do
        [[ -x "$work/full/bin/$program" ]] || fail "bin/$program is not installed"
    done
fi
[[ ! -e "$work/full/share/doc/vecmath-demos" ]] || fail "a plain install has the package's doc folder"
echo "installed: $(cd "$work/full" && find . -type f | sort | tr '\n' ' ')"
