#!/bin/bash
# Builds the menu's text routines and the launch library's program finding natively for Linux with
# clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, and runs each fuzz target for
# a while on its committed seeds. The program finding runs over a fake file system of its target's
# own (fuzz/fuzz_command_program.cpp), never the real disk.
#
#   bash tools/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# SECONDS_PER_TARGET defaults to 60. Targets: rectangle_text, command_tail, command_text,
# tiles_file, command_program (all by default). Corpus growth goes into build/fuzz/corpus/<target>; fuzz/seeds
# stays as committed.
# Exits non-zero when a target finds a crash, a sanitizer report or a failed check; the input
# that caused it is left in build/fuzz/findings/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_PACKAGES="clang libclang-rt-14-dev"
missing=""
for p in $FUZZ_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
        || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "fuzz: installing$missing"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

SECONDS_PER_TARGET="${1:-60}"
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(rectangle_text command_tail command_text tiles_file command_program)

declare -A SOURCES=(
    [rectangle_text]="skin/rectangle_text.cpp"
    [command_tail]="app/command_tail.cpp"
    [command_text]="actions/command_text.cpp"
    [tiles_file]="tileskin/tiles_file.cpp"
    [command_program]="osmant/command_line.cpp"
)

OUT="$PWD/build/fuzz"
mkdir -p "$OUT/bin"
FLAGS="-std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined \
-fno-sanitize-recover=all \
-I$PWD/fuzz/include -I$PWD"

status=0
for t in "${TARGETS[@]}"; do
    src="${SOURCES[$t]:-}"
    if [ -z "$src" ]; then
        echo "fuzz: unknown target $t" >&2
        exit 2
    fi
    # The routine's own source file, unchanged; the stand-in header replaces the platform's.
    clang++ $FLAGS -include fuzz/win32_stand_in.h "fuzz/fuzz_$t.cpp" "$src" -o "$OUT/bin/fuzz_$t"
    mkdir -p "$OUT/corpus/$t" "$OUT/findings/$t"
    log="$OUT/$t.log"
    echo "fuzz: $t for ${SECONDS_PER_TARGET}s"
    if ! "$OUT/bin/fuzz_$t" -max_total_time="$SECONDS_PER_TARGET" -max_len=1024 -timeout=5 \
        -print_final_stats=1 -artifact_prefix="$OUT/findings/$t/" \
        "$OUT/corpus/$t" "fuzz/seeds/$t" >"$log" 2>&1; then
        echo "fuzz: $t FAILED; see $log and $OUT/findings/$t" >&2
        tail -40 "$log" >&2
        status=1
        continue
    fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
    echo "fuzz: $t passed: ${runs:-?} executions, $cov, corpus $(ls "$OUT/corpus/$t" | wc -l) files"
done
exit $status
