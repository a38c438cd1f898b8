#!/usr/bin/env bash
# bench.sh: how fast vecmath is beside glm and Eigen, and what a frame of each program
# costs. Writes docs/performance.md from the runs it makes.
#
#   bash scripts/bench.sh           # the full run: about twelve minutes on 2 cores
#   bash scripts/bench.sh --smoke   # builds the suite and runs every benchmark briefly,
#                                   # through vecmath's AVX2 code where the CPU has it and
#                                   # through its plain code; fails if the libraries
#                                   # disagree; writes no figures
#
# The full run builds the benchmark suite, the library's unit tests and both programs in
# Release four times, each in a directory of its own under build-bench/:
#   nolto     the default flags, without link-time optimisation;
#   lto       the default flags with LTO (the Release build the project ships);
#   lto-v3    LTO with -march=x86-64-v3 -ffp-contract=fast, flags that would let the
#             compiler fuse multiplies and adds, for everything (only on a CPU with AVX2
#             and FMA);
#   nolto-v3  a program's -march=native build without LTO, linking the library as
#             installed: -march=x86-64-v3 -ffp-contract=fast for the benchmark, the
#             programs and the tests (VECMATH_CONSUMER_CXX_FLAGS), the default flags for
#             the library (only on a CPU with AVX2 and FMA).
# Every build has -g as well: debug information only, which GCC guarantees does not change
# the code, so that callgrind can tell inlined functions apart. In each build it runs the
# unit tests (the library's bit-exactness checks) through the CPU's choice of the code of
# the product and inverse and through their plain code (vecmath/vecmath_simd.h; the v3
# builds run the AVX2 code inline, and the choice is that of the library's own code), counts
# fused multiply-add instructions in the library's code as linked into the programs, the
# tests and the benchmark, and runs the benchmarks. The LTO build's benchmarks run once
# more with the product and inverse forced to their plain code, which is what a CPU
# without AVX2 runs. Then it profiles each program under callgrind for a few seconds in
# the builds without and with LTO (instructions per frame), and counts the frames each
# program really draws per second under Xvfb in the LTO build and, built for the web
# (scripts/web.sh), in headless Chromium. The report's plot of the ratios goes beside it
# (docs/performance-ratios.svg).
#
# Settings (environment): BENCH_BUILD_DIR (build-bench), BENCH_REPETITIONS (12),
# BENCH_MIN_TIME (0.2 seconds per repetition), CALLGRIND_WARMUP (15 seconds of start-up
# left out of each profile), CALLGRIND_SECONDS (30 seconds profiled), FPS_SECONDS (12),
# BENCH_JOBS (2), BENCH_OUTPUT (docs/performance.md).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

mode=full
case "${1:-}" in
    "") ;;
    --smoke) mode=smoke ;;
    *) echo "usage: bash scripts/bench.sh [--smoke]" >&2; exit 2 ;;
esac

bench_dir="${BENCH_BUILD_DIR:-$ROOT/build-bench}"
jobs="${BENCH_JOBS:-2}"
start=$SECONDS

# Configures and builds one configuration: NAME, extra CMAKE_CXX_FLAGS, LTO (ON or OFF),
# tests (ON or OFF), the options for everything but the library
# (VECMATH_CONSUMER_CXX_FLAGS), then the targets to build.
build_config() {
    local name=$1 flags=$2 lto=$3 tests=$4 consumer=$5
    shift 5
    local log="$bench_dir/$name.build.log"
    mkdir -p "$bench_dir"
    if ! { cmake -S "$ROOT" -B "$bench_dir/$name" -DCMAKE_BUILD_TYPE=Release \
                 -DVECMATH_ENABLE_LTO="$lto" -DVECMATH_BUILD_BENCHMARKS=ON \
                 -DVECMATH_BUILD_TESTS="$tests" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
                 "-DCMAKE_CXX_FLAGS=$flags" "-DVECMATH_CONSUMER_CXX_FLAGS=$consumer" &&
           cmake --build "$bench_dir/$name" -j "$jobs" --target "$@"; } >"$log" 2>&1; then
        cat "$log" >&2
        echo "bench.sh: the $name build failed" >&2
        exit 1
    fi
}

