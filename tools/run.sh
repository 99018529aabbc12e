#!/bin/bash
# Installs what is missing, builds the menu and starts it under Wine: on the user's display when
# DISPLAY is set, else on a virtual one of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/bench.sh

bench_install_packages
cmake --preset windows
cmake --build --preset windows --target tilebox Kivrel Osmant

BUILD_DIR="$PWD/build/windows"
bench_prepare_prefix "$BUILD_DIR"
trap bench_stop EXIT
if [ -z "${DISPLAY:-}" ]; then
    bench_start_display "$BUILD_DIR"
fi
echo "run: starting $BUILD_DIR/bin/tilebox.exe on $DISPLAY"
set +e
wine "$BUILD_DIR/bin/tilebox.exe"
code=$?
echo "run: the menu ended with exit code $code"
