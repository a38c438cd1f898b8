#!/usr/bin/env bash
# cross.sh: builds the project for another platform on Debian 12 (x86-64) and proves it
# there, as CI does after the test command.
#
#   bash scripts/cross.sh windows     # MinGW-w64 build; its tests and programs under Wine
#   bash scripts/cross.sh arm64       # aarch64 build; its tests under qemu-user
#   bash scripts/cross.sh i686        # 32-bit x86 Linux build; its tests under qemu-user
#   bash scripts/cross.sh windows32   # 32-bit Windows build, built and linked only
#
# windows  Builds freeglut (static, from Debian's source package, fetched with
#          `apt-get source freeglut` after adding a deb-src entry for the configured
#          Debian suites if apt has none) and GoogleTest (from /usr/src/googletest) for
#          MinGW-w64, then the library, its unit tests, the programs' scene tests, the
#          digest tool and both programs as .exe files (cmake/mingw-w64-x86_64.cmake).
#          Runs the tests under wine64 in a Wine prefix of its own, then, from a Linux
#          build beside it, the end-to-end test of both Windows programs under Wine on a
#          virtual X server (tests/wine_e2e_test.cpp).
# arm64    Builds GoogleTest, then the library, its unit tests and the digest tool with
#          aarch64-linux-gnu-g++ (cmake/aarch64-linux-gnu.cmake), runs the tests under
#          qemu-aarch64, and checks with objdump that the library's code has no fused
#          multiply-add instruction.
# i686     The same with i686-linux-gnu-g++ (cmake/i686-linux-gnu.cmake) and qemu-i386; the
#          library's options do the arithmetic in SSE2, and the check is that the library's
#          code has no x87 arithmetic, and that a build with x87 arithmetic (-mfpmath=387
#          after the library's options) stops with the library's #error.
# windows32 Builds GoogleTest, then the library, its unit tests and the digest tool with
#          i686-w64-mingw32-g++-posix (cmake/mingw-w64-i686.cmake): built and linked only,
#          since running them needs 32-bit Wine, which a kernel without 32-bit support
#          cannot start; the step shows that it cannot.
# Each builds the project with VECMATH_PORTABLE_TRIG on, so that the tests run with the
# rotation loaders on the library's own correctly rounded sine and cosine. All but
# windows32 build the digest tool once more in the default configuration (the C library's
# sin and cos), run the digest tool of both configurations on the target and natively
# (x86-64 Linux, with
# glibc choosing its FMA code or not), print the three digests of each, and fail unless the
# exact and portable digests agree everywhere and the trigonometric digests of the builds
# with the option on agree. Each step prints the seconds it took.
#
# The builds go to build-cross/ (or $CROSS_DIR), with the Wine prefix, which is kept once
# it is complete. freeglut's sources and the builds of freeglut and GoogleTest go to a
# cache that fresh clones share, ~/.cache/vecmath-cross/ (or $VECMATH_CROSS_CACHE): they
# are built once and kept while their sources, the toolchain file and the compiler stay
# the same.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

CROSS_DIR="${CROSS_DIR:-$ROOT/build-cross}"
CROSS_CACHE="${VECMATH_CROSS_CACHE:-${XDG_CACHE_HOME:-${HOME:-$CROSS_DIR}/.cache}/vecmath-cross}"
WINE_PREFIX_DIR="$CROSS_DIR/wine-prefix"
# Debian 12 puts wine64 and wineserver in /usr/lib/wine; other systems on the PATH.
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

die() {
    echo "cross.sh: $*" >&2
    exit 1
}

step_start=$SECONDS
# Prints how long the step that ended took, and starts the next.
step_done() {
    echo "cross.sh: $1 ($((SECONDS - step_start)) s)"
    step_start=$SECONDS
}

# ---- Debian source packages -------------------------------------------------------------

