// Tracing a button's shape out of a template bitmap.
#pragma once

#include <windows.h>

// The region of the pixels of the inclusive block `area` of the bitmap in dc that differ from
// keyColor (excludeKey nonzero) or equal it (excludeKey zero), relative to the block's top-left
// corner; null for an invalid block or when no pixel belongs. outBounds, when given, receives the
// bounding box on success. The caller owns the region.
HRGN BuildRegionFromTemplate(HDC dc, RECT area, COLORREF keyColor, BOOL excludeKey,
                             RECT* outBounds);

// The pixels of the inclusive block `area` (its right column and bottom row count), or 0 for a
// block that cannot be traced: an edge before 0 or at INT_MAX, or right or bottom not past left
// or top.
long long CountBlockPixels(const RECT& area);

// 1 and the bounding box when region is valid and not empty; 0 otherwise.
BOOL GetRegionBounds(HRGN region, RECT* outRect);
