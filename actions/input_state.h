// The menu's input state: whether the start period is over, and which button the keys and the
// gamepad have focused. The window and the press feedback both read and write it.
#pragma once

// 0 during the start period, 1 once the activation timer has fired; never back to 0.
extern int menuActive;

// The button that the keys and the gamepad move over. `index` is -1 until the first arrow (or
// OK) press and afterwards always a button index; `shown` is 1 while that button is lit for it.
// A mouse press hides the focus without forgetting it, so the next key shows it in place.
struct ButtonFocus {
    int index;
    int shown;
};

extern ButtonFocus buttonFocus;

// The mouse press in progress. `index` is the pressed button while the left button is held over
// it since the press, else -1; the paint lights that button's shape alone. `received` is 1 from a
// press the active menu received (on a button or not) until that press ends: with its release, or
// without it (capture lost, the menu sent behind). Only a release while it is 1 acts; 0 before the
// first press, so a release whose press went to another program (a game that quit on the press)
// acts on nothing.
struct ButtonPress {
    int index;
    int received;
};

extern ButtonPress buttonPress;