# True when apt has a deb-src entry in ETC (/etc/apt): a one-line "deb-src" in
# sources.list or sources.list.d/*.list, or a deb822 stanza in sources.list.d/*.sources
# whose Types include deb-src and that is not switched off with "Enabled: no".
deb_src_configured() {
    local etc=$1 f
    for f in "$etc/sources.list" "$etc"/sources.list.d/*.list; do
        [ -f "$f" ] && grep -qE '^[[:space:]]*deb-src[[:space:]]' "$f" && return 0
    done
    for f in "$etc"/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; found = 1 }
             /(^|\n)[Tt]ypes:[^\n]*deb-src/ && !/(^|\n)[Ee]nabled:[ \t]*no/ { found = 0 }
             END { exit found }' "$f" && return 0
    done
    return 1
}

# Prints deb-src entries for the binary entries of ETC whose suite is CODENAME or one of
# its own (CODENAME-updates, CODENAME-security, ...): one-line entries as one-line
# "deb-src" entries, then "---", then deb822 stanzas with "Types: deb-src".
deb_src_entries() {
    local etc=$1 codename=$2 f
    for f in "$etc/sources.list" "$etc"/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk -v c="$codename" '
            $1 == "deb" {
                i = 2
                if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                suite = $(i + 1)
                if (suite == c || index(suite, c "-") == 1) { sub(/^[ \t]*deb/, "deb-src"); print }
            }' "$f"
    done
    echo "---"
    for f in "$etc"/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v c="$codename" 'BEGIN { RS = ""; ORS = "\n\n" }
            {
                n = split($0, lines, "\n"); types = ""; suites = ""; enabled = "yes"; out = ""
                for (i = 1; i <= n; i++) {
                    if (lines[i] ~ /^#/) continue
                    if (tolower(lines[i]) ~ /^types:/) { types = lines[i]; lines[i] = "Types: deb-src" }
                    if (tolower(lines[i]) ~ /^suites:/) suites = lines[i]
                    if (tolower(lines[i]) ~ /^enabled:[ \t]*no/) enabled = "no"
                    out = out lines[i] "\n"
                }
                ours = 0
                m = split(suites, words, /[ \t]+/)
                for (j = 2; j <= m; j++) if (words[j] == c || index(words[j], c "-") == 1) ours = 1
                if (types ~ /[ \t]deb([ \t]|$)/ && enabled == "yes" && ours) printf "%s\n", out
            }' "$f"
    done
}

# Makes `apt-get source` work: adds deb-src entries for the configured Debian suites when
# apt has none, and updates the lists.
ensure_deb_src() {
    local etc=/etc/apt codename entries lines stanzas
    deb_src_configured "$etc" && return 0
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || die "cannot tell this system's Debian suite from /etc/os-release"
    entries=$(deb_src_entries "$etc" "$codename")
    lines=$(sed -n '/^---$/q;p' <<<"$entries")
    stanzas=$(sed -n '/^---$/,$p' <<<"$entries" | tail -n +2)
    [ -n "$lines$stanzas" ] || die "apt has no entry for the suite $codename to take sources from"
    echo "cross.sh: adding deb-src entries for $codename to $etc/sources.list.d/"
    if [ -n "$lines" ]; then
        printf '%s\n' "$lines" | as_root tee "$etc/sources.list.d/vecmath-deb-src.list" >/dev/null
    fi
    if [ -n "$stanzas" ]; then
        printf '%s\n' "$stanzas" | as_root tee "$etc/sources.list.d/vecmath-deb-src.sources" >/dev/null
    fi
    apt_get update -qq
}

# Unpacks Debian's source package of freeglut into $CROSS_CACHE/src/ (once) and prints the
# path of its tree.
freeglut_source() {
    local src="$CROSS_CACHE/src"
    local tree
    tree=$(find "$src" -maxdepth 1 -type d -name 'freeglut-*' 2>/dev/null | sort | tail -n 1)
    if [ -z "$tree" ] || [ ! -f "$tree/CMakeLists.txt" ]; then
        ensure_deb_src >&2 # this function prints only the path on standard output
        rm -rf "$src"
        mkdir -p "$src"
        (cd "$src" && apt-get source -qq freeglut >/dev/null 2>&1) ||
            (cd "$src" && apt-get source freeglut) >&2 ||
            die "apt-get source freeglut failed"
        tree=$(find "$src" -maxdepth 1 -type d -name 'freeglut-*' | sort | tail -n 1)
    fi
    [ -f "$tree/CMakeLists.txt" ] || die "no freeglut source tree in $src"
    echo "$tree"
}

# ---- Dependencies built with the target's compiler ----------------------------------------

# Builds the CMake project in SOURCE with TOOLCHAIN (whose C++ compiler is COMPILER) and
# installs it into PREFIX, unless the stamp there says that it was built from the same
# sources, toolchain file and compiler. NAME names it in messages and stamps; further
# arguments go to CMake.
build_dependency() {
    local name=$1 source=$2 toolchain=$3 compiler=$4 prefix=$5
    shift 5
    local stamp want
    want="$name $(find "$source" -type f -printf '%s %T@ %P\n' | sort | cksum)"
    want+=" $(cksum <"$toolchain") $("$compiler" --version | head -n 1) $*"
    stamp="$prefix/.stamp-$name"
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
        echo "cross.sh: $name: kept from an earlier run"
        return 0
    fi
    local build="$CROSS_CACHE/deps-build/$(basename "$prefix")-$name"
    rm -rf "$build"
    mkdir -p "$CROSS_CACHE/deps-build" "$prefix"
    if ! { cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
                 -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" &&
           cmake --build "$build" -j 2 &&
           cmake --install "$build"; } >"$build.log" 2>&1; then
        cat "$build.log" >&2
        die "building $name failed"
    fi
    echo "$want" >"$stamp"
    rm -rf "$build"
}

# Runs the command in the arguments while holding the cache's lock for TARGET (the first
# argument): one run at a time builds a target's dependencies in the cache.
with_cache_lock() {
    local target=$1
    shift
    mkdir -p "$CROSS_CACHE"
    (
        flock 9
        "$@"
    ) 9>"$CROSS_CACHE/lock-$target"
}

# Builds the configured build in DIR (WHAT names it); fails with the log when the build
# fails or the compiler warns, but for warnings matching the extended regular expression
# ALLOWED if given.
build_checked() {
    local dir=$1 what=$2 allowed=${3:-}
    if ! cmake --build "$dir" -j 2 >"$dir/build.log" 2>&1; then
        cat "$dir/build.log" >&2
        die "the $what build failed"
    fi
    local warnings
    warnings=$(grep 'warning:' "$dir/build.log" | { [ -n "$allowed" ] && grep -vE "$allowed" || cat; }) || true
    if [ -n "$warnings" ]; then
        echo "$warnings" >&2
        die "the $what build has warnings"
    fi
}

# ---- Running the digest tool ------------------------------------------------------------

# Builds the library and the digest tool (and nothing else) in DIR with the further
# arguments to CMake: TOOLCHAIN names a toolchain file, or is empty for a native build.
build_digest_tool() {
    local dir=$1 toolchain=$2
    shift 2
    local args=(-S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVECMATH_BUILD_PROGRAMS=OFF
                -DVECMATH_BUILD_TESTS=OFF -DVECMATH_BUILD_EXAMPLES=OFF "$@")
    [ -n "$toolchain" ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
    cmake "${args[@]}" >/dev/null
    cmake --build "$dir" -j 2 --target vecmath_digest >/dev/null
}

# Builds the digest tool natively in $CROSS_DIR/native-TARGET (the default configuration)
# and $CROSS_DIR/native-TARGET-portable (VECMATH_PORTABLE_TRIG on): folders for each target,
# so that both checks can run at once.
build_native_digest() {
    build_digest_tool "$CROSS_DIR/native-$1" ""
    build_digest_tool "$CROSS_DIR/native-$1-portable" "" -DVECMATH_PORTABLE_TRIG=ON
}

# Prints "EXACT TRIGONOMETRIC PORTABLE" from the output of the digest tool on standard
# input.
digests() {
    tr -d '\r' | awk '$1 == "exact" { e = $2 } $1 == "trigonometric" { t = $2 }
                      $1 == "portable" { p = $2 }
                      END { if (e == "" || t == "" || p == "") exit 1; print e, t, p }'
}

# Runs the native digest tools of TARGET's check (default and portable configuration),
# each plainly and as glibc runs it on a CPU without FMA, and the target's two tools,
# DEFAULT_TOOL and PORTABLE_TOOL, through the command RUNNER (a function that runs the
# program in its argument on the target); prints a table of the digests, and fails unless
# the exact and portable digests agree in every row and the trigonometric digests agree
# between the rows of the portable configuration. TARGET_NAME names the target's rows.
compare_digests() {
    local target=$1 target_name=$2 runner=$3 default_tool=$4 portable_tool=$5
    local fma="no FMA" rows=() names=() config native row
    grep -qw fma /proc/cpuinfo && fma="FMA"
    for config in "" -portable; do
        native="$CROSS_DIR/native-$target$config/tools/vecmath_digest"
        local label="default"
        [ -n "$config" ] && label="VECMATH_PORTABLE_TRIG"
        row=$("$native" | digests) || die "the native digest tool printed no digests"
        rows+=("$row")
        names+=("$label, x86-64 Linux, glibc on this CPU ($fma)")
        row=$(GLIBC_TUNABLES=glibc.cpu.hwcaps=-FMA,-AVX2 "$native" | digests) ||
            die "the native digest tool printed no digests without FMA"
        rows+=("$row")
        names+=("$label, x86-64 Linux, glibc told the CPU has no FMA or AVX2")
        if [ -z "$config" ]; then
            row=$("$runner" "$default_tool" | digests) ||
                die "the digest tool printed no digests on $target_name"
        else
            row=$("$runner" "$portable_tool" | digests) ||
                die "the digest tool printed no digests on $target_name"
        fi
        rows+=("$row")
        names+=("$label, $target_name")
    done
    printf '%-17s %-17s %-17s %s\n' "exact" "trigonometric" "portable" "where"
    local i
    for i in "${!rows[@]}"; do
        # shellcheck disable=SC2086 # the row is three words
        printf '%-17s %-17s %-17s %s\n' ${rows[$i]} "${names[$i]}"
    done
    local first=(${rows[0]})
    for i in "${!rows[@]}"; do
        local r=(${rows[$i]})
        [ "${r[0]}" = "${first[0]}" ] ||
            die "the exact digest differs: ${first[0]} natively, ${r[0]} (${names[$i]})"
        [ "${r[2]}" = "${first[2]}" ] ||
            die "the portable digest differs: ${first[2]} natively, ${r[2]} (${names[$i]})"
    done
    local portable=(${rows[3]})
    for i in 4 5; do
        local r=(${rows[$i]})
        [ "${r[1]}" = "${portable[1]}" ] ||
            die "the trigonometric digest with VECMATH_PORTABLE_TRIG differs: ${portable[1]}" \
                "natively, ${r[1]} (${names[$i]})"
    done
    echo "cross.sh: the exact and portable digests are the same natively and on $target_name," \
         "and so is the trigonometric digest with VECMATH_PORTABLE_TRIG"
}

# The tests of the Windows build in DIR, under Wine: console programs, which need no
# display.
run_windows_tests() {
    (
        unset DISPLAY
        run_ctest "$1"
    )
}

# Run a program of the target: a Windows one under Wine without a display, an aarch64 one
# under qemu.
run_windows() {
    env -u DISPLAY "$WINE64" "$@"
}
run_arm64() {
    qemu-aarch64 -L /usr/aarch64-linux-gnu "$@"
}
run_i686() {
    qemu-i386 -L /usr/i686-linux-gnu "$@"
}

# ---- Fused multiply-add -----------------------------------------------------------------

# Prints the fused multiply-add instructions (aarch64: fmadd, fmsub, fnmadd, fnmsub, fmla,
# fmls) in the disassembly on standard input (objdump -d --no-show-raw-insn), as
# "<function>: instruction" lines, in the
# functions whose demangled names match the extended regular expression PATTERN (every
# function when it is empty).
fused_instructions() {
    local pattern=${1:-}
    awk -v pat="$pattern" '
        /^[0-9a-f]+ <.*>:$/ { fn = $0; inside = (pat == "" || $0 ~ pat); next }
        inside && /[ \t](fmadd|fmsub|fnmadd|fnmsub|fmla|fmls)[ \t]/ {
            sub(/^[ \t]*[0-9a-f]+:[ \t]*/, ""); print fn " " $0
        }'
}

