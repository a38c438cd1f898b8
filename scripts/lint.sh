#!/usr/bin/env bash
# lint.sh: checks that every C++ file is formatted as .clang-format says and passes the
# checks of .clang-tidy (tests/.clang-tidy leaves out the slow path-sensitive analyser
# for the tests).
#
#   bash scripts/lint.sh          # check; exit status 1 if anything is off
#   bash scripts/lint.sh --fix    # reformat the files in place first, then check
#
# clang-tidy reads the compile commands of a build configured (not built) in build-lint/,
# with the tests (the one of the Windows programs under Wine included) and the
# benchmarks, so that it sees every file as the compiler does.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${BENCH_PACKAGES[@]}" \
                "${LINT_PACKAGES[@]}"
cd "$ROOT"
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
status=0

if [ "${1:-}" = --fix ]; then
    clang-format -i "${sources[@]}"
fi
echo "lint.sh: clang-format on ${#sources[@]} files"
clang-format --dry-run -Werror "${sources[@]}" || status=1

lint_dir="$ROOT/build-lint"
# VECMATH_WINDOWS_BUILD_DIR brings in the test of the Windows programs under Wine; the
# folder need not exist to configure.
cmake -S "$ROOT" -B "$lint_dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DVECMATH_BUILD_TESTS=ON \
      -DVECMATH_BUILD_BENCHMARKS=ON -DVECMATH_WINDOWS_BUILD_DIR="$ROOT/build-cross/windows" \
      >/dev/null
# Only the files the build compiles: the fuzz target is built apart, by clang.
mapfile -t units < <(python3 - "$lint_dir/compile_commands.json" <<'PY'
import json, os, sys
root = os.getcwd() + "/"
files = sorted({e["file"] for e in json.load(open(sys.argv[1])) if e["file"].startswith(root)})
print("\n".join(files))
PY
)
echo "lint.sh: clang-tidy on ${#units[@]} files"
printf '%s\n' "${units[@]}" |
    xargs -P "$(nproc)" -n 1 clang-tidy -p "$lint_dir" --quiet 2>/dev/null || status=1

[ $status -eq 0 ] && echo "lint.sh: clean" || echo "lint.sh: problems above" >&2
exit $status
