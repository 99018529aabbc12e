# Shared set-up of the Wine test bench; sourced by tools/test.sh and tools/run.sh.
# Everything it makes lives in the build tree: the Wine prefix, the virtual display's number.

BENCH_PACKAGES="g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 \
wine wine64 xvfb x11-xserver-utils xdotool imagemagick cmake ninja-build googletest nsis python3 fonts-dejavu-core"

bench_install_packages() {
    local missing=""
    for p in $BENCH_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
            || missing="$missing $p"
    done
    if [ -n "$missing" ]; then
        echo "bench: installing$missing"
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
    fi
}

bench_wine_env() {
    export WINEPREFIX="$1/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# A prefix of the build tree's own, made once and reused.
bench_prepare_prefix() {
    bench_wine_env "$1"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "bench: creating Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            >/dev/null 2>&1
        wineserver -w
    fi
}

# Every screen size the tests and the default skin use. The virtual screen is as large as the
# largest of them, since Xvfb switches only to modes up to its starting size.
BENCH_MODES="640x480 800x600 1024x768 1280x720 1280x1024 1360x768 1366x768 1600x900 1920x1080 \
1920x1200 2560x1080 2560x1440 3840x2160 4096x2160"

# A virtual display large enough for every mode the tests switch to, started at 1024x768.
bench_start_display() {
    local dir="$1/bench"
    mkdir -p "$dir"
    rm -f "$dir/display"
    Xvfb -displayfd 9 -noreset -screen 0 4096x2160x24 -nolisten tcp 9>"$dir/display" \
        >"$dir/xvfb.log" 2>&1 &
    BENCH_XVFB_PID=$!
    for _ in $(seq 1 100); do
        [ -s "$dir/display" ] && break
        sleep 0.1
    done
    if [ ! -s "$dir/display" ]; then
        echo "bench: Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$(cat "$dir/display")"
    # The screen's own size is a mode already, and adding it again fails; under set -e (test.sh,
    # run.sh) that failure would end the caller.
    for m in $BENCH_MODES; do
        xrandr --newmode "$m" 0 "${m%x*}" 0 0 0 "${m#*x}" 0 0 0 >/dev/null 2>&1 || true
        xrandr --addmode screen "$m" >/dev/null 2>&1 || true
    done
    xrandr --output screen --mode 1024x768
    echo "bench: display $DISPLAY"
}

# A persistent server and Wine's own background processes, started here with their output
# going nowhere: started later by a test, they would inherit CTest's output pipe and hold it open.
bench_start_wineserver() {
    wineserver -p
    wineboot >/dev/null 2>&1 </dev/null
    wine cmd /c exit >/dev/null 2>&1 </dev/null
}

bench_stop() {
    if [ -n "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "$BENCH_XVFB_PID" ]; then
        kill "$BENCH_XVFB_PID" 2>/dev/null || true
        wait "$BENCH_XVFB_PID" 2>/dev/null || true
    fi
}
