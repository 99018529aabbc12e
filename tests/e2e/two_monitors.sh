#!/bin/bash
# The menu on a second monitor, end to end: the real tilebox.exe with the default skin, "Display"
# naming \\.\DISPLAY2. Wine here lists two monitors only from Xinerama (UseXRandR=N), and Xvfb puts
# both at (0,0), the second over the first; placement elsewhere is tested at the platform seam
# (tests/window). Runs in a Wine prefix and on a display of its own, so the other tests' bench
# is not touched. Argument: the build tree.
set -u
BUILD_DIR="$1"
BIN="$BUILD_DIR/bin"
export WINEPREFIX="$BUILD_DIR/two-monitor-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
STATE="$BUILD_DIR/two-monitor"
mkdir -p "$STATE"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

rm -f "$STATE/display"
Xvfb -displayfd 9 -noreset +xinerama -screen 0 1920x1080x24 -screen 1 1280x720x24 -nolisten tcp \
    9>"$STATE/display" >"$STATE/xvfb.log" 2>&1 &
XPID=$!
trap 'wineserver -k >/dev/null 2>&1; kill $XPID 2>/dev/null; wait $XPID 2>/dev/null' EXIT
for _ in $(seq 1 100); do [ -s "$STATE/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$STATE/display")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
fi
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -k
wineserver -w
wineserver -p
wine reg delete 'HKCU\Software\Velnor' /f >/dev/null 2>&1
wine reg import "$(winepath -w "$BIN/skins/defaults-user.reg")" >/dev/null 2>&1
wine reg add 'HKCU\Software\Velnor\Tilebox' /v 'Agent Wait' /t REG_DWORD /d 0 /f >/dev/null 2>&1

listed="$(wine "$BIN/skincheck.exe" --displays 2>/dev/null | tr -d '\r')"
echo "$listed"
grep -qx '\\\\.\\DISPLAY2 1280x720 at (0,0)' <<<"$listed" || fail "skincheck does not list DISPLAY2"

# The size of the menu's window as the X server has it, once shown: Wine makes it 1x1 first.
menu_size() {
    local size=""
    for _ in $(seq 1 50); do
        size="$(xwininfo -root -tree | grep '"Velnor Main Menu"' | grep -o '[0-9]*x[0-9]*+' |
            grep -v '^1x1+' | head -1)"
        [ -n "$size" ] && break
        sleep 0.2
    done
    echo "${size%+}"
}
pixel() { import -window root -crop "1x1+$1+$2" txt:- | tail -1 | grep -o 'srgb([0-9,]*)'; }

# The primary monitor without the setting.
wine "$BIN/tilebox.exe" >/dev/null 2>&1 &
menu=$!
[ "$(menu_size)" = "1920x1080" ] || fail "without Display the menu does not cover the primary monitor"
wine "$BIN/tilebox.exe" Close >/dev/null 2>&1
wait $menu

# The second monitor: its size and its skin (1280x720 has a size of its own in the default skin).
wine reg add 'HKCU\Software\Velnor\Tilebox' /v Display /t REG_SZ /d '\\.\display2' /f >/dev/null 2>&1
wine "$BIN/tilebox.exe" >/dev/null 2>&1 &
menu=$!
size="$(menu_size)"
[ "$size" = "1280x720" ] || fail "with Display the menu covers $size, not the second monitor"
sleep 11  # the start period
# "2 Mail" is 482,115,795,370 at 1280x720: its centre lights while held, and only then.
xdotool mousemove 638 242 mousedown 1
sleep 1
held="$(pixel 638 242)"
xdotool mouseup 1
sleep 1
released="$(pixel 638 242)"
echo "held $held, released $released"
[ -n "$held" ] && [ "$held" != "$released" ] || fail "the press does not light the button"
# "6 Close" is 831,406,1144,661: a click there ends the menu with 18.
xdotool mousemove 987 533 click 1
for _ in $(seq 1 50); do kill -0 $menu 2>/dev/null || break; sleep 0.2; done
wait $menu
code=$?
[ "$code" = "18" ] || fail "the Close tile's click ended the menu with $code"
wine reg delete 'HKCU\Software\Velnor' /f >/dev/null 2>&1
[ "$failures" = 0 ] && echo "two monitors: passed"
exit "$failures"
