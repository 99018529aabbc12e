// skincheck --displays: the monitors as the menu finds them, so a person can copy the name of the
// TV into "Display".
#include "skincheck/skincheck.h"

#include "outside/kivrel.h"
#include "skin/display_choice.h"

int ListDisplays(Report* report)
{
    MonitorEntry list[MostMonitors];
    const int count = ListMonitors(list, MostMonitors);
    MonitorEntry chosen = {};
    const int found = FindMenuMonitor(&chosen);
    for (int i = 0; i < count; ++i) {
        const RECT& r = list[i].rect;
        const bool menu = found != 0 && lstrcmpiA(chosen.device, list[i].device) == 0;
        ReportLine(report, "%s %ldx%ld at (%ld,%ld)%s%s", list[i].device, r.right - r.left,
                   r.bottom - r.top, r.left, r.top, list[i].primary ? " primary" : "",
                   menu ? " menu" : "");
    }
    if (found == 2) {
        // Told apart from a plain primary: a name that matches no monitor is a typing error or a
        // TV that is off.
        char named[DeviceNameCapacity] = "";
        if (Kivrel_GetProfileString("", displayName, named, sizeof named) && named[0] != '\0') {
            ReportLine(report, "Display \"%s\" is not connected now: the menu uses the primary "
                               "monitor", named);
        }
    }
    return count;
}
