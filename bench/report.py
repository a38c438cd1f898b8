#!/usr/bin/env python3
"""report.py: writes docs/performance.md from the runs that scripts/bench.sh made.

Every figure in the report is read from those runs: the benchmark suite's JSON output,
the unit tests' summaries, the counts of fused multiply-adds, the callgrind profiles
reduced by frame_cost.py, and the frame counts of bench-fps.sh and bench-web-fps.sh.
Nothing is typed in.
Beside the report it writes performance-ratios.svg, a bar chart of the ratios per run,
drawn with matplotlib.
"""
import argparse
import datetime
import json
import math
import os
import re
import shlex
import statistics
import subprocess
from collections import defaultdict

# The operations in the order of the report: key, description, target ratios (by the kind
# of build, see TARGET_KIND; None: no target), the benchmark function that times it, for
# the instruction counts, and a short label for the plot. In the builds compiled for
# x86-64-v3 every matrix and vector operation has a target of 1.0 but the normalisation of
# a 3-vector, whose floor on the divider is worked out below; the camera, projection,
# column-major and quaternion operations have theirs in the default builds only.
OPS = [
    ("transform_frame", "Transform of one point, in the caller's loop over the frame's 2,912 ride points (1° about Y)", {"default": 1.0, "v3": 1.0}, "BM_transformFrame", "Transform, own loop"),
    ("transform_batch", "Transform of the same 2,912 points in one call (glm and Eigen: their own loops)", {"default": 0.5, "v3": 1.0}, "BM_transformBatch", "Transform, one call"),
    ("ride_rotateAll", "the ride's own rotateAll() on its point lists (same work)", {"default": None, "v3": 1.0}, "BM_rideRotateAll", "ride's rotateAll()"),
    ("product", "Matrix product A·B", {"default": 0.5, "v3": 0.8}, "BM_product", "product A·B"),
    ("det", "Determinant", {"default": None, "v3": 1.0}, "BM_det", "determinant"),
    ("inverse", "Inverse", {"default": 1.0, "v3": 1.0}, "BM_inverse", "inverse"),
    ("transpose", "Transpose in place", {"default": None, "v3": 1.0}, "BM_transpose", "transpose"),
    ("rotate_axis", "Load a rotation about an arbitrary axis", {"default": None, "v3": 1.0}, "BM_rotation", "axis rotation"),
    ("normalize3", "Normalise a 3-vector", {"default": 1.0, "v3": None}, "BM_normalize3", "normalise 3-vector"),
    ("normalize4", "Normalise a 4-vector", {"default": None, "v3": 1.0}, "BM_normalize4", "normalise 4-vector"),
    # Timed by BM_each<Library, op>: the function's name carries the number of the op.
    ("look_at", "Load a look-at camera (`gluLookAt`'s matrix)", {"default": 1.0, "v3": None}, "BM_each:10", "look-at"),
    ("perspective", "Load a perspective projection (`gluPerspective`'s matrix)", {"default": 1.0, "v3": None}, "BM_each:11", "perspective"),
    ("column_major", "The 16 elements in OpenGL's column-major order", {"default": 1.0, "v3": None}, "BM_each:12", "column-major"),
    ("quat_product", "Quaternion product", {"default": 1.0, "v3": None}, "BM_each:13", "quaternion product"),
    ("quat_rotate", "Turn a 3-vector by a unit quaternion", {"default": 1.0, "v3": None}, "BM_each:14", "quaternion rotate"),
    ("quat_to_matrix", "Quaternion to rotation matrix", {"default": 1.0, "v3": None}, "BM_each:15", "quaternion to matrix"),
    ("quat_from_matrix", "Quaternion from a rotation matrix", {"default": 1.0, "v3": None}, "BM_each:16", "quaternion from matrix"),
    ("slerp", "Spherical linear interpolation of unit quaternions", {"default": 1.0, "v3": None}, "BM_each:17", "slerp"),
]
# The builds in which the targets are judged: the project's own Release build, the build of
# a program that links the installed library without LTO, and the same two compiled for
# x86-64-v3 (AVX2 and FMA), the build a program makes with -march=native.
TARGET_BUILDS = ["lto", "nolto", "lto-v3", "nolto-v3"]
TARGET_KIND = {"lto": "default", "nolto": "default", "lto-scalar": "default",
               "lto-v3": "v3", "nolto-v3": "v3"}


def target_of(targets, run):
    return targets[TARGET_KIND.get(run, "default")]


def target_text(targets):
    if targets["default"] == targets["v3"]:
        return "—" if targets["v3"] is None else f"≤ {targets['v3']:.1f}"
    return "; ".join(f"{'—' if t is None else f'≤ {t:.1f}'} ({kind})"
                     for kind, t in (("lto, nolto", targets["default"]), ("v3", targets["v3"])))
LIBS = ["vecmath", "glm", "Eigen"]
# The library's own sine and cosine against glibc's (vecmath_bench's sincos_* benchmarks):
# key, description and target ratio (None: no target).
TRIG_SETS = [
    ("sincos_fast", "65,536 angles in [−8, 8] that all take the fast path", 2.0),
    ("sincos_angles", "65,536 random angles in [−8, 8] (overall: the slow path where Ziv's test sends an argument there)", 1.2),
    ("sincos_sorted", "the same angles sorted (glibc's branches predictable)", 1.2),
    ("sin_angles", "`portableSin` alone against `sin`, random angles", 1.2),
    ("sin_sorted", "`portableSin` alone against `sin`, sorted angles", 1.2),
    ("cos_angles", "`portableCos` alone against `cos`, random angles", 1.2),
    ("cos_sorted", "`portableCos` alone against `cos`, sorted angles", 1.2),
    ("sincos_upward", "random angles with the rounding mode set upward", None),
    ("sincos_large", "65,536 arguments from 2^20 to 2^1000 (Payne–Hanek reduction)", None),
    ("sincos_slow_path", "the slow path alone (256-bit fixed point), 64 angles", None),
]
# The library's own atan2 against glibc's (vecmath_bench's atan2_* benchmarks), the same way.
ATAN2_SETS = [
    ("atan2_random", "65,536 random points of [−1, 1]², every quadrant in no order", 1.5),
    ("atan2_sweep", "65,536 points swept once around the circle in order of angle", 1.5),
]
ADAPTERS = {"vecmath": "VecmathLib", "glm": "GlmLib", "Eigen": "EigenLib"}
CONFIG_TITLES = {
    "nolto": "without LTO: what a program that links the installed library gets",
    "lto": "with LTO",
    "lto-scalar": "with LTO, plain code for the product, inverse and array transform",
    "lto-v3": "with LTO, -march=x86-64-v3 -ffp-contract=fast",
    "nolto-v3": "without LTO, -march=x86-64-v3 -ffp-contract=fast for the program, the library as installed",
}
# The run of the LTO build with the product and inverse forced to their plain code: what
# a CPU without AVX2 runs. It has no build of its own.
SCALAR_RUN = "lto-scalar"
# The library's AVX2 code of each operation that has some (vecmath/matrix4x4_avx2.cpp).
AVX2_KERNELS = {"product": "vecmath::matrix4x4ProductAvx2(", "inverse": "vecmath::matrix4x4InverseAvx2(",
                "transform_batch": "vecmath::matrix4x4TransformPointsAvx2("}


