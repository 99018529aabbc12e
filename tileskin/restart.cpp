// A running menu is closed and started again, so a new skin shows at once: the menu reads its
// skin only when it starts or the display changes.
#include "tileskin/tileskin.h"

namespace {

const char menuWindowClass[] = "MorvixFullScreenMenuDemoForVelnorWndClass";
// The menu ends within a moment of WM_CLOSE; a menu that does not is left alone, not killed.
const DWORD closeWaitMs = 10000;

}  // namespace

RestartResult RestartRunningMenu(std::string* error)
{
    HWND menu = FindWindowA(menuWindowClass, nullptr);
    if (menu == nullptr) {
        return RestartNoneRunning;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(menu, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        *error = "cannot reach the running menu (error " + std::to_string(GetLastError()) + ")";
        return RestartFailed;
    }
    // The same program that ran starts again, wherever it stands.
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    const BOOL named = QueryFullProcessImageNameA(process, 0, path, &size);
    PostMessageA(menu, WM_CLOSE, 0, 0);
    const DWORD waited = WaitForSingleObject(process, closeWaitMs);
    CloseHandle(process);
    if (waited != WAIT_OBJECT_0) {
        *error = "the running menu did not close; close it and start it again to see the new skin";
        return RestartFailed;
    }
    if (!named) {
        *error = "the menu was closed, but where it stands is unknown; start it again";
        return RestartFailed;
    }
    const std::string folder = FolderOf(path);
    std::string commandLine = "\"" + std::string(path) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(path, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
        *error = "the menu was closed but did not start again (error " +
                 std::to_string(GetLastError()) + "); start it again";
        return RestartFailed;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return RestartDone;
}
