// One size of a skin: the unlit panel, the lit panel and the template, from one layout, so the
// pixels a panel lights are exactly those the menu traces.
#include "tileskin/draw/tile_draw.h"
#include "tileskin/draw/tile_picture.h"

#include "skin/skin_limits.h"

#include <algorithm>
#include <cmath>

// The title every panel carries above its grid, as the default skin always has.
static const wchar_t titleText[] = L"TILEBOX";

void DefaultTileColours(int light, TileColours* colours)
{
    if (light) {
        // A pale ground with white tiles and dark labels; lit tiles in a deep blue with white
        // labels, as far from the unlit look as the dark theme's amber is from its blue.
        *colours = {RGB(222, 228, 236), RGB(255, 255, 255), RGB(28, 36, 52), RGB(0, 96, 176),
                    RGB(255, 255, 255)};
    } else {
        // Dark blue tiles with white labels, lit tiles bright amber with near-black labels: the
        // two must tell apart at a glance across a room.
        *colours = {RGB(8, 12, 24), RGB(36, 64, 112), RGB(255, 255, 255), RGB(255, 176, 32),
                    RGB(16, 20, 36)};
    }
}

namespace {

// What each tile shows, measured and drawn once for both panels.
struct TileArt {
    Mask glyph;          // when the tile has no icon
    Premultiplied icon;  // when it has
    int artLeft, artTop; // where the glyph or icon goes
    Mask label;
    int labelLeft, labelTop;
};

// Where a tile's picture and label go: the picture centred at 38% of the tile's height, the label
// around 76%, as the default skin has them.
bool PrepareTile(const TileFace& face, const RECT& tile, TileArt* art, char* error, int errorSize)
{
    const int tileWidth = tile.right - tile.left + 1;
    const int tileHeight = tile.bottom - tile.top + 1;
    const int side = TileIconSide(tile);
    const int centreX = tile.left + tileWidth / 2;
    const int centreY = tile.top + static_cast<int>(tileHeight * 0.38);
    if (face.icon != nullptr && face.icon->pixels != nullptr && face.icon->width > 0 &&
        face.icon->height > 0) {
        ScaleIcon(face.icon->width, face.icon->height, face.icon->pixels, side, &art->icon);
        art->artLeft = centreX - art->icon.width / 2;
        art->artTop = centreY - art->icon.height / 2;
    } else {
        DrawGlyphMask(face.glyph, side, &art->glyph);
        art->artLeft = centreX - side / 2;
        art->artTop = centreY - side / 2;
    }
    const int labelWidth = static_cast<int>(tileWidth * 0.86);
    const int labelHeight = static_cast<int>(tileHeight * 0.22);
    art->labelLeft = tile.left + (tileWidth - labelWidth) / 2;
    art->labelTop = tile.top + static_cast<int>(tileHeight * 0.76) - labelHeight / 2;
    const wchar_t* text = face.label != nullptr ? face.label : L"";
    if (!DrawTextMask(text, static_cast<int>(tileHeight * 0.15), labelWidth, labelHeight,
                      &art->label)) {
        SetError(error, errorSize, "the system could not draw the label of a %dx%d tile", tileWidth,
                 tileHeight);
        return false;
    }
    return true;
}

// The fraction (0..16) of a pixel inside a box with rounded corners, by a 4 x 4 grid of samples;
// whole pixels away from the corners are answered at once.
int Coverage(double left, double top, double right, double bottom, double radius, int x, int y)
{
    if (x + 1 <= left || x >= right || y + 1 <= top || y >= bottom) {
        return 0;
    }
    const bool inside = x >= left && x + 1 <= right && y >= top && y + 1 <= bottom;
    const bool straight = (x >= left + radius && x + 1 <= right - radius) ||
                          (y >= top + radius && y + 1 <= bottom - radius);
    if (inside && straight) {
        return 16;
    }
    int count = 0;
    for (int sy = 0; sy < 4; ++sy) {
        const double py = y + (sy + 0.5) / 4;
        for (int sx = 0; sx < 4; ++sx) {
            const double px = x + (sx + 0.5) / 4;
            if (px < left || px >= right || py < top || py >= bottom) {
                continue;
            }
            const double cx = px < left + radius    ? left + radius
                              : px > right - radius ? right - radius
                                                    : px;
            const double cy = py < top + radius      ? top + radius
                              : py > bottom - radius ? bottom - radius
                                                     : py;
            if ((px - cx) * (px - cx) + (py - cy) * (py - cy) <= radius * radius) {
                ++count;
            }
        }
    }
    return count;
}

// The tile's face with its rim, smoothed at the corners, on exactly the template's pixels: a
// pixel the template leaves black keeps the background, so lit and unlit differ only where the
// menu traces the tile.
void PaintTile(Picture* picture, const TileLayout& layout, const RECT& tile, DWORD edge, DWORD face)
{
    const double r = layout.radius, e = layout.edge;
    const double inner = r - e > 1 ? r - e : 1;
    for (int y = tile.top; y <= tile.bottom && y < picture->height; ++y) {
        int x0 = 0, x1 = 0;
        if (!TileShapeSpan(tile, layout.radius, y, &x0, &x1)) {
            continue;
        }
        DWORD* row = &picture->pixels[static_cast<size_t>(y) * picture->width];
        // The face between the rims and away from the corners is one colour: filled at once,
        // since it is most of every tile at 3840x2160.
        int faceFrom = x1, faceTo = x1;
        if (y >= tile.top + e + inner && y + 1 <= tile.bottom + 1 - e - inner) {
            faceFrom = tile.left + layout.edge;
            faceTo = tile.right + 1 - layout.edge;
        } else if (y >= tile.top + e && y + 1 <= tile.bottom + 1 - e) {
            faceFrom = tile.left + layout.edge + static_cast<int>(std::ceil(inner));
            faceTo = tile.right + 1 - layout.edge - static_cast<int>(std::ceil(inner));
        }
        if (faceFrom < x0 || faceTo > x1 || faceFrom >= faceTo) {
            faceFrom = faceTo = x1;
        }
        std::fill(row + faceFrom, row + faceTo, face);
        for (int x = x0; x < x1 && x < picture->width; ++x) {
            if (x == faceFrom) {
                x = faceTo - 1;
                continue;
            }
            const int outer =
                Coverage(tile.left, tile.top, tile.right + 1, tile.bottom + 1, r, x, y);
            const int rim = Coverage(tile.left + e, tile.top + e, tile.right + 1 - e,
                                     tile.bottom + 1 - e, inner, x, y);
            const DWORD colour = MixColour(edge, face, rim * 255 / 16);
            row[x] = outer == 16 ? colour : MixColour(row[x], colour, outer * 255 / 16);
        }
    }
}

struct PanelInk {
    DWORD backgroundTop, backgroundBottom, title, edge, tile, glyph, label;
};

// The title is laid in the title ramp's own entries, never mixed with the row it stands on: both
// panels then hold the same indices there, and differ only inside the tiles.
void PaintTitle(Picture* picture, const Mask& title, int left, int top, const PanelInk& ink)
{
    for (int y = 0; y < title.height; ++y) {
        for (int x = 0; x < title.width; ++x) {
            const int step =
                (title.cover[static_cast<size_t>(y) * title.width + x] * 15 + 127) / 255;
            const int px = left + x, py = top + y;
            if (step != 0 && px >= 0 && px < picture->width && py >= 0 && py < picture->height) {
                picture->pixels[static_cast<size_t>(py) * picture->width + px] =
                    MixColour(ink.backgroundTop, ink.title, step * 255 / 15);
            }
        }
    }
}

// The picture's pixels where icons are drawn, at most about 200,000 of them: enough to find their
// colours, few enough to sort quickly at 3840x2160.
std::vector<DWORD> IconSamples(const Picture& picture, const TileArt art[6])
{
    long long total = 0;
    for (int i = 0; i < 6; ++i) {
        total += static_cast<long long>(art[i].icon.width) * art[i].icon.height;
    }
    const long long step = total / 200000 + 1;
    std::vector<DWORD> samples;
    long long seen = 0;
    for (int i = 0; i < 6; ++i) {
        const Premultiplied& icon = art[i].icon;
        for (int y = 0; y < icon.height; ++y) {
            for (int x = 0; x < icon.width; ++x) {
                const int px = art[i].artLeft + x, py = art[i].artTop + y;
                const bool covered =
                    icon.pixels[static_cast<size_t>(y) * icon.width + x] >> 24 != 0;
                if (covered && seen++ % step == 0 && px >= 0 && px < picture.width && py >= 0 &&
                    py < picture.height) {
                    samples.push_back(picture.pixels[static_cast<size_t>(py) * picture.width + px]);
                }
            }
        }
    }
    return samples;
}

bool WritePanel(const char* path, const TileLayout& layout, const TileArt art[6], const Mask& title,
                const PanelInk& ink, Picture* picture, char* error, int errorSize)
{
    for (int y = 0; y < picture->height; ++y) {
        const int step = y * (GradientSteps - 1) / (picture->height - 1);
        const DWORD shade =
            MixColour(ink.backgroundTop, ink.backgroundBottom, step * 255 / (GradientSteps - 1));
        DWORD* row = &picture->pixels[static_cast<size_t>(y) * picture->width];
        for (int x = 0; x < picture->width; ++x) {
            row[x] = shade;
        }
    }
    PaintTitle(picture, title, layout.titleX, 0, ink);
    for (int i = 0; i < 6; ++i) {
        PaintTile(picture, layout, layout.tiles[i], ink.edge, ink.tile);
        if (!art[i].icon.pixels.empty()) {
            BlendPremultiplied(picture, art[i].icon, art[i].artLeft, art[i].artTop);
        } else {
            BlendMask(picture, art[i].glyph, art[i].artLeft, art[i].artTop, ink.glyph);
        }
        BlendMask(picture, art[i].label, art[i].labelLeft, art[i].labelTop, ink.label);
    }
    DWORD palette[256];
    int count = BuildPanelPalette(ink.backgroundTop, ink.backgroundBottom, ink.title, ink.edge,
                                  ink.tile, ink.label, palette);
    count = AddIconColours(IconSamples(*picture, art), palette, count);
    return WriteRunLengthBitmap(path, *picture, palette, count, error, errorSize);
}

// One panel drawn and written, on whichever thread runs it; the message stays in the job.
struct PanelJob {
    const char* path;
    const TileLayout* layout;
    const TileArt* art;
    const Mask* title;
    PanelInk ink;
    bool written;
    char error[300];
};

DWORD WINAPI RunPanelJob(void* parameter)
{
    PanelJob* job = static_cast<PanelJob*>(parameter);
    Picture picture;
    picture.width = job->layout->width;
    picture.height = job->layout->height;
    picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height, 0);
    job->written = WritePanel(job->path, *job->layout, job->art, *job->title, job->ink, &picture,
                              job->error, sizeof job->error);
    return 0;
}

