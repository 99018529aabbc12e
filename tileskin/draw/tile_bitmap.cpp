// The files: 8-bit, bottom-up, run-length (BI_RLE8) bitmaps with a 40-byte info header. The
// system's loader documents that format for a file loaded as a device-dependent bitmap, which is
// how the menu loads its panels, and pictures of long flat runs stay small at 3840x2160.
#include "tileskin/draw/tile_draw.h"
#include "tileskin/draw/tile_picture.h"

#include "skin/skin_limits.h"

#include <algorithm>
#include <cstring>
#include <functional>

// The palette of one panel, at most 256 colours. A smoothed edge is a mix of the two colours it
// parts, so each pair that meets in the picture gets a ramp of its own and the font's grey
// levels keep shades of their own: 32 steps between tile and label (text, and the glyphs, drawn
// in a mix of the two), 16 between the background and the title, 8 from the background to the
// rim and 4 from the rim to the tile, and the background's gradient, one entry per step. The
// rest goes to the icons (see AddIconColours).
int BuildPanelPalette(DWORD backgroundTop, DWORD backgroundBottom, DWORD title, DWORD edge,
                      DWORD tile, DWORD label, DWORD* palette)
{
    int count = 0;
    auto ramp = [&](DWORD from, DWORD to, int steps) {
        for (int i = 0; i < steps; ++i) {
            palette[count++] = MixColour(from, to, steps == 1 ? 0 : i * 255 / (steps - 1));
        }
    };
    ramp(backgroundTop, backgroundBottom, GradientSteps);
    ramp(backgroundTop, title, 16);
    ramp(MixColour(backgroundTop, backgroundBottom, 128), edge, 8);
    ramp(edge, tile, 4);
    ramp(tile, label, 32);
    return count;
}

namespace {

int Channel(DWORD colour, int channel)
{
    return static_cast<int>(colour >> (8 * channel) & 0xFF);
}

// A box of the median cut: the samples [begin, end) and the channel they spread most along.
struct ColourBox {
    size_t begin, end;
    int channel, spread;
};

void MeasureBox(const std::vector<DWORD>& samples, ColourBox* box)
{
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    for (size_t i = box->begin; i < box->end; ++i) {
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], Channel(samples[i], c));
            high[c] = std::max(high[c], Channel(samples[i], c));
        }
    }
    box->channel = 0;
    for (int c = 1; c < 3; ++c) {
        if (high[c] - low[c] > high[box->channel] - low[box->channel]) {
            box->channel = c;
        }
    }
    box->spread = high[box->channel] - low[box->channel];
}

} // namespace

// The icons' colours: a median cut of the pixels the icons left in the picture, so the entries
// go where the icons' colours are (a red logo gets many reds, not a cube's five). Without icons a
// 5 x 6 x 5 cube of evenly spread colours stands in. Each pixel falls to its nearest entry:
// dithering would scatter single pixels into every run and swell the files.
int AddIconColours(std::vector<DWORD> samples, DWORD* palette, int count)
{
    if (samples.empty()) {
        for (int r = 0; r < 5; ++r) {
            for (int g = 0; g < 6; ++g) {
                for (int b = 0; b < 5 && count < 256; ++b) {
                    palette[count++] = static_cast<DWORD>(r * 255 / 4) << 16 |
                                       static_cast<DWORD>(g * 51) << 8 |
                                       static_cast<DWORD>(b * 255 / 4);
                }
            }
        }
        return count;
    }
    std::vector<ColourBox> boxes(1, ColourBox{0, samples.size(), 0, 0});
    MeasureBox(samples, &boxes[0]);
    while (count + static_cast<int>(boxes.size()) < 256) {
        size_t widest = 0;
        for (size_t i = 1; i < boxes.size(); ++i) {
            if (boxes[i].spread > boxes[widest].spread) {
                widest = i;
            }
        }
        ColourBox& box = boxes[widest];
        if (box.spread == 0 || box.end - box.begin < 2) {
            break;
        }
        const size_t middle = box.begin + (box.end - box.begin) / 2;
        const int channel = box.channel;
        std::nth_element(
            samples.begin() + box.begin, samples.begin() + middle, samples.begin() + box.end,
            [channel](DWORD a, DWORD b) { return Channel(a, channel) < Channel(b, channel); });
        ColourBox upper = {middle, box.end, 0, 0};
        box.end = middle;
        MeasureBox(samples, &box);
        MeasureBox(samples, &upper);
        boxes.push_back(upper);
    }
    for (const ColourBox& box : boxes) {
        unsigned long long sum[3] = {0, 0, 0};
        for (size_t i = box.begin; i < box.end; ++i) {
            for (int c = 0; c < 3; ++c) {
                sum[c] += Channel(samples[i], c);
            }
        }
        const unsigned long long n = box.end - box.begin;
        palette[count++] = static_cast<DWORD>((sum[2] + n / 2) / n) << 16 |
                           static_cast<DWORD>((sum[1] + n / 2) / n) << 8 |
                           static_cast<DWORD>((sum[0] + n / 2) / n);
    }
    return count;
}

