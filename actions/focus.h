// The focus that arrow keys, the remote's OK key and the gamepad move over the six buttons, and
// its light, which is the press light on one button.
#pragma once

#include "skin/skin.h"

#include <windows.h>

enum FocusDirection { FocusLeft, FocusRight, FocusUp, FocusDown };

// The button nearest to button `from` in the direction, judged by the centres of the regions'
// bounding boxes, or -1 when none lies that way. See the rule on the definition.
int FindNearestButton(const Skin* skin, int from, FocusDirection direction);

// An arrow key or a push of the D-pad or stick: the first one focuses button 0, one after a mouse
// press shows the focus where it was, every other one moves it. Repaints the buttons concerned.
void MoveFocus(HWND window, FocusDirection direction);

// Shows the focus light on button `index`, taking it from where it was, as an arrow that leads
// there does (a screen reader's request to focus that button). Returns 0, changing nothing,
// during the start period or for no such button.
int FocusButton(HWND window, int index);

// OK, Enter, Space or the gamepad's A: runs the focused button's action, exactly as a click on it
// does. With no focus shown it only shows the focus, so nothing acts on a button not in sight.
void ActOnFocus(HWND window);

// Lights the focus where it was (button 0 before any), as the first arrow press does.
void ShowFocus(HWND window);

// A mouse press takes the focus light away (the focus itself stays), repainting its button.
void HideFocus(HWND window);

// The region the paint lights for the focus, or null when the focus is not shown. Owned by the
// skin.
HRGN FocusLitRegion(const Skin* skin);
