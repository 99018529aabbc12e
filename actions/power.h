// The power tiles: sleep, restart and shut down, asked of Windows the ordinary way.
#pragma once

#include <windows.h>

enum PowerRequest { PowerSleep, PowerRestart, PowerShutDown };

// The calls the power tiles make, in one table so that tests put recording stand-ins in their
// place: a test machine must never really sleep or shut down. The program itself never changes it.
struct PowerPlatform {
    BOOL(WINAPI* openProcessToken)(HANDLE, DWORD, PHANDLE);
    BOOL(WINAPI* lookupPrivilegeValue)(LPCSTR, LPCSTR, PLUID);
    BOOL(WINAPI* adjustTokenPrivileges)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES,
                                        PDWORD);
    BOOL(WINAPI* closeHandle)(HANDLE);
    BOOL(WINAPI* exitWindowsEx)(UINT, DWORD);
    // SetSuspendState's shape; the real entry loads powrprof.dll from the system folder when first
    // asked, so a menu that never sleeps the PC never loads it.
    BOOLEAN(WINAPI* setSuspendState)(BOOLEAN hibernate, BOOLEAN force, BOOLEAN disableWakeEvents);
};

extern PowerPlatform powerPlatform;

// The shutdown reason Windows records for a restart or shut down from the menu: planned, other.
enum : DWORD {
    PowerReason = SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED,
};

// Makes the request with the shutdown privilege enabled for the call alone. Returns 1 when
// Windows took it; 0 when the right is missing or Windows refused, and then nothing else happens.
int RequestPower(PowerRequest request);
