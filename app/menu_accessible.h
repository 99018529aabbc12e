// What a screen reader learns of the menu: the window's client object lists the six buttons as
// push buttons, child ids 1 to 6 in the button table's order, with a name, a place on the
// screen, a state and the default action "Press".
#pragma once

#include <windows.h>

enum { SpokenNameCapacity = 256 };

// Posted to the menu window by a screen reader's "Press" (wParam: the button's index), so that
// the button acts after the reader's call has returned.
enum { AccessiblePressMessage = WM_APP + 16 };

// WM_GETOBJECT: the menu's own object for OBJID_CLIENT while a whole skin is loaded; every other
// request gets the system's answer.
LRESULT HandleGetObject(HWND window, WPARAM wParam, LPARAM lParam);

// AccessiblePressMessage: the button's action, as a click on it performs it, once the menu is
// still active and its skin whole.
LRESULT HandleAccessiblePress(HWND window, WPARAM wParam, LPARAM lParam);

// The end of the start period: the buttons become available, and a screen reader is told that
// each one's state changed.
void AnnounceButtonsAvailable(HWND window);

// The button's "Name" value, else its key name as SpokenKeyName gives it, into a buffer of
// SpokenNameCapacity wide characters. Returns 0, with an empty text, when the current skin has no
// such button.
int ReadButtonSpokenName(int index, WCHAR* text);

// The key name without a leading number and the blanks after it ("1 Internet" gives
// "Internet"); the whole key name when nothing would be left of it. Points into keyName.
const char* SpokenKeyName(const char* keyName);