# Checks that the library's code for aarch64 has no fused multiply-add: in the archive,
# and in the unit tests and the digest tool, into whose code the headers' members are
# inlined (every function but the one test that calls std::fma on purpose). First makes
# sure the check can see one: the same compiler, without the library's options, fuses a
# plain a*b+c.
check_no_fma_arm64() {
    local build=$1 objdump=aarch64-linux-gnu-objdump probe
    probe=$(mktemp -d)
    echo 'double f(double a, double b, double c) { return a * b + c; }' >"$probe/f.cpp"
    aarch64-linux-gnu-g++ -O2 -c "$probe/f.cpp" -o "$probe/f.o"
    local control
    control=$("$objdump" -d --no-show-raw-insn "$probe/f.o" | fused_instructions "" | wc -l)
    rm -rf "$probe"
    [ "$control" -gt 0 ] || die "the fused multiply-add check sees none in a*b+c built to fuse"
    local found status=0 file
    found=$("$objdump" -d --no-show-raw-insn "$build/vecmath/libvecmath.a" | fused_instructions "")
    if [ -n "$found" ]; then
        echo "$found" | head -n 20 >&2
        echo "cross.sh: fused multiply-add in $build/vecmath/libvecmath.a" >&2
        status=1
    fi
    for file in "$build/tests/vecmath_tests" "$build/tools/vecmath_digest"; do
        found=$("$objdump" -d --no-show-raw-insn -C "$file" | fused_instructions "" |
                grep -v 'FusedMultiplyAddWouldChangeTheResults' || true)
        if [ -n "$found" ]; then
            echo "$found" | head -n 20 >&2
            echo "cross.sh: fused multiply-add in $file" >&2
            status=1
        fi
    done
    [ $status -eq 0 ] || die "the library's aarch64 code is not free of fused multiply-add"
    local multiplies
    multiplies=$("$objdump" -d "$build/vecmath/libvecmath.a" | grep -cE '[[:space:]]fmul[[:space:]]')
    echo "cross.sh: no fused multiply-add in the library's aarch64 code ($multiplies fmul;" \
         "$control fused in the control built to fuse)"
}

