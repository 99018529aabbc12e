// Blending into a panel, scaling icons and drawing text masks.
#include "tileskin/draw/tile_draw.h"
#include "tileskin/draw/tile_picture.h"

#include "skin/gdi_guards.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

void SetError(char* error, int errorSize, const char* format, ...)
{
    if (error == nullptr || errorSize <= 0) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::vsnprintf(error, static_cast<size_t>(errorSize), format, args);
    va_end(args);
}

bool WidePath(const char* utf8, WCHAR wide[widePathCapacity])
{
    wide[0] = L'\0';
    return utf8 != nullptr && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide,
                                                  widePathCapacity) != 0;
}

DWORD RgbOf(COLORREF colour)
{
    return static_cast<DWORD>(GetRValue(colour)) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

DWORD MixColour(DWORD from, DWORD to, int amount)
{
    DWORD mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = static_cast<int>(from >> shift & 0xFF);
        const int b = static_cast<int>(to >> shift & 0xFF);
        // Weighted sum of two non-negative parts: exact at both ends, rounded alike both ways.
        mixed |= static_cast<DWORD>((a * (255 - amount) + b * amount + 127) / 255) << shift;
    }
    return mixed;
}

void BlendMask(Picture* picture, const Mask& mask, int left, int top, DWORD ink)
{
    for (int y = 0; y < mask.height; ++y) {
        const int py = top + y;
        if (py < 0 || py >= picture->height) {
            continue;
        }
        for (int x = 0; x < mask.width; ++x) {
            const int px = left + x;
            const BYTE cover = mask.cover[static_cast<size_t>(y) * mask.width + x];
            if (cover != 0 && px >= 0 && px < picture->width) {
                DWORD& pixel = picture->pixels[static_cast<size_t>(py) * picture->width + px];
                pixel = MixColour(pixel, ink, cover);
            }
        }
    }
}

void BlendPremultiplied(Picture* picture, const Premultiplied& image, int left, int top)
{
    for (int y = 0; y < image.height; ++y) {
        const int py = top + y;
        if (py < 0 || py >= picture->height) {
            continue;
        }
        for (int x = 0; x < image.width; ++x) {
            const int px = left + x;
            const DWORD source = image.pixels[static_cast<size_t>(y) * image.width + x];
            const int alpha = static_cast<int>(source >> 24);
            if (alpha == 0 || px < 0 || px >= picture->width) {
                continue;
            }
            DWORD& pixel = picture->pixels[static_cast<size_t>(py) * picture->width + px];
            DWORD result = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int under = static_cast<int>(pixel >> shift & 0xFF);
                const int over = static_cast<int>(source >> shift & 0xFF);
                const int value = over + (under * (255 - alpha) + 127) / 255;
                result |= static_cast<DWORD>(std::min(value, 255)) << shift;
            }
            pixel = result;
        }
    }
}

// Which source pixels make up each target pixel along one axis, and how much of each: the area
// each covers when the icon shrinks, so fine detail averages instead of dropping out, and the
// two nearest when it grows.
struct Taps {
    std::vector<int> first;
    std::vector<std::vector<float>> weights;
};

static Taps MakeTaps(int source, int target)
{
    Taps taps;
    const double step = static_cast<double>(source) / target;
    for (int t = 0; t < target; ++t) {
        std::vector<float> weights;
        int first = 0;
        if (step >= 1) {
            const double from = t * step, to = from + step;
            first = static_cast<int>(from);
            for (int s = first; s < source && s < to; ++s) {
                const double part = std::min<double>(s + 1, to) - std::max<double>(s, from);
                weights.push_back(static_cast<float>(part / step));
            }
        } else {
            const double centre = (t + 0.5) * step - 0.5;
            first = std::max(0, std::min(source - 1, static_cast<int>(std::floor(centre))));
            const int second = std::min(source - 1, first + 1);
            const double f = std::max(0.0, std::min(1.0, centre - first));
            weights.push_back(static_cast<float>(second == first ? 1.0 : 1 - f));
            if (second != first) {
                weights.push_back(static_cast<float>(f));
            }
        }
        taps.first.push_back(first);
        taps.weights.push_back(weights);
    }
    return taps;
}

void ScaleIcon(int width, int height, const DWORD* pixels, int side, Premultiplied* out)
{
    out->width = out->height = 0;
    out->pixels.clear();
    if (width <= 0 || height <= 0 || pixels == nullptr || side <= 0) {
        return;
    }
    const int targetWidth = std::max(1, width >= height ? side : side * width / height);
    const int targetHeight = std::max(1, height >= width ? side : side * height / width);
    const Taps across = MakeTaps(width, targetWidth);
    const Taps down = MakeTaps(height, targetHeight);
    std::vector<float> rows(static_cast<size_t>(targetWidth) * height * 4, 0.0f);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < targetWidth; ++x) {
            float* target = &rows[(static_cast<size_t>(y) * targetWidth + x) * 4];
            for (size_t w = 0; w < across.weights[x].size(); ++w) {
                // Premultiplied: averaging straight colours would pull the hidden colour of
                // transparent pixels into the icon's edge.
                const DWORD s = pixels[static_cast<size_t>(y) * width + across.first[x] + w];
                const float weight = across.weights[x][w];
                const float alpha = static_cast<float>(s >> 24) / 255.0f;
                for (int k = 0; k < 3; ++k) {
                    target[k] += static_cast<float>(s >> (k * 8) & 0xFF) * alpha * weight;
                }
                target[3] += alpha * 255.0f * weight;
            }
        }
    }
    out->width = targetWidth;
    out->height = targetHeight;
    out->pixels.assign(static_cast<size_t>(targetWidth) * targetHeight, 0);
    for (int y = 0; y < targetHeight; ++y) {
        for (int x = 0; x < targetWidth; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (size_t w = 0; w < down.weights[y].size(); ++w) {
                const float* s = &rows[((down.first[y] + w) * targetWidth + x) * 4];
                for (int k = 0; k < 4; ++k) {
                    sum[k] += s[k] * down.weights[y][w];
                }
            }
            DWORD value = 0;
            for (int k = 0; k < 4; ++k) {
                const long v = std::lround(sum[k]);
                value |= static_cast<DWORD>(std::max(0L, std::min(255L, v))) << (k * 8);
            }
            out->pixels[static_cast<size_t>(y) * targetWidth + x] = value;
        }
    }
}