def build_of(run):
    return "lto" if run == SCALAR_RUN else run


def run(cmd):
    try:
        return subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return ""


def read(path, default=""):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return default


# ---- Benchmark figures --------------------------------------------------------------------

def load_times(path):
    """{benchmark name: [cpu nanoseconds per operation, one per repetition]}."""
    data = json.loads(read(path, "{}") or "{}")
    times = defaultdict(list)
    for b in data.get("benchmarks", []):
        if b.get("run_type") != "iteration" or b.get("error_occurred"):
            continue
        scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
        ops = b.get("ops", 1.0) or 1.0
        times[b.get("run_name", b["name"])].append(b["cpu_time"] * scale / ops)
    return data.get("context", {}), times


def summary(times, op, lib):
    values = times.get(f"{op}/{lib}")
    if not values:
        return None
    return {"median": statistics.median(values), "min": min(values), "n": len(values)}


def fmt_time(ns):
    if ns is None:
        return "—"
    if ns >= 1000:
        return f"{ns / 1000:.3g} µs"
    return f"{ns:.3g} ns"


def glibc_table(w, lto_times, ctx, sets):
    """The table of the library's own functions against glibc's, for the sets given as
    (key, description, target), and the agreement of the results below it."""
    w("| Arguments | vecmath | glibc | vecmath ÷ glibc | Target |")
    w("|---|---|---|---|---|")
    for key, label, target in sets:
        mine = summary(lto_times, key, "vecmath")
        theirs = summary(lto_times, key, "glibc")
        ratio = f"{mine['median'] / theirs['median']:.2f}" if mine and theirs else "—"
        tgt = "—" if target is None else f"≤ {target:.1f}" + (
            "" if not (mine and theirs) else (" (met)" if mine["median"] / theirs["median"] <= target
                                              else " (**not met**)"))
        w(f"| {label} | {fmt_time(mine['median']) if mine else '—'} | "
          f"{fmt_time(theirs['median']) if theirs else '—'} | {ratio} | {tgt} |")
    w("")
    for key, label, _ in sets:
        text = ctx.get(f"agreement.{key}")
        if text:
            w(f"- {key}: {text}")
    w("")


def ratios(times, op):
    """vecmath over the faster of glm and Eigen, from the medians and from the minima."""
    reference_op = "transform_frame" if op == "ride_rotateAll" else op
    mine = summary(times, op, "vecmath")
    others = [summary(times, reference_op, lib) for lib in ("glm", "Eigen")]
    others = [o for o in others if o]
    if not mine or not others:
        return None, None
    return (mine["median"] / min(o["median"] for o in others),
            mine["min"] / min(o["min"] for o in others))


def unit_costs(times):
    """The measured cost, in ns, of one scalar division, one square root and one four-wide
    multiply or addition (throughput), from the suite's unit/ benchmarks."""
    costs = {}
    for key, name in (("div_ns", "unit/divide"), ("div2_ns", "unit/divide_pair"),
                      ("sqrt_ns", "unit/sqrt"), ("fp_ns", "unit/avx_mul_add")):
        values = times.get(name)
        costs[key] = statistics.median(values) if values else float("nan")
    # The least time vecmath's AVX2 code of the product (16 multiplies and 16 additions,
    # four-wide) and of the array transform (3 and 3 per point) can take on the arithmetic
    # ports, at the rate measured alone.
    costs["product_floor_ns"] = 32 * costs["fp_ns"]
    costs["batch_floor_ns"] = 6 * costs["fp_ns"]
    # Normalising a 3-vector on the divider: vecmath's square root, two-wide division of x
    # and y and division of z, against glm's square root and one division.
    costs["norm3_floor"] = ((costs["sqrt_ns"] + costs["div2_ns"] + costs["div_ns"])
                            / (costs["sqrt_ns"] + costs["div_ns"]))
    return costs


# ---- Build facts --------------------------------------------------------------------------

KEEP_FLAG = re.compile(r"^-(O|f|m|g|D|std|W|U|flto)")


def flags_of(command):
    words = shlex.split(command)
    kept, skip = [], False
    for w in words[1:]:
        if skip:
            skip = False
            continue
        if w in ("-o", "-MF", "-MT", "-c", "-isystem", "-I"):
            skip = w != "-c"
            continue
        if KEEP_FLAG.match(w) and not w.startswith("-DVECMATH_"):
            kept.append(w)
    return " ".join(kept)


def compile_flags(build, source):
    try:
        entries = json.loads(read(os.path.join(build, "compile_commands.json"), "[]"))
    except ValueError:
        return ""
    for e in entries:
        if e["file"].endswith(source):
            return flags_of(e.get("command", " ".join(e.get("arguments", []))))
    return ""


def link_flags(build):
    text = read(os.path.join(build, "bench", "CMakeFiles", "vecmath_bench.dir", "link.txt"))
    return flags_of(text.split("\n")[0]) if text else ""


def cache_value(build, key):
    m = re.search(rf"^{key}:[A-Z]+=(.*)$", read(os.path.join(build, "CMakeCache.txt")), re.M)
    return m.group(1) if m else ""


def machine():
    cpuinfo = read("/proc/cpuinfo")
    model = re.search(r"^model name\s*:\s*(.*)$", cpuinfo, re.M)
    logical = len(re.findall(r"^processor\s*:", cpuinfo, re.M))
    mem = re.search(r"^MemTotal:\s*(\d+) kB", read("/proc/meminfo"), re.M)
    flags = re.search(r"^flags\s*:\s*(.*)$", cpuinfo, re.M)
    simd = [f for f in ("sse2", "avx", "avx2", "fma", "avx512f") if flags and f in flags.group(1).split()]
    return {
        "model": model.group(1).strip() if model else "unknown",
        "logical": logical or os.cpu_count(),
        "usable": len(os.sched_getaffinity(0)),
        "memory": f"{int(mem.group(1)) / 1048576:.0f} GiB" if mem else "unknown",
        "simd": " ".join(simd),
        "kernel": os.uname().release,
    }


def package_version(name):
    return run(["dpkg-query", "-W", "-f=${Version}", name]).strip() or "not installed"


# ---- Instruction mix of the compiled operations --------------------------------------------

FUNCTION = re.compile(r"^[0-9a-f]+ <(.*)>:$")
CALL = re.compile(r"\bcall\s+[0-9a-f]+ <(.*)>$")
LIBRARY_CODE = re.compile(r"Matrix4x4::|Vector3D::|Vector4D::|vecmath::detail::|invertPlain|glm::|Eigen::|transformAll|rotateAll|matrix4x4\w*Avx2\(")
AVX2_CODE = re.compile(r"^vecmath::matrix4x4\w*Avx2\(")


def disassemble(binary):
    functions, current = {}, None
    for line in run(["objdump", "-d", "--no-show-raw-insn", "-C", binary]).splitlines():
        m = FUNCTION.match(line)
        if m:
            current = m.group(1)
            functions[current] = []
        elif current is not None and "\t" in line:
            functions[current].append(line.split("\t", 1)[1].strip())
    return functions