# ---- Wine ---------------------------------------------------------------------------------

# Stops every process of the script's Wine prefix, and waits until its server is gone.
stop_wine() {
    if [ -d "$WINE_PREFIX_DIR" ] && [ -x "$WINESERVER" ]; then
        WINEPREFIX="$WINE_PREFIX_DIR" "$WINESERVER" -k 2>/dev/null || true
        WINEPREFIX="$WINE_PREFIX_DIR" "$WINESERVER" -w 2>/dev/null || true
    fi
}

# Runs the command in the arguments with one Wine server for the whole of it: started
# persistent (-p) before it, stopped after it, whether the command passes or fails (and by
# the script's exit trap should the script end inside it). Every test starts a Wine client
# of its own, and a server that exits a moment after its last client, as it otherwise
# does, can be gone under a client that starts just then: that client fails with
# "recvmsg: Connection reset by peer", a false alarm.
#
# A first client starts Wine's own processes (services, explorer, ...) with its standard
# output and error closed: started by a test instead, they would keep that test's pipes
# open as long as the server lives, and whoever reads them (CTest) would wait for ever.
with_wine_server() {
    local status=0
    stop_wine # nothing of an earlier run, whose server could go at any moment
    WINEPREFIX="$WINE_PREFIX_DIR" "$WINESERVER" -p || die "could not start the Wine server"
    env -u DISPLAY WINEPREFIX="$WINE_PREFIX_DIR" WINEDEBUG=-all "$WINE64" cmd /c exit \
        </dev/null >/dev/null 2>&1 || die "Wine did not start in $WINE_PREFIX_DIR"
    "$@" || status=$?
    stop_wine
    return $status
}

