// Stands in for powrprof.dll in the power tiles' end-to-end test: SetSuspendState appends its
// arguments to the recorder's log (the file TILEBOX_RECORDER_LOG names) and suspends nothing.
#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllexport) BOOLEAN WINAPI SetSuspendState(BOOLEAN hibernate, BOOLEAN force,
                                                                BOOLEAN disableWakeEvents)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("TILEBOX_RECORDER_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return FALSE;
    }
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    char line[64];
    const int size = std::snprintf(line, sizeof line, "SetSuspendState %d %d %d\n", hibernate, force,
                                   disableWakeEvents);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
