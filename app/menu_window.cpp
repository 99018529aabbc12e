#include "app/menu_window.h"

#include "actions/button_actions.h"
#include "actions/focus.h"
#include "actions/gamepad.h"
#include "actions/hit_test.h"
#include "actions/rest.h"
#include "app/app_state.h"
#include "app/menu_accessible.h"
#include "app/home.h"
#include "outside/application_key.h"
#include "outside/kivrel.h"
#include "skin/gdi_guards.h"
#include "skin/skin.h"

const char applicationKey[] = TILEBOX_APPLICATION_KEY;

// 1 from the window's minimising until it is shown again.
static int minimised = 0;

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
int WaitForAgentLookups(int lookups, AgentLookup lookup, AgentPause pause)
{
    for (int made = 1; made <= lookups; ++made) {
        if (lookup() != nullptr) {
            return made;
        }
        pause(AgentPauseMs);
    }
    return lookups > 0 ? lookups : 0;
}

const char agentWaitName[] = "Agent Wait";

// The menu ships without an agent, and then the whole wait is a blank screen at every start; the
// installer sets it to 0. A value beyond a minute is taken as a minute: a wait of hours would look
// like a menu that never starts.
int ReadAgentLookups()
{
    DWORD seconds = 0;
    if (Kivrel_GetProfileDWord("", agentWaitName, &seconds) == 0) {
        return AgentLookups;
    }
    return seconds > MostAgentLookups ? MostAgentLookups : static_cast<int>(seconds);
}

