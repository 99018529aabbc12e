#include "app/menu_window.h"

#include "actions/button_actions.h"
#include "actions/hit_test.h"
#include "app/app_state.h"
#include "outside/kivrel.h"
#include "skin/skin.h"

int menuActive = 0;

const char agentWindowClassName[] = "MorvixRemoteCtrl4VelnorWndClass";
const char applicationKey[] = "Velnor\\Tilebox";

HWND FindAgentWindow()
{
    return FindWindowA(agentWindowClassName, nullptr);
}

static void PauseWithSleep(DWORD milliseconds)
{
    Sleep(milliseconds);
}

// The agent is usually started together with the menu at logon; giving it a few seconds to
// create its window lets the first button press reach it instead of the local fallback. An agent
// that never comes costs the full wait once, before the menu is visible.
int WaitForAgent(AgentLookup lookup, AgentPause pause)
{
    for (int lookups = 1; lookups <= AgentLookups; ++lookups) {
        if (lookup() != nullptr) {
            return lookups;
        }
        pause(AgentPauseMs);
    }
    return AgentLookups;
}

int SelectProfileUser(HWND)
{
    char userName[128];
    DWORD size = sizeof userName;
    const char* user = nullptr;
    if (GetUserNameA(userName, &size) && size != 0) {
        user = userName;
    }
    Kivrel_SetUserProfileInfo(user, applicationKey);
    return 1;
}

// Ends the start period: the menu becomes an ordinary window that answers the mouse.
static void ActivateMenu(HWND window)
{
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    menuActive = 1;
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

LRESULT HandleCreate(HWND window, WPARAM, LPARAM)
{
    appState->mainWindow = window;
    WaitForAgent(FindAgentWindow, PauseWithSleep);
    SelectProfileUser(window);
    if (!LoadSkin(window)) {
        // Not every implementation of the platform sends WM_DESTROY to a window whose creation
        // was refused, so the half-built skin is not left to HandleDestroy alone.
        FreeSkin();
        return -1;
    }
    SetWindowPos(window, HWND_TOPMOST, 0, 0, currentSkin->screenWidth, currentSkin->screenHeight,
                 SWP_SHOWWINDOW);
    menuActive = 0;
    // Without the timer the menu would stay topmost and deaf to the mouse for good; a menu
    // without its start period is the lesser harm.
    if (!SetTimer(window, ActivationTimerId, ActivationPeriodMs, nullptr)) {
        ActivateMenu(window);
    }
    return 0;
}

LRESULT HandleTimer(HWND window, WPARAM wParam, LPARAM)
{
    if (wParam != ActivationTimerId) {
        return 0;
    }
    KillTimer(window, ActivationTimerId);
    ActivateMenu(window);
    return 0;
}

// The copy always names the whole panel, but it goes through the paint DC, which is clipped to
// the update region: a press invalidates only its button's region, so only that button changes.
LRESULT HandlePaint(HWND window, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    const Skin* skin = currentSkin;
    if (target != nullptr && skin != nullptr) {
        HBITMAP panel = (menuActive == 0 || skin->pressed) ? skin->selectedBitmap
                                                           : skin->normalBitmap;
        HDC source = CreateCompatibleDC(target);
        if (source != nullptr) {
            HGDIOBJ previous = SelectObject(source, panel);
            BitBlt(target, 0, 0, skin->paintWidth, skin->paintHeight, source, 0, 0, SRCCOPY);
            SelectObject(source, previous);
            DeleteDC(source);
        }
    }
    EndPaint(window, &paint);
    return 0;
}

LRESULT HandleDisplayChange(HWND window, WPARAM, LPARAM)
{
    FreeSkin();
    if (LoadSkin(window)) {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
    } else {
        DestroyWindow(window);
    }
    return 0;
}

LRESULT HandleDestroy(HWND, WPARAM, LPARAM)
{
    FreeSkin();
    PostQuitMessage(MenuQuitCode);
    return 0;
}

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return HandleCreate(window, wParam, lParam);
    case WM_DESTROY:
        return HandleDestroy(window, wParam, lParam);
    case WM_PAINT:
        return HandlePaint(window, wParam, lParam);
    case WM_ERASEBKGND:
        // Every pixel comes from the panel copy; erasing first would only flicker.
        return 1;
    case WM_DISPLAYCHANGE:
        return HandleDisplayChange(window, wParam, lParam);
    case WM_TIMER:
        return HandleTimer(window, wParam, lParam);
    case WM_LBUTTONDOWN:
        return PressButton(window, wParam, lParam);
    case WM_LBUTTONUP:
        return RunButtonAction(window, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
