#!/bin/bash
# Installs what is missing, builds everything with the test suites, and runs every test under
# Wine on a virtual display of its own. Exits non-zero when anything fails.
#
# --long (or TILEBOX_LONG=1 in the environment) runs the soak tests with their full counts and,
# after CTest, each fuzz target for TILEBOX_FUZZ_SECONDS (default 180) seconds. Other arguments
# go to CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/bench.sh

CTEST_ARGS=()
for arg in "$@"; do
    if [ "$arg" = "--long" ]; then
        export TILEBOX_LONG=1
    else
        CTEST_ARGS+=("$arg")
    fi
done

bench_install_packages
cmake --preset windows
cmake --build --preset windows

BUILD_DIR="$PWD/build/windows"
bench_prepare_prefix "$BUILD_DIR"
trap bench_stop EXIT
bench_start_display "$BUILD_DIR"
bench_start_wineserver
ctest --preset windows ${CTEST_ARGS[@]+"${CTEST_ARGS[@]}"}

if [ "${TILEBOX_LONG:-}" = "1" ]; then
    bash tools/fuzz.sh "${TILEBOX_FUZZ_SECONDS:-180}"
fi