def arithmetic(functions, name, skip=None):
    """Counts of double-precision arithmetic instructions in the function and in the library
    functions it calls, leaving out those whose names match `skip` (static counts: a loop
    body counts once). Kinds end in ·y (four-wide, ymm), ·p (two-wide, xmm) or ·s (scalar)."""
    counts = defaultdict(int)
    seen, todo = set(), [name]
    while todo:
        f = todo.pop()
        if f in seen or f not in functions or (skip and f != name and skip.search(f)):
            continue
        seen.add(f)
        for ins in functions[f]:
            mnemonic = ins.split()[0]
            width = "·y" if "%ymm" in ins else "·p"
            m = re.fullmatch(r"v?(mul|add|sub|div|sqrt)([sp])d", mnemonic)
            if m:
                kind = {"mul": "mul", "add": "add", "sub": "add", "div": "div", "sqrt": "sqrt"}[m.group(1)]
                counts[kind + (width if m.group(2) == "p" else "·s")] += 1
            elif re.fullmatch(r"vfn?m(add|sub)\w*[sp]d", mnemonic):
                counts["fma" + (width if mnemonic.endswith("pd") else "·s")] += 1
            c = CALL.search(ins)
            if c and LIBRARY_CODE.search(c.group(1)) and "@plt" not in c.group(1):
                todo.append(c.group(1))
    return counts


def mix_text(counts):
    parts = []
    for kind, word in (("mul", "mul"), ("add", "add/sub"), ("fma", "FMA"), ("div", "div"), ("sqrt", "sqrt")):
        y, p, s = (counts.get(kind + w, 0) for w in ("·y", "·p", "·s"))
        if y or p or s:
            parts.append(f"{word} " + (f"{y}y+" if y else "") + f"{p}p+{s}s")
    return ", ".join(parts) or "none"


def kernel_function(functions, op):
    prefix = AVX2_KERNELS.get(op)
    return next((f for f in functions if prefix and f.startswith(prefix)), None)


def bench_function(functions, op_fn, lib):
    wanted = f"void (anonymous namespace)::{op_fn}<(anonymous namespace)::{ADAPTERS[lib]}>(benchmark::State&)"
    if op_fn.startswith("BM_each:"):
        number = op_fn.split(":")[1]
        wanted = (f"void (anonymous namespace)::BM_each<(anonymous namespace)::{ADAPTERS[lib]}, "
                  f"((anonymous namespace)::Op){number}>(benchmark::State&)")
    if op_fn == "BM_rideRotateAll":
        wanted = "void (anonymous namespace)::BM_rideRotateAll(benchmark::State&)"
    for name in functions:
        if name == wanted or (name.startswith(wanted) and "cold" not in name):
            return name
    return None


# ---- The plot ----------------------------------------------------------------------------

BAR_COLOURS = {"met": "#2e8b57", "missed": "#c0392b", "none": "#8c96a0"}


