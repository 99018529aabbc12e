#!/bin/bash
# Installs what is missing, builds everything with the test suites, and runs every test under
# Wine on a virtual display of its own. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/bench.sh

bench_install_packages
cmake --preset windows
cmake --build --preset windows

BUILD_DIR="$PWD/build/windows"
bench_prepare_prefix "$BUILD_DIR"
trap bench_stop EXIT
bench_start_display "$BUILD_DIR"
bench_start_wineserver
ctest --preset windows "$@"
