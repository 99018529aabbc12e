#include "benchmarks/floor_trace.h"

long TraceFloorBlock(HDC dc, const RECT& area)
{
    long runs = 0;
    for (int y = area.top; y <= area.bottom; ++y) {
        int runStart = -1;
        // The column after the block closes an open run without being read.
        for (int x = area.left; x <= area.right + 1; ++x) {
            const bool belongs = x <= area.right && GetPixel(dc, x, y) != 0;
            if (belongs && runStart < 0) {
                runStart = x;
            } else if (!belongs && runStart >= 0) {
                HRGN run = CreateRectRgn(runStart - area.left, y - area.top, x - area.left,
                                         y - area.top + 1);
                if (run == nullptr) {
                    return -1;
                }
                DeleteObject(run);
                ++runs;
                runStart = -1;
            }
        }
    }
    return runs;
}

long TraceFloorButtons(HBITMAP templateBitmap, const RECT* blocks, int count)
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return -1;
    }
    HDC templateDc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (templateDc == nullptr) {
        return -1;
    }
    HGDIOBJ previous = SelectObject(templateDc, templateBitmap);
    long runs = previous != nullptr ? 0 : -1;
    for (int i = 0; runs >= 0 && i < count; ++i) {
        const long blockRuns = TraceFloorBlock(templateDc, blocks[i]);
        runs = blockRuns >= 0 ? runs + blockRuns : -1;
    }
    if (previous != nullptr) {
        SelectObject(templateDc, previous);
    }
    DeleteDC(templateDc);
    return runs;
}
