#!/bin/bash
# Installs what is missing, builds the menu and its installer, installs the menu into a Wine
# prefix of its own with the real installer run silently, and starts the installed menu with its
# default skin at 1920x1080: on a virtual display of its own, or, when DISPLAY is set, inside a
# 1920x1080 Wine desktop window on the user's display (whatever size that display is). Saves
# screenshots of the start period, of the active menu and of one pressed button, then closes the
# menu. Ends with 0 only when the menu's window came up.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/bench.sh

# TILEBOX_BUILD_DIR picks another build tree than the preset's build/windows.
BUILD_DIR="${TILEBOX_BUILD_DIR:-$PWD/build/windows}"
# The size the menu is shown at; the default skin names it as "1920x1080" in its settings.
WIDTH=1920
HEIGHT=1080
SIZE="${WIDTH}x${HEIGHT}"

bench_install_packages
cmake --preset windows -B "$BUILD_DIR"
cmake --build "$BUILD_DIR" --target tilebox_setup

SETUP="$BUILD_DIR/dist/tilebox-setup.exe"
# A prefix and display of the run's own, apart from the tests' ones in the same build tree.
RUN_DIR="$BUILD_DIR/run"
SHOTS="$RUN_DIR/screenshots"
mkdir -p "$RUN_DIR"
bench_prepare_prefix "$RUN_DIR"
BENCH_XVFB_PID=""  # set by bench_start_display only; bench_stop reads it either way
trap bench_stop EXIT

if [ -z "${DISPLAY:-}" ]; then
    bench_start_display "$RUN_DIR"
    xrandr --output screen --mode "$SIZE"
    WINE_RUN=(wine)
else
    WINE_RUN=(wine explorer "/desktop=Tilebox,$SIZE")
fi
bench_start_wineserver

echo "run: installing with $SETUP /S"
if ! wine "$SETUP" /S; then
    echo "run: the installer failed" >&2
    exit 1
fi
INSTALL_DIR=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tilebox' \
    /v InstallLocation 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
MENU="$INSTALL_DIR\\tilebox.exe"
echo "run: installed in $INSTALL_DIR (prefix $WINEPREFIX)"

# Where to press: a spot inside the Internet tile, left of its glyph and label, taken from the
# settings the build wrote, so it follows the skin's layout.
# The skin maker writes .reg files in UTF-16, as the system's own editor does.
RECT=$(iconv -f UTF-16 -t UTF-8 "$BUILD_DIR/bin/skins/defaults-machine.reg" | awk \
    -v value="\"Rectangle $SIZE\"" \
    '/\\1 Internet\]/ { found = 1 } found && index($0, value) == 1 { print; exit }' \
    | sed 's/.*="\(.*\)"/\1/' | tr -d '\r')
IFS=, read -r LEFT TOP RIGHT BOTTOM <<<"$RECT"
PRESS_X=$((LEFT + (RIGHT - LEFT) / 8))
PRESS_Y=$(((TOP + BOTTOM) / 2))

rm -rf "$SHOTS"
mkdir -p "$SHOTS"
shot() { import -window root -display "$DISPLAY" "$SHOTS/$1"; }
pixel() { # the colour in screenshot $1 at $2, $3 of the menu window, as ImageMagick writes it
    convert "$SHOTS/$1" -format "%[pixel:p{$((WINDOW_X + $2)),$((WINDOW_Y + $3))}]" info:
}

echo "run: starting $MENU on $DISPLAY"
"${WINE_RUN[@]}" "$MENU" </dev/null >"$RUN_DIR/menu.log" 2>&1 &
MENU_PID=$!
# The installer sets "Agent Wait" to 0, so the window shows without a wait for the agent; the
# bound allows for a slow first start of Wine.
WINDOW=""
for _ in $(seq 1 60); do
    WINDOW=$(xdotool search --onlyvisible --name "Velnor Main Menu" 2>/dev/null | head -1 || true)
    [ -n "$WINDOW" ] && break
    sleep 0.5
done
if [ -z "$WINDOW" ]; then
    echo "run: the menu's window did not appear (log: $RUN_DIR/menu.log)" >&2
    exit 1
fi

eval "$(xdotool getwindowgeometry --shell "$WINDOW" | sed 's/^/WINDOW_/')"

sleep 2
shot 1-start-period.png
LIT=$(pixel 1-start-period.png "$PRESS_X" "$PRESS_Y")
# The menu turns active ten seconds after it shows.
sleep 10
shot 2-active.png
UNLIT=$(pixel 2-active.png "$PRESS_X" "$PRESS_Y")
xdotool mousemove --window "$WINDOW" "$PRESS_X" "$PRESS_Y" mousedown 1
sleep 1
shot 3-internet-pressed.png
PRESSED=$(pixel 3-internet-pressed.png "$PRESS_X" "$PRESS_Y")
# Released in the panel's top-left corner, where no button is: releasing on a button runs it.
xdotool mousemove --window "$WINDOW" 3 3 mouseup 1
sleep 1
shot 4-released.png

echo "run: closing the menu with tilebox.exe Close"
"${WINE_RUN[@]}" "$MENU" Close </dev/null >/dev/null 2>&1 || true
for _ in $(seq 1 40); do
    xdotool search --onlyvisible --name "Velnor Main Menu" >/dev/null 2>&1 || break
    sleep 0.25
done
wait "$MENU_PID" 2>/dev/null || true

echo "run: Internet tile at $PRESS_X,$PRESS_Y: start period $LIT, active $UNLIT, pressed $PRESSED"
echo "run: the menu came up; screenshots in $SHOTS:"
ls -1 "$SHOTS" | sed 's/^/    /'
echo "run: the installed menu stays in the prefix $WINEPREFIX; start it again with"
echo "    WINEPREFIX=$WINEPREFIX ${WINE_RUN[*]} '$MENU'"
