#!/bin/bash
# The test bench's standard user: an unprivileged Unix account (tbuser) running Wine in a prefix
# of its own, inside the build tree, where Tilebox is installed by its real installer and the
# program's folder is then made root's and read-only, so that writing there is refused with
# ERROR_ACCESS_DENIED as it is for a standard user under Program Files on Windows. Wine keeps no
# rights on the registry: HKEY_LOCAL_MACHINE stays writable, and the tests say so where it counts.
#
#   standard_user.sh run BUILD_DIR SETUP_EXE PROGRAM [ARGS...]
#
# Run as root (as CI and tools/test.sh do). Every step is idempotent and cheap when done: the
# account is made once, the prefix is a copy of the build tree's own (a copy takes a few seconds,
# a fresh wineboot far longer), and the installer runs again only when it was rebuilt.
set -euo pipefail

BENCH_USER=tbuser

ensure_account() {
    id -u "$BENCH_USER" >/dev/null 2>&1 || useradd --create-home --shell /usr/sbin/nologin "$BENCH_USER"
}

# The account must reach its prefix and the program it runs. A build tree below a folder it may
# not enter (a clone under /root, or in a folder made by mktemp) keeps them in the account's own
# home instead, one folder per build tree.
standard_user_env() {
    local dir="$1/standard-user"
    if ! runuser -u "$BENCH_USER" -- test -x "$1" 2>/dev/null; then
        local home
        home=$(getent passwd "$BENCH_USER" | cut -d: -f6)
        dir="$home/bench-$(printf '%s' "$1" | md5sum | cut -c1-12)"
    fi
    SU_DIR="$dir"
    SU_PREFIX="$dir/prefix"
    SU_HOME="$dir/home"
    SU_PROGRAM_FOLDER="$SU_PREFIX/drive_c/Program Files/Velnor"
}

as_user() {
    runuser -u "$BENCH_USER" -- env HOME="$SU_HOME" WINEPREFIX="$SU_PREFIX" WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" DISPLAY="${DISPLAY:-}" \
        TILEBOX_STANDARD_USER=1 "$@"
}

prepare_standard_user() {
    local build="$1" setup="$2"
    ensure_account
    standard_user_env "$build"
    mkdir -p "$SU_DIR"
    # The account reaches its prefix through the build tree, and Wine refuses a prefix that is
    # not its own.
    chmod a+rx "$SU_DIR"
    if [ ! -f "$SU_PREFIX/system.reg" ]; then
        if [ ! -f "$build/wineprefix/system.reg" ]; then
            echo "standard_user: the build tree's prefix is missing" >&2
            return 1
        fi
        rm -rf "$SU_PREFIX.new"
        # Debian's Wine names its server's folder in the prefix's file "wineserver": the copy
        # gets a server of its own.
        cp -a "$build/wineprefix" "$SU_PREFIX.new"
        rm -f "$SU_PREFIX.new/wineserver"
        mkdir -p "$SU_HOME"
        chown -R "$BENCH_USER:" "$SU_PREFIX.new" "$SU_HOME"
        mv "$SU_PREFIX.new" "$SU_PREFIX"
    fi
    if [ ! -f "$SU_DIR/installed" ] || [ "$setup" -nt "$SU_DIR/installed" ]; then
        # An upgrade in place, as an administrator would make it; then the folder goes back to
        # root, read-only for everyone.
        [ -d "$SU_PROGRAM_FOLDER" ] && chown -R "$BENCH_USER:" "$SU_PROGRAM_FOLDER" \
            && chmod -R u+w "$SU_PROGRAM_FOLDER"
        # The installer runs from a copy the account can read, wherever the build tree stands.
        cp "$setup" "$SU_DIR/tilebox-setup.exe"
        chmod a+r "$SU_DIR/tilebox-setup.exe"
        as_user wine "$SU_DIR/tilebox-setup.exe" /S </dev/null >/dev/null 2>&1
        as_user wineserver -w
        chown -R root:root "$SU_PROGRAM_FOLDER"
        chmod -R a-w,a+rX "$SU_PROGRAM_FOLDER"
        touch "$SU_DIR/installed"
    fi
}

if [ "${1:-}" = "run" ]; then
    build="$2" setup="$3"
    shift 3
    if [ -z "${DISPLAY:-}" ] && [ -s "$build/bench/display" ]; then
        export DISPLAY=":$(cat "$build/bench/display")"
    fi
    prepare_standard_user "$build" "$setup"
    # The test program and the probe it starts beside itself run from a copy the account can
    # read, wherever the build tree stands.
    program="$1"
    shift
    mkdir -p "$SU_DIR/bin"
    cp "$program" "$(dirname "$program")/accessible_probe.exe" "$SU_DIR/bin/"
    chmod -R a+rX "$SU_DIR/bin"
    status=0
    as_user wine "$SU_DIR/bin/$(basename "$program")" "$@" || status=$?
    # Ends this prefix's processes only: the account's server for this prefix.
    as_user wineserver -k >/dev/null 2>&1 || true
    exit "$status"
fi
