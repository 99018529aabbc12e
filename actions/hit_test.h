// Hit testing and the press and release feedback of the buttons.
#pragma once

#include <windows.h>

// The index of the first button whose region holds (x, y), or -1.
int HitTestButtons(HWND window, int x, int y);

// WM_LBUTTONDOWN: lights the button under the point.
LRESULT PressButton(HWND window, WPARAM wParam, LPARAM lParam);

// The first steps of WM_LBUTTONUP: repaints the whole panel unlit and returns the index of the
// button under the point, or -1 (also while the menu is not yet active).
int ReleaseButton(HWND window, LPARAM lParam);