# Fails when a benchmark reported an error: the libraries disagreed on its operation.
check_no_errors() {
    if grep -q '"error_occurred": true' "$1"; then
        echo "bench.sh: a benchmark failed; the libraries disagree:" >&2
        grep '"error_message"' "$1" | sort -u >&2
        exit 1
    fi
}

if [ "$mode" = smoke ]; then
    install_missing "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
    build_config smoke "" ON OFF "" vecmath_bench
    # The CPU's choice of vecmath's code, then its plain code (the same where the CPU has
    # no AVX2).
    for simd in auto scalar; do
        out="$bench_dir/smoke/smoke-$simd.json"
        log="$bench_dir/smoke/smoke-$simd.log"
        if ! "$bench_dir/smoke/bench/vecmath_bench" --vecmath_simd=$simd \
                --benchmark_min_time=0.01 --benchmark_out="$out" \
                --benchmark_out_format=json >"$log" 2>&1; then
            cat "$log" >&2
            echo "bench.sh: the benchmark suite failed (--vecmath_simd=$simd)" >&2
            exit 1
        fi
        check_no_errors "$out"
        grep -E '^[A-Za-z0-9_]+ +(agree|DISAGREE|products)' "$log" || true
        count=$(grep -c '"run_type": "iteration"' "$out")
        echo "bench.sh --smoke: $count benchmarks ran with --vecmath_simd=$simd; the three libraries agree on every operation"
    done
    echo "bench.sh --smoke: done in $((SECONDS - start)) s"
    exit 0
fi

install_missing "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}" \
                "${BENCH_PACKAGES[@]}" "${BENCH_REPORT_PACKAGES[@]}"
reps="${BENCH_REPETITIONS:-12}"
min_time="${BENCH_MIN_TIME:-0.2}"
cg_seconds="${CALLGRIND_SECONDS:-30}"
cg_warmup="${CALLGRIND_WARMUP:-15}"
fps_seconds="${FPS_SECONDS:-12}"
output="${BENCH_OUTPUT:-$ROOT/docs/performance.md}"
results="$bench_dir/results"
rm -rf "$results"
mkdir -p "$results"

configs=(nolto lto)
v3="-march=x86-64-v3 -ffp-contract=fast"
declare -A config_flags=([nolto]="-g" [lto]="-g" [lto-v3]="-g $v3" [nolto-v3]="-g")
declare -A config_consumer=([nolto]="" [lto]="" [lto-v3]="" [nolto-v3]="$v3")
declare -A config_lto=([nolto]=OFF [lto]=ON [lto-v3]=ON [nolto-v3]=OFF)
if grep -qw avx2 /proc/cpuinfo && grep -qw fma /proc/cpuinfo; then
    configs+=(lto-v3 nolto-v3)
else
    echo "bench.sh: this CPU has no AVX2 and FMA; the lto-v3 and nolto-v3 builds are left out."
fi

# The number of fused multiply-add instructions in the functions of BINARY whose
# demangled names match the extended regular expression PATTERN, and not EXCLUDE if given.
fma_count() {
    objdump -d --no-show-raw-insn -C "$1" | awk -v pat="$2" -v skip="${3:-}" '
        /^[0-9a-f]+ <.*>:$/ { inside = ($0 ~ pat) && !(skip != "" && $0 ~ skip); next }
        inside && /[ \t]vfn?m(add|sub)/ { n++ }
        END { print n + 0 }'
}
# The number of AVX (VEX-encoded) double-precision multiplies in those functions, leaving
# out those whose names match the regular expression EXCLUDE (by default the library's
# AVX2 code, which has them in every build): shows that -march=x86-64-v3 reached the code
# that the count above looks at.
avx_count() {
    objdump -d --no-show-raw-insn -C "$1" | awk -v pat="$2" -v skip="${3-$avx2_code}" '
        /^[0-9a-f]+ <.*>:$/ { inside = ($0 ~ pat) && !(skip != "" && $0 ~ skip); next }
        inside && /[ \t]vmul[sp]d/ { n++ }
        END { print n + 0 }'
}
# The library's AVX2 code of the product, the inverse and the transform of many points
# (vecmath/matrix4x4_avx2.cpp).
avx2_code='<vecmath::matrix4x4[A-Za-z]*Avx2[(]'
# The library's code in the benchmark: its members, its AVX2 code, the ride's functions,
# and the timed functions of its adapter, into which LTO inlines it.
members="Matrix4x4::|Vector3D::|Vector4D::|$avx2_code"
vecmath_code="$members|VecmathLib|rotateAll|transformAll|stepAround"

