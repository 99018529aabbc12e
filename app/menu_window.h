// The menu window's procedure and its message handlers.
#pragma once

#include <windows.h>

// 0 during the start period, 1 once the activation timer has fired; never back to 0.
extern int menuActive;

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
