// A running menu is closed and started again, so a new skin shows at once: the menu reads its
// skin only when it starts or the display changes. The menu is closed by its own command word
// ("tilebox.exe Close"), so that its own rule decides how it closes, and the program that ran is
// the one started again, wherever it stands. Always by the calling process: an elevated part
// never calls this (tileskin/elevation.h).
#include "tileskin/tileskin.h"

#include <tlhelp32.h>

namespace {

const wchar_t menuProgram[] = L"tilebox.exe";
// The menu ends within a moment of its Close word; a menu that does not is left alone, not killed.
const DWORD closeWaitMs = 10000;

// The id of a running menu of this account's session, or 0.
DWORD RunningMenu()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    for (BOOL more = Process32FirstW(snapshot, &entry); more && found == 0;
         more = Process32NextW(snapshot, &entry)) {
        DWORD itsSession = 0;
        if (lstrcmpiW(entry.szExeFile, menuProgram) == 0 &&
            ProcessIdToSessionId(entry.th32ProcessID, &itsSession) && itsSession == session) {
            found = entry.th32ProcessID;
        }
    }
    CloseHandle(snapshot);
    return found;
}

bool Start(const std::wstring& path, const std::wstring& tail, HANDLE* process)
{
    std::wstring commandLine = L"\"" + path + L"\"" + tail;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        FolderOf(path).c_str(), &startup, &started)) {
        return false;
    }
    CloseHandle(started.hThread);
    if (process != nullptr) {
        *process = started.hProcess;
    } else {
        CloseHandle(started.hProcess);
    }
    return true;
}

}  // namespace

RestartResult RestartRunningMenu(std::string* error)
{
    const DWORD menuId = RunningMenu();
    if (menuId == 0) {
        return RestartNoneRunning;
    }
    HANDLE menu = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, menuId);
    if (menu == nullptr) {
        *error = "cannot reach the running menu (error " + std::to_string(GetLastError()) + ")";
        return RestartFailed;
    }
    wchar_t path[32768] = {};
    DWORD size = 32768;
    if (!QueryFullProcessImageNameW(menu, 0, path, &size)) {
        CloseHandle(menu);
        *error = "where the running menu stands is unknown; close it and start it again to see "
                 "the new skin";
        return RestartFailed;
    }
    HANDLE closer = nullptr;
    if (!Start(path, L" Close", &closer)) {
        CloseHandle(menu);
        *error = "the running menu could not be told to close (error " +
                 std::to_string(GetLastError()) + "); close it and start it again";
        return RestartFailed;
    }
    WaitForSingleObject(closer, closeWaitMs);
    CloseHandle(closer);
    const DWORD waited = WaitForSingleObject(menu, closeWaitMs);
    CloseHandle(menu);
    if (waited != WAIT_OBJECT_0) {
        *error = "the running menu did not close; close it and start it again to see the new skin";
        return RestartFailed;
    }
    if (!Start(path, L"", nullptr)) {
        *error = "the menu was closed but did not start again (error " +
                 std::to_string(GetLastError()) + "); start it again";
        return RestartFailed;
    }
    return RestartDone;
}
