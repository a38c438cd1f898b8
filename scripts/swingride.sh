#!/usr/bin/env bash
# swingride.sh: installs what is missing, builds, and runs the swing ride.
#
#   bash scripts/swingride.sh
#
# Where DISPLAY names a working X server the ride opens there as a real window and runs
# until you close it. Without one it runs for a few seconds on a virtual X server (Xvfb),
# saves a screenshot of its window and prints the screenshot's path.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

install_missing "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
build_all

if display_works; then
    exec "$BUILD_DIR/swingride/swingride"
fi

echo "No X display available: running the swing ride on a virtual display for a few seconds."
shot="$ROOT/out/swingride.png"
"$ROOT/scripts/capture.sh" swingride 4 "$shot"
echo "Screenshot saved: $shot"
