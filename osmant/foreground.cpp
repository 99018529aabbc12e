// Bringing another program's window to the front.
#include "outside/osmant.h"

namespace {

int IsForeground(HWND window)
{
    return GetForegroundWindow() == window;
}

// The system lets a process take the foreground only while it owns it or received the last
// input. A program the user has just started has that right, so the plain call normally works.
// When it does not (the user touched another window meanwhile), sharing the input state of the
// foreground window's thread for the duration of the call is the accepted way through: the
// foreground lock then treats us as part of the foreground thread.
int ForceForeground(HWND window)
{
    HWND foreground = GetForegroundWindow();
    DWORD foregroundThread = foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr)
                                                   : 0;
    DWORD ownThread = GetCurrentThreadId();
    int attached = foregroundThread != 0 && foregroundThread != ownThread &&
                   AttachThreadInput(ownThread, foregroundThread, TRUE);
    BringWindowToTop(window);
    SetForegroundWindow(window);
    if (attached) {
        AttachThreadInput(ownThread, foregroundThread, FALSE);
    }
    return IsForeground(window);
}

}  // namespace

extern "C" int Osmant_SetWindowToForeground(HWND window)
{
    if (window == nullptr || !IsWindow(window)) {
        return 0;
    }
    if (IsIconic(window)) {
        ShowWindow(window, SW_RESTORE);
    }
    if (SetForegroundWindow(window) && IsForeground(window)) {
        return 1;
    }
    return ForceForeground(window);
}
