// Where the menu's late-loaded system libraries are found.
#pragma once

#include <windows.h>

// Loads the system folder's library of that name (through the menu's platform table), or null.
HMODULE LoadSystemLibrary(const char* name);
