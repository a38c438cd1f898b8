#!/usr/bin/env bash
# docs.sh: builds the library's API reference with Doxygen, from the installed headers,
# and can photograph its Matrix4x4 page in a headless browser.
#
#   bash scripts/docs.sh             # build-docs/reference/html/index.html
#   bash scripts/docs.sh --picture   # the same, then docs/reference-matrix4x4.png
#
# It installs what is missing and builds the target "docs" alone in build-docs/ (or
# $DOCS_BUILD_DIR), configured without the programs and the tests. Doxygen fails on any
# warning, so a public member without a /// comment fails the script, as it fails CI.
# The picture is taken by Debian's chromium, headless, at a fixed window size.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

picture=no
case "${1:-}" in
"") ;;
--picture) picture=yes ;;
*) echo "usage: docs.sh [--picture]" >&2; exit 2 ;;
esac

install_missing cmake make g++ "${DOCS_PACKAGES[@]}"
[ $picture = yes ] && install_missing "${PICTURE_PACKAGES[@]}"

dir="${DOCS_BUILD_DIR:-$ROOT/build-docs}"
start=$SECONDS
cmake -S "$ROOT" -B "$dir" -DVECMATH_BUILD_DOCS=ON -DVECMATH_BUILD_PROGRAMS=OFF \
      -DVECMATH_BUILD_TESTS=OFF -DVECMATH_BUILD_EXAMPLES=OFF -DVECMATH_BUILD_TOOLS=OFF \
      >/dev/null
cmake --build "$dir" --target docs
html="$dir/reference/html"
echo "docs.sh: the reference is $html/index.html ($((SECONDS - start)) s)"
[ $picture = yes ] || exit 0

# The class page's name carries the class's namespace, if it has one.
page=$(find "$html" -maxdepth 1 -name 'class*Matrix4x4.html' | head -n 1)
[ -n "$page" ] || { echo "error: no Matrix4x4 page in $html" >&2; exit 1; }
out="$ROOT/docs/reference-matrix4x4.png"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
rm -f "$out"
# The browser returns once the page has loaded and the screenshot is written; its
# complaints about the missing session bus are noise here.
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
         --disable-background-networking --disable-component-update --disable-sync \
         --hide-scrollbars --force-device-scale-factor=1 --user-data-dir="$profile" \
         --window-size=1000,1250 --screenshot="$out" "file://$page" 2>/dev/null
[ -s "$out" ] || { echo "error: chromium wrote no picture" >&2; exit 1; }
echo "docs.sh: picture of $(basename "$page") saved: $out"
