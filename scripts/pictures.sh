#!/usr/bin/env bash
# pictures.sh: makes the README's pictures from the real programs on a virtual display.
#
#   bash scripts/pictures.sh
#
# Builds first if needed, then writes docs/swingride.png (the ride after two seconds),
# docs/swingride-turn.gif (one full turn), docs/cockpit.png (the cockpit after two
# presses of "8") and docs/cockpit-turned.png (then six presses of "a": 30 degrees left);
# and docs/web-swingride.png and docs/web-cockpit.png, the web pages in headless Chromium
# as the browser test photographs them (scripts/web.sh --test).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

install_missing "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
build_all
mkdir -p "$ROOT/docs"
"$ROOT/scripts/capture.sh" swingride 2 "$ROOT/docs/swingride.png"
GIF_CROP=360x300+140+30 "$ROOT/scripts/capture.sh" swingride 1 "$ROOT/docs/swingride-turn.gif"
if [ -x "$BUILD_DIR/cockpit/cockpit" ]; then
    "$ROOT/scripts/capture.sh" cockpit 1 "$ROOT/docs/cockpit.png" 8 8
    "$ROOT/scripts/capture.sh" cockpit 1 "$ROOT/docs/cockpit-turned.png" 8 8 a a a a a a
fi
# The web pages, as the browser test photographs them.
bash "$ROOT/scripts/web.sh" --test >/dev/null
cp "${WEB_BUILD_DIR:-$ROOT/build-web}/test-artifacts/"web-{swingride,cockpit}.png "$ROOT/docs/"
ls -l "$ROOT/docs"
