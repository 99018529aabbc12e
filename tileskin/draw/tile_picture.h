// What the skin maker's drawing files share: the layout of one screen size, a picture of 32-bit
// pixels, coverage masks and the writer of run-length bitmap files.
#pragma once

#include <windows.h>

#include <vector>

// One screen size's layout, the same rules the default skin has always been drawn by: a 3 x 2
// grid of rounded tiles below a title band, as wide as the screen up to a 16:10 shape and centred
// beyond that, each tile's glyph or icon above its label.
struct TileLayout {
    int width;
    int height;
    int titleX;    // left edge of the title, the grid's left edge
    int titleBand; // height of the band above the grid
    int scale;     // the default skin's unit of stroke width at this size
    int radius;    // corner radius of every tile
    int edge;      // width of the tile's lighter rim
    RECT tiles[6]; // inclusive, as the settings hold them
};

void ComputeTileLayout(int width, int height, TileLayout* layout);
// The side of the square box a tile's icon or glyph is fitted into: 38% of its shorter side.
int TileIconSide(const RECT& tile);
// Columns [*x0, *x1) of row y that the tile's rounded shape covers; false when none.
bool TileShapeSpan(const RECT& tile, int radius, int y, int* x0, int* x1);

// 0x00RRGGBB pixels, rows top-down.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
};

// Coverage 0..255 of a width x height box, rows top-down.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<BYTE> cover;
};

// A premultiplied picture: each pixel's colour already scaled by its alpha, as blending wants.
struct Premultiplied {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels; // 0xAARRGGBB, colour premultiplied
};

DWORD MixColour(DWORD from, DWORD to, int amount); // amount 0..255 of the way to `to`
DWORD RgbOf(COLORREF colour);                      // COLORREF to 0x00RRGGBB
void BlendMask(Picture* picture, const Mask& mask, int left, int top, DWORD ink);
void BlendPremultiplied(Picture* picture, const Premultiplied& image, int left, int top);

// The built-in glyphs, drawn smoothed into a side x side mask.
void DrawGlyphMask(int glyph, int side, Mask* mask);
// An icon scaled to fit a side x side box, keeping its shape; empty when the icon has no pixels.
void ScaleIcon(int width, int height, const DWORD* pixels, int side, Premultiplied* out);

// Text drawn smoothed in the private font, centred in a width x height mask; the font's em is at
// most emHeight and shrinks until the text fits the width. False when the system could not draw.
bool DrawTextMask(const wchar_t* text, int emHeight, int width, int height, Mask* mask);

// True between a successful LoadTileFont and UnloadTileFont.
bool TileFontLoaded();

// Writes 8-bit bottom-up BI_RLE8 files with a 40-byte info header.
bool WriteRunLengthBitmap(const char* path, const Picture& picture, const DWORD* palette,
                          int paletteSize, char* error, int errorSize);
bool WriteTemplateBitmap(const char* path, const TileLayout& layout, char* error, int errorSize);

// The palette of one panel: ramps between the colours it is drawn with, then a colour cube.
// Steps of the background's gradient, top to bottom; each row is drawn in one of them.
const int GradientSteps = 32;
int BuildPanelPalette(DWORD backgroundTop, DWORD backgroundBottom, DWORD title, DWORD edge,
                      DWORD tile, DWORD label, DWORD* palette);
// Fills the palette up to 256 entries with colours for the icons' pixels (samples of the picture
// inside the icons); returns the new count.
int AddIconColours(std::vector<DWORD> samples, DWORD* palette, int count);

void SetError(char* error, int errorSize, const char* format, ...);

// Paths reach this library as UTF-8 and the files are opened with the wide calls, so a folder
// named in any script works. A path of more than widePathCapacity - 1 characters, or bytes that
// are not UTF-8, give false.
const int widePathCapacity = 1024;
bool WidePath(const char* utf8, WCHAR wide[widePathCapacity]);