# Makes the script's Wine prefix once: wineboot sets it up, and it is complete when its
# server has no more clients. Mono and Gecko are not installed (nothing here needs them,
# and Wine would ask for them).
ensure_wine_prefix() {
    [ -f "$WINE_PREFIX_DIR/.complete" ] && return 0
    stop_wine
    rm -rf "$WINE_PREFIX_DIR"
    mkdir -p "$(dirname "$WINE_PREFIX_DIR")"
    env -u DISPLAY WINEPREFIX="$WINE_PREFIX_DIR" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        "$WINE64" wineboot --init >/dev/null 2>&1 || die "wineboot could not make the prefix"
    WINEPREFIX="$WINE_PREFIX_DIR" "$WINESERVER" -w
    [ -f "$WINE_PREFIX_DIR/system.reg" ] || die "wineboot left no registry in $WINE_PREFIX_DIR"
    touch "$WINE_PREFIX_DIR/.complete"
}

# Prints the CTest summary line and the number of tests, and fails with the log when a
# test failed. DIR is the build; further arguments go to ctest.
run_ctest() {
    local dir=$1
    shift
    local log="$dir/ctest.log"
    if ! (cd "$dir" && ctest -j 2 --output-on-failure "$@") >"$log" 2>&1; then
        cat "$log" >&2
        die "tests failed in $dir"
    fi
    grep -E 'tests passed|tests failed' "$log"
}

