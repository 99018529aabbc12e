// The menu as the home screen: the Home keys that bring it forward from any program, and its
// return to the front when the program in front closes and leaves nothing a person would use.
#pragma once

#include <windows.h>

enum {
    // Hot key ids, in the range an application may use.
    HomeKeyBrowserHome = 1,
    HomeKeyStartButton = 2,
    ReturnWatchTimerId = 4101,
    // Often enough that the remote works again at once; a foreground query costs next to
    // nothing.
    ReturnWatchPeriodMs = 250,
    // The wait before the menu takes the front back, when "Return Delay" is absent: a launcher
    // that closes before its program's window shows has two seconds to show it.
    DefaultReturnDelayMs = 2000,
    MostReturnDelayMs = 60000,
};

// "Return Delay", a DWORD under the application key: milliseconds the menu waits, after the
// window in front went with nothing ordinary left in front, before it takes the front back;
// DefaultReturnDelayMs when absent, at most MostReturnDelayMs.
extern const char returnDelayName[];
DWORD ReadReturnDelay();

// The remote's Home button as system-wide hot keys, unless the DWORD "Home Keys" under the
// application key is 0. A key another program holds stays with it, silently.
void RegisterHomeKeys(HWND window);
void UnregisterHomeKeys(HWND window);

// WM_HOTKEY: restores a minimised menu and brings it to the front with the focus light shown,
// in the topmost band while it keeps the focus; during the start period it only keeps the menu
// in front. Never runs a button's action.
LRESULT HandleHotKey(HWND window, WPARAM wParam, LPARAM lParam);
// The menu lost the focus to `activated` (or to none): a menu a Home key put in the topmost band
// leaves it, below that window.
void LeaveHomeKeyBand(HWND window, HWND activated);

// WM_APPCOMMAND: Back, from a remote's consumer-control button or a mouse's back button, does
// nothing, as the Back key does; every other command keeps its default handling.
LRESULT HandleAppCommand(HWND window, WPARAM wParam, LPARAM lParam);

// Starts the watch on the foreground while the active menu is behind another window, and stops
// it when the menu is in front again.
void UpdateReturnWatch(HWND window, int inFront);
// Stops the watch for good, as the window goes.
void StopReturnWatch(HWND window);
// The watch's tick: see the rule on the definition.
void WatchForegroundReturn(HWND window);
