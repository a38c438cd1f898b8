#!/usr/bin/env bash
# package.sh: makes the Debian packages of the library and the programs with CPack and
# checks them with lintian; with --check it also proves them on this machine.
#
#   bash scripts/package.sh           # build-package/*.deb, checked by lintian
#   bash scripts/package.sh --check   # then install, use and remove them (changes /usr)
#
# The packages (packaging/CMakeLists.txt) are libvecmath-dev, the library as it installs
# into /usr, and vecmath-demos, swingride and cockpit, whose dependencies dpkg-shlibdeps
# finds. They are built in Release in build-package/ (or $PACKAGE_BUILD_DIR). Any error
# that lintian reports fails the script; its warnings and notes are printed.
#
# --check is for a machine that may be changed, as CI's is: as root, it installs both
# packages with dpkg -i, builds tests/consumer against the installed library through
# find_package and through pkg-config with no prefix given, checks that the installed
# library gives the digest tool's recorded exact digest, runs the installed swingride
# on a virtual display and photographs it (build-package/swingride-installed.png), and
# removes both packages with dpkg -r again, also when a step fails.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

check=no
case "${1:-}" in
"") ;;
--check) check=yes ;;
*) echo "usage: package.sh [--check]" >&2; exit 2 ;;
esac

install_missing "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
[ $check = yes ] && install_missing "${RUN_PACKAGES[@]}" pkg-config

dir="${PACKAGE_BUILD_DIR:-$ROOT/build-package}"
start=$SECONDS
# Debian's build flags, with every hardening feature (the project's own options come
# after them, so the Release optimisation and the exact arithmetic stay as they are).
# No link-time optimisation: the static library must link with any compiler and its
# objects carry plain machine code only.
(
    eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
    export CXXFLAGS="$CXXFLAGS $CPPFLAGS" LDFLAGS
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
          -DVECMATH_ENABLE_LTO=OFF -DVECMATH_BUILD_TESTS=OFF -DVECMATH_BUILD_EXAMPLES=OFF \
          -DVECMATH_BUILD_TOOLS=OFF >/dev/null
)
cmake --build "$dir" -j "$(nproc)"
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
lib_deb=$(ls "$dir"/libvecmath-dev_*.deb)
demos_deb=$(ls "$dir"/vecmath-demos_*.deb)
built=$SECONDS
for deb in "$lib_deb" "$demos_deb"; do
    echo "== $(basename "$deb")"
    dpkg-deb --field "$deb" Package Version Architecture Depends Installed-Size
    dpkg-deb --contents "$deb" | awk '{ print "   ", $6, $7, $8 }'
done
# dpkg-shlibdeps must have found the libraries the programs load: the C and C++
# libraries, freeglut, GLU and OpenGL (libOpenGL through GLVND, or the older libGL).
depends=$(dpkg-deb --field "$demos_deb" Depends)
for lib in libc6 'libstdc\+\+6' 'libglut[0-9.]*|freeglut3' libglu1-mesa 'libopengl0|libgl1'; do
    [[ ", $depends," =~ ,\ ($lib)[\ ,] ]] ||
        { echo "error: vecmath-demos does not depend on $lib: $depends" >&2; exit 1; }
done

echo "== lintian"
# Errors fail the run; warnings and notes are shown, each explained once (--info), but
# pass. One error is overridden on purpose (packaging/libvecmath-dev.lintian-overrides):
# lintian counts an overridden error as an error when it shows it, so it is not shown.
lintian --fail-on error --info --display-info "$lib_deb" "$demos_deb"
linted=$SECONDS
echo "package.sh: packages made in $((built - start)) s, lintian took $((linted - built)) s"
[ $check = yes ] || exit 0

# ---- --check: the packages on this machine ---------------------------------------------
remove_packages() {
    as_root dpkg -r vecmath-demos libvecmath-dev >/dev/null 2>&1 || true
}
trap remove_packages EXIT
as_root dpkg -i "$lib_deb" "$demos_deb"
for pkg in libvecmath-dev vecmath-demos; do
    dpkg-query -W -f='${Status}' "$pkg" | grep -q 'install ok installed' ||
        { echo "error: $pkg is not installed and configured" >&2; exit 1; }
done

echo "== a consumer of the installed library"
bash "$ROOT/tests/consumer/run.sh" --system "$dir/consumer"

echo "== the installed library's results, bit for bit"
# The digest tool, built against the installed library through pkg-config with Debian's
# usual optimisation, must print the exact digest that the tests record.
recorded=$(sed -n 's/^set(VECMATH_EXACT_DIGEST \(.*\))$/\1/p' "$ROOT/tests/CMakeLists.txt")
# shellcheck disable=SC2046 # the flags are words
c++ -std=c++17 -O2 $(pkg-config --cflags vecmath) "$ROOT/tools/vecmath_digest.cpp" \
    -o "$dir/vecmath_digest" $(pkg-config --libs vecmath)
digest=$("$dir/vecmath_digest")
echo "$digest"
[[ -n "$recorded" && "$digest" == "exact "*" $recorded "* ]] ||
    { echo "error: the installed library's exact digest is not $recorded" >&2; exit 1; }

echo "== the installed swingride on a virtual display"
[ "$(command -v swingride)" = /usr/bin/swingride ] || { echo "error: no /usr/bin/swingride" >&2; exit 1; }
shot="$dir/swingride-installed.png"
bash "$ROOT/scripts/capture.sh" /usr/bin/swingride 0 "$shot"
# The ride's green body (0.6 green) and red ropes must be in the picture.
for colour in "#009900" "#FF0000"; do
    pixels=$(convert "$shot" -fill black +opaque "$colour" -fill white -opaque "$colour" \
                     -format '%[fx:round(mean*w*h)]' info:)
    [ "$pixels" -gt 100 ] ||
        { echo "error: $shot has $pixels pixels of $colour: the ride is not drawn" >&2; exit 1; }
    echo "$colour: $pixels pixels"
done
echo "photographed: $shot"

echo "== removal"
trap - EXIT
as_root dpkg -r vecmath-demos libvecmath-dev
for path in /usr/bin/swingride /usr/bin/cockpit /usr/include/vecmath \
            /usr/share/doc/libvecmath-dev /usr/share/doc/vecmath-demos; do
    [ ! -e "$path" ] || { echo "error: $path is still there after dpkg -r" >&2; exit 1; }
done
echo "package.sh: checked in $((SECONDS - linted)) s"
