// How many GDI objects this process holds, measured two ways: what the system reports, and,
// where the system reports nothing (Wine answers 0 for its own process), how many new objects
// still fit into the process's handle table. The second figure falls by one for every object
// that leaks, so a leak shows on Wine as well.
#pragma once

#include <windows.h>

#include <string>

namespace reliability {

struct GdiFigures {
    DWORD reported;  // GetGuiResources(GR_GDIOBJECTS); 0 when the system does not count
    DWORD user;     // GetGuiResources(GR_USEROBJECTS)
    int freeSlots;  // regions that could still be made, up to a bound
};

GdiFigures MeasureGdi();
std::string Describe(const GdiFigures& figures);

// GDI objects in use that the figures say were added from before to after (reported count when
// the system counts, else the fall in free slots).
int GdiGrowth(const GdiFigures& before, const GdiFigures& after);

}  // namespace reliability