namespace {

// Maps colours to palette entries: an entry's own colour to that entry (the flat areas and the
// gradient are drawn in entries' colours, so they stay exact even where two entries are near),
// anything else to the nearest entry, remembered by its colour at 6 bits a channel.
class Quantizer {
  public:
    Quantizer(const DWORD* palette, int count) : palette(palette), count(count)
    {
        std::memset(exact, 0xFF, sizeof exact);
        // The first entry of a colour wins, so the ramps both panels share keep the same index.
        for (int i = 0; i < count; ++i) {
            int slot = Hash(palette[i]);
            while (exact[slot] >= 0 && palette[exact[slot]] != palette[i]) {
                slot = (slot + 1) % slots;
            }
            if (exact[slot] < 0) {
                exact[slot] = static_cast<short>(i);
            }
        }
        nearest.assign(1 << 18, -1);
    }

    BYTE Index(DWORD colour)
    {
        for (int slot = Hash(colour); exact[slot] >= 0; slot = (slot + 1) % slots) {
            if (palette[exact[slot]] == colour) {
                return static_cast<BYTE>(exact[slot]);
            }
        }
        const int key = static_cast<int>((colour >> 18 & 0x3F) << 12 | (colour >> 10 & 0x3F) << 6 |
                                         (colour >> 2 & 0x3F));
        if (nearest[key] < 0) {
            nearest[key] = static_cast<short>(Nearest(colour));
        }
        return static_cast<BYTE>(nearest[key]);
    }

  private:
    static const int slots = 1024; // four times the most entries, so probes stay short
    static int Hash(DWORD colour)
    {
        return static_cast<int>((colour * 2654435761u) >> 22);
    }

