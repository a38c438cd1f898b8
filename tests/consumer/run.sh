#!/usr/bin/env bash
# Installs the library from SOURCE_DIR into a scratch prefix, then configures, builds and
# runs the consumer project against it with find_package(vecmath).
#
# Usage: run.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src=${1:?usage: run.sh SOURCE_DIR WORK_DIR} work=${2:?usage: run.sh SOURCE_DIR WORK_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$work"
cmake -S "$src" -B "$work/lib" -DVECMATH_BUILD_PROGRAMS=OFF -DVECMATH_BUILD_TESTS=OFF \
      -DCMAKE_INSTALL_PREFIX="$work/prefix" >/dev/null
cmake --build "$work/lib" -j2 >/dev/null
cmake --install "$work/lib" >/dev/null
cmake -S "$here" -B "$work/app" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/app" >/dev/null
"$work/app/consumer"
# The flags that keep results exact travel with the installed target.
grep -q -- '-ffp-contract=off' "$work/prefix"/lib*/cmake/vecmath/vecmathTargets.cmake
