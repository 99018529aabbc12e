// The least work that tracing the six buttons may do under the menu's tracing rule: one GetPixel
// per pixel of each block, in row order, nothing buffered, and one rectangle region per run of
// pixels that are not black; and, at a size the skin does not name, the one stretch per picture
// that any program showing it on that screen makes. Shared by the in-process LoadSkin floor and
// floor_start.exe, so that both floors do exactly the same work.
#pragma once

#include <windows.h>

// Reads every pixel of the block (right and bottom inclusive, as in the settings) and makes, then
// deletes, one region per run. The runs are not united: building one shape out of them is the
// menu's own work, which the figures count as work beyond the floor. Returns the number of runs,
// or -1 when a run's region could not be made.
long TraceFloorBlock(HDC dc, const RECT& area);

// The template selected into a memory DC compatible with the screen, as the menu's button table
// holds it, and each block traced; the DC is given back before this returns. Returns the runs of
// all blocks, or -1 on any failure.
long TraceFloorButtons(HBITMAP templateBitmap, const RECT* blocks, int count);

// The least that puts a bitmap file's picture onto a screen-sized bitmap of the screen's format
// at placed (black around it when it does not cover the screen): the file read into memory as it
// is, unchecked, and one StretchDIBits with COLORONCOLOR. Null when the file cannot be read or the
// stretch fails.
HBITMAP StretchFloorPicture(const char* path, int width, int height, const RECT& placed);
