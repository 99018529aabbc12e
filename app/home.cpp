#include "app/home.h"

#include "actions/focus.h"
#include "actions/input_state.h"
#include "actions/menu_platform.h"
#include "outside/kivrel.h"

const char returnDelayName[] = "Return Delay";

namespace {

// The window last seen in front while the menu was behind, when it was one a person uses; null
// before the first look and after the shell was seen in front with it still open.
HWND lastInFront = nullptr;
// 1 from the first look that found that window gone with nothing ordinary in front, for as long
// as every look since found nothing ordinary in front; `goneSince` is the tick of that first
// look. The menu takes the front back once `returnDelay` has passed since, trying at each look
// until `returnBound`.
int windowGone = 0;
DWORD goneSince = 0;
DWORD returnDelay = 0;
DWORD returnBound = 0;
int watching = 0;
// 1 while the menu stands in the topmost band because a Home key brought it in front.
int raisedByHomeKey = 0;

// Used when the foreground lock time-out cannot be read: Windows' own default.
const DWORD DefaultLockTimeoutMs = 200000;
// How long the menu keeps trying past the lock time-out: looks stop a minute after the time at
// which Windows would grant the front to a person who made no input since the window went.
const DWORD ReturnGraceMs = 60000;
// A lock time-out set far beyond the default (to keep every program from taking the front) is
// taken as ten minutes: a menu that came back an hour later would only surprise.
const DWORD LongestLockWaitMs = 600000;

// The shell's own surfaces: what Windows leaves in front when it finds no other window, and what
// a person reaches by clicking the taskbar or the desktop. Windows 10 and 11 show the Start menu,
// search and the task switcher in windows of these classes too.
const char* const shellClasses[] = {
    "Shell_TrayWnd",
    "Shell_SecondaryTrayWnd",
    "Progman",
    "WorkerW",
    "Windows.UI.Core.CoreWindow",
    "NotifyIconOverflowWindow",
    "MultitaskingViewFrame",
    "XamlExplorerHostIslandWindow",
};

int IsShellWindow(HWND window)
{
    if (window == GetShellWindow() || window == GetDesktopWindow()) {
        return 1;
    }
    char name[64] = {};
    if (GetClassNameA(window, name, sizeof name) == 0) {
        return 0;
    }
    for (const char* shellClass : shellClasses) {
        if (lstrcmpA(name, shellClass) == 0) {
            return 1;
        }
    }
    return 0;
}

// A window a person may be using: one that exists, shows, and is not the shell's.
int IsOrdinaryWindow(HWND window)
{
    return window != nullptr && IsWindow(window) && IsWindowVisible(window) &&
           !IsShellWindow(window);
}

// Whether Windows would let this process take the foreground from `front` now. SetForegroundWindow
// grants it to a process that is not in front only where its documented rules allow: when there
// is no foreground window at all; or when the foreground lock time-out
// (SPI_GETFOREGROUNDLOCKTIMEOUT) has run out since the last input, so the foreground is no longer
// held for the person; and never while a menu is open in front. Elsewhere it refuses and flashes
// the menu's taskbar button instead, which a person at the television would take for a fault:
// the menu then does not call, and asks again at the next look. (A process that called
// LockSetForegroundWindow cannot be seen from here; Windows refuses there too, and the flash is
// the system's, once: the watch then gives up.)
int ForegroundWouldBeGranted(HWND front)
{
    if (front == nullptr) {
        return 1;
    }
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    const DWORD thread = GetWindowThreadProcessId(front, nullptr);
    if (thread != 0 && menuPlatform.getGUIThreadInfo(thread, &gui) &&
        (gui.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) != 0) {
        return 0;
    }
    DWORD lockTimeout = 0;
    LASTINPUTINFO input = {};
    input.cbSize = sizeof input;
    if (!menuPlatform.systemParametersInfo(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lockTimeout, 0) ||
        !menuPlatform.getLastInputInfo(&input)) {
        return 0;
    }
    return menuPlatform.getTickCount() - input.dwTime >= lockTimeout;
}

DWORD ReadLockTimeout()
{
    DWORD lockTimeout = 0;
    if (!menuPlatform.systemParametersInfo(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lockTimeout, 0)) {
        return DefaultLockTimeoutMs;
    }
    return lockTimeout;
}

void ForgetGoneWindow()
{
    lastInFront = nullptr;
    windowGone = 0;
}

// The first look that finds the window gone: the wait starts. Its length is read now, so that a
// changed "Return Delay" counts from the next program that ends.
void NoteWindowGone()
{
    windowGone = 1;
    goneSince = menuPlatform.getTickCount();
    returnDelay = ReadReturnDelay();
    const DWORD lockTimeout = ReadLockTimeout();
    returnBound = returnDelay +
                  (lockTimeout < LongestLockWaitMs ? lockTimeout : LongestLockWaitMs) +
                  ReturnGraceMs;
}

// Whether the window stands in the topmost band, above every ordinary window.
int IsTopmost(HWND window)
{
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

} // namespace

void RegisterHomeKeys(HWND window)
{
    DWORD enabled = 1;
    if (Kivrel_GetProfileDWord("", "Home Keys", &enabled) && enabled == 0) {
        return;
    }
    // MOD_NOREPEAT: a held key is one Home, not a stream of them. A failed registration means
    // another program holds the key; it keeps it.
    menuPlatform.registerHotKey(window, HomeKeyBrowserHome, MOD_NOREPEAT, VK_BROWSER_HOME);
    menuPlatform.registerHotKey(window, HomeKeyStartButton, MOD_WIN | MOD_ALT | MOD_NOREPEAT,
                                VK_RETURN);
}

// A person who must wait longer than a minute for the menu would take it for a menu that never
// comes back; the Home keys bring it at once anyway.
DWORD ReadReturnDelay()
{
    DWORD delay = 0;
    if (Kivrel_GetProfileDWord("", returnDelayName, &delay) == 0) {
        return DefaultReturnDelayMs;
    }
    const DWORD most = MostReturnDelayMs;
    return delay > most ? most : delay;
}

// The window goes: nothing it did with the keys is left for a window made after it.
void UnregisterHomeKeys(HWND window)
{
    menuPlatform.unregisterHotKey(window, HomeKeyBrowserHome);
    menuPlatform.unregisterHotKey(window, HomeKeyStartButton);
    raisedByHomeKey = 0;
}

// The hot key's press is the last input event, and it was delivered to this process: that is one
// of the cases in which Windows lets a process set the foreground, so the call here is granted.
// Once the active menu is in front it joins the topmost band, so that an always-on-top window
// that was in front (a video player kept on top, a game) does not go on covering a menu that has
// the keyboard: the menu is never focused unseen. It leaves the band when it loses the focus
// (LeaveHomeKeyBand). A refused call leaves everything as it was: no topmost menu without focus.
LRESULT HandleHotKey(HWND window, WPARAM wParam, LPARAM)
{
    if (wParam != HomeKeyBrowserHome && wParam != HomeKeyStartButton) {
        return 0;
    }
    if (menuPlatform.isIconic(window)) {
        menuPlatform.showWindow(window, SW_RESTORE);
    }
    menuPlatform.setForegroundWindow(window);
    if (!menuActive || menuPlatform.getForegroundWindow() != window) {
        return 0;
    }
    if (!IsTopmost(window) &&
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE)) {
        raisedByHomeKey = 1;
    }
    ShowFocus(window);
    return 0;
}