    int Nearest(DWORD colour) const
    {
        int best = 0;
        long bestDistance = 0x7FFFFFFF;
        for (int i = 0; i < count; ++i) {
            const long dr = static_cast<long>(colour >> 16 & 0xFF) - (palette[i] >> 16 & 0xFF);
            const long dg = static_cast<long>(colour >> 8 & 0xFF) - (palette[i] >> 8 & 0xFF);
            const long db = static_cast<long>(colour & 0xFF) - (palette[i] & 0xFF);
            const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return best;
    }

    const DWORD* palette;
    int count;
    short exact[slots];
    std::vector<short> nearest;
};

void PutWord(std::vector<BYTE>& out, size_t at, DWORD value)
{
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<BYTE>(value >> (8 * i));
    }
}

// One row as runs: a repeat of one index wherever three or more pixels agree, literal pixels
// (padded to 16 bits, as the format wants) between them, then the end-of-row mark.
void EncodeRow(const BYTE* row, int width, std::vector<BYTE>& out)
{
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 255 && row[x + run] == row[x]) {
            ++run;
        }
        if (run >= 3 || width - x < 3) {
            out.push_back(static_cast<BYTE>(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        // Literal pixels up to the next run of three.
        int end = x;
        while (end < width && end - x < 255 &&
               !(end + 2 < width && row[end] == row[end + 1] && row[end] == row[end + 2])) {
            ++end;
        }
        const int literal = end - x;
        if (literal < 3) {
            for (int i = 0; i < literal; ++i) {
                out.push_back(1);
                out.push_back(row[x + i]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<BYTE>(literal));
            out.insert(out.end(), row + x, row + end);
            if (literal % 2 != 0) {
                out.push_back(0);
            }
        }
        x = end;
    }
    out.push_back(0);
    out.push_back(0);
}

bool WriteFileBytes(const char* path, const std::vector<BYTE>& bytes, char* error, int errorSize)
{
    WCHAR wide[widePathCapacity];
    HANDLE file = WidePath(path, wide) ? CreateFileW(wide, GENERIC_WRITE, 0, nullptr,
                                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                                       : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        SetError(error, errorSize, "cannot create %s (system error %lu)", path, GetLastError());
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    const DWORD code = GetLastError();
    const bool closed = CloseHandle(file) != 0;
    if (!ok || !closed) {
        SetError(error, errorSize, "cannot write %s (system error %lu)", path, code);
        DeleteFileW(wide);
        return false;
    }
    return true;
}

// Headers, colour table and the rows bottom-up, each row's indices asked for as it is encoded
// (a picture's worth of indices at 3840x2160 would be 8 MB more to fill); a row equal to the
// one below it reuses its code.
bool WriteIndexed(const char* path, int width, int height,
                  const std::function<void(int, BYTE*)>& rowOf, const DWORD* palette,
                  int paletteSize, char* error, int errorSize)
{
    if (width < 1 || height < 1 || static_cast<long long>(width) * height > MaxBitmapPixels) {
        SetError(error, errorSize, "%dx%d is no size a skin picture may have", width, height);
        return false;
    }
    const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    const DWORD offset = headers + 4 * static_cast<DWORD>(paletteSize);
    std::vector<BYTE> out(offset, 0);
    out.reserve(offset + static_cast<size_t>(height) * 64);
    std::vector<BYTE> row(width), below(width), code;
    for (int y = height - 1; y >= 0; --y) {
        rowOf(y, row.data());
        if (y == height - 1 || std::memcmp(row.data(), below.data(), width) != 0) {
            code.clear();
            EncodeRow(row.data(), width, code);
            row.swap(below);
        }
        out.insert(out.end(), code.begin(), code.end());
    }
    out.push_back(0);
    out.push_back(1);
    const DWORD imageBytes = static_cast<DWORD>(out.size() - offset);
    out[0] = 'B';
    out[1] = 'M';
    PutWord(out, 2, static_cast<DWORD>(out.size()));
    PutWord(out, 10, offset);
    PutWord(out, 14, sizeof(BITMAPINFOHEADER));
    PutWord(out, 18, static_cast<DWORD>(width));
    PutWord(out, 22, static_cast<DWORD>(height));
    out[26] = 1; // planes
    out[28] = 8; // bits per pixel
    PutWord(out, 30, BI_RLE8);
    PutWord(out, 34, imageBytes);
    PutWord(out, 38, 2835); // 72 dots per inch
    PutWord(out, 42, 2835);
    PutWord(out, 46, static_cast<DWORD>(paletteSize));
    for (int i = 0; i < paletteSize; ++i) {
        PutWord(out, headers + 4 * i, palette[i] & 0xFFFFFF); // blue, green, red, 0
    }
    return WriteFileBytes(path, out, error, errorSize);
}

} // namespace

bool WriteRunLengthBitmap(const char* path, const Picture& picture, const DWORD* palette,
                          int paletteSize, char* error, int errorSize)
{
    Quantizer quantizer(palette, paletteSize);
    DWORD last = picture.pixels.empty() ? 0 : ~picture.pixels[0];
    BYTE lastIndex = 0;
    auto rowOf = [&](int y, BYTE* row) {
        const DWORD* pixels = &picture.pixels[static_cast<size_t>(y) * picture.width];
        for (int x = 0; x < picture.width; ++x) {
            if (pixels[x] != last) {
                last = pixels[x];
                lastIndex = quantizer.Index(last);
            }
            row[x] = lastIndex;
        }
    };
    return WriteIndexed(path, picture.width, picture.height, rowOf, palette, paletteSize, error,
                        errorSize);
}

// Black, and white inside each tile's shape exactly: the menu traces every pixel that is not
// black, so no smoothing may reach beyond the shape the panels light.
bool WriteTemplateBitmap(const char* path, const TileLayout& layout, char* error, int errorSize)
{
    const DWORD palette[2] = {0x000000, 0xFFFFFF};
    auto rowOf = [&](int y, BYTE* row) {
        std::memset(row, 0, layout.width);
        for (const RECT& tile : layout.tiles) {
            int x0 = 0, x1 = 0;
            if (TileShapeSpan(tile, layout.radius, y, &x0, &x1) && x1 <= layout.width) {
                std::memset(row + x0, 1, x1 - x0);
            }
        }
    };
    return WriteIndexed(path, layout.width, layout.height, rowOf, palette, 2, error, errorSize);
}
