#!/usr/bin/env bash
# sanitize.sh: builds everything, tests included, with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer in a build directory of its own, and runs the whole test
# suite there, the end-to-end runs of both programs included, but for the tests labelled
# "build", which compile projects of their own with their own flags.
#
#   bash scripts/sanitize.sh
#
# It installs what is missing and runs the "sanitize" workflow preset (CMakePresets.json):
# a RelWithDebInfo build in build-sanitize/ with VECMATH_SANITIZE=ON, reused by the next
# run. The first error a sanitizer finds stops the program and fails its test. The
# runtime options and the leak suppressions (tests/sanitizer/lsan.supp) come with that
# switch, so a plain `ctest` in build-sanitize/ applies them too; so do the two tests that
# run differently there: valgrind's memcheck is left out (it cannot run beside ASan's
# shadow memory), and the soak runs with ASan's quarantine of freed memory off.
# Exits non-zero when the build or any test fails.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

install_missing "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}" \
                "${SANITIZE_PACKAGES[@]}"
cd "$ROOT"
start=$SECONDS
status=0
cmake --workflow --preset sanitize || status=$?
echo "sanitize.sh: $((SECONDS - start)) s"
exit $status
