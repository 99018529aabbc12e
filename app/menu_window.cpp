#include "app/menu_window.h"

#include "app/app_state.h"

int menuActive = 0;

// Provisional until the skinned panel exists: the window covers the screen topmost and ends the
// message loop with the menu's quit code when destroyed.
static LRESULT HandleCreate(HWND window)
{
    appState->mainWindow = window;
    SetWindowPos(window, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                 GetSystemMetrics(SM_CYSCREEN), SWP_SHOWWINDOW);
    menuActive = 0;
    return 0;
}

static LRESULT HandleDestroy()
{
    PostQuitMessage(18);
    return 0;
}

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return HandleCreate(window);
    case WM_DESTROY:
        return HandleDestroy();
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
