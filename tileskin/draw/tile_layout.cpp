// The layout of every size, kept exactly as the default skin has always had it, so that a skin
// made here puts its tiles where the shipped one does.
#include "tileskin/draw/tile_draw.h"
#include "tileskin/draw/tile_picture.h"

#include <cmath>

// The classic sizes come first, in the order of their "Mode 1".."Mode 3" setting names.
// 1280x1024 is left out on purpose: the tests use it as a size the default skin does not name.
static const int skinSizes[][2] = {
    {640, 480},  {800, 600},   {1024, 768},  {1280, 720},  {1366, 768},
    {1600, 900}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160},
};

int TileSkinSizeCount()
{
    return static_cast<int>(sizeof skinSizes / sizeof skinSizes[0]);
}

void GetTileSkinSize(int index, int* width, int* height)
{
    const bool known = index >= 0 && index < TileSkinSizeCount();
    *width = known ? skinSizes[index][0] : 0;
    *height = known ? skinSizes[index][1] : 0;
}

int TileIconSide(const RECT& tile)
{
    const int tileWidth = tile.right - tile.left + 1;
    const int tileHeight = tile.bottom - tile.top + 1;
    return static_cast<int>(std::lround((tileWidth < tileHeight ? tileWidth : tileHeight) * 0.38));
}

int LargestTileIconSide()
{
    int largest = 0;
    for (int index = 0; index < TileSkinSizeCount(); ++index) {
        TileLayout layout;
        ComputeTileLayout(skinSizes[index][0], skinSizes[index][1], &layout);
        const int side = TileIconSide(layout.tiles[0]);
        largest = side > largest ? side : largest;
    }
    return largest;
}

// Halves round to even, as the layout's rules have always been computed; rounding halves up
// would move some tiles of some sizes by a pixel.
static int RoundEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

void ComputeTileLayout(int width, int height, TileLayout* layout)
{
    const int used = width < RoundEven(height * 1.6) ? width : RoundEven(height * 1.6);
    const int margin = RoundEven(used * 0.06);
    const int gap = RoundEven(used * 0.03);
    const int origin = margin + (width - used) / 2;
    const int topBand = RoundEven(height * 0.16);
    const int bottomBand = RoundEven(height * 0.08);
    const int tileWidth = (used - 2 * margin - 2 * gap) / 3;
    const int tileHeight = (height - topBand - bottomBand - gap) / 2;
    // The unit the default skin's strokes were measured in: its longest label, eight characters
    // of a 6-pixel cell, across 82% of a tile.
    const int byWidth = static_cast<int>(tileWidth * 0.82 / 47);
    const int byHeight = static_cast<int>(tileHeight * 0.14 / 7);
    const int scale = byWidth < byHeight ? byWidth : byHeight;
    layout->width = width;
    layout->height = height;
    layout->titleX = origin;
    layout->titleBand = topBand;
    layout->scale = scale > 2 ? scale : 2;
    layout->radius = RoundEven((tileWidth < tileHeight ? tileWidth : tileHeight) * 0.16);
    layout->edge = layout->scale - 1 > 2 ? layout->scale - 1 : 2;
    for (int index = 0; index < 6; ++index) {
        const int left = origin + index % 3 * (tileWidth + gap);
        const int top = topBand + index / 3 * (tileHeight + gap);
        SetRect(&layout->tiles[index], left, top, left + tileWidth - 1, top + tileHeight - 1);
    }
}

// Quarter-circle corners measured by whole rows, so the template's shape is the same pixels on
// every platform and the panels can light exactly those pixels.
bool TileShapeSpan(const RECT& tile, int radius, int y, int* x0, int* x1)
{
    if (y < tile.top || y > tile.bottom) {
        return false;
    }
    int dy = tile.top + radius - y;
    if (y - (tile.bottom - radius) > dy) {
        dy = y - (tile.bottom - radius);
    }
    int inset = 0;
    if (dy > 0) {
        const int under = radius * radius - dy * dy;
        inset = radius - static_cast<int>(std::sqrt(static_cast<double>(under > 0 ? under : 0)));
    }
    *x0 = tile.left + inset;
    *x1 = tile.right + 1 - inset;
    return *x0 < *x1;
}
