#!/usr/bin/env bash
# stress-tests.sh: runs the test command's whole suite many times in a row and tells, per
# test, how many runs failed. A test that fails now and then shows up here.
#
#   bash scripts/stress-tests.sh [--load] [RUNS]
#
# RUNS defaults to 10. With --load, two busy processes keep both cores loaded while the
# suite runs, as on a machine shared with other work; they are stopped when the script
# ends, however it ends. It installs what is missing and builds as scripts/test.sh does,
# then runs the same suite RUNS times; each run's output is kept in
# $BUILD_DIR/stress/run-N.log. Exits non-zero when any run failed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

load=0 runs=10
for arg in "$@"; do
    case "$arg" in
    --load) load=1 ;;
    *[!0-9]* | "" | 0) echo "usage: bash scripts/stress-tests.sh [--load] [RUNS]" >&2; exit 2 ;;
    *) runs=$arg ;;
    esac
done

install_missing "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
build_all with-tests >/dev/null

busy=()
stop_busy() {
    [ ${#busy[@]} -eq 0 ] || kill "${busy[@]}" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap stop_busy EXIT
if [ "$load" = 1 ]; then
    for _ in 1 2; do
        bash -c 'while :; do :; done' &
        busy+=($!)
    done
    echo "stress-tests.sh: two busy processes load the cores (${busy[*]})"
fi

logs="$BUILD_DIR/stress"
mkdir -p "$logs"
declare -A failures=()
failed_runs=0
for run in $(seq "$runs"); do
    log="$logs/run-$run.log"
    start=$SECONDS
    status=0
    run_suite >"$log" 2>&1 || status=$?
    # CTest lists the failed tests after "The following tests FAILED:", one a line:
    # "<tab>106 - swingride_soak (Failed)".
    failed=$(sed -n '/The following tests FAILED:/,$p' "$log" |
             sed -nE 's/^[[:space:]]*[0-9]+ - (.+) \([^()]+\)$/\1/p')
    summary=$(grep -E '^[0-9]+% tests passed' "$log" || echo "no summary (status $status)")
    echo "run $run of $runs: $summary, $((SECONDS - start)) s"
    if [ "$status" -ne 0 ]; then
        failed_runs=$((failed_runs + 1))
        [ -n "$failed" ] || failed="(the suite itself, status $status)"
        while IFS= read -r name; do
            failures[$name]=$(( ${failures[$name]:-0} + 1 ))
            echo "    failed: $name"
        done <<<"$failed"
    fi
done

total=$(cd "$BUILD_DIR" && ctest -N | sed -nE 's/^Total Tests: ([0-9]+)$/\1/p')
echo
echo "Failed runs per test, out of $runs$([ "$load" = 1 ] && echo " under load"):"
for name in "${!failures[@]}"; do
    echo "  ${failures[$name]} of $runs  $name"
done | sort -rn
echo "  0 of $runs  each of the other $((total - ${#failures[@]})) of the $total tests"
[ "$failed_runs" -eq 0 ]
