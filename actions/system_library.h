// Where the menu's late-loaded system libraries are found.
#pragma once

#include <windows.h>

// Writes the full path of the system folder's file name into path (MAX_PATH characters). Returns
// 1, or 0 when the folder cannot be had or the whole path does not fit.
int SystemLibraryPath(const char* name, char* path);

// Loads the system folder's library of that name (through the menu's platform table), or null.
HMODULE LoadSystemLibrary(const char* name);
