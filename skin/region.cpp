#include "skin/region.h"

#include "skin/skin_limits.h"

#include <climits>

BOOL GetRegionBounds(HRGN region, RECT* outRect)
{
    if (region == nullptr || outRect == nullptr) {
        return 0;
    }
    RECT box;
    SetRect(&box, 0, 0, 0, 0);
    int kind = GetRgnBox(region, &box);
    // An empty region has a box too, (0, 0, 0, 0); it must not count as a shape.
    if (kind != SIMPLEREGION && kind != COMPLEXREGION) {
        return 0;
    }
    CopyRect(outRect, &box);
    return 1;
}

long long CountBlockPixels(const RECT& area)
{
    // Both the sentinel column past `right` and the loop over rows step one beyond the block's
    // inclusive edges, so an edge at INT_MAX would overflow. Such a block is refused like any
    // other unusable one rather than clipped: no template is that large, so clipping would only
    // hide a broken setting.
    if (area.left < 0 || area.top < 0 || area.left >= area.right || area.top >= area.bottom ||
        area.right == INT_MAX || area.bottom == INT_MAX) {
        return 0;
    }
    const long long columns = static_cast<long long>(area.right) - area.left + 1;
    const long long rows = static_cast<long long>(area.bottom) - area.top + 1;
    return columns * rows;
}

// A block is bounded by the pixels it costs, not by its shape: "0,0,4200,99" traces in a moment,
// while a rectangle 2,000,000,000 pixels wide, a valid setting as far as its text goes, would keep
// the tracing reading pixels for hours.
static bool IsTraceableBlock(HDC dc, const RECT& area)
{
    const long long pixels = CountBlockPixels(area);
    return dc != nullptr && pixels != 0 && pixels <= MaxTracedPixels;
}

// A value that never belongs, so that the column after the block closes every open run.
static COLORREF SentinelValue(COLORREF keyColor, BOOL excludeKey)
{
    if (excludeKey) {
        return keyColor;
    }
    return keyColor == 0 ? 1 : 0;
}

static bool Belongs(COLORREF value, COLORREF keyColor, BOOL excludeKey)
{
    return excludeKey ? value != keyColor : value == keyColor;
}

// Unites a closed run into the accumulated region, which the first run becomes. On failure
// every region made so far is deleted and *accumulated is null.
static bool AddRun(HRGN* accumulated, const RECT& run)
{
    HRGN runRegion = CreateRectRgnIndirect(&run);
    if (*accumulated == nullptr) {
        *accumulated = runRegion;
        return runRegion != nullptr;
    }
    if (runRegion == nullptr) {
        DeleteObject(*accumulated);
        *accumulated = nullptr;
        return false;
    }
    int kind = CombineRgn(*accumulated, *accumulated, runRegion, RGN_OR);
    DeleteObject(runRegion);
    if (kind == ERROR || kind == NULLREGION) {
        DeleteObject(*accumulated);
        *accumulated = nullptr;
        return false;
    }
    return true;
}

// Traces one row, closing each run as soon as a pixel that does not belong follows it. Returns
// false when a run could not be added (the accumulated region is gone then).
static bool TraceRow(HDC dc, const RECT& area, int y, COLORREF keyColor, BOOL excludeKey,
                     HRGN* accumulated)
{
    const int rowOffset = y - area.top;
    const int columns = area.right - area.left + 1;
    bool runOpen = false;
    RECT run = {};
    // Column offset `columns` is the sentinel: it is never read from the device context.
    for (int c = 0; c <= columns; ++c) {
        COLORREF value =
            c < columns ? GetPixel(dc, area.left + c, y) : SentinelValue(keyColor, excludeKey);
        bool belongs = Belongs(value, keyColor, excludeKey);
        if (!runOpen && belongs) {
            runOpen = true;
            run.left = c;
            run.top = rowOffset;
            run.bottom = rowOffset + 1;
        } else if (runOpen && !belongs) {
            runOpen = false;
            run.right = c;
            if (!AddRun(accumulated, run)) {
                return false;
            }
        }
    }
    return true;
}

HRGN BuildRegionFromTemplate(HDC dc, RECT area, COLORREF keyColor, BOOL excludeKey, RECT* outBounds)
{
    if (!IsTraceableBlock(dc, area)) {
        return nullptr;
    }
    HRGN accumulated = nullptr;
    for (int y = area.top; y <= area.bottom; ++y) {
        if (!TraceRow(dc, area, y, keyColor, excludeKey, &accumulated)) {
            return nullptr;
        }
    }
    if (accumulated == nullptr) {
        return nullptr;
    }
    RECT bounds;
    if (!GetRegionBounds(accumulated, &bounds)) {
        DeleteObject(accumulated);
        return nullptr;
    }
    if (outBounds != nullptr) {
        CopyRect(outBounds, &bounds);
    }
    return accumulated;
}