for name in "${configs[@]}"; do
    dir="$bench_dir/$name"
    res="$results/$name"
    mkdir -p "$res"
    echo "== $name: building (CMAKE_CXX_FLAGS='${config_flags[$name]}'," \
         "VECMATH_CONSUMER_CXX_FLAGS='${config_consumer[$name]}', LTO ${config_lto[$name]})"
    build_config "$name" "${config_flags[$name]}" "${config_lto[$name]}" ON \
        "${config_consumer[$name]}" vecmath_bench vecmath_tests swingride cockpit swapcount

    echo "== $name: the library's unit tests, through the CPU's choice and the plain code"
    for simd in auto scalar; do
        if ! "$dir/tests/vecmath_tests" --vecmath-simd=$simd --gtest_brief=1 \
                >"$res/tests-$simd.txt" 2>&1; then
            cat "$res/tests-$simd.txt" >&2
            echo "bench.sh: the library's unit tests fail in the $name build (--vecmath-simd=$simd)" >&2
            exit 1
        fi
        echo "$simd: $(head -n 1 "$res/tests-$simd.txt"); $(tail -n 1 "$res/tests-$simd.txt")"
    done

    {
        echo "swingride $(fma_count "$dir/swingride/swingride" .) $(avx_count "$dir/swingride/swingride" .)"
        echo "cockpit $(fma_count "$dir/cockpit/cockpit" .) $(avx_count "$dir/cockpit/cockpit" .)"
        # One test calls std::fma on purpose, to show what fusing would change: every other
        # function is looked at, since the headers' code is inlined into the tests.
        echo "vecmath_tests:library $(fma_count "$dir/tests/vecmath_tests" . FusedMultiplyAddWouldChangeTheResults) $(avx_count "$dir/tests/vecmath_tests" .)"
        echo "vecmath_bench:vecmath $(fma_count "$dir/bench/vecmath_bench" "$vecmath_code") $(avx_count "$dir/bench/vecmath_bench" "$vecmath_code")"
        echo "vecmath_bench:Eigen $(fma_count "$dir/bench/vecmath_bench" EigenLib) $(avx_count "$dir/bench/vecmath_bench" EigenLib)"
        echo "vecmath_bench:glm $(fma_count "$dir/bench/vecmath_bench" GlmLib) $(avx_count "$dir/bench/vecmath_bench" GlmLib)"
        # The AVX2 code on its own: fused multiply-adds, and its AVX multiplies.
        echo "vecmath_bench:avx2 $(fma_count "$dir/bench/vecmath_bench" "$avx2_code") $(avx_count "$dir/bench/vecmath_bench" "$avx2_code" "")"
    } >"$res/fma.txt"
    if awk '$1 !~ /Eigen|glm/ && $2 != 0 { bad = 1 } END { exit !bad }' "$res/fma.txt"; then
        cat "$res/fma.txt" >&2
        echo "bench.sh: fused multiply-adds in the library's code in the $name build" >&2
        exit 1
    fi

    echo "== $name: benchmarks ($reps repetitions of at least $min_time s each)"
    "$dir/bench/vecmath_bench" --benchmark_repetitions="$reps" \
        --benchmark_min_time="$min_time" --benchmark_enable_random_interleaving=true \
        --benchmark_out="$res/bench.json" --benchmark_out_format=json >"$res/bench.txt" 2>&1
    check_no_errors "$res/bench.json"
    if [ "$name" = lto ]; then
        # The fallback, shown on this machine: the product and inverse forced to the plain
        # code that a CPU without AVX2 runs, measured in a run of its own.
        echo "== lto: benchmarks again, vecmath's product and inverse forced to their plain code"
        mkdir -p "$results/lto-scalar"
        "$dir/bench/vecmath_bench" --vecmath_simd=scalar --benchmark_repetitions="$reps" \
            --benchmark_min_time="$min_time" --benchmark_enable_random_interleaving=true \
            --benchmark_out="$results/lto-scalar/bench.json" --benchmark_out_format=json \
            >"$results/lto-scalar/bench.txt" 2>&1
        check_no_errors "$results/lto-scalar/bench.json"
    fi
