// Bringing another program's window to the front.
#include "outside/osmant.h"
#include "osmant/platform.h"

namespace {

// Calls that act on another thread's window and wait for that thread (ShowWindow on a
// minimised window, BringWindowToTop, a plain SetWindowPos) freeze the caller for as long as
// the target is hung. Everything here is asynchronous: the restore and the move to the top are
// queued to the target's thread, and the foreground switch itself does not wait for it.
const UINT kAsyncToTop = SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS;

int IsForeground(HWND window)
{
    return osmantPlatform.getForegroundWindow() == window;
}

// The system lets a process take the foreground only while it owns it or received the last
// input. A program the user has just started has that right, so the plain call normally works.
// When it does not (the user touched another window meanwhile), sharing the input state of the
// foreground window's thread for the duration of the call is the accepted way through: the
// foreground lock then treats us as part of the foreground thread. A hung foreground thread is
// not joined: its input state would stall ours.
int ForceForeground(HWND window)
{
    HWND foreground = osmantPlatform.getForegroundWindow();
    DWORD foregroundThread = foreground != nullptr && !IsHungAppWindow(foreground)
                                 ? GetWindowThreadProcessId(foreground, nullptr)
                                 : 0;
    DWORD ownThread = GetCurrentThreadId();
    int attached = foregroundThread != 0 && foregroundThread != ownThread &&
                   AttachThreadInput(ownThread, foregroundThread, TRUE);
    osmantPlatform.setWindowPos(window, HWND_TOP, 0, 0, 0, 0, kAsyncToTop);
    osmantPlatform.setForegroundWindow(window);
    if (attached) {
        AttachThreadInput(ownThread, foregroundThread, FALSE);
    }
    return IsForeground(window);
}

} // namespace

extern "C" int Osmant_SetWindowToForeground(HWND window)
{
    if (window == nullptr || !IsWindow(window)) {
        return 0;
    }
    if (osmantPlatform.isIconic(window)) {
        osmantPlatform.showWindowAsync(window, SW_RESTORE);
    }
    if (osmantPlatform.setForegroundWindow(window) && IsForeground(window)) {
        return 1;
    }
    return ForceForeground(window);
}
