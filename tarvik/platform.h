// The one system call of Tarvik.dll whose answer Wine cannot give: whether a window is cloaked
// (a suspended app's frame, a window on another virtual desktop). The library asks through this
// table so that a seam test can answer instead; the DLL never changes it.
#pragma once

#include <windows.h>

struct TarvikPlatform {
    HRESULT(WINAPI* getWindowAttribute)(HWND, DWORD, PVOID, DWORD);
};

extern TarvikPlatform tarvikPlatform;
