// Hit testing and the press and release feedback of the buttons.
#pragma once

#include "skin/skin.h"

#include <windows.h>

// The index of the first button whose region holds (x, y), or -1.
int HitTestButtons(HWND window, int x, int y);

// WM_LBUTTONDOWN: lights the button under the point.
LRESULT PressButton(HWND window, WPARAM wParam, LPARAM lParam);

// The first steps of WM_LBUTTONUP: repaints the whole panel unlit and returns the index of the
// button under the point, or -1 (also while the menu is not yet active, and for a release whose
// press the menu did not receive).
int ReleaseButton(HWND window, LPARAM lParam);

// A press that lost its release (the capture went elsewhere, the menu was sent behind) ends
// without acting: the light goes out, and a late release acts on nothing. Harmless without a
// press, or while the menu still holds the capture.
void AbandonPress(HWND window);

// The region the paint lights on the unlit panel: the pressed button's shape while a press is
// held, else the focus's (null when neither).
HRGN LitButtonRegion(const Skin* skin);
