// The check of a panel bitmap file.
#pragma once

#include <windows.h>

// True when the file at path holds a whole bitmap of a defined format whose declared size is
// within MaxBitmapPixels: its headers, its colour table and all the pixel data they promise, and,
// for run-length data, codes that stay inside the picture and end with its end mark. The
// system's loader accepts files cut short, unknown depth and compression pairs and run-length
// data that overruns, and makes pictures of garbage out of them instead of failing.
bool IsCompleteBitmapFile(const char* path);

// A checked bitmap file held in memory: its info header and colour table (a packed picture's
// head, as the system's drawing calls take it) and its pixel data.
struct BitmapFileBits {
    BYTE* data; // owned: the head, then the pixels
    const BITMAPINFO* info;
    const void* pixels;
    LONG width;
    LONG height; // rows, whichever way they run
};

// Checks the file as IsCompleteBitmapFile does and reads it into *bits; false, with nothing held,
// when it is not whole. FreeBitmapFileBits gives the memory back.
bool ReadCompleteBitmapFile(const char* path, BitmapFileBits* bits);
void FreeBitmapFileBits(BitmapFileBits* bits);
