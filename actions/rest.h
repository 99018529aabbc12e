// Rest for the screen: after "Rest Minutes" without input while the active menu is in front, the
// whole monitor goes black, and the next input only wakes it.
#pragma once

#include <windows.h>

enum {
    RestTimerId = 4102,
    // How often the idle time is looked at: the screen goes dark at most this much late.
    RestCheckPeriodMs = 1000,
    DefaultRestMinutes = 10,
    // A day: beyond it the value is a typing slip, and minutes in milliseconds stay far from
    // overflowing a DWORD.
    MostRestMinutes = 1440,
};

// "Rest Minutes", a DWORD under the application key: absent 10, 0 turns rest off.
extern const char restMinutesName[];

struct Rest {
    DWORD minuteMs;    // 60000; only tests make a minute shorter
    DWORD restMs;      // the idle time that darkens the screen, read when the watch starts
    DWORD lastInput;   // tick count of the last input the menu saw
    int watching;      // the check timer runs
    int dark;
    WPARAM wakingKey;  // the key that woke the screen, taken until it is let go; 0 when none
    UINT wakingRelease;  // the mouse release that belongs to the waking press; 0 when none
    POINT darkCursor;  // where the pointer stood when the screen went dark
};

extern Rest rest;

// The rest time in milliseconds from "Rest Minutes"; 0 when rest is off.
DWORD ReadRestMs();

// Starts the watch while the menu is active and in front, and stops it (waking the screen)
// otherwise.
void UpdateRest(HWND window, int inFront);
// Stops the watch for good, as the window goes.
void StopRest(HWND window);
// The check timer's tick: darkens the screen once the rest time passed without input.
void CheckRest(HWND window);

// Before the window procedure's own handling: notes input, and takes the input that wakes a dark
// screen (and the rest of that key press or click) so that it does nothing else. Returns 1 when
// it took the message, with the window procedure's result in *result.
int TakeRestInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
// A gamepad push or press: notes it; returns 1 when it woke a dark screen and must do nothing else.
int WakeFromRest(HWND window);

// Paints the whole client area black while the screen rests; returns 1 when it did.
int PaintRest(HWND window, HDC dc);