// The font the tiles' text is drawn in: the family LoadTileFont adds privately. Asking by family
// name finds the private copy first, so a different version installed on the system does not
// change the look.
static const wchar_t tileFace[] = L"DejaVu Sans";
// For text the private font has no letters for (Chinese, Japanese, Korean and others): the
// system's interface font, which the system links to fonts of those scripts, so a label in them
// draws as letters instead of empty boxes.
static const wchar_t fallbackFace[] = L"Segoe UI";

static HFONT CreateTileFont(const wchar_t* face, int emHeight)
{
    return CreateFontW(-emHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face);
}

// True when the private font has a letter for every character of the text.
static bool TileFontCovers(HDC dc, const wchar_t* text)
{
    const int length = lstrlenW(text);
    HFONT font = CreateTileFont(tileFace, 32);
    if (font == nullptr) {
        return false;
    }
    std::vector<WORD> glyphs(static_cast<size_t>(length) + 1);
    bool covered = false;
    {
        Selection chosen(dc, font);
        covered =
            chosen.Succeeded() &&
            GetGlyphIndicesW(dc, text, length, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) ==
                static_cast<DWORD>(length) &&
            std::find(glyphs.begin(), glyphs.begin() + length, 0xFFFF) == glyphs.begin() + length;
    }
    DeleteObject(font);
    return covered;
}

// The font at the largest em up to emHeight at which the text fits the width, but not below half
// of it: a label still too wide there ends in an ellipsis rather than shrinking out of sight. The
// caller deletes it; null when no font could be made or measured.
static HFONT FittingFont(HDC dc, const wchar_t* face, const wchar_t* text, int emHeight,
                         int width)
{
    const int length = lstrlenW(text);
    int em = emHeight;
    for (;;) {
        HFONT font = CreateTileFont(face, em);
        if (font == nullptr) {
            return nullptr;
        }
        SIZE extent = {};
        bool measured = false;
        {
            Selection chosen(dc, font);
            measured = chosen.Succeeded() && GetTextExtentPoint32W(dc, text, length, &extent);
        }
        if (measured && (extent.cx <= width || em <= emHeight / 2)) {
            return font;
        }
        DeleteObject(font);
        if (!measured) {
            return nullptr;
        }
        const int smaller = static_cast<int>(static_cast<long long>(em) * width / extent.cx);
        em = std::max(emHeight / 2, std::min(em - 1, smaller));
    }
}

// White text on black in a 32-bit section, read back as coverage: the smoothing the system gives
// ANTIALIASED_QUALITY is its grey levels, and one colour on one ground keeps them exact.
bool DrawTextMask(const wchar_t* text, int emHeight, int width, int height, Mask* mask)
{
    mask->width = width;
    mask->height = height;
    mask->cover.assign(static_cast<size_t>(width) * height, 0);
    if (text[0] == L'\0') {
        return true;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section == nullptr) {
        return false;
    }
    bool drawn = false;
    {
        ScreenDc screen;
        MemoryDc memory(screen.Get());
        Selection bitmap(memory.Get(), section);
        const wchar_t* face = TileFontCovers(memory.Get(), text) ? tileFace : fallbackFace;
        HFONT font =
            bitmap.Succeeded() ? FittingFont(memory.Get(), face, text, emHeight, width) : nullptr;
        if (font != nullptr) {
            Selection chosen(memory.Get(), font);
            SetTextColor(memory.Get(), RGB(255, 255, 255));
            SetBkMode(memory.Get(), TRANSPARENT);
            RECT box = {0, 0, width, height};
            drawn = chosen.Succeeded() && DrawTextW(memory.Get(), text, -1, &box,
                                                    DT_CENTER | DT_VCENTER | DT_SINGLELINE |
                                                        DT_NOPREFIX | DT_END_ELLIPSIS) != 0;
        }
        GdiFlush();
        if (drawn) {
            const DWORD* pixels = static_cast<const DWORD*>(bits);
            for (size_t i = 0; i < mask->cover.size(); ++i) {
                const DWORD p = pixels[i];
                mask->cover[i] =
                    static_cast<BYTE>(std::max(p & 0xFF, std::max(p >> 8 & 0xFF, p >> 16 & 0xFF)));
            }
        }
        // The font goes after the selections above gave the DC's own font back.
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
    DeleteObject(section);
    return drawn;
}
