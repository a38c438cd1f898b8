#!/usr/bin/env bash
# bench-web-fps.sh: measures how many frames per second a program's web page draws in
# headless Chromium on SwiftShader (its software GPU), as bench-fps.sh does natively.
#
#   bash scripts/bench-web-fps.sh [PROGRAM] [SECONDS]
#
# PROGRAM is swingride (default) or cockpit; SECONDS defaults to 12. Builds the pages first
# (scripts/web.sh; into WEB_BUILD_DIR, build-web/ by default) and installs puppeteer-core
# as tests/web/package-lock.json pins it. The page counts the frames it draws; the figure
# is compared with the 62.5 ticks per second of the program's 16 ms timer (the browser
# draws at most one frame per animation frame, 60 a second here).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

program="${1:-swingride}" seconds="${2:-12}"
web_dir="${WEB_BUILD_DIR:-$ROOT/build-web}"
install_missing "${WEB_PACKAGES[@]}"
web_build "$web_dir"
web_node_modules
node "$ROOT/bench/web_fps.mjs" "$web_dir/site" "$program" "$seconds"
