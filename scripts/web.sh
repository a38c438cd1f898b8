#!/usr/bin/env bash
# web.sh: builds the library and both programs for web browsers with emscripten and prints
# the path of each page it built, one a line.
#
#   bash scripts/web.sh                  # build-web/site/: index.html, swingride.html,
#                                        # cockpit.html and their .js and .wasm files
#   bash scripts/web.sh --serve [PORT]   # the same, then serves build-web/site/ at
#                                        # http://127.0.0.1:PORT/ (8000 by default) until
#                                        # Ctrl-C
#   bash scripts/web.sh --test           # the same, then the browser test
#
# The site is static: any web server can host the folder as it is. --test also builds the
# digest tool with VECMATH_PORTABLE_TRIG (build-web/portable-trig/) and the native programs
# with their tests ($BUILD_DIR, build/ by default), installs the test's puppeteer-core as
# tests/web/package-lock.json pins it, and runs tests/web/browser_test.mjs in headless
# Chromium; its pictures and the native reference go to build-web/test-artifacts/. The
# build folder is WEB_BUILD_DIR (build-web/ by default).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

WEB_DIR="${WEB_BUILD_DIR:-$ROOT/build-web}"
mode=build port=8000
case "${1:-}" in
    "") ;;
    --serve) mode=serve port="${2:-8000}" ;;
    --test) mode=test ;;
    *) echo "usage: bash scripts/web.sh [--serve [PORT] | --test]" >&2; exit 2 ;;
esac

install_missing "${WEB_PACKAGES[@]}"
web_build "$WEB_DIR"
for page in index swingride cockpit; do
    echo "$WEB_DIR/site/$page.html"
done

case $mode in
serve)
    exec node "$ROOT/web/serve.mjs" "$WEB_DIR/site" "$port"
    ;;
test)
    install_missing "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build_all with-tests >/dev/null
    web_build "$WEB_DIR/portable-trig" -DVECMATH_PORTABLE_TRIG=ON -DVECMATH_BUILD_PROGRAMS=OFF \
        -DVECMATH_BUILD_EXAMPLES=OFF
    web_node_modules
    artifacts="$WEB_DIR/test-artifacts"
    rm -rf "$artifacts"
    mkdir -p "$artifacts"
    VECMATH_WEB_SITE="$WEB_DIR/site" VECMATH_WEB_ARTIFACTS="$artifacts" \
    VECMATH_WEB_DIGEST_TOOLS="$WEB_DIR/tools/vecmath_digest.js:$WEB_DIR/portable-trig/tools/vecmath_digest.js" \
    VECMATH_NATIVE_REFERENCE="$BUILD_DIR/tests/web_native_reference" \
        node --test --test-reporter=tap "$ROOT/tests/web/browser_test.mjs"
    echo "web.sh: the pages' pictures are in ${artifacts#"$ROOT"/}/web-swingride.png and web-cockpit.png"
    ;;
esac
