#!/usr/bin/env bash
# capture.sh: runs one of the programs on a fresh virtual X server and photographs its
# window.
#
#   bash scripts/capture.sh PROGRAM SECONDS OUT.png [KEY...]
#
# PROGRAM is swingride or cockpit, from the build folder (BUILD_DIR, default build/).
# After SECONDS the window is saved to OUT.png; any KEYs (xdotool key names) are sent to
# the window first, one every 0.1 s. The program and the X server are stopped at the end.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

program="$1" seconds="$2" out="$3"
shift 3
binary="$BUILD_DIR/$program/$program"
[ -x "$binary" ] || { echo "error: $binary is not built" >&2; exit 1; }
mkdir -p "$(dirname "$out")"

export CAPTURE_BINARY="$binary" CAPTURE_SECONDS="$seconds" CAPTURE_OUT="$out"
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    set -euo pipefail
    "$CAPTURE_BINARY" >/dev/null & pid=$!
    trap "kill $pid 2>/dev/null || true" EXIT
    id=""
    for _ in $(seq 100); do
        id=$(xdotool search --name "^Aeroplane$" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && break
        kill -0 $pid 2>/dev/null || { echo "error: the program ended early" >&2; exit 1; }
        sleep 0.1
    done
    [ -n "$id" ] || { echo "error: no window appeared" >&2; exit 1; }
    for key in "$@"; do xdotool key --window "$id" "$key"; sleep 0.1; done
    sleep "$CAPTURE_SECONDS"
    import -window "$id" "$CAPTURE_OUT"
' capture "$@"
