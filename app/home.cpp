#include "app/home.h"

#include "actions/focus.h"
#include "actions/input_state.h"
#include "actions/menu_platform.h"
#include "outside/kivrel.h"

namespace {

// The window last seen in front while the menu was behind, when it was one a person uses; null
// before the first look and after the shell was seen in front with it still open.
HWND lastInFront = nullptr;
// Looks at which that window was found gone with nothing ordinary in front.
int goneLooks = 0;
int watching = 0;

// A program that replaces its window (a launcher's splash by the game) shows the next one within
// a look or so; only what lasts for two looks is taken for a program that ended.
const int GoneLooksToReturn = 2;

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
// the menu then does nothing. (A process that called LockSetForegroundWindow cannot be seen from
// here; Windows refuses there too, and the flash is the system's, once.)
int ForegroundWouldBeGranted(HWND front)
{
    if (front == nullptr) {
        return 1;
    }
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    const DWORD thread = GetWindowThreadProcessId(front, nullptr);
    if (thread != 0 && GetGUIThreadInfo(thread, &gui) &&
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
    return GetTickCount() - input.dwTime >= lockTimeout;
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

void UnregisterHomeKeys(HWND window)
{
    UnregisterHotKey(window, HomeKeyBrowserHome);
    UnregisterHotKey(window, HomeKeyStartButton);
}

// The hot key's press is the last input event, and it was delivered to this process: that is one
// of the cases in which Windows lets a process set the foreground, so the call here is granted.
LRESULT HandleHotKey(HWND window, WPARAM wParam, LPARAM)
{
    if (wParam != HomeKeyBrowserHome && wParam != HomeKeyStartButton) {
        return 0;
    }
    if (menuPlatform.isIconic(window)) {
        menuPlatform.showWindow(window, SW_RESTORE);
    }
    menuPlatform.setForegroundWindow(window);
    if (menuActive) {
        ShowFocus(window);
    }
    return 0;
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
        lastInFront = nullptr;
        goneLooks = 0;
        watching = SetTimer(window, ReturnWatchTimerId, ReturnWatchPeriodMs, nullptr) != 0;
    } else if (!wanted && watching) {
        KillTimer(window, ReturnWatchTimerId);
        watching = 0;
        lastInFront = nullptr;
    }
}

// The menu takes the foreground back only when the window that was in front is gone (destroyed,
// or hidden as a program hides its window on the way out) and what Windows left in front, at two
// looks running, is no window a person uses: none, the desktop, the taskbar or another shell
// window. So it never takes it from an ordinary window; never after the person clicked the taskbar
// or the desktop (the window that was in front is still open when the shell is seen in front, and
// is forgotten); never while the menu is minimised (show desktop); and never where Windows would
// refuse.
void WatchForegroundReturn(HWND window)
{
    const HWND front = menuPlatform.getForegroundWindow();
    if (front == window || IsOrdinaryWindow(front)) {
        lastInFront = front == window ? nullptr : front;
        goneLooks = 0;
        return;
    }
    const HWND previous = lastInFront;
    if (previous == nullptr || (IsWindow(previous) && IsWindowVisible(previous))) {
        lastInFront = nullptr;
        return;
    }
    if (++goneLooks < GoneLooksToReturn) {
        return;
    }
    lastInFront = nullptr;
    goneLooks = 0;
    if (!menuActive || menuPlatform.isIconic(window) || !IsWindowVisible(window) ||
        !ForegroundWouldBeGranted(front)) {
        return;
    }
    menuPlatform.setForegroundWindow(window);
}
