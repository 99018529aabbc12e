#!/bin/bash
# Installs what is missing, builds the menu and its benchmarks in release mode, and runs every
# figure under Wine on a virtual display of its own: each figure against its floor, measured in
# the same run, in one table. Not part of CI; a missed goal does not fail the command, a figure
# that could not be measured does.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/bench.sh

# TILEBOX_BENCH_BUILD_DIR picks another build tree than the preset's build/bench.
BUILD_DIR="${TILEBOX_BENCH_BUILD_DIR:-$PWD/build/bench}"

bench_install_packages
cmake --preset bench -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR"

bench_prepare_prefix "$BUILD_DIR"
BENCH_XVFB_PID=""
trap bench_stop EXIT
bench_start_display "$BUILD_DIR"
bench_start_wineserver

# The default settings as the installer writes them: machine-wide, with no user tree of its own
# (a user's key would hide the machine-wide one). This prefix belongs to the benchmark's build.
wine reg delete 'HKCU\Software\Velnor\Tilebox' /f >/dev/null 2>&1 || true
wine reg import "$(winepath -w "$BUILD_DIR/bin/skins/defaults-machine.reg")" >/dev/null 2>&1

echo "benchmark: machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo \
    | sed 's/.*: //'), $(wine --version 2>/dev/null), display $DISPLAY (Xvfb)"
status=0
wine "$BUILD_DIR/bin/bench_tilebox.exe" | tee "$BUILD_DIR/bench/benchmark.log" || status=$?
if [ "$status" -eq 0 ] && ! grep -q '^benchmark: the table is complete' "$BUILD_DIR/bench/benchmark.log"; then
    echo "benchmark: FAILED: bench_tilebox.exe ended before its table was complete"
    status=3
fi
echo "benchmark: the whole command took ${SECONDS} s (build, prefix and display included)"
exit "$status"