# ---- x87 arithmetic ---------------------------------------------------------------------------

# Prints the x87 arithmetic instructions (fadd, fmul, fsqrt, fsin, ...) in the disassembly
# on standard input, as "<function>: instruction" lines. Loads and stores of the x87
# registers (fld, fstp), in which the 32-bit x86 calling convention returns a double, are
# exact and are not counted.
x87_arithmetic() {
    awk '/^[0-9a-f]+ <.*>:$/ { fn = $0; next }
         /[ \t]f(add|sub|subr|mul|div|divr|sqrt|sin|cos|sincos|prem|prem1|scale|rndint|patan|ptan|yl2x|yl2xp1|2xm1)p?[sl]?[ \t]/ {
             sub(/^[ \t]*[0-9a-f]+:[ \t]*/, ""); print fn " " $0
         }'
}

# Checks the i686 build in BUILD: the library's code has no x87 arithmetic (its options do
# the arithmetic in SSE2), while the same compiler does x87 arithmetic by default, as a
# control shows; and the library's own sine and cosine, built with x87 arithmetic
# (-mfpmath=387 after the library's options), stop the build with their #error.
check_x87_i686() {
    local build=$1 compiler=i686-linux-gnu-g++ probe control found log
    probe=$(mktemp -d)
    echo 'double f(double a, double b) { return a * b + 1.0; }' >"$probe/f.cpp"
    "$compiler" -O2 -c "$probe/f.cpp" -o "$probe/f.o"
    control=$(i686-linux-gnu-objdump -d --no-show-raw-insn "$probe/f.o" | x87_arithmetic | wc -l)
    [ "$control" -gt 0 ] || die "the x87 check sees no x87 arithmetic in a default i686 build"
    found=$(i686-linux-gnu-objdump -d --no-show-raw-insn "$build/vecmath/libvecmath.a" | x87_arithmetic)
    if [ -n "$found" ]; then
        echo "$found" | head -n 20 >&2
        die "x87 arithmetic in $build/vecmath/libvecmath.a"
    fi
    # The library's options as its target passes them, then an x87 option after them.
    log="$probe/x87.log"
    if "$compiler" -std=c++17 -fsyntax-only -I"$ROOT/vecmath" -ffp-contract=off -fno-fast-math \
            -msse2 -mfpmath=sse -mfpmath=387 "$ROOT/vecmath/trig.cpp" >"$log" 2>&1; then
        rm -rf "$probe"
        die "trig.cpp built with x87 arithmetic (-mfpmath=387), which must stop the build"
    fi
    # The check lives in exact_fp.h, which trig.cpp includes first.
    grep -qE ':[0-9]+:[0-9]+: error: #error "the portable sine and cosine need double expressions evaluated in double"' "$log" ||
        { cat "$log" >&2; rm -rf "$probe"; die "the x87 build of trig.cpp failed, but not with its #error"; }
    rm -rf "$probe"
    echo "cross.sh: no x87 arithmetic in the library's i686 code ($control in the control);" \
         "an x87 build of trig.cpp stops with its #error"
}

# ---- The targets ----------------------------------------------------------------------------

# freeglut and GoogleTest for MinGW-w64, built into DEPS with TOOLCHAIN.
windows_dependencies() {
    local toolchain=$1 deps=$2 freeglut compiler=x86_64-w64-mingw32-g++-posix
    freeglut=$(freeglut_source)
    build_dependency freeglut "$freeglut" "$toolchain" $compiler "$deps" \
        -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF
    build_dependency googletest /usr/src/googletest "$toolchain" $compiler "$deps" -DBUILD_GMOCK=OFF
}

