// Which monitor the menu covers: the one the "Display" setting names by Windows' device name
// (\\.\DISPLAY2), or the primary one. The monitors are listed through the menu's platform table,
// so that tests can hand it recorded monitor lists.
#pragma once

#include <windows.h>

// A string under the application key: the device name of the monitor the menu covers; absent or
// empty for the primary one.
extern const char displayName[];

enum {
    DeviceNameCapacity = 32, // CCHDEVICENAME, the length of MONITORINFOEXA.szDevice
    MostMonitors = 16,
};

struct MonitorEntry {
    char device[DeviceNameCapacity];
    RECT rect; // the monitor's rectangle in the virtual screen, in physical pixels
    int primary;
};

// Up to capacity monitors into list, in the platform's order; the count listed.
int ListMonitors(MonitorEntry* list, int capacity);

// The monitor named device (without regard to case) when it is listed, else the primary one.
// Returns 1 for the named monitor, 2 for the primary one taken in its place (no name, or a name
// that is not listed now), 0 when neither is listed.
int FindMonitor(const char* device, MonitorEntry* found);

// FindMonitor for the "Display" setting.
int FindMenuMonitor(MonitorEntry* found);
