# lib.sh: helpers that the other scripts source: installing what is missing and building.
# Not meant to be run on its own.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

# Packages to build the library and both programs.
BUILD_PACKAGES=(cmake make g++ libgl-dev libglu1-mesa-dev freeglut3-dev)
# Packages to run the programs on a virtual display and take screenshots.
RUN_PACKAGES=(xvfb xauth x11-utils xdotool imagemagick libgl1-mesa-dri)
# Packages for the tests: GoogleTest, Eigen (an oracle for the library), GL call
# recording, key presses, pkg-config (a consumer of the installed library), valgrind's
# memcheck and Xlib (keys bound before a key storm).
TEST_PACKAGES=(libgtest-dev libeigen3-dev apitrace binutils pkg-config valgrind libx11-dev)
# Packages for the sanitized build (sanitize.sh): GCC's ASan, LSan and UBSan runtimes.
SANITIZE_PACKAGES=(libasan8 liblsan0 libubsan1)
# Packages for the fuzz target (fuzz.sh): clang, its libFuzzer and sanitizer runtimes,
# and llvm-symbolizer for readable stack traces.
FUZZ_PACKAGES=(clang libclang-rt-14-dev llvm)
# Packages for the benchmarks (bench.sh): Google Benchmark, glm and Eigen to compare with,
# callgrind for instructions per frame, objdump, pgrep, and Python for the report.
BENCH_PACKAGES=(libbenchmark-dev libglm-dev libeigen3-dev valgrind binutils procps python3)
# Packages for the format and static checks (lint.sh).
LINT_PACKAGES=(clang-format clang-tidy git python3)

# Installs those of the given Debian packages that are not installed yet.
install_missing() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "error: run as root or install sudo to install: ${missing[*]}" >&2; exit 1; }
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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

# True when DISPLAY names an X server that answers.
display_works() {
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}