// Runs before the menu window is made, so that no window of the menu's class exists while the
// agent wait sleeps: a message sent to every top-level window (a broadcast) or a second start's
// request would otherwise wait on a window whose thread does not answer, for up to a minute.
void PrepareMenu()
{
    // The user is selected first: how long to wait for the agent is a setting of its own.
    SelectProfileUser(nullptr);
    WaitForAgentLookups(ReadAgentLookups(), FindAgentWindow, PauseWithSleep);
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

// Ends the start period: the menu becomes an ordinary window that answers the mouse, the keys
// and the gamepad.
static void ActivateMenu(HWND window)
{
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    menuActive = 1;
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    AnnounceButtonsAvailable(window);
    const int inFront = GetForegroundWindow() == window;
    UpdateGamepadPolling(window, inFront);
    UpdateReturnWatch(window, inFront);
    UpdateRest(window, inFront);
}

static LRESULT HandleCreate(HWND window, WPARAM, LPARAM)
{
    appState->mainWindow = window;
    if (!LoadSkin(window)) {
        // Not every implementation of the platform sends WM_DESTROY to a window whose creation
        // was refused, so the half-built skin is not left to HandleDestroy alone.
        FreeSkin();
        return -1;
    }
    SetWindowPos(window, HWND_TOPMOST, currentSkin->screenLeft, currentSkin->screenTop,
                 currentSkin->screenWidth, currentSkin->screenHeight, SWP_SHOWWINDOW);
    menuActive = 0;
    minimised = 0;
    buttonFocus.index = -1;
    buttonFocus.shown = 0;
    RegisterHomeKeys(window);
    // Without the timer the menu would stay topmost and deaf to the mouse for good; a menu
    // without its start period is the lesser harm.
    if (!SetTimer(window, ActivationTimerId, ActivationPeriodMs, nullptr)) {
        ActivateMenu(window);
    }
    return 0;
}

static LRESULT HandleTimer(HWND window, WPARAM wParam, LPARAM)
{
    if (wParam == GamepadTimerId) {
        PollGamepads(window);
        return 0;
    }
    if (wParam == ReturnWatchTimerId) {
        WatchForegroundReturn(window);
        return 0;
    }
    if (wParam == RestTimerId) {
        CheckRest(window);
        return 0;
    }
    if (wParam != ActivationTimerId) {
        return 0;
    }
    KillTimer(window, ActivationTimerId);
    ActivateMenu(window);
    return 0;
}

// A memory DC that holds the panel, kept with the skin. A DC compatible with the screen's DCs
// serves every later paint; if it cannot be made the paint shows nothing and the next one tries
// again, as a DC made per paint would.
static HDC PanelSource(HDC target, HBITMAP panel, HDC* kept)
{
    if (*kept != nullptr || panel == nullptr) {
        return *kept;
    }
    HDC source = CreateCompatibleDC(target);
    if (source != nullptr && SelectObject(source, panel) == nullptr) {
        DeleteDC(source);
        source = nullptr;
    }
    *kept = source;
    return source;
}

// The copy always names the whole panel, but it goes through the paint DC, which is clipped to
// the update region: a press invalidates only its button's region, so only that button changes.
static void CopyPanel(HDC target, Skin* skin, bool lit)
{
    HDC source = lit ? PanelSource(target, skin->selectedBitmap, &skin->selectedSource)
                     : PanelSource(target, skin->normalBitmap, &skin->normalSource);
    if (source != nullptr) {
        BitBlt(target, 0, 0, skin->paintWidth, skin->paintHeight, source, 0, 0, SRCCOPY);
    }
}

// True when every pixel the paint DC lets through lies inside shape (window coordinates). The
// system region of a paint DC is the update region within the visible part of the window, given
// in screen coordinates. Any doubt answers false.
static bool PaintsOnlyInside(HDC target, HRGN shape)
{
    HRGN painted = CreateRectRgn(0, 0, 0, 0);
    POINT origin = {};
    const bool inside = painted != nullptr && GetRandomRgn(target, painted, SYSRGN) == 1 &&
                        GetDCOrgEx(target, &origin) &&
                        OffsetRgn(painted, -origin.x, -origin.y) != ERROR &&
                        CombineRgn(painted, painted, shape, RGN_DIFF) == NULLREGION;
    if (painted != nullptr) {
        DeleteObject(painted);
    }
    return inside;
}

// The focused or pressed button is lit the way a press lights it: the lit panel copied once more,
// clipped to its shape as well as to the update region. Whatever else is repainted meanwhile (an
// arrow key during a held press, a window moved away) stays unlit. A press repaints its button's
// shape alone, and then the lit copy covers every pixel the unlit one would: it is made once.
static LRESULT HandlePaint(HWND window, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    Skin* skin = currentSkin;
    if (target != nullptr && !PaintRest(window, target) && skin != nullptr) {
        const bool allLit = menuActive == 0;
        HRGN focused = allLit ? nullptr : LitButtonRegion(skin);
        if (focused != nullptr && PaintsOnlyInside(target, focused)) {
            CopyPanel(target, skin, true);
        } else {
            CopyPanel(target, skin, allLit);
            if (focused != nullptr && SelectClipRgn(target, focused) != ERROR) {
                CopyPanel(target, skin, true);
                SelectClipRgn(target, nullptr);
            }
        }
    }
    EndPaint(window, &paint);
    return 0;
}

// A full-screen menu must cover the screen it is on: after a screen grows (a TV back from a
// fallback mode) a window of the old size would show the new panel in a corner and leave buttons
// out of reach. The screen is the monitor the skin measured (the one "Display" names, the primary
// one while that is unplugged), which need not begin at the virtual screen's origin; a display
// change is also the moment a monitor goes or comes back. The band (topmost or not) and the
// activation stay as they were. A minimised window is restored to a rectangle of its own, which
// moving the minimised window does not change: that rectangle is set instead, without activating
// the window (SW_SHOWMINNOACTIVE; the SW_SHOWMINIMIZED the placement reports would activate it). It is in work-area coordinates, so
// only its size is certain; the restore then covers the screen exactly (HandleSize).
static void CoverScreen(HWND window, const Skin* skin)
{
    if (IsIconic(window)) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        if (GetWindowPlacement(window, &placement)) {
            SetRect(&placement.rcNormalPosition, skin->screenLeft, skin->screenTop,
                    skin->screenLeft + skin->screenWidth, skin->screenTop + skin->screenHeight);
            placement.showCmd = SW_SHOWMINNOACTIVE;
            SetWindowPlacement(window, &placement);
        }
        return;
    }
    SetWindowPos(window, nullptr, skin->screenLeft, skin->screenTop, skin->screenWidth,
                 skin->screenHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

// Shown again after a minimise (a Home key, the taskbar, Alt+Tab), the window covers the screen
// as it is now, whatever changed meanwhile. Wine draws a restored window at its old size even
// when the restore rectangle was set anew, and Windows places it in the work area, which need
// not begin at the screen's corner: the screen's rectangle is set after every restore.
static LRESULT HandleSize(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (wParam == SIZE_MINIMIZED) {
        minimised = 1;
    } else if (minimised && wParam == SIZE_RESTORED) {
        minimised = 0;
        if (currentSkin != nullptr) {
            CoverScreen(window, currentSkin);
        }
    }
    return DefWindowProcA(window, WM_SIZE, wParam, lParam);
}

// The focus keeps its index: the new skin's buttons are the same six, in the same order.
static LRESULT HandleDisplayChange(HWND window, WPARAM, LPARAM)
{
    FreeSkin();
    if (LoadSkin(window)) {
        CoverScreen(window, currentSkin);
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
    } else {
        DestroyWindow(window);
    }
    return 0;
}

// A change of display scale changes no resolution, so no WM_DISPLAYCHANGE comes; left to the
// default processing the system would keep the window at its old logical size. The menu measures
// the physical screen, so the change is one of display: reload and cover the screen, and leave
// the suggested rectangle aside.
static LRESULT HandleDpiChanged(HWND window, WPARAM wParam, LPARAM lParam)
{
    return HandleDisplayChange(window, wParam, lParam);
}

static LRESULT HandleDestroy(HWND window, WPARAM, LPARAM)
{
    UpdateGamepadPolling(window, 0);
    StopReturnWatch(window);
    StopRest(window);
    UnregisterHomeKeys(window);
    FreeGamepadLibrary(&gamepads);
    FreeSkin();
    PostQuitMessage(MenuQuitCode);
    return 0;
}

// Arrow keys move the focus, Enter (the main one and the keypad's, which differ only in the
// extended-key bit) and Space act on it. A key held down repeats its WM_KEYDOWN: a repeat moves
// on, but never runs an action again. Escape and Back do nothing, since there is nothing behind
// the home screen to go back to; every other key keeps its default handling (Alt+F4 arrives as
// WM_SYSKEYDOWN and closes the window through it).
static LRESULT HandleKeyDown(HWND window, WPARAM wParam, LPARAM lParam)
{
    const LPARAM wasDown = 1 << 30;
    switch (wParam) {
    case VK_LEFT:
        MoveFocus(window, FocusLeft);
        return 0;
    case VK_RIGHT:
        MoveFocus(window, FocusRight);
        return 0;
    case VK_UP:
        MoveFocus(window, FocusUp);
        return 0;
    case VK_DOWN:
        MoveFocus(window, FocusDown);
        return 0;
    case VK_RETURN:
    case VK_SPACE:
        if ((lParam & wasDown) == 0) {
            ActOnFocus(window);
        }
        return 0;
    case VK_ESCAPE:
    case VK_BACK:
    case VK_BROWSER_BACK:
        return 0;
    default:
        return DefWindowProcA(window, WM_KEYDOWN, wParam, lParam);
    }
}

// The gamepad is read only while the menu is in front, and the foreground is watched only while
// it is not; a press held when the menu is sent behind (Alt+Tab) never gets its release here. The
// default processing still gives the window the keyboard focus, which the arrow keys need.
static LRESULT HandleActivate(HWND window, WPARAM wParam, LPARAM lParam)
{
    int inFront = LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0;
    UpdateGamepadPolling(window, inFront);
    UpdateReturnWatch(window, inFront);
    UpdateRest(window, inFront);
    if (LOWORD(wParam) == WA_INACTIVE) {
        AbandonPress(window);
        LeaveHomeKeyBand(window, reinterpret_cast<HWND>(lParam));
    }
    return DefWindowProcA(window, WM_ACTIVATE, wParam, lParam);
}

// Something took the mouse away during a press: it ends without acting.
static LRESULT HandleCaptureChanged(HWND window, WPARAM, LPARAM)
{
    AbandonPress(window);
    return 0;
}

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Input that wakes a resting screen does nothing else.
    LRESULT rested = 0;
    if (TakeRestInput(window, message, wParam, lParam, &rested)) {
        return rested;
    }
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
    case WM_DPICHANGED:
        return HandleDpiChanged(window, wParam, lParam);
    case WM_SIZE:
        return HandleSize(window, wParam, lParam);
    case WM_TIMER:
        return HandleTimer(window, wParam, lParam);
    case WM_LBUTTONDOWN:
        return PressButton(window, wParam, lParam);
    case WM_LBUTTONUP:
        return RunButtonAction(window, wParam, lParam);
    case WM_KEYDOWN:
        return HandleKeyDown(window, wParam, lParam);
    case WM_ACTIVATE:
        return HandleActivate(window, wParam, lParam);
    case WM_GETOBJECT:
        return HandleGetObject(window, wParam, lParam);
    case WM_CAPTURECHANGED:
        return HandleCaptureChanged(window, wParam, lParam);
    case WM_HOTKEY:
        return HandleHotKey(window, wParam, lParam);
    case AccessiblePressMessage:
        return HandleAccessiblePress(window, wParam, lParam);
    case WM_APPCOMMAND:
        return HandleAppCommand(window, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
