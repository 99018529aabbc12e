// The system calls of the menu whose effects a test under Wine cannot see: Windows' rules on who
// may take the foreground, the hot keys another program may hold, and where XInput is loaded
// from, and the monitors there are. The menu makes them through this one table, so that tests
// can put recording fakes in their place; the program itself never changes it.
#pragma once

#include <windows.h>

struct MenuPlatform {
    HWND(WINAPI* getForegroundWindow)();
    BOOL(WINAPI* setForegroundWindow)(HWND);
    BOOL(WINAPI* allowSetForegroundWindow)(DWORD);
    BOOL(WINAPI* isIconic)(HWND);
    BOOL(WINAPI* showWindow)(HWND, int);
    BOOL(WINAPI* getLastInputInfo)(PLASTINPUTINFO);
    BOOL(WINAPI* systemParametersInfo)(UINT, UINT, PVOID, UINT);
    BOOL(WINAPI* registerHotKey)(HWND, int, UINT, UINT);
    HMODULE(WINAPI* loadLibraryEx)(LPCSTR, HANDLE, DWORD);
    BOOL(WINAPI* unregisterHotKey)(HWND, int);
    BOOL(WINAPI* getGUIThreadInfo)(DWORD, PGUITHREADINFO);
    DWORD(WINAPI* getTickCount)();
    // The monitors, for the one the menu covers: a test bench shows only the monitors its
    // display server has, never one to the left of or above the primary.
    BOOL(WINAPI* enumDisplayMonitors)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
    BOOL(WINAPI* getMonitorInfo)(HMONITOR, LPMONITORINFO);
};

extern MenuPlatform menuPlatform;
