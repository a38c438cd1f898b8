# lib.sh: helpers that the other scripts source: installing what is missing and building.
# Not meant to be run on its own.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

# Packages to build the library and both programs.
BUILD_PACKAGES=(cmake make g++ libgl-dev libglu1-mesa-dev freeglut3-dev)
# Packages to run the programs on a virtual display and take screenshots.
RUN_PACKAGES=(xvfb xauth x11-utils xdotool imagemagick libgl1-mesa-dri)
# Packages for the tests: GoogleTest, Eigen and glm (oracles for the library), GL call
# recording, key presses, pkg-config and clang (a consumer of the installed library, built
# with GCC and with clang), valgrind's memcheck, Xlib (keys bound before a key storm), and
# GNU MPFR with GMP (the oracle of the library's own correctly rounded sine and cosine).
TEST_PACKAGES=(libgtest-dev libeigen3-dev libglm-dev apitrace binutils pkg-config clang valgrind
               libx11-dev libmpfr-dev libgmp-dev)
# Packages for the sanitized build (sanitize.sh): GCC's ASan, LSan and UBSan runtimes.
SANITIZE_PACKAGES=(libasan8 liblsan0 libubsan1)
# Packages for the fuzz target (fuzz.sh): clang, its libFuzzer and sanitizer runtimes,
# and llvm-symbolizer for readable stack traces.
FUZZ_PACKAGES=(clang libclang-rt-14-dev llvm)
# Packages for the benchmarks (bench.sh): Google Benchmark, glm and Eigen to compare with,
# callgrind for instructions per frame, objdump, pgrep, and Python for the report; the
# report's plot needs matplotlib (the full run only).
BENCH_PACKAGES=(libbenchmark-dev libglm-dev libeigen3-dev valgrind binutils procps python3)
BENCH_REPORT_PACKAGES=(python3-matplotlib)
# Packages for the format and static checks (lint.sh).
LINT_PACKAGES=(clang-format clang-tidy git python3)
# Packages for the API reference (docs.sh): Doxygen, and awk for its input filter; and
# a browser to photograph it (docs.sh --picture).
DOCS_PACKAGES=(doxygen mawk)
PICTURE_PACKAGES=(chromium)
# Packages for the web build (web.sh): emscripten; node, which runs emscripten's tools,
# the digest tool and the browser test; Chromium, which runs the pages headless. npm,
# which installs the test's puppeteer-core, comes with NodeSource's nodejs and is Debian's
# package npm otherwise (WEB_NPM_PACKAGES, installed where npm is missing).
WEB_PACKAGES=(emscripten nodejs chromium)
WEB_NPM_PACKAGES=(npm)
# Packages to build the Debian packages and check them (package.sh): dpkg-shlibdeps and
# file, which CPack uses to find the programs' dependencies, and lintian.
PACKAGE_PACKAGES=(dpkg-dev file lintian)

# Packages to build for and run on other platforms (cross.sh): the MinGW-w64 compilers
# with POSIX threads, Wine, GoogleTest's sources and dpkg-source for freeglut's source
# package; the aarch64 cross compiler, its binutils and qemu-user.
CROSS_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64
                        googletest dpkg-dev)
CROSS_ARM64_PACKAGES=(g++-aarch64-linux-gnu binutils-aarch64-linux-gnu qemu-user googletest)
# 32-bit x86 Linux (run under qemu-user) and 32-bit Windows (built only; Wine and a 32-bit
# Linux probe to show that it cannot run here).
CROSS_I686_PACKAGES=(g++-i686-linux-gnu binutils-i686-linux-gnu qemu-user googletest)
CROSS_WINDOWS32_PACKAGES=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix wine64 googletest
                          gcc-i686-linux-gnu)

