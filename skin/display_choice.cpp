#include "skin/display_choice.h"

#include "actions/menu_platform.h"
#include "outside/kivrel.h"

const char displayName[] = "Display";

namespace {

struct Listing {
    MonitorEntry* list;
    int capacity;
    int count;
};

// A monitor whose information cannot be read is left out: it cannot be covered either.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    Listing* listing = reinterpret_cast<Listing*>(data);
    if (listing->count >= listing->capacity) {
        return FALSE;
    }
    MONITORINFOEXA info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    if (!menuPlatform.getMonitorInfo(monitor, reinterpret_cast<LPMONITORINFO>(&info))) {
        return TRUE;
    }
    MonitorEntry* entry = &listing->list[listing->count];
    lstrcpynA(entry->device, info.szDevice, sizeof entry->device);
    entry->rect = info.rcMonitor;
    entry->primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? 1 : 0;
    ++listing->count;
    return TRUE;
}

} // namespace

int ListMonitors(MonitorEntry* list, int capacity)
{
    if (list == nullptr || capacity <= 0) {
        return 0;
    }
    Listing listing = {list, capacity, 0};
    menuPlatform.enumDisplayMonitors(nullptr, nullptr, AddMonitor,
                                     reinterpret_cast<LPARAM>(&listing));
    return listing.count;
}

int FindMonitor(const char* device, MonitorEntry* found)
{
    MonitorEntry list[MostMonitors];
    const int count = ListMonitors(list, MostMonitors);
    int primary = -1;
    for (int i = 0; i < count; ++i) {
        if (device != nullptr && device[0] != '\0' && lstrcmpiA(list[i].device, device) == 0) {
            *found = list[i];
            return 1;
        }
        if (list[i].primary) {
            primary = i;
        }
    }
    if (primary == -1) {
        return 0;
    }
    *found = list[primary];
    return 2;
}

// The name is read afresh each time: a display change is the moment a monitor comes back, and
// a name changed meanwhile is then taken too.
int FindMenuMonitor(MonitorEntry* found)
{
    char device[DeviceNameCapacity];
    ZeroMemory(device, sizeof device);
    if (!Kivrel_GetProfileString("", displayName, device, sizeof device)) {
        device[0] = '\0';
    }
    device[sizeof device - 1] = '\0';
    return FindMonitor(device, found);
}
