#!/usr/bin/env bash
# test.sh: installs what is missing, builds, and runs every test headless.
#
#   bash scripts/test.sh
#
# The end-to-end tests start their own virtual X servers, so no display is needed. Ends
# with CTest's summary; the exit status is CTest's.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

install_missing "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
build_all with-tests
run_suite
