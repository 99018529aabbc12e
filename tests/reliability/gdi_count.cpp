#include "tests/reliability/gdi_count.h"

#include <vector>

namespace reliability {

// Far above the handle table of either platform (10,000 on Windows by default, 65,536 at most),
// so the probe always runs into the table's end rather than into this bound.
enum { ProbeBound = 70000 };

static int CountFreeSlots()
{
    std::vector<HRGN> made;
    made.reserve(ProbeBound);
    while (static_cast<int>(made.size()) < ProbeBound) {
        HRGN region = CreateRectRgn(0, 0, 1, 1);
        if (region == nullptr) {
            break;
        }
        made.push_back(region);
    }
    for (HRGN region : made) {
        DeleteObject(region);
    }
    return static_cast<int>(made.size());
}

GdiFigures MeasureGdi()
{
    GdiFigures figures;
    figures.reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    figures.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    figures.freeSlots = CountFreeSlots();
    return figures;
}

std::string Describe(const GdiFigures& figures)
{
    return "GetGuiResources GDI " + std::to_string(figures.reported) + ", USER " +
           std::to_string(figures.user) + ", free GDI slots " + std::to_string(figures.freeSlots) +
           (figures.reported == 0 ? " (the system does not count GDI objects here)" : "");
}

int GdiGrowth(const GdiFigures& before, const GdiFigures& after)
{
    if (before.reported != 0 && after.reported != 0) {
        return static_cast<int>(after.reported) - static_cast<int>(before.reported);
    }
    return before.freeSlots - after.freeSlots;
}

}  // namespace reliability
