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
};

// The remote's Home button as system-wide hot keys, unless the DWORD "Home Keys" under the
// application key is 0. A key another program holds stays with it, silently.
void RegisterHomeKeys(HWND window);
void UnregisterHomeKeys(HWND window);

// WM_HOTKEY: restores a minimised menu and brings it to the front with the focus light shown;
// during the start period it only keeps the menu in front. Never runs a button's action.
LRESULT HandleHotKey(HWND window, WPARAM wParam, LPARAM lParam);

// WM_APPCOMMAND: Back, from a remote's consumer-control button or a mouse's back button, does
// nothing, as the Back key does; every other command keeps its default handling.
LRESULT HandleAppCommand(HWND window, WPARAM wParam, LPARAM lParam);

// Starts the watch on the foreground while the active menu is behind another window, and stops
// it when the menu is in front again.
void UpdateReturnWatch(HWND window, int inFront);
// The watch's tick: see the rule on the definition.
void WatchForegroundReturn(HWND window);
