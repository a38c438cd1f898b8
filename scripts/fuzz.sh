#!/usr/bin/env bash
# fuzz.sh: builds the vecmath fuzz target (tests/fuzz, clang with libFuzzer, ASan and UBSan)
# and runs it for a while.
#
#   bash scripts/fuzz.sh            # 60 seconds, as CI does
#   bash scripts/fuzz.sh 600        # longer, by hand
#
# The build and the working corpus go to build-fuzz/ (or $FUZZ_BUILD_DIR); the corpus
# grows from run to run, starting from the seeds in tests/fuzz/corpus/, which are only
# read. An input that crashes the target, trips a sanitizer or breaks one of its checks is
# saved as build-fuzz/artifacts/crash-* (replay it with `build-fuzz/vecmath_fuzz FILE`)
# and the script fails. Ends with the number of inputs run and the coverage reached.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

seconds="${1:-60}"
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: fuzz.sh [SECONDS]" >&2; exit 2; }

install_missing cmake make "${FUZZ_PACKAGES[@]}"

dir="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
start=$SECONDS
cmake -S "$ROOT/tests/fuzz" -B "$dir" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$dir" -j "$(nproc)"
built=$SECONDS
mkdir -p "$dir/corpus" "$dir/artifacts"

log="$dir/fuzz.log"
status=0
ASAN_OPTIONS="halt_on_error=1:detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}" \
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}" \
    "$dir/vecmath_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$dir/artifacts/" "$dir/corpus" "$ROOT/tests/fuzz/corpus" \
        >"$log" 2>&1 || status=$?
ran=$((SECONDS - built))

# libFuzzer's own lines: its status lines carry "cov:" (code edges reached) and "ft:"
# (features: edges with hit counts), its final statistics the inputs run.
last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
cov=$(grep -oE 'cov: [0-9]+' <<<"$last" | grep -oE '[0-9]+' || true)
ft=$(grep -oE 'ft: [0-9]+' <<<"$last" | grep -oE '[0-9]+' || true)
corpus=$(find "$dir/corpus" -type f | wc -l)
if [ $status -ne 0 ]; then
    grep -vE '^#[0-9]+' "$log" | tail -n 60
    # The target's own message when one of its checks failed.
    grep -m 1 'broken:' "$log" || true
    echo "fuzz.sh: FAILED (status $status); the input is in $dir/artifacts/"
else
    tail -n 3 "$log"
fi
echo "fuzz.sh: ${runs:-?} inputs in ${ran} s (${speed:-?} exec/s), cov: ${cov:-?} ft: ${ft:-?}," \
     "corpus $corpus inputs; build $((built - start)) s"
exit $status