# The same packages' names on Fedora (dnf) and Arch Linux (pacman), printed where apt is
# not there to install them. A name missing here is printed as Debian's.
declare -A FEDORA_NAMES=(
    [cmake]=cmake [make]=make [g++]=gcc-c++ [libgl-dev]=mesa-libGL-devel
    [libglu1-mesa-dev]=mesa-libGLU-devel [freeglut3-dev]=freeglut-devel
    [xvfb]=xorg-x11-server-Xvfb [xauth]=xorg-x11-xauth [x11-utils]="xdpyinfo xwininfo"
    [xdotool]=xdotool [imagemagick]=ImageMagick [libgl1-mesa-dri]=mesa-dri-drivers
    [libgtest-dev]=gtest-devel [libeigen3-dev]=eigen3-devel [libglm-dev]=glm-devel [apitrace]=apitrace
    [binutils]=binutils [pkg-config]=pkgconf-pkg-config [valgrind]=valgrind
    [libx11-dev]=libX11-devel [clang]=clang [libmpfr-dev]=mpfr-devel [libgmp-dev]=gmp-devel
)
declare -A ARCH_NAMES=(
    [cmake]=cmake [make]=make [g++]=gcc [libgl-dev]=mesa [libglu1-mesa-dev]=glu
    [freeglut3-dev]=freeglut [xvfb]=xorg-server-xvfb [xauth]=xorg-xauth
    [x11-utils]="xorg-xdpyinfo xorg-xwininfo" [xdotool]=xdotool [imagemagick]=imagemagick
    [libgl1-mesa-dri]=mesa [libgtest-dev]=gtest [libeigen3-dev]=eigen [libglm-dev]=glm [apitrace]=apitrace
    [binutils]=binutils [pkg-config]=pkgconf [valgrind]=valgrind [libx11-dev]=libx11
    [clang]=clang [libmpfr-dev]=mpfr [libgmp-dev]=gmp
)

# Prints the names in the table named by the first argument (FEDORA_NAMES or ARCH_NAMES)
# of the Debian packages that follow, each once, on one line.
other_names() {
    local -n table=$1
    shift
    local pkg name out=()
    for pkg in "$@"; do
        for name in ${table[$pkg]:-$pkg}; do
            [[ " ${out[*]} " == *" $name "* ]] || out+=("$name")
        done
    done
    echo "${out[*]}"
}

# Runs a command as root: directly when root, through sudo otherwise.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "error: run as root or install sudo to run: $*" >&2
        exit 1
    fi
}

# The locks of dpkg and apt: while another process holds one (another install, or the
# automatic updates that a fresh machine runs at first boot), apt-get cannot work. The
# tests point them at files of their own.
PACKAGE_MANAGER_LOCKS=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock
                       /var/cache/apt/archives/lock)
# How long install_missing waits for them, in seconds, and how often it looks.
PACKAGE_MANAGER_WAIT=${PACKAGE_MANAGER_WAIT:-600}
PACKAGE_MANAGER_POLL=${PACKAGE_MANAGER_POLL:-1}

# Prints "FILE PID" for each of the files named in the arguments on which a process holds
# a lock, of either kind (fcntl, as dpkg and apt take them, or flock), as /proc/locks lists
# them by device and inode; nothing for a file that does not exist.
held_locks() {
    [ -r /proc/locks ] || return 0
    local file dev ids=""
    for file in "$@"; do
        [ -e "$file" ] || continue
        dev=$(stat -L -c %d "$file")
        # The device as /proc/locks writes it: major and minor number in hex.
        ids+=$(printf '%02x:%02x:%s %s' $(((dev >> 8) & 0xfff)) \
                   $(((dev & 0xff) | ((dev >> 12) & 0xfff00))) "$(stat -L -c %i "$file")" "$file")
        ids+=$'\n'
    done
    [ -n "$ids" ] || return 0
    # A line with "->" is a process waiting for the lock, not holding it.
    awk 'NR == FNR { if (NF == 2) file[$1] = $2; next }
         $2 != "->" && ($6 in file) { print file[$6], $5 }' <(printf '%s' "$ids") /proc/locks
}

