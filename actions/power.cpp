#include "actions/power.h"

#include "actions/system_library.h"

namespace {

typedef BOOLEAN(WINAPI* SuspendCall)(BOOLEAN, BOOLEAN, BOOLEAN);

// Loaded once and kept: the library is small, and a second sleep should not pay for it again.
BOOLEAN WINAPI SuspendThroughPowrprof(BOOLEAN hibernate, BOOLEAN force, BOOLEAN disableWakeEvents)
{
    static SuspendCall suspend = nullptr;
    static int tried = 0;
    if (!tried) {
        tried = 1;
        HMODULE library = LoadSystemLibrary("powrprof.dll");
        if (library != nullptr) {
            suspend = reinterpret_cast<SuspendCall>(
                reinterpret_cast<void*>(GetProcAddress(library, "SetSuspendState")));
        }
    }
    if (suspend == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return suspend(hibernate, force, disableWakeEvents);
}

// The token with the shutdown privilege enabled, and what to put back afterwards.
struct ShutdownRight {
    HANDLE token;
    TOKEN_PRIVILEGES previous;
};

// Windows reports a privilege the token does not hold by success with ERROR_NOT_ALL_ASSIGNED, not
// by failure: that case is a refusal too. A standard user on a managed PC can lack the right.
int EnableShutdownRight(ShutdownRight* right)
{
    right->token = nullptr;
    ZeroMemory(&right->previous, sizeof right->previous);
    if (!powerPlatform.openProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                                        &right->token)) {
        right->token = nullptr;
        return 0;
    }
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    DWORD previousSize = 0;
    SetLastError(ERROR_SUCCESS);
    int enabled =
        powerPlatform.lookupPrivilegeValue(nullptr, SE_SHUTDOWN_NAME, &wanted.Privileges[0].Luid) &&
        powerPlatform.adjustTokenPrivileges(right->token, FALSE, &wanted, sizeof right->previous,
                                            &right->previous, &previousSize) &&
        GetLastError() != ERROR_NOT_ALL_ASSIGNED;
    if (!enabled) {
        powerPlatform.closeHandle(right->token);
        right->token = nullptr;
    }
    return enabled;
}

// The previous state lists only what the enabling changed: a privilege that was on already is
// left on, one that was off goes off again.
void RestoreShutdownRight(ShutdownRight* right)
{
    powerPlatform.adjustTokenPrivileges(right->token, FALSE, &right->previous, 0, nullptr, nullptr);
    powerPlatform.closeHandle(right->token);
    right->token = nullptr;
}

// Neither EWX_FORCE nor EWX_FORCEIFHUNG: every program is asked to end, and one holding unsaved
// work can object, which cancels the restart or shut down. EWX_POWEROFF also turns the power off
// where the machine can. ExitWindowsEx only starts the sequence and returns at once.
BOOL MakeRequest(PowerRequest request)
{
    switch (request) {
    case PowerSleep:
        // Sleep, not hibernation; critical-suspend forcing is ignored by current Windows anyway,
        // and wake events (a remote's wake, a timer) keep working.
        return powerPlatform.setSuspendState(FALSE, FALSE, FALSE);
    case PowerRestart:
        return powerPlatform.exitWindowsEx(EWX_REBOOT, PowerReason);
    case PowerShutDown:
        return powerPlatform.exitWindowsEx(EWX_POWEROFF, PowerReason);
    }
    return FALSE;
}

}  // namespace

PowerPlatform powerPlatform = {
    OpenProcessToken, LookupPrivilegeValueA, AdjustTokenPrivileges, CloseHandle,
    ExitWindowsEx,    SuspendThroughPowrprof,
};

int RequestPower(PowerRequest request)
{
    ShutdownRight right;
    if (!EnableShutdownRight(&right)) {
        return 0;
    }
    const BOOL taken = MakeRequest(request);
    RestoreShutdownRight(&right);
    return taken ? 1 : 0;
}