// Placed just below the window that took the focus, which a topmost window does only by leaving
// the band; the top of the ordinary band instead would cover that window with a menu without the
// focus. When that window is unknown or topmost itself, the top of the ordinary band covers no
// window a person is using.
void LeaveHomeKeyBand(HWND window, HWND activated)
{
    if (!raisedByHomeKey) {
        return;
    }
    raisedByHomeKey = 0;
    const HWND below =
        activated != nullptr && activated != window && IsWindow(activated) && !IsTopmost(activated)
            ? activated
            : HWND_NOTOPMOST;
    SetWindowPos(window, below, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT HandleAppCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (GET_APPCOMMAND_LPARAM(lParam) == APPCOMMAND_BROWSER_BACKWARD) {
        return TRUE;
    }
    return DefWindowProcA(window, WM_APPCOMMAND, wParam, lParam);
}

void UpdateReturnWatch(HWND window, int inFront)
{
    const int wanted = menuActive && !inFront && IsWindow(window);
    if (wanted && !watching) {
        ForgetGoneWindow();
        watching = SetTimer(window, ReturnWatchTimerId, ReturnWatchPeriodMs, nullptr) != 0;
    } else if (!wanted && watching) {
        StopReturnWatch(window);
    }
}

void StopReturnWatch(HWND window)
{
    if (watching) {
        KillTimer(window, ReturnWatchTimerId);
    }
    watching = 0;
    ForgetGoneWindow();
}

// The menu takes the foreground back only when the window that was in front is gone (destroyed,
// or hidden as a program hides its window on the way out) and what Windows left in front, at
// every look since, is no window a person uses: none, the desktop, the taskbar or another shell
// window. So it never takes it from an ordinary window; never after the person clicked the taskbar
// or the desktop (the window that was in front is still open when the shell is seen in front, and
// is forgotten); never while the menu is minimised (show desktop).
//
// It waits "Return Delay" first, so that a launcher that closes before its program shows its
// window does not have that window open behind the menu. Then it asks at each look, without
// calling while Windows would refuse (the refusal flashes the taskbar button): on Windows that is
// until the foreground lock time-out has run out since the last input, which a person who quit
// with a key press has just made. It gives up a minute past the lock time-out, and after a call
// that Windows refused all the same (another program locked the foreground), so that the flash
// comes once.
void WatchForegroundReturn(HWND window)
{
    const HWND front = menuPlatform.getForegroundWindow();
    if (front == window || IsOrdinaryWindow(front)) {
        ForgetGoneWindow();
        lastInFront = front == window ? nullptr : front;
        return;
    }
    if (!windowGone) {
        const HWND previous = lastInFront;
        lastInFront = nullptr;
        if (previous != nullptr && !(IsWindow(previous) && IsWindowVisible(previous))) {
            NoteWindowGone();
        }
        return;
    }
    const DWORD waited = menuPlatform.getTickCount() - goneSince;
    if (waited < returnDelay) {
        return;
    }
    if (waited > returnBound || !menuActive || menuPlatform.isIconic(window) ||
        !IsWindowVisible(window)) {
        ForgetGoneWindow();
        return;
    }
    if (!ForegroundWouldBeGranted(front)) {
        return;
    }
    ForgetGoneWindow();
    menuPlatform.setForegroundWindow(window);
}