def write_chart(path, runs, times):
    """Draws the median ratios with matplotlib into an SVG: one panel per run, one bar per
    operation, coloured by whether its target is met, a dashed line at 1 and a red tick at
    each target. All panels share one scale."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    from matplotlib.patches import Patch
    plt.rcParams.update({"svg.fonttype": "none", "svg.hashsalt": "vecmath", "font.size": 9})
    values = {r: [ratios(times[r], op)[0] for op, *_ in OPS] for r in runs}
    scale = math.ceil(max([v for r in runs for v in values[r] if v is not None] + [2.0]) * 2) / 2
    columns = 2 if len(runs) > 1 else 1
    rows = math.ceil(len(runs) / columns)
    fig, axes = plt.subplots(rows, columns, figsize=(6.2 * columns, 0.3 * len(OPS) * rows + 1.6),
                             squeeze=False, sharex=True)
    for ax, run in zip(axes.flat, runs):
        for k, ((op, _, targets, _, short), v) in enumerate(zip(OPS, values[run])):
            target = target_of(targets, run)
            kind = "none" if target is None or v is None else ("met" if v <= target else "missed")
            if v is not None:
                ax.barh(k, min(v, scale), color=BAR_COLOURS[kind], height=0.65)
                ax.text(min(v, scale) + 0.03, k, f"{v:.2f}" + ("+" if v > scale else ""),
                        va="center", fontsize=8)
            if target is not None:
                ax.plot([target, target], [k - 0.45, k + 0.45], color="#c0392b", linewidth=2)
        ax.axvline(1.0, color="#333", linestyle="--", linewidth=1)
        ax.set_yticks(range(len(OPS)), [short for *_, short in OPS])
        ax.invert_yaxis()
        ax.set_xlim(0, scale)
        ax.set_title(f"{run}: {CONFIG_TITLES.get(run, run)}", fontsize=9, loc="left")
    for ax in list(axes.flat)[len(runs):]:
        ax.axis("off")
    fig.legend(handles=[Patch(color=BAR_COLOURS[k], label=t) for k, t in
                        (("met", "target met"), ("missed", "target missed"), ("none", "no target"))],
               loc="upper right", ncol=3, frameon=False)
    fig.suptitle("vecmath\u2019s time \u00f7 the faster of glm and Eigen (median; below 1 is "
                 "faster; red tick: target)", x=0.01, ha="left", fontsize=11)
    fig.tight_layout(rect=(0, 0, 1, 0.95))
    fig.savefig(path, format="svg", metadata={"Date": None})
    plt.close(fig)


# ---- The report ---------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--results", required=True)
    ap.add_argument("--builds", required=True)
    ap.add_argument("--configs", required=True)
    ap.add_argument("--repetitions", required=True)
    ap.add_argument("--min-time", required=True)
    ap.add_argument("--callgrind-seconds", required=True)
    ap.add_argument("--callgrind-warmup", required=True)
    ap.add_argument("--output", required=True)
    args = ap.parse_args()
    configs = args.configs.split()
    res = lambda *p: os.path.join(args.results, *p)
    build = lambda c: os.path.join(args.builds, c)

    # The runs: one per build, and the LTO build's once more forced to the plain code.
    runs = []
    for c in configs:
        runs.append(c)
        if c == build_of(SCALAR_RUN) and os.path.exists(res(SCALAR_RUN, "bench.json")):
            runs.append(SCALAR_RUN)
    times, contexts = {}, {}
    for r in runs:
        contexts[r], times[r] = load_times(res(r, "bench.json"))
    chart = os.path.join(os.path.dirname(os.path.abspath(args.output)), "performance-ratios.svg")
    units = unit_costs(times.get("lto", {}))

    out = []
    w = out.append
    m = machine()
    compiler = cache_value(build("lto"), "CMAKE_CXX_COMPILER")
    w("# Performance")
    w("")
    w("Generated by `bash scripts/bench.sh` from its own runs on "
      f"{datetime.datetime.now().strftime('%Y-%m-%d %H:%M')}; run it again to regenerate this "
      "file. Absolute times depend on the machine and on what else it runs; the ratios "
      "between the libraries, measured in the same run on the same data, are the figures "
      "that count.")
    w("")
    w("## Machine and build")
    w("")
    w(f"- CPU: {m['model']}, {m['logical']} logical cores ({m['usable']} usable by this run), "
      f"{m['memory']} of memory; SIMD: {m['simd']}; Linux {m['kernel']}")
    w(f"- Load average when the report was written: {read('/proc/loadavg').split(' ')[0:3]}"
      .replace("[", "").replace("]", "").replace("'", ""))
    w(f"- Code of vecmath's product, inverse and array transform chosen on this CPU: "
      f"{contexts.get('lto', {}).get('vecmath_simd', 'not recorded')} (see below)")
    w(f"- Compiler: {run([compiler or 'c++', '--version']).splitlines()[0] if compiler else 'unknown'}")
    w(f"- Compared with: glm {package_version('libglm-dev')}, Eigen {package_version('libeigen3-dev')} "
      f"(Debian packages); Google Benchmark {package_version('libbenchmark-dev')}; "
      f"valgrind {package_version('valgrind')}; Mesa {package_version('libgl1-mesa-dri')}")
    w("")
    w("| Build | CMAKE_CXX_FLAGS | Compile flags of the benchmark | Compile flags of the library | Link flags |")
    w("|---|---|---|---|---|")
    for c in configs:
        w(f"| {c} ({CONFIG_TITLES.get(c, c)}) | `{cache_value(build(c), 'CMAKE_CXX_FLAGS') or '(none)'}` "
          f"| `{compile_flags(build(c), 'bench/vecmath_bench.cpp')}` "
          f"| `{compile_flags(build(c), 'vecmath/matrix4x4.cpp')}` | `{link_flags(build(c))}` |")
    w("")
    w("`-g` adds debug information only (GCC generates the same code with and without it); "
      "callgrind needs it to tell inlined functions apart. The library's "
      "`-ffp-contract=off -fno-fast-math` reach every target that links it, the benchmark "
      "included, so glm's and Eigen's code in the benchmark is compiled with them too. "
      "`-ffat-lto-objects` keeps ordinary machine code in the library's archive beside the "
      "LTO bytecode, so the installed library links without LTO and with other compilers.")
    w("")
    w(f"Method: each benchmark is run {args.repetitions} times for at least {args.min_time} s, "
      "the repetitions of all benchmarks interleaved in random order "
      "(`--benchmark_enable_random_interleaving`) so that a slow spell of the machine does "
      "not fall on one library only. Times are CPU time per operation: one timed iteration "
      "does 64 operations on 64 different inputs (one whole frame for the transform), and "
      "the time is divided accordingly. The tables give the median over the repetitions; "
      "the ratio is vecmath's time over the faster of glm and Eigen, from the medians and, "
      "as a check against noise, from the fastest repetitions. (Debian's Google Benchmark "
      "library warns that it was built without NDEBUG; the timed loop itself is inline in the "
      "suite's code, compiled with the flags above.)")
    w("")
    w("The suite also times the CPU's units on their own, on independent operands: in the "
      f"`lto` run a scalar division took {units['div_ns']:.2f} ns, a two-wide one "
      f"{units['div2_ns']:.2f} ns and a square root {units['sqrt_ns']:.2f} ns of the divider "
      "(`unit/divide`, `unit/divide_pair`, `unit/sqrt`), and the "
      f"arithmetic ports did a four-wide multiply or addition every {units['fp_ns']:.3f} ns "
      "at best (`unit/avx_mul_add`, half of each). The limits below are worked out from "
      "these.")
    w("")

    # ---- Which code runs where
    simd = {r: contexts.get(r, {}).get("vecmath_simd", "not recorded") for r in runs}
    w("## Which code runs the product, the inverse and the array transform")
    w("")
    w("Matrix4x4's product (`operator*`, `operator*=`), inverse (`inv`, `inverse`) and "
      "transform of an array of points (`Transform(from, to, count)`) have two codes "
      "(`vecmath/vecmath_simd.h`): plain C++, which the compiler turns into whatever the "
      "target has (SSE2 on every x86-64 CPU, NEON on aarch64), and AVX2 code, four doubles to "
      "an instruction, on x86-64 with GCC or clang (MinGW-w64 included). Code compiled for "
      "AVX2 itself (`-mavx2`, `-march=haswell`, `x86-64-v3`, `native`: `__AVX2__`), as in the "
      "`lto-v3` and `nolto-v3` builds, runs the AVX2 code inline from the headers, with no "
      "call and no choice at run time. Elsewhere the members call the library's own code, "
      "which chooses once, at the first use of any of them, from the compiler runtime's "
      "record of the CPU (`__builtin_cpu_supports(\"avx2\")`, which also checks with XGETBV "
      "that the operating system saves the AVX registers). Both codes do the same IEEE "
      "operations on the same operands in the same order, each rounded on its own, and the "
      "AVX2 code has no FMA, so they give the same bits; the unit tests run through each "
      "(below).")
    w("")
    w("- **AVX2 code, inline:** programs compiled for AVX2 by GCC or clang, whatever CPU runs "
      "them (they need one with AVX2 anyway).")
    w("- **AVX2 code, the library's:** other programs built by GCC or clang, on x86-64 CPUs "
      "with AVX2: Intel from Haswell (2013) on, and AMD from Excavator (2015) and every Zen.")
    w("- **Plain code:** every other CPU and build: x86-64 CPUs without AVX2 (Intel before "
      "Haswell; many Pentium, Celeron and Atom parts; virtual machines that hide AVX; an "
      "operating system that does not save the AVX registers), aarch64 and other targets, "
      "and MSVC builds. Such a CPU never executes an AVX instruction: only the library's "
      "AVX2 functions have any, and they are called only after the check. Constant "
      "evaluation runs the plain code too: the product and the array transforms are "
      "`constexpr`.")
    w("")
    w(f"This machine chose **{simd.get('lto', 'not recorded')}**. To show what a CPU without "
      f"AVX2 gets, the `lto` build's benchmarks also ran with vecmath's product, inverse and "
      f"array transform "
      f"forced to the plain code (`vecmath_bench --vecmath_simd=scalar`, run "
      f"`{SCALAR_RUN}`, which reported **{simd.get(SCALAR_RUN, 'not run')}**); the other "
      "operations have one code only.")
    w("")

    # ---- Ratios per run
    w("## Ratios: vecmath ÷ the faster of glm and Eigen")
    w("")
    w(f"![Bar charts of the ratios, one per run](performance-ratios.svg)")
    w("")
    w("The plot ([`performance-ratios.svg`](performance-ratios.svg)) shows the medians of "
      "the table below, one chart per run; a dashed line marks 1, as fast as the faster of "
      "glm and Eigen, and a red tick each target.")
    w("")
    judged = [b for b in TARGET_BUILDS if b in runs]
    head = ("| Operation | Target |" + "".join(f" {r} |" for r in runs)
            + "".join(f" Target met ({b}) |" for b in judged))
    w(head)
    w("|---|---|" + "---|" * (len(runs) + len(judged)))
    unmet = []
    for op, label, targets, _, _ in OPS:
        cells = []
        for c in runs:
            med, best = ratios(times[c], op)
            cells.append("—" if med is None else f"{med:.2f} (min {best:.2f})")
        verdicts = []
        for b in judged:
            med, _ = ratios(times.get(b, {}), op)
            target = target_of(targets, b)
            if target is None:
                verdicts.append("no target")
            elif med is None:
                verdicts.append("not measured")
            elif med <= target:
                verdicts.append("yes")
            else:
                verdicts.append("**no**")
                unmet.append((op, b))
        tgt = target_text(targets)
        w(f"| {label} | {tgt} |" + "".join(f" {x} |" for x in cells)
          + "".join(f" {x} |" for x in verdicts))
    w("")
    w("A ratio below 1 means vecmath is faster. The first row is `Transform` of one point "
      "called in the caller's own loop, as in glm's and Eigen's rows; the second is one call "
      "of `Transform(from, to, count)` for the whole array, against glm's and Eigen's own "
      "loops (they have no such call). The rotateAll() row is the ride's own code "
      "(loadRotateY, then transformAll, which makes that call, over its eight rope rings "
      "and eight basket faces), compared with glm's and Eigen's loops. The targets are "
      "judged in the `lto` build, the Release build the project makes by default, and in "
      "the `nolto` build, which is what a program gets that links the installed library "
      "without link-time optimisation: there the small members are inlined from the "
      "headers. Both run the code this CPU chose. They are judged again, with targets of "
      "their own, in the `lto-v3` and `nolto-v3` builds, compiled for x86-64-v3 (AVX2 and "
      "FMA) as a program built with `-march=native` is: the first whole, the second a "
      "program built so against the library as installed, without those options; there "
      "every operation is to be as fast as the faster of glm and Eigen, the product "
      "faster by a fifth, and only the normalisation of a 3-vector, whose floor is worked "
      f"out below, has none. `{SCALAR_RUN}` is the LTO build with the "
      "product, the inverse and the array transform forced to their plain code, in a run "
      "of its own.")
    w("")
    write_chart(chart, runs, times)

    # ---- Times per run
    for c in runs:
        w(f"## Times per operation, {c} ({CONFIG_TITLES.get(c, c)})")
        w("")
        w("| Operation | vecmath | glm | Eigen | vecmath ÷ fastest other |")
        w("|---|---|---|---|---|")
        for op, label, _, _, _ in OPS:
            cells = []
            for lib in LIBS:
                s = summary(times[c], op, lib)
                cells.append(fmt_time(s["median"]) if s else "—")
            med, _ = ratios(times[c], op)
            w(f"| {label} | " + " | ".join(cells) + f" | {'—' if med is None else f'{med:.2f}'} |")
        w("")

    # ---- The library's own sine and cosine
    w("## The library's own sine and cosine against glibc's")
    w("")
    w("`portableSinCos` (`vecmath/trig.h`), correctly rounded and the same bits everywhere, "
      "which the rotation loaders call when the library is built with "
      "`VECMATH_PORTABLE_TRIG`, against glibc's `sin` plus `cos` of the same argument, each "
      "time for one sine and one cosine, and `portableSin` and `portableCos` alone against "
      "`sin` and `cos` (the `lto` build; median over the repetitions):")
    w("")
    glibc_table(w, times.get("lto", {}), contexts.get("lto", {}), TRIG_SETS)

    # ---- The library's own atan2
    w("## The library's own atan2 against glibc's")
    w("")
    w("`portableAtan2` (`vecmath/trig.h`), correctly rounded and the same bits everywhere, "
      "against glibc's `atan2` of the same pair, per call (the `lto` build; median over the "
      "repetitions). Glibc's branches on the octant are predictable in the sweep; "
      "`portableAtan2` has none:")
    w("")
    glibc_table(w, times.get("lto", {}), contexts.get("lto", {}), ATAN2_SETS)

    # ---- Agreement
    w("## Agreement of the three libraries")
    w("")
    w("Before anything is timed, the suite runs every operation through the three libraries "
      "on the same inputs and compares the results (a benchmark whose libraries disagree "
      "stops with an error, and the suite exits with status 1). In the `lto` build:")
    w("")
    ctx = contexts.get("lto", {})
    for op, label, _, _, _ in OPS:
        text = ctx.get(f"agreement.{op}")
        if text:
            w(f"- {op}: {text}")
    w("")

    # ---- Exactness
    w("## Exactness in the benchmarked builds")
    w("")
    w("In every build above the script runs the library's unit tests, whose bit-exact cases "
      "compare each result with a plain evaluation in the documented order, twice: through "
      "the code of the product and inverse that the CPU chose, and forced to their plain "
      "code (`vecmath_tests --vecmath-simd=scalar`); one of the tests also compares the "
      "codes with each other on zeros of both signs, subnormals, huge values, infinities and "
      "NaNs. In the v3 builds the tests run the AVX2 code inline both times, and the option "
      "forces the library's own code, which that test calls directly beside the inline "
      "code. It counts fused multiply-add instructions (`vfmadd…`, `vfmsub…`, `vfnmadd…`, "
      "`vfnmsub…`) with objdump. For the benchmark it counts them in the library's code (its "
      "members, its AVX2 code, the ride's functions and the timed vecmath functions, into "
      "which LTO, or the headers' inline code, puts the library) and, for comparison, in the "
      "timed glm and Eigen functions; in the unit tests, into which the headers' code is "
      "inlined too, it counts them everywhere but in the one test that calls `std::fma` on "
      "purpose, to show what fusing would change. Figures "
      "are FMA instructions / AVX multiplies outside the library's own AVX2 functions (the "
      "second shows whether `-march=x86-64-v3` reached the code); the last column is those "
      "functions alone, FMA instructions / AVX multiplies.")
    w("")
    w("| Build | Unit tests: CPU's choice | Unit tests: plain code | swingride | cockpit | unit tests: all but the std::fma test | benchmark: vecmath code | benchmark: glm code | benchmark: Eigen code | vecmath's AVX2 code |")
    w("|---|---|---|---|---|---|---|---|---|---|")
    for c in configs:
        verdicts = []
        for code in ("auto", "scalar"):
            text = read(res(c, f"tests-{code}.txt"))
            passed = re.search(r"PASSED\s*\]\s*(\d+) tests?", text)
            inline = re.search(r"run the (\w+) code inline.*own code runs the (\w+) code", text)
            used = re.search(r"run the (\w+) code", text)
            code = (f"inline {inline.group(1)} (library's own {inline.group(2)})" if inline
                    else used.group(1) if used else "?")
            verdicts.append(f"{code}: all {passed.group(1)} passed" if passed else "see results")
        fma = {}
        for line in read(res(c, "fma.txt")).splitlines():
            parts = line.split()
            if len(parts) == 3:
                fma[parts[0]] = f"{parts[1]} / {parts[2]}"
        w(f"| {c} | " + " | ".join(verdicts) + " | "
          + " | ".join(fma.get(k, "—") for k in ("swingride", "cockpit", "vecmath_tests:library",
                                                   "vecmath_bench:vecmath", "vecmath_bench:glm",
                                                   "vecmath_bench:Eigen", "vecmath_bench:avx2")) + " |")
    w("")
    w("GCC records `-ffp-contract=off` in each function's LTO bytecode and keeps it when the "
      "function is optimised and inlined at link time; the library also passes it to the link "
      "step. The library's own AVX2 functions are compiled with `target(\"avx2\")`, which "
      "does not include FMA, and the library adds `-mno-fma`; inline in a program compiled "
      "for x86-64-v3, the AVX2 code is compiled with the program's options, FMA included, and "
      "the library's `-ffp-contract=off`, which the counts show keeps every multiply apart. "
      "Eigen's own FMAs under "
      "`-march=x86-64-v3` come from its intrinsics (`_mm256_fmadd_pd`), which no compiler "
      "option turns off.")
    w("")

    # ---- Instruction mix and limits
    def compiled(b):
        """The instruction mixes of build b's timed functions: {(op, lib): counts}, and
        {(op, "vecmath-avx2"): counts} for the library's own AVX2 function where the timed
        code calls it (builds not compiled for AVX2)."""
        binary = os.path.join(build(b), "bench", "vecmath_bench")
        functions = disassemble(binary) if os.path.exists(binary) else {}
        inline = TARGET_KIND.get(b) == "v3"
        found = {}
        for op, _, _, fn, _ in OPS:
            for lib in LIBS:
                name = bench_function(functions, fn, lib)
                if not name:
                    continue
                found[(op, lib)] = arithmetic(functions, name,
                                              skip=AVX2_CODE if lib == "vecmath" else None)
                kernel = kernel_function(functions, op) if lib == "vecmath" and not inline else None
                if kernel:
                    found[(op, "vecmath-avx2")] = arithmetic(functions, kernel)
        return found

    mixes = {b: compiled(b) for b in dict.fromkeys(["lto"] + [c for c in configs if c in TARGET_BUILDS])}
    for b in [c for c in ("lto", "lto-v3") if c in configs]:
        inline = TARGET_KIND.get(b) == "v3"
        w(f"## Arithmetic in the compiled operations ({b} build)")
        w("")
        w("Double-precision arithmetic instructions in each timed function and in the library "
          "functions it calls (static counts from objdump: a loop body counts once; `y` packed "
          "four-wide AVX, `p` packed two-wide SSE2, `s` scalar). "
          + ("The product, the inverse and the array transform run vecmath's AVX2 code inline "
             "here, counted in the timed function." if inline else
             "For the product, the inverse and the array transform vecmath's AVX2 code and its "
             "plain code, inlined into the timed function, are counted apart."))
        w("")
        w("| Operation | vecmath | glm | Eigen |")
        w("|---|---|---|---|")
        for op, label, targets, _, _ in OPS:
            if target_of(targets, b) is None:
                continue
            cells = []
            for lib in LIBS:
                counts = mixes[b].get((op, lib))
                kernel = mixes[b].get((op, "vecmath-avx2")) if lib == "vecmath" else None
                if counts is None:
                    cells.append("—")
                elif kernel is not None:
                    cells.append(f"AVX2 code: {mix_text(kernel)}; plain code: {mix_text(counts)}")
                else:
                    cells.append(mix_text(counts))
            w(f"| {label} | " + " | ".join(cells) + " |")
        w("")

    w("## Targets not met, and what limits them")
    w("")
    if not unmet:
        w("Every target is met in the " + ", ".join(f"`{b}`" for b in judged)
          + f" builds, on the {simd.get('lto', '?')} code this CPU chose.")
        w("")

    for op in dict.fromkeys(o for o, _ in unmet):
        label = next(l for o, l, _, _, _ in OPS if o == op)
        builds = [b for o, b in unmet if o == op]
        parts = []
        for b in builds:
            med, best = ratios(times[b], op)
            parts.append(f"`{b}` build {med:.2f} (fastest repetitions {best:.2f})")
        w(f"**{label}**: {'; '.join(parts)} times the faster library.")
        w("")
        # One analysis per kind of build in which the target is missed.
        for kind in dict.fromkeys(TARGET_KIND.get(b, "default") for b in builds):
            b = next(x for x in builds if TARGET_KIND.get(x, "default") == kind)
            mine = summary(times.get(b, {}), op, "vecmath")
            others = [summary(times.get(b, {}), op, lib) for lib in ("glm", "Eigen")]
            fastest = min((o["median"] for o in others if o), default=float("nan"))
            points = float(contexts.get(b, {}).get("points_per_frame", "2912") or 2912)
            text = LIMITS.get((op, kind), LIMITS.get(op, "No analysis recorded for this operation."))
            w(text.format(
                simd=simd.get(b, "?"),
                mine=mix_text(mixes.get(b, {}).get((op, "vecmath"), {})),
                mine_avx2=mix_text(mixes.get(b, {}).get((op, "vecmath-avx2"), {})),
                eigen=mix_text(mixes.get(b, {}).get((op, "Eigen"), {})),
                glm=mix_text(mixes.get(b, {}).get((op, "glm"), {})),
                measured_ns=mine["median"] if mine else float("nan"),
                per_point_ns=(mine["median"] / points) if mine else float("nan"),
                fastest_ns=fastest,
                floor_ratio=units["product_floor_ns"] / fastest,
                build=b,
                **units))
            w("")

    # ---- Frames
    w("## Cost of a frame (instructions, callgrind)")
    w("")
    w("Each program ran under `valgrind --tool=callgrind --dump-instr=yes` on Xvfb (Mesa "
      f"llvmpipe). Its first {args.callgrind_warmup} s, start-up and the first frames, in which "
      "llvmpipe compiles its shaders, were discarded (`callgrind_control -z`); the next "
      f"{args.callgrind_seconds} s were kept. Everything executed inside `display()` in that "
      "time, the callees included (GL, and the driver work done on the calling thread), is "
      "charged to the function whose code it is: by the inline chain of each instruction's "
      "address (`addr2line -i`), since LTO inlines these functions into `display()`, or by "
      "the callee's name where it is called. The totals are divided by the number of calls "
      "to `display()`, the frames drawn. llvmpipe rasterises on worker threads, which are "
      "not in these figures. Under valgrind a frame takes far longer than its 16 ms tick, so "
      "fewer frames are drawn than on the real timer; each does the same work.")
    w("")
    for program in ("swingride", "cockpit"):
        data = {c: json.loads(read(res(c, f"frames-{program}.json"), "{}") or "{}") for c in ("nolto", "lto")}
        w(f"### {program}")
        w("")
        w("| Part of the frame | without LTO | with LTO |")
        w("|---|---|---|")
        parts = []
        for c in ("nolto", "lto"):
            for p in data[c].get("display()", {}).get("per_call", {}):
                if p not in parts:
                    parts.append(p)
        parts.sort(key=lambda p: (not p.startswith("scene"), not p.startswith("GL"), p))
        for p in parts:
            cells = []
            for c in ("nolto", "lto"):
                v = data[c].get("display()", {}).get("per_call", {}).get(p)
                cells.append("—" if v is None else f"{v:,.0f}")
            w(f"| {p} | " + " | ".join(cells) + " |")
        for label, prefix in (("**scene update, total**", "scene"), ("**GL submission, total**", "GL")):
            cells = []
            for c in ("nolto", "lto"):
                per = data[c].get("display()", {}).get("per_call", {})
                vals = [v for k, v in per.items() if k.startswith(prefix) and v is not None]
                cells.append(f"{sum(vals):,.0f}" if vals else "none")
            w(f"| {label} | " + " | ".join(cells) + " |")
        cells = []
        for c in ("nolto", "lto"):
            t = data[c].get("display()", {}).get("total_per_call")
            cells.append("—" if t is None else f"{t:,.0f}")
        w("| **display(), whole frame** | " + " | ".join(cells) + " |")
        if program == "swingride":
            cells = []
            for c in ("nolto", "lto"):
                v = data[c].get("display()", {}).get("per_call", {}).get("scene update: rotateAll")
                cells.append("—" if v is None else f"{v / 2912:.1f}")
            w("| scene update per point (÷ 2,912) | " + " | ".join(cells) + " |")
        w("| frames profiled | " + " | ".join(str(data[c].get("display()", {}).get("calls", "—")) for c in ("nolto", "lto")) + " |")
        if any("timer(int)" in data[c] for c in ("nolto", "lto")):
            cells = []
            for c in ("nolto", "lto"):
                t = data[c].get("timer(int)", {}).get("total_per_call")
                cells.append("—" if t is None else f"{t:,.0f} per tick ({data[c]['timer(int)']['calls']} ticks)")
            w("| view update in timer() | " + " | ".join(cells) + " |")
        w("")
    write_frames_per_second(w, res)

    with open(args.output, "w") as f:
        f.write("\n".join(out).rstrip() + "\n")


def write_frames_per_second(w, res):
    """The section on the frames per second that each program draws, natively and on the
    web, from the counts of bench-fps.sh and bench-web-fps.sh in the results folder."""
    w("## Frames per second")
    w("")
    w("Natively, the unmodified program of the `lto` build on a fresh Xvfb display (Mesa "
      "llvmpipe) with a preload library that counts its buffer swaps (`scripts/bench-fps.sh`). "
      "On the web, the program built with emscripten (`scripts/web.sh`) in headless "
      f"Chromium {package_version('chromium')} on SwiftShader, Chromium's software GPU, its "
      "frames counted by the page (`scripts/bench-web-fps.sh`); the browser draws at most one "
      "frame per animation frame, 60 a second. Both against the 62.5 ticks per second of the "
      "programs' 16 ms timer (`1000 / 60` in integer milliseconds); the load average is the "
      "machine's just after each count.")
    w("")
    w("| Program | Where | Frames | Seconds | Frames per second | Timer | Load average |")
    w("|---|---|---|---|---|---|---|")
    for program in ("swingride", "cockpit"):
        for where, name in (("native, Xvfb", f"fps-{program}.txt"),
                            ("web, headless Chromium", f"fps-web-{program}.txt")):
            text = read(res(name))
            mm = re.search(r"(\d+) frames in ([\d.]+) s = ([\d.]+) frames/s", text)
            load = re.search(r"load average after it: (.*)", text)
            load = load.group(1) if load else "—"
            if mm:
                w(f"| {program} | {where} | {mm.group(1)} | {mm.group(2)} | {mm.group(3)} "
                  f"| 62.5 ticks/s | {load} |")
            else:
                w(f"| {program} | {where} | — | — | not measured | 62.5 ticks/s | — |")
    w("")


# Why a target can be missed: what the library's fixed order of operations, which the build
# may not change, costs against code that is free to choose its own.
LIMITS = {
    "look_at": (
        "vecmath's look-at does the arithmetic glm's and Eigen's do (two lengths, two "
        "reciprocals, two cross products, three dot products: vecmath {mine}; glm {glm}; "
        "Eigen {eigen}) and more: it refuses a camera that is not defined, comparing both "
        "lengths with 1e-10 before it uses them, checks the twelve elements it computes for "
        "overflow, and returns whether it loaded the camera. glm and Eigen check nothing and "
        "return NaNs or infinities for such input. It took {measured_ns:.1f} ns against "
        "{fastest_ns:.1f} ns in the `{build}` run."),
    "perspective": (
        "vecmath computes f = cos(fovy/2) / sin(fovy/2), as gluPerspective does, from one "
        "`sincos` of the C library (or the library's own with `VECMATH_PORTABLE_TRIG`), "
        "then divides by it: f is then the same bits wherever the sine and cosine are. glm "
        "and Eigen call `tan` and take 1/tan, which glibc computes faster than a sine and a "
        "cosine and which rounds differently. The rest, four divisions and the check of the "
        "input and of overflow, is the same work as theirs (vecmath {mine}; glm {glm}; "
        "Eigen {eigen}). It took {measured_ns:.1f} ns against {fastest_ns:.1f} ns in the "
        "`{build}` run."),
    "column_major": (
        "vecmath stores its matrix row by row, and `columnMajor()` transposes it into the "
        "array it returns, which the compiler does with loads, shuffles and stores ({mine}). "
        "glm and Eigen store their matrices column by column already, so their column-major "
        "array is a copy of 128 bytes, loads and stores only ({glm}; {eigen}). The shuffles "
        "are the difference, and only the peers' order of storage avoids them. It "
        "took {measured_ns:.2f} ns against {fastest_ns:.2f} ns in the `{build}` run; "
        "`glLoadTransposeMatrixd(m.data())` hands OpenGL the matrix with no copy at all."),
    "quat_product": (
        "vecmath's quaternion product computes each component as the sum of four products "
        "in the order it documents, two components at a time with SSE2 on x86 ({mine}); "
        "Eigen's is hand-written SSE2 as well ({eigen}), glm's is scalar ({glm}). vecmath "
        "gives each difference its sign by flipping the sign bit of a factor (an exclusive "
        "or), to keep the documented order of the sums, where Eigen arranges its sums "
        "freely. It took {measured_ns:.2f} ns against {fastest_ns:.2f} ns in the `{build}` "
        "run."),
    "quat_rotate": (
        "vecmath turns a vector as v + w t + u × t with t = 2 (u × v), u the quaternion's "
        "vector part, in the order it documents, as glm and Eigen do in their own orders "
        "({mine}; glm {glm}; Eigen {eigen}); the three are within a few per cent of each "
        "other: {measured_ns:.2f} ns "
        "against {fastest_ns:.2f} ns in the `{build}` run."),
    "quat_to_matrix": (
        "vecmath's rotation matrix of a quaternion does the arithmetic glm's does ({mine}; "
        "glm {glm}; Eigen {eigen}) and fills the whole 4×4 matrix: {measured_ns:.2f} ns "
        "against {fastest_ns:.2f} ns in the `{build}` run, within the noise of the median."),
    "quat_from_matrix": (
        "vecmath picks the largest of w, x, y and z, as glm and Eigen do, and takes one square "
        "root and one division ({mine}; glm {glm}; Eigen {eigen}): {measured_ns:.2f} ns "
        "against {fastest_ns:.2f} ns in the `{build}` run. The branch on the largest "
        "component depends on the random rotations, so the medians of the three move by "
        "more than their difference from run to run."),
    "slerp": (
        "vecmath's slerp takes the angle from atan2(|a×b|, a·b), which stays accurate near "
        "0 and π, where glm and Eigen take `acos` of the dot product, and computes both "
        "weights from one sine and cosine of t·θ; the arctangent costs more than `acos` "
        "({mine}; glm {glm}; Eigen {eigen}). With `VECMATH_PORTABLE_TRIG` the arctangent, "
        "sine and cosine are the library's own, correctly rounded. It took "
        "{measured_ns:.1f} ns against {fastest_ns:.1f} ns in the `{build}` run."),
    "product": (
        "Each element of vecmath's product is a sum that starts from 0.0 "
        "(`((((0.0 + a0·b0) + a1·b1) + a2·b2) + a3·b3)`), in the order the library fixes. The "
        "leading `0.0 +` may not be dropped, because it turns a sum of −0.0 products into "
        "+0.0, so vecmath does one more addition per element than glm and Eigen, which start "
        "from the first product. The AVX2 code sums the four elements of a row at once "
        "({mine_avx2}): 32 four-wide multiplies and additions, one instruction for every "
        "four of the 128 operations the definition asks for, with nothing else on the "
        "arithmetic ports but the 16 broadcasts, which are loads. Without FMA, which would "
        "change the results, no code does fewer. glm and Eigen do their 112 operations "
        "two-wide (Eigen {eigen}; glm {glm}). Measured in this run, this CPU does at best one "
        "four-wide multiply or addition every {fp_ns:.3f} ns (`unit/avx_mul_add`), so the 32 "
        "take at least {product_floor_ns:.2f} ns; the product took {measured_ns:.2f} ns in the "
        "`{build}` run. The rest is the call: the AVX2 code cannot be inlined into code compiled "
        "for every x86-64 CPU (a program compiled for AVX2 runs it inline, as in the v3 "
        "builds), and the product returns its matrix through memory. The plain "
        "code, which a CPU without AVX2 runs, is vectorised two-wide by the compiler ({mine}) "
        "and keeps the extra additions. This run used the {simd} code."),
    "transform_batch": (
        "vecmath's AVX2 code turns one point per four-wide operation: it multiplies the "
        "matrix's first three columns by the point's broadcast x, y and z and adds the "
        "results and the fourth column in the defined order ({mine_avx2}: per point three "
        "multiplies and three additions, the fourth lane spare), and stores three doubles. "
        "Without FMA, which would change the results, that is the least arithmetic a point "
        "can take in AoS order; glm's and Eigen's loops take {glm} and {eigen} (static "
        "counts of a loop body, which handles one or two points). At the rate this CPU does "
        "four-wide multiplies and additions at best, measured alone in this run "
        "({fp_ns:.3f} ns each, `unit/avx_mul_add`), the six take {batch_floor_ns:.3f} ns per "
        "point; the array transform took {per_point_ns:.3f} ns per point in the `{build}` "
        "run, the rest being the time its loads and stores take to move the 70 KB of points, "
        "more than the first-level cache holds, through the caches."),
    "inverse": (
        "vecmath's inverse is defined as the adjoint divided by the determinant, each of the "
        "16 cofactors a 3×3 determinant expanded in a fixed order, followed by checks that "
        "the determinant and all 16 elements are finite. The AVX2 code computes a row of "
        "four cofactors at once ({mine_avx2}). The plain code, which a CPU without AVX2 "
        "runs, stays scalar: GCC shares the 2×2 products that repeat between cofactors, but "
        "it cannot vectorise these irregular expressions ({mine}), while Eigen's 4×4 inverse "
        "is hand-written SIMD ({eigen}) and glm's shares its sub-determinants between "
        "columns ({glm}). This run used the {simd} code."),
    "normalize3": (
        "vecmath divides each component by the length, as its definition says (a division, "
        "not a multiplication by 1/length, which would round differently): {mine}. glm "
        "multiplies by one reciprocal square root ({glm}); Eigen divides as vecmath does "
        "({eigen}). Division and square root share one divider, and that is the unit that "
        "saturates. Measured on its own in this run, it takes {sqrt_ns:.2f} ns per square "
        "root, {div2_ns:.2f} ns per two-wide division and {div_ns:.2f} ns per scalar one, so "
        "vecmath's square root and three divisions (x and y together, then z) need "
        "{sqrt_ns:.2f} + {div2_ns:.2f} + {div_ns:.2f} ns of it, against glm's square root and "
        "one division, {sqrt_ns:.2f} + {div_ns:.2f} ns: a floor of {norm3_floor:.2f} for the "
        "ratio, whatever else either code does. Only results that differ in the last bit, "
        "glm's, go below it."),
    "det": (
        "vecmath's determinant expands along column 0 into four 3×3 determinants, each of "
        "three 2×2 ones, in a fixed order. Compiled: vecmath {mine}; Eigen {eigen}; glm {glm}."),
    ("product", "v3"): (
        "Compiled for x86-64-v3, vecmath's product runs its AVX2 code inline ({mine}): 16 "
        "four-wide multiplies and 16 four-wide additions, the leading `0.0 +` of each "
        "element's sum included, since it turns a sum of −0.0 products into +0.0. Without "
        "FMA, which would change the results, no code does fewer. Eigen's ({eigen}) fuses its "
        "multiplies into its additions. At the best rate this CPU does four-wide multiplies "
        "and additions, measured alone in this run ({fp_ns:.3f} ns each, `unit/avx_mul_add`), "
        "the 32 take at least {product_floor_ns:.2f} ns, {floor_ratio:.2f} of the faster "
        "library's {fastest_ns:.2f} ns in the `{build}` run; the product took "
        "{measured_ns:.2f} ns. Its broadcasts, loads and stores go through the same front "
        "end as the arithmetic, at its limit too."),
    ("inverse", "v3"): (
        "Compiled for x86-64-v3, vecmath's inverse runs its AVX2 code inline ({mine}): a row "
        "of four cofactors at once, the determinant from the first row's, then the division "
        "1/det, the scaling of the 16 cofactors and the checks that the determinant and every "
        "element of the inverse are finite, which lie on its path one after another. Eigen's "
        "({eigen}) has no such checks. vecmath took {measured_ns:.2f} ns, the faster library "
        "{fastest_ns:.2f} ns."),
    ("transpose", "v3"): (
        "Compiled for x86-64-v3, vecmath's transpose runs its AVX2 code inline: four loads, "
        "four interleaves, four exchanges of halves and four stores, the instructions "
        "Eigen's takes too. vecmath took {measured_ns:.2f} ns, the faster library "
        "{fastest_ns:.2f} ns: the same work, whose ratio falls either side of 1."),
    ("rotate_axis", "v3"): (
        "Loading a rotation about an axis calls the C library's `sincos`, normalises the "
        "axis and fills the matrix ({mine}; Eigen {eigen}). The library's own code is built "
        "with `-mno-fma` (GCC 12 otherwise fuses one pair of its lanes into `vfmaddsub`, "
        "which changes the bits), and under LTO GCC does not inline the program's copies of "
        "the small vector members, compiled with FMA, into it: `Vector3D::Normalized()` "
        "becomes a call. Without LTO the library keeps its own copies, built as it is, and "
        "inlines them. vecmath took {measured_ns:.2f} ns, the faster library "
        "{fastest_ns:.2f} ns, in the `{build}` run."),
    "normalize4": (
        "vecmath divides 1 by the length and multiplies each component by the quotient, as "
        "its definition says ({mine}); Eigen divides the vector by the length, one packed "
        "division ({eigen}); glm {glm}. Each takes one square root and one division of the "
        "divider, the unit that saturates ({sqrt_ns:.2f} ns per square root and "
        "{div_ns:.2f} ns per division, measured alone): the same work, whose ratio falls "
        "either side of 1. vecmath took {measured_ns:.2f} ns, the faster library "
        "{fastest_ns:.2f} ns, in the `{build}` run."),
    "transform_frame": (
        "vecmath's Transform evaluates `((m0·x + m1·y) + m2·z) + m3` per row in that order, "
        "inlined from the header into the caller's loop, which the compiler vectorises as it "
        "likes. Compiled: vecmath {mine}; Eigen {eigen}; glm {glm}."),
}


if __name__ == "__main__":
    main()