cross_windows() {
    local toolchain="$ROOT/cmake/mingw-w64-x86_64.cmake"
    local deps="$CROSS_CACHE/deps/windows" build="$CROSS_DIR/windows" e2e="$CROSS_DIR/linux"
    install_missing "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}" \
                    "${CROSS_WINDOWS_PACKAGES[@]}"
    step_done "packages"

    with_cache_lock windows windows_dependencies "$toolchain" "$deps"
    step_done "freeglut and GoogleTest for MinGW-w64"

    cmake -S "$ROOT" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_FIND_ROOT_PATH="$deps" -DEigen3_DIR=/usr/share/eigen3/cmake \
          -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE64" -DVECMATH_PORTABLE_TRIG=ON >/dev/null
    build_checked "$build" Windows
    build_digest_tool "$CROSS_DIR/windows-default" "$toolchain"
    step_done "the library, tests, digest tools and programs for Windows"

    ensure_wine_prefix
    step_done "the Wine prefix"

    export WINEPREFIX="$WINE_PREFIX_DIR" WINEDEBUG=-all
    # One server for the whole run. The end-to-end test then starts Wine afresh on its own
    # display: nothing of this run may linger, such as an explorer started without a display.
    with_wine_server run_windows_tests "$build"
    step_done "the Windows tests under Wine"

    cmake -S "$ROOT" -B "$e2e" -DCMAKE_BUILD_TYPE=Release -DVECMATH_BUILD_TESTS=ON \
          -DVECMATH_WINDOWS_BUILD_DIR="$build" -DVECMATH_PORTABLE_TRIG=ON >/dev/null
    cmake --build "$e2e" -j 2 --target wine_e2e_test >/dev/null
    run_ctest "$e2e" -R '^wine_e2e$'
    step_done "both Windows programs under Wine on Xvfb"

    build_native_digest windows
    with_wine_server compare_digests windows "Windows, MinGW-w64 under Wine" run_windows \
        "$CROSS_DIR/windows-default/tools/vecmath_digest.exe" "$build/tools/vecmath_digest.exe"
    step_done "digests"
}

# A Linux target run under qemu: KEY (arm64, i686) names its folders, TRIPLE its compiler
# and toolchain file, CPU its name in the messages, PACKAGES its cross packages (an array's
# name), CHECK the function that checks its library's code and CHECKED what it checks,
# TITLE its line in the digest table, RUN the function that runs its programs, and ALLOWED
# the build warnings it may have.
cross_qemu_linux() {
    local key=$1 triple=$2 cpu=$3 packages=$4 check=$5 checked=$6 title=$7 run=$8 allowed=${9:-}
    local toolchain="$ROOT/cmake/$triple.cmake"
    local deps="$CROSS_CACHE/deps/$key" build="$CROSS_DIR/$key"
    local -n cross_packages=$packages
    install_missing cmake make g++ libeigen3-dev "${cross_packages[@]}"
    step_done "packages"

    with_cache_lock "$key" build_dependency googletest /usr/src/googletest "$toolchain" \
        "$triple-g++" "$deps" -DBUILD_GMOCK=OFF
    step_done "GoogleTest for $cpu"

    cmake -S "$ROOT" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
          -DVECMATH_BUILD_PROGRAMS=OFF -DCMAKE_FIND_ROOT_PATH="$deps" \
          -DEigen3_DIR=/usr/share/eigen3/cmake -DVECMATH_PORTABLE_TRIG=ON >/dev/null
    build_checked "$build" "$cpu" "$allowed"
    build_digest_tool "$CROSS_DIR/$key-default" "$toolchain"
    step_done "the library, tests and digest tools for $cpu"

    run_ctest "$build"
    step_done "the $cpu tests under qemu"

    "$check" "$build"
    step_done "$checked"

    build_native_digest "$key"
    compare_digests "$key" "$title" "$run" \
        "$CROSS_DIR/$key-default/tools/vecmath_digest" "$build/tools/vecmath_digest"
    step_done "digests"
}

cross_arm64() {
    cross_qemu_linux arm64 aarch64-linux-gnu aarch64 CROSS_ARM64_PACKAGES check_no_fma_arm64 \
        "fused multiply-add check" "aarch64 Linux, glibc under qemu" run_arm64
}

