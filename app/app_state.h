// The application record and the menu's start-up: window class, window creation.
#pragma once

#include <windows.h>

struct AppState {
    HINSTANCE instance;
    HWND mainWindow;            // stored by the menu window's WM_CREATE handler
    char moduleDirectory[260];  // the program's directory with its trailing backslash
    int isNtPlatform;
};

// The one application record; null until CreateMenuWindow made it.
extern AppState* appState;

extern const char menuWindowClassName[];
extern const char menuWindowTitle[];

void RegisterMenuClass(HINSTANCE instance);
int CreateMenuWindow(HINSTANCE instance);

// The program's directory from its module path: everything up to and including the last
// backslash, or the empty string when there is none. Exposed for tests.
void CutToModuleDirectory(char* path);
