#include "actions/rest.h"

#include "actions/input_state.h"
#include "actions/menu_platform.h"
#include "outside/kivrel.h"

const char restMinutesName[] = "Rest Minutes";

Rest rest = {60000, 0, 0, 0, 0, 0, 0, {0, 0}};

DWORD ReadRestMs()
{
    DWORD minutes = 0;
    if (Kivrel_GetProfileDWord("", restMinutesName, &minutes) == 0) {
        minutes = DefaultRestMinutes;
    }
    if (minutes > MostRestMinutes) {
        minutes = MostRestMinutes;
    }
    return minutes * rest.minuteMs;
}

// A screen reader learns that the panel went away or came back: the client object's state says
// whether it is shown.
static void AnnounceRest(HWND window)
{
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
}

// The pointer is hidden too: on a black screen it would be the one thing still lit, in one place
// for hours. The window's next WM_SETCURSOR after waking gives it back.
static void Darken(HWND window)
{
    rest.dark = 1;
    GetCursorPos(&rest.darkCursor);
    SetCursor(nullptr);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    AnnounceRest(window);
}

static void Wake(HWND window)
{
    rest.dark = 0;
    rest.lastInput = menuPlatform.getTickCount();
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    AnnounceRest(window);
}

void UpdateRest(HWND window, int inFront)
{
    const int wanted = menuActive && inFront && IsWindow(window);
    if (wanted && !rest.watching) {
        rest.restMs = ReadRestMs();
        rest.lastInput = menuPlatform.getTickCount();
        rest.watching =
            rest.restMs != 0 && SetTimer(window, RestTimerId, RestCheckPeriodMs, nullptr) != 0;
    } else if (!wanted && rest.watching) {
        StopRest(window);
    }
}

// A menu sent behind while dark (a program the agent started, a Home key elsewhere) shows its
// panel again, so that whatever brings it back finds it lit.
void StopRest(HWND window)
{
    if (rest.watching) {
        KillTimer(window, RestTimerId);
    }
    rest.watching = 0;
    rest.wakingKey = 0;
    rest.wakingRelease = 0;
    if (rest.dark && IsWindow(window)) {
        Wake(window);
    }
    rest.dark = 0;
}

// Only the menu's own input counts: nothing is asked of the system that would tell it the user
// is present, so Windows' screen saver and display time-out run on their own clocks.
void CheckRest(HWND window)
{
    if (!rest.watching || rest.dark || !menuActive) {
        return;
    }
    if (menuPlatform.getTickCount() - rest.lastInput >= rest.restMs) {
        Darken(window);
    }
}

static int IsWakingInput(UINT message)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
    case WM_MOUSEMOVE:
    case WM_APPCOMMAND:
    case WM_HOTKEY:
        return 1;
    default:
        return 0;
    }
}

// The release that ends a waking press: a double click's second press ends like a press.
static UINT ReleaseOf(UINT press)
{
    switch (press) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return WM_LBUTTONUP;
    case WM_RBUTTONDOWN:
        return WM_RBUTTONUP;
    case WM_MBUTTONDOWN:
        return WM_MBUTTONUP;
    default:
        return 0;
    }
}

// The rest of a waking key press: its repeats while held and its release.
static int IsWakingKeyTail(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LPARAM wasDown = 1 << 30;
    if (rest.wakingKey == 0 || wParam != rest.wakingKey) {
        return 0;
    }
    if (message == WM_KEYUP || message == WM_SYSKEYUP) {
        rest.wakingKey = 0;
        return 1;
    }
    return (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && (lParam & wasDown) != 0;
}

// Windows sends a WM_MOUSEMOVE of its own when a window changes under a still pointer; only a
// pointer that really moved wakes the screen.
static int PointerMoved()
{
    POINT now = {};
    GetCursorPos(&now);
    return now.x != rest.darkCursor.x || now.y != rest.darkCursor.y;
}

int TakeRestInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    if (message == WM_SETCURSOR && rest.dark) {
        SetCursor(nullptr);
        *result = TRUE;
        return 1;
    }
    if (IsWakingKeyTail(message, wParam, lParam)) {
        return 1;
    }
    if (rest.wakingRelease != 0 && message == rest.wakingRelease) {
        rest.wakingRelease = 0;
        return 1;
    }
    if (!IsWakingInput(message)) {
        return 0;
    }
    if (rest.dark && message == WM_MOUSEMOVE && !PointerMoved()) {
        return 1;
    }
    rest.lastInput = menuPlatform.getTickCount();
    if (!rest.dark) {
        return 0;
    }
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        rest.wakingKey = wParam;
    }
    rest.wakingRelease = ReleaseOf(message);
    // Handled, so that the system does nothing of its own with a waking remote button either.
    *result = message == WM_APPCOMMAND ? TRUE : 0;
    Wake(window);
    return 1;
}

int WakeFromRest(HWND window)
{
    rest.lastInput = menuPlatform.getTickCount();
    if (!rest.dark) {
        return 0;
    }
    Wake(window);
    return 1;
}

// Black, not a dimmed panel: a panel dimmed to a tenth still holds the same static picture on
// an OLED screen for hours, and black pixels of such a screen are switched off.
int PaintRest(HWND window, HDC dc)
{
    if (!rest.dark) {
        return 0;
    }
    RECT client = {};
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return 1;
}