# Waits while another process holds one of the package manager's locks, saying so, for at
# most $PACKAGE_MANAGER_WAIT seconds; fails if one is still held then. It only looks: it
# never removes a lock, since the process that holds it is changing the packages.
wait_for_package_manager() {
    local deadline=$((SECONDS + PACKAGE_MANAGER_WAIT)) held holders file pid said=$SECONDS
    while held=$(held_locks "${PACKAGE_MANAGER_LOCKS[@]}") && [ -n "$held" ]; do
        holders=""
        while read -r file pid; do
            holders+="${holders:+, }$file (process $pid, $(cat "/proc/$pid/comm" 2>/dev/null || echo gone))"
        done <<<"$held"
        if [ $SECONDS -ge $deadline ]; then
            echo "error: another package manager still holds $holders after" \
                 "$PACKAGE_MANAGER_WAIT s; run this again once it has finished" >&2
            return 1
        fi
        if [ "$said" -le $SECONDS ]; then
            echo "Waiting for another package manager to finish: $holders is locked" \
                 "(up to $((deadline - SECONDS)) s more)"
            said=$((SECONDS + 60))
        fi
        sleep "$PACKAGE_MANAGER_POLL"
    done
}

# Runs apt-get as root, without questions, with the arguments given, once no other package
# manager is at work (wait_for_package_manager); apt-get itself waits as long for dpkg's
# lock, should another process take it in between.
apt_get() {
    wait_for_package_manager
    as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get -o "DPkg::Lock::Timeout=$PACKAGE_MANAGER_WAIT" "$@"
}

# Installs those of the given Debian packages that are not installed yet. Without apt
# (Fedora, Arch, ...) it installs nothing: it prints what to install there and goes on,
# and the build says what is still missing.
install_missing() {
    if ! command -v apt-get >/dev/null || ! command -v dpkg-query >/dev/null; then
        {
            echo "apt-get is not available, so nothing is installed. This step needs:"
            echo "  Fedora: sudo dnf install $(other_names FEDORA_NAMES "$@")"
            echo "  Arch:   sudo pacman -S --needed $(other_names ARCH_NAMES "$@")"
            echo "  Debian or Ubuntu: $*"
        } >&2
        return 0
    fi
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    apt_get update -qq
    apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures and builds into $BUILD_DIR (Release unless BUILD_TYPE says otherwise): the
# library and the programs, and the tests too when the first argument is "with-tests"
# (they need GoogleTest, which only the test command installs).
build_all() {
    local tests=OFF
    [ "${1:-}" = with-tests ] && tests=ON
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" \
          -DVECMATH_BUILD_TESTS="$tests" >/dev/null
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}

# Runs the whole test suite built in $BUILD_DIR, as many tests at a time as there are
# cores (the end-to-end tests each start their own X server); extra arguments go to ctest.
# The exit status is ctest's.
run_suite() {
    (cd "$BUILD_DIR" && ctest --output-on-failure -j "$(nproc)" "$@")
}

# The web build: configures and builds the project with emscripten into DIR (Release);
# further arguments go to CMake.
web_build() {
    local dir=$1 log
    shift
    # emcmake names the command it runs on standard error: shown only when it fails.
    log=$(mktemp)
    if ! emcmake cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
    cmake --build "$dir" -j "$(nproc)" >/dev/null
}

# Installs the browser test's node modules (puppeteer-core) into tests/web/node_modules
# as tests/web/package-lock.json pins them, unless they are there already; npm itself
# downloads no browser.
web_node_modules() {
    local dir="$ROOT/tests/web"
    command -v npm >/dev/null || install_missing "${WEB_NPM_PACKAGES[@]}"
    if [ ! -f "$dir/node_modules/.package-lock.json" ] ||
       [ "$dir/package-lock.json" -nt "$dir/node_modules/.package-lock.json" ]; then
        (cd "$dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
    fi
}

# True when DISPLAY names an X server that answers.
display_works() {
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}
