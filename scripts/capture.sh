#!/usr/bin/env bash
# capture.sh: runs one of the programs on a fresh virtual X server and photographs its
# window.
#
#   bash scripts/capture.sh PROGRAM SECONDS OUT.png [KEY...]
#   bash scripts/capture.sh PROGRAM SECONDS OUT.gif [KEY...]
#
# PROGRAM is swingride or cockpit, from the build folder (BUILD_DIR, default build/), or
# the path of a program (/usr/bin/swingride, as the Debian package installs it). Once the
# window has appeared and shows its first frame, any KEYs (xdotool key names) are sent to
# it, one every 0.1 s. SECONDS later the window is saved to OUT.png (with 0, at once);
# for OUT.gif, snapshots are taken from then on
# for ANIMATION_SECONDS (default 5.8, one full turn of the ride) and put together as a
# looping animation, cut to GIF_CROP (WxH+X+Y) when that is set. The program and the X server are stopped at the end.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

program="$1" seconds="$2" out="$3"
shift 3
binary="$BUILD_DIR/$program/$program"
[[ "$program" == */* ]] && binary="$program"
[ -x "$binary" ] || { echo "error: $binary is not built" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
frames_dir=$(mktemp -d)
trap 'rm -rf "$frames_dir"' EXIT

export CAPTURE_BINARY="$binary" CAPTURE_SECONDS="$seconds" CAPTURE_OUT="$out"
export CAPTURE_FRAMES_DIR="$frames_dir" ANIMATION_SECONDS="${ANIMATION_SECONDS:-5.8}"
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    set -euo pipefail
    "$CAPTURE_BINARY" >/dev/null & pid=$!
    trap "kill $pid 2>/dev/null || true" EXIT
    id=""
    for _ in $(seq 600); do
        id=$(xdotool search --name "^Aeroplane$" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && break
        kill -0 $pid 2>/dev/null || { echo "error: the program ended early" >&2; exit 1; }
        sleep 0.1
    done
    [ -n "$id" ] || { echo "error: no window appeared" >&2; exit 1; }
    # The first frame: the window shows more than the black it is cleared to.
    drawn=no
    for _ in $(seq 600); do
        import -window "$id" "$CAPTURE_FRAMES_DIR/first.png" 2>/dev/null &&
            [ "$(identify -format "%[max]" "$CAPTURE_FRAMES_DIR/first.png")" != 0 ] &&
            { drawn=yes; break; }
        kill -0 $pid 2>/dev/null || { echo "error: the program ended early" >&2; exit 1; }
        sleep 0.1
    done
    rm -f "$CAPTURE_FRAMES_DIR/first.png"
    [ $drawn = yes ] || { echo "error: the window stayed black" >&2; exit 1; }
    for key in "$@"; do xdotool key --window "$id" "$key" 2>/dev/null; sleep 0.1; done
    sleep "$CAPTURE_SECONDS"
    case "$CAPTURE_OUT" in
    *.gif)
        span_ns=$(awk -v s="$ANIMATION_SECONDS" "BEGIN { printf \"%d\", s * 1e9 }")
        end=$(( $(date +%s%N) + span_ns ))
        n=0
        while [ "$(date +%s%N)" -lt "$end" ]; do
            import -window "$id" "$CAPTURE_FRAMES_DIR/$(printf %04d $n).png"
            n=$((n + 1))
        done ;;
    *)
        import -window "$id" "$CAPTURE_OUT" ;;
    esac
' capture "$@"

if [[ "$out" == *.gif ]]; then
    # Play back at the speed the snapshots were taken.
    count=$(find "$frames_dir" -name '*.png' | wc -l)
    delay=$(awk -v s="${ANIMATION_SECONDS:-5.8}" -v n="$count" 'BEGIN { printf "%d", s * 100 / n + 0.5 }')
    crop=()
    [ -n "${GIF_CROP:-}" ] && crop=(-crop "$GIF_CROP" +repage)
    convert -delay "$delay" -loop 0 "$frames_dir"/*.png "${crop[@]}" -layers Optimize "$out"
fi
