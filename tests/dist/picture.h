// A bitmap file read into memory as 0x00BBGGRR values, top row first, for pixel comparisons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Loads the file the way the menu does (a bitmap in the screen's format) and reads its pixels;
// false when the file is missing or not a bitmap.
bool LoadPicture(const std::string& path, Picture& picture);

// Pixels of the inclusive rectangle that are not pure black: a button's shape in a template.
int CountShapePixels(const Picture& regionTemplate, const RECT& inclusive);
