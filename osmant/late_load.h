// System libraries that Osmant.dll and Tarvik.dll need only when the menu launches a program or
// looks for one. Both DLLs are loaded with the menu at every start, and most starts never launch
// anything, so they do not import shell32, shlwapi, ole32 or dwmapi: each is loaded, from the
// system folder only, the first time one of its functions is called.
#pragma once

#include <windows.h>

// The function of the system library, or null when either cannot be had; the caller casts it to
// the function's own type. The library is loaded
// by its full path in the system folder, so that a file of the same name beside the program or in
// the current folder is never taken for it; it stays loaded for the life of the process.
void* LateSystemFunction(const char* library, const char* function);
