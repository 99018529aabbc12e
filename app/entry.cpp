#include "app/entry.h"

#include "app/app_state.h"
#include "app/command_tail.h"
#include "outside/osmant.h"

// Another menu is running: close it for a command word, otherwise bring it forward. Nothing is
// registered or created in this process.
static int ServeRunningMenu(HWND runningMenu, const char* commandTail)
{
    if (IsCloseCommandWord(commandTail)) {
        PostMessageA(runningMenu, WM_CLOSE, 0, 0);
    } else if (GetForegroundWindow() != runningMenu) {
        Osmant_SetWindowToForeground(runningMenu);
    }
    return 0;
}

int RunMessageLoop()
{
    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // GetMessageA gives -1 only for an invalid window handle or message pointer, neither of
    // which this loop passes; treat it like WM_QUIT rather than spinning on it.
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}

int RunMenuProcess(HINSTANCE instance, const char* commandTail)
{
    HWND runningMenu = FindWindowA(menuWindowClassName, nullptr);
    if (runningMenu != nullptr) {
        return ServeRunningMenu(runningMenu, commandTail);
    }
    if (IsCloseCommandWord(commandTail)) {
        return 0;
    }
    RegisterMenuClass(instance);
    if (!CreateMenuWindow(instance)) {
        return 0;
    }
    return RunMessageLoop();
}
