// The process entry's logic, apart from WinMain so that tests can drive it.
#pragma once

#include <windows.h>

// Finds a running menu or starts one; returns the process exit code.
int RunMenuProcess(HINSTANCE instance, const char* commandTail);

// Runs the thread's message loop until WM_QUIT and returns its wParam.
int RunMessageLoop();