done

# Profiles PROGRAM of build NAME: start-up and the first frames, in which llvmpipe compiles
# its shaders, run for $cg_warmup s and are then discarded (callgrind_control zeroes the
# counters); what the next $cg_seconds s execute is kept.
profile_frames() {
    local name=$1 program=$2
    local bin="$bench_dir/$name/$program/$program"
    local out="$results/$name/callgrind-$program.out"
    xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
        timeout -s TERM "$((cg_warmup + cg_seconds))" \
        valgrind --tool=callgrind --dump-instr=yes --callgrind-out-file="$out" "$bin" \
        >/dev/null 2>&1 &
    local runner=$!
    sleep "$cg_warmup"
    local zeroed=0 pid
    # The processes whose command line names this output file: xvfb-run's shell, timeout
    # and valgrind itself; only valgrind answers callgrind_control.
    for pid in $(pgrep -f -- "--callgrind-out-file=$out" || true); do
        callgrind_control -z "$pid" >/dev/null 2>&1 && zeroed=1
    done
    wait "$runner" || true
    if [ "$zeroed" != 1 ]; then
        echo "bench.sh: could not zero the callgrind counters of $program" >&2
        exit 1
    fi
    python3 "$ROOT/bench/frame_cost.py" "$out" "$bin" "$program" >"$results/$name/frames-$program.json"
}

for name in nolto lto; do
    for program in swingride cockpit; do
        echo "== $name: $program under callgrind, $cg_warmup s start-up then $cg_seconds s measured"
        profile_frames "$name" "$program"
    done
done

for program in swingride cockpit; do
    echo "== lto: $program frames per second under Xvfb for $fps_seconds s"
    BENCH_FPS_NO_BUILD=1 BUILD_DIR="$bench_dir/lto" \
        bash "$ROOT/scripts/bench-fps.sh" "$program" "$fps_seconds" | tee "$results/fps-$program.txt"
    echo "load average after it: $(cut -d' ' -f1-3 /proc/loadavg)" >>"$results/fps-$program.txt"
done
for program in swingride cockpit; do
    echo "== web: $program frames per second in headless Chromium for $fps_seconds s"
    WEB_BUILD_DIR="$bench_dir/web" bash "$ROOT/scripts/bench-web-fps.sh" "$program" "$fps_seconds" |
        tail -n 1 | tee "$results/fps-web-$program.txt"
    echo "load average after it: $(cut -d' ' -f1-3 /proc/loadavg)" >>"$results/fps-web-$program.txt"
done

# The report's plot needs matplotlib, which the system's Python has from its package; a
# python3 earlier on the PATH (pyenv, a virtual environment) may lack it.
report_python=python3
[ -x /usr/bin/python3 ] && report_python=/usr/bin/python3
"$report_python" "$ROOT/bench/report.py" --results "$results" --builds "$bench_dir" \
    --configs "${configs[*]}" --repetitions "$reps" --min-time "$min_time" \
    --callgrind-seconds "$cg_seconds" --callgrind-warmup "$cg_warmup" --output "$output"
echo "bench.sh: wrote ${output#"$ROOT"/} and its plot in $((SECONDS - start)) s"