# The tests are linked statically (cmake/i686-linux-gnu.cmake), and the linker notes that
# GoogleTest's option to stream results to a socket would need glibc's shared libraries of
# the same version: only that option, which no test uses.
cross_i686() {
    cross_qemu_linux i686 i686-linux-gnu i686 CROSS_I686_PACKAGES check_x87_i686 "x87 check" \
        "i686 Linux, glibc under qemu" run_i686 \
        "Using 'getaddrinfo' in statically linked applications"
}

# Shows that this machine cannot run a 32-bit Windows program: Debian 12's wine64 has no
# 32-bit loader, and 32-bit Wine's loader, a 32-bit Linux program, cannot start on a kernel
# without 32-bit support, as a 32-bit probe shows. Prints what was tried and what came of
# it; fails if either does run, since then the tests should run too.
show_win32_cannot_run() {
    local exe=$1 out status=0 scratch
    scratch=$(mktemp -d)
    out=$(env -u DISPLAY WINEPREFIX="$scratch/prefix" WINEDEBUG=-all timeout 120 \
          "$WINE64" "$exe" --gtest_list_tests 2>&1) || status=$?
    WINEPREFIX="$scratch/prefix" "$WINESERVER" -k 2>/dev/null || true
    WINEPREFIX="$scratch/prefix" "$WINESERVER" -w 2>/dev/null || true
    if [ $status -eq 0 ] && grep -q '^[A-Za-z0-9_]*\.$' <<<"$out"; then
        rm -rf "$scratch"
        die "the 32-bit Windows tests run here after all: run them (bash scripts/cross.sh windows32)"
    fi
    echo "cross.sh: wine64 cannot start $(basename "$exe") (status $status):"
    grep -v '^wine: \(created\|configuration\)' <<<"$out" | grep -v '^$' | head -n 3 | sed 's/^/  /'
    echo 'int main(void) { return 0; }' >"$scratch/probe.c"
    i686-linux-gnu-gcc -static "$scratch/probe.c" -o "$scratch/probe"
    if out=$("$scratch/probe" 2>&1); then
        rm -rf "$scratch"
        die "this kernel runs 32-bit programs: install 32-bit Wine and run the tests"
    fi
    echo "cross.sh: nor can this kernel start a 32-bit program, as 32-bit Wine's loader is:"
    echo "  ${out##*: }" # the shell's "cannot execute binary file: Exec format error"
    rm -rf "$scratch"
}

cross_windows32() {
    local toolchain="$ROOT/cmake/mingw-w64-i686.cmake"
    local deps="$CROSS_CACHE/deps/windows32" build="$CROSS_DIR/windows32"
    install_missing cmake make g++ libeigen3-dev "${CROSS_WINDOWS32_PACKAGES[@]}"
    step_done "packages"

    with_cache_lock windows32 build_dependency googletest /usr/src/googletest "$toolchain" \
        i686-w64-mingw32-g++-posix "$deps" -DBUILD_GMOCK=OFF
    step_done "GoogleTest for 32-bit MinGW-w64"

    cmake -S "$ROOT" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
          -DVECMATH_BUILD_PROGRAMS=OFF -DCMAKE_FIND_ROOT_PATH="$deps" \
          -DEigen3_DIR=/usr/share/eigen3/cmake -DVECMATH_PORTABLE_TRIG=ON >/dev/null
    build_checked "$build" "32-bit Windows"
    local exe
    for exe in vecmath_tests vecmath_oracle_tests vecmath_contract_tests; do
        [ -f "$build/tests/$exe.exe" ] || die "the 32-bit Windows build made no tests/$exe.exe"
    done
    [ -f "$build/tools/vecmath_digest.exe" ] || die "the 32-bit Windows build made no digest tool"
    step_done "the library, tests and digest tool for 32-bit Windows (built and linked)"

    show_win32_cannot_run "$build/tests/vecmath_tests.exe"
    step_done "32-bit Wine"
}

main() {
    local started=$SECONDS
    case "${1:-}" in
    windows)
        trap stop_wine EXIT
        cross_windows
        ;;
    arm64) cross_arm64 ;;
    i686) cross_i686 ;;
    windows32) cross_windows32 ;;
    *)
        echo "usage: bash scripts/cross.sh windows|arm64|i686|windows32" >&2
        exit 2
        ;;
    esac
    echo "cross.sh $1: passed in $((SECONDS - started)) s"
}

# Sourced by the tests for its functions; run, it checks a target.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main "$@"
fi