PanelInk InkOf(const TileColours& colours, bool lit)
{
    PanelInk ink;
    ink.backgroundTop = RgbOf(colours.background);
    ink.backgroundBottom = MixColour(ink.backgroundTop, RgbOf(colours.tile), 128);
    ink.title = MixColour(RgbOf(colours.tile), RgbOf(colours.label), 90);
    ink.tile = RgbOf(lit ? colours.litTile : colours.tile);
    ink.label = RgbOf(lit ? colours.litLabel : colours.label);
    ink.edge = MixColour(ink.tile, ink.label, 64);
    ink.glyph = MixColour(ink.tile, ink.label, 200);
    return ink;
}

} // namespace

int DrawTileSkin(const TileColours* colours, const TileFace faces[6], int width, int height,
                 const char* normalPath, const char* selectedPath, const char* templatePath,
                 RECT rects[6], char* error, int errorSize)
{
    if (colours == nullptr || faces == nullptr || normalPath == nullptr ||
        selectedPath == nullptr || templatePath == nullptr || rects == nullptr) {
        SetError(error, errorSize, "the skin to draw is incomplete");
        return 0;
    }
    if (width < MinScreenWidth || width > MaxScreenWidth || height < MinScreenHeight ||
        height > MaxScreenHeight) {
        SetError(error, errorSize, "%dx%d is no screen size a skin is drawn for", width, height);
        return 0;
    }
    if (!TileFontLoaded()) {
        SetError(error, errorSize, "the tiles' font is not loaded");
        return 0;
    }
    TileLayout layout;
    ComputeTileLayout(width, height, &layout);
    TileArt art[6];
    for (int i = 0; i < 6; ++i) {
        if (!PrepareTile(faces[i], layout.tiles[i], &art[i], error, errorSize)) {
            return 0;
        }
    }
    // The title's capitals as tall as the default skin's were: 7 units of one step larger.
    const int titleEm = static_cast<int>(7 * (layout.scale + 1) / 0.72);
    Mask title;
    if (!DrawTextMask(titleText, titleEm, width - layout.titleX, layout.titleBand, &title)) {
        SetError(error, errorSize, "the system could not draw the title");
        return 0;
    }
    // The title starts at the grid's left edge: move its ink there from the mask's centre.
    int inkLeft = title.width;
    for (int y = 0; y < title.height; ++y) {
        for (int x = 0; x < inkLeft; ++x) {
            if (title.cover[static_cast<size_t>(y) * title.width + x] != 0) {
                inkLeft = x;
            }
        }
    }
    TileLayout shifted = layout;
    shifted.titleX = layout.titleX - (inkLeft < title.width ? inkLeft : 0);
    // The lit panel is drawn on a second thread while this one draws the unlit panel and the
    // template: the two share only what is read, and a person waits half as long on two cores.
    PanelJob lit = {selectedPath, &shifted, art, &title, InkOf(*colours, true), false, ""};
    HANDLE thread = CreateThread(nullptr, 0, RunPanelJob, &lit, 0, nullptr);
    if (thread == nullptr) {
        RunPanelJob(&lit);
    }
    PanelJob normal = {normalPath, &shifted, art, &title, InkOf(*colours, false), false, ""};
    RunPanelJob(&normal);
    const bool templateWritten =
        normal.written && WriteTemplateBitmap(templatePath, layout, error, errorSize);
    if (thread != nullptr) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    // A size is written whole or not at all: the files already written go when another fails.
    if (!normal.written || !lit.written || !templateWritten) {
        if (!normal.written || !lit.written) {
            SetError(error, errorSize, "%s", !normal.written ? normal.error : lit.error);
        }
        const struct {
            bool written;
            const char* path;
        } files[] = {{normal.written, normalPath},
                     {lit.written, selectedPath},
                     {templateWritten, templatePath}};
        for (const auto& file : files) {
            WCHAR wide[widePathCapacity];
            if (file.written && WidePath(file.path, wide)) {
                DeleteFileW(wide);
            }
        }
        return 0;
    }
    for (int i = 0; i < 6; ++i) {
        rects[i] = layout.tiles[i];
    }
    return 1;
}
