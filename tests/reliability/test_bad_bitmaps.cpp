// Panel bitmap files made wrong on purpose. Every well-formed format the platform's loader knows
// must load and show the right colours; every broken file must fail LoadSkin cleanly: no crash,
// no hang, nothing kept of it, every handle of the attempt released.
#include "skin/bitmap_file.h"
#include "skin/skin.h"
#include "skin/skin_limits.h"
#include "tests/bench/bench.h"
#include "tests/fakes/fake_outside.h"
#include "tests/reliability/gdi_count.h"
#include "tests/reliability/skin_handles.h"
#include "tests/skin/skin_test_support.h"

#include <cstdio>
#include <cstring>

namespace {

using skintest::SkinTest;

struct Header {
    DWORD infoSize = 40;
    LONG width = 4;
    LONG height = 4;
    WORD planes = 1;
    WORD bitCount = 24;
    DWORD compression = BI_RGB;
    DWORD sizeImage = 0;  // 0: the pixel bytes' length
    DWORD clrUsed = 0;
    DWORD offBits = 0;  // 0: straight after the headers and the palette
};

template <typename T> void Put(std::string& bytes, T value)
{
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string Bitmap(const Header& h, const std::string& palette, const std::string& pixels)
{
    const DWORD headers = 14 + (h.infoSize == 12 ? 12 : h.infoSize == 124 ? 124 : 40);
    std::string bytes;
    Put<WORD>(bytes, 0x4D42);
    Put<DWORD>(bytes, headers + static_cast<DWORD>(palette.size() + pixels.size()));
    Put<DWORD>(bytes, 0);
    Put<DWORD>(bytes, h.offBits != 0 ? h.offBits : headers + static_cast<DWORD>(palette.size()));
    if (h.infoSize == 12) {
        Put<DWORD>(bytes, 12);
        Put<WORD>(bytes, static_cast<WORD>(h.width));
        Put<WORD>(bytes, static_cast<WORD>(h.height));
        Put<WORD>(bytes, h.planes);
        Put<WORD>(bytes, h.bitCount);
    } else {
        Put<DWORD>(bytes, h.infoSize);
        Put<LONG>(bytes, h.width);
        Put<LONG>(bytes, h.height);
        Put<WORD>(bytes, h.planes);
        Put<WORD>(bytes, h.bitCount);
        Put<DWORD>(bytes, h.compression);
        Put<DWORD>(bytes, h.sizeImage != 0 ? h.sizeImage : static_cast<DWORD>(pixels.size()));
        Put<LONG>(bytes, 2835);
        Put<LONG>(bytes, 2835);
        Put<DWORD>(bytes, h.clrUsed);
        Put<DWORD>(bytes, 0);
        if (h.infoSize == 124) {
            bytes.append(124 - 40, '\0');
        }
    }
    return bytes + palette + pixels;
}

std::string Palette(int entries, int index, COLORREF colour)
{
    std::string palette(static_cast<size_t>(entries) * 4, '\0');
    palette[index * 4 + 0] = static_cast<char>(GetBValue(colour));
    palette[index * 4 + 1] = static_cast<char>(GetGValue(colour));
    palette[index * 4 + 2] = static_cast<char>(GetRValue(colour));
    return palette;
}

// Rows of `stride` bytes, each `row` padded with zeros.
std::string Rows(const std::string& row, int stride, int rows)
{
    std::string padded = row;
    padded.resize(stride, '\0');
    std::string all;
    for (int i = 0; i < rows; ++i) {
        all += padded;
    }
    return all;
}

std::string Bgr(COLORREF c)
{
    return std::string{static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)),
                       static_cast<char>(GetRValue(c))};
}

std::string Repeat(const std::string& unit, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i) {
        all += unit;
    }
    return all;
}

const COLORREF magenta = RGB(255, 0, 255);
const COLORREF cyan = RGB(0, 255, 255);
const COLORREF orange = RGB(250, 120, 10);

// An 8-bit, 4 x 4 picture of one colour through a full palette.
std::string Valid8Bit()
{
    Header h;
    h.bitCount = 8;
    return Bitmap(h, Palette(256, 200, orange), std::string(16, static_cast<char>(200)));
}

// A 4 x 4 run-length picture, 8 or 4 bits, all of palette entry 1.
std::string Rle(WORD bits, const std::string& data, LONG width = 4, LONG height = 4,
                DWORD sizeImage = 0)
{
    Header h;
    h.width = width;
    h.height = height;
    h.bitCount = bits;
    h.compression = bits == 8 ? BI_RLE8 : BI_RLE4;
    h.sizeImage = sizeImage;
    return Bitmap(h, Palette(bits == 8 ? 256 : 16, 1, cyan), data);
}

std::string ValidRleRows(WORD bits)
{
    const char value = bits == 8 ? '\x01' : '\x11';
    std::string data;
    for (int row = 0; row < 4; ++row) {
        data += std::string{4, value} + std::string{0, 0};
    }
    return data + std::string{0, 1};
}

struct Good {
    const char* what;
    std::string bytes;
    COLORREF top;    // expected near the panel's top
    COLORREF bottom;  // and near its bottom
    bool topDown = false;
};

std::vector<Good> WellFormed()
{
    std::vector<Good> g;
    Header h;
    h.bitCount = 1;
    g.push_back({"1-bit", Bitmap(h, Palette(2, 1, magenta), Rows("\xF0", 4, 4)), magenta, magenta});
    h.bitCount = 4;
    g.push_back({"4-bit", Bitmap(h, Palette(16, 5, cyan), Rows("\x55\x55", 4, 4)), cyan, cyan});
    g.push_back({"8-bit", Valid8Bit(), orange, orange});
    h.bitCount = 16;
    g.push_back(
        {"16-bit 5-5-5", Bitmap(h, "", Rows(Repeat("\x1F\x7C", 4), 8, 4)), magenta, magenta});
    h.compression = BI_BITFIELDS;
    std::string masks;
    Put<DWORD>(masks, 0xF800);
    Put<DWORD>(masks, 0x07E0);
    Put<DWORD>(masks, 0x001F);
    g.push_back({"16-bit 5-6-5 bit fields", Bitmap(h, masks, Rows(Repeat("\xFF\x07", 4), 8, 4)),
                 cyan, cyan});
    h = Header();
    g.push_back({"24-bit", Bitmap(h, "", Rows(Repeat(Bgr(orange), 4), 12, 4)), orange, orange});
    h.bitCount = 32;
    g.push_back({"32-bit", Bitmap(h, "", Rows(Repeat(Bgr(cyan) + '\0', 4), 16, 4)), cyan, cyan});
    // Bottom-up stores the bottom row first; top-down (negative height) the top row first.
    h = Header();
    const std::string halves =
        Rows(Repeat(Bgr(orange), 4), 12, 2) + Rows(Repeat(Bgr(cyan), 4), 12, 2);
    g.push_back({"24-bit bottom-up", Bitmap(h, "", halves), cyan, orange});
    h.height = -4;
    g.push_back({"24-bit top-down", Bitmap(h, "", halves), orange, cyan, true});
    g.push_back({"8-bit run-length", Rle(8, ValidRleRows(8)), cyan, cyan});
    g.push_back({"4-bit run-length", Rle(4, ValidRleRows(4)), cyan, cyan});
    h = Header();
    h.infoSize = 12;
    g.push_back({"24-bit core header", Bitmap(h, "", Rows(Repeat(Bgr(magenta), 4), 12, 4)), magenta,
                 magenta});
    h.infoSize = 124;
    g.push_back({"24-bit version 5 header", Bitmap(h, "", Rows(Repeat(Bgr(orange), 4), 12, 4)),
                 orange, orange});
    return g;
}

struct Bad {
    std::string what;
    std::string bytes;
};

std::vector<Bad> Broken()
{
    std::vector<Bad> b;
    const std::string good8 = Valid8Bit();
    // Cut at every byte: file header, info header, palette and pixels.
    for (size_t length = 0; length < good8.size(); ++length) {
        b.push_back({"8-bit cut to " + std::to_string(length) + " bytes", good8.substr(0, length)});
    }
    const std::string row24 = Rows(Repeat(Bgr(orange), 4), 12, 4);
    auto with = [&](const char* what, void (*change)(Header&), const std::string& pixels) {
        Header h;
        change(h);
        b.push_back({what, Bitmap(h, "", pixels)});
    };
    with(
        "width 0", [](Header& h) { h.width = 0; }, row24);
    with(
        "height 0", [](Header& h) { h.height = 0; }, row24);
    with(
        "width negative", [](Header& h) { h.width = -4; }, row24);
    with(
        "both negative",
        [](Header& h) {
            h.width = -4;
            h.height = -4;
        },
        row24);
    with(
        "65535 x 65535, 24-bit", [](Header& h) { h.width = h.height = 65535; }, row24);
    with(
        "65535 x 65535, 1-bit",
        [](Header& h) {
            h.width = h.height = 65535;
            h.bitCount = 1;
        },
        row24);
    with(
        "2^31-1 wide", [](Header& h) { h.width = 0x7FFFFFFF; }, row24);
    with(
        "height -2^31", [](Header& h) { h.height = static_cast<LONG>(0x80000000u); }, row24);
    with(
        "bit count 0", [](Header& h) { h.bitCount = 0; }, row24);
    with(
        "bit count 3", [](Header& h) { h.bitCount = 3; }, row24);
    with(
        "bit count 33", [](Header& h) { h.bitCount = 33; }, row24);
    with(
        "bit count 64", [](Header& h) { h.bitCount = 64; }, row24);
    with(
        "compression 99", [](Header& h) { h.compression = 99; }, row24);
    with(
        "JPEG inside", [](Header& h) { h.compression = BI_JPEG; }, "\xFF\xD8\xFF\xE0 not really");
    with(
        "PNG inside", [](Header& h) { h.compression = BI_PNG; }, "\x89PNG\r\n\x1A\n not really");
    with(
        "run-length on 24 bits", [](Header& h) { h.compression = BI_RLE8; }, row24);
    with(
        "data offset past the end", [](Header& h) { h.offBits = 100000; }, row24);
    with(
        "data offset inside the header", [](Header& h) { h.offBits = 10; }, row24);
    with(
        "info size 0", [](Header& h) { h.infoSize = 0; }, row24);
    with(
        "info size 20", [](Header& h) { h.infoSize = 20; }, row24);
    with(
        "info size 4 GB", [](Header& h) { h.infoSize = 0xFFFFFFFF; }, row24);
    with(
        "info size past the end", [](Header& h) { h.infoSize = 4000; }, row24);
    with(
        "24-bit pixels short by one byte", [](Header&) {}, row24.substr(0, row24.size() - 1));
    {
        Header h;
        h.bitCount = 8;
        h.clrUsed = 0xFFFFFFFF;
        b.push_back({"8-bit claiming 4 billion colours",
                     Bitmap(h, Palette(256, 1, cyan), std::string(16, 1))});
        h.clrUsed = 0;
        h.offBits = 54;
        b.push_back({"8-bit without its palette", Bitmap(h, "", std::string(16, 1))});
    }
    // Run-length data that lies about itself.
    b.push_back({"run past the row's end", Rle(8, std::string{'\xFF', 1, 0, 0, 0, 1})});
    b.push_back({"delta past the picture", Rle(8, std::string{0, 2, '\xC8', '\xC8', 4, 1, 0, 1})});
    b.push_back({"literal run past the data", Rle(8, std::string{0, '\xFF', 1, 1, 1})});
    b.push_back(
        {"rows past the bottom", Rle(8, Repeat(std::string{4, 1, 0, 0}, 40) + std::string{0, 1})});
    b.push_back({"no end of picture", Rle(8, std::string{4, 1, 0, 0})});
    b.push_back({"run-length size past the file", Rle(8, ValidRleRows(8), 4, 4, 100000)});
    b.push_back({"65535 x 65535 run-length", Rle(8, ValidRleRows(8), 65535, 65535)});
    // One row more than one picture of the largest screen, in the few bytes of an empty picture.
    b.push_back({"7680 x 4321 run-length", Rle(8, std::string{0, 1}, 7680, 4321)});
    b.push_back({"33,177,601 x 1 run-length", Rle(8, std::string{0, 1}, 33177601, 1)});
    b.push_back({"top-down run-length", Rle(8, ValidRleRows(8), 4, -4)});
    b.push_back({"not a bitmap", "this is a text file, not a picture"});
    b.push_back({"BM and noise", "BM" + std::string(200, '\x7F')});
    b.push_back({"PNG file", "\x89PNG\r\n\x1A\n" + std::string(64, '\0')});
    return b;
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return c;
}

class BadBitmaps : public SkinTest {
  protected:
    // Writes bytes as the file the normal panel names (or as the template) and loads the skin.
    int LoadWith(const std::string& bytes, const char* file)
    {
        const std::string path = directory + file;
        DeleteFileA(path.c_str());
        RemoveDirectoryA(path.c_str());
        EXPECT_TRUE(skintest::WriteRawFile(path, bytes));
        return LoadSkin(GetDesktopWindow());
    }

    void ExpectReleased(const std::vector<HGDIOBJ>& held, const std::string& what)
    {
        FreeSkin();
        EXPECT_EQ(0, reliability::CountLive(held)) << what;
    }
};

TEST_F(BadBitmaps, WellFormedOddFormatsLoadWithTheirColours)
{
    WritePanel(1024, 768);
    AddButtons(1024, 768);
    int loaded = 0;
    const std::vector<Good> cases = WellFormed();
    for (const Good& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(1, LoadWith(c.bytes, "normal3.bmp"));
        const COLORREF top = PixelOf(currentSkin->normalBitmap, 512, 50);
        const COLORREF bottom = PixelOf(currentSkin->normalBitmap, 512, 717);
        // Wine's loader turns a top-down file into a black bitmap of the right size; Windows
        // keeps its picture. The file still loads on both, which is what the menu relies on.
        if (c.topDown && bench::IsWine()) {
            std::printf("%s: loaded; colours not checked on Wine (its loader gives black)\n",
                        c.what);
        } else {
            EXPECT_EQ(c.top, top);
            EXPECT_EQ(c.bottom, bottom);
            loaded += c.top == top && c.bottom == bottom;
        }
        ExpectReleased(reliability::HandlesOf(currentSkin), c.what);
    }
    std::printf(
        "bitmap corpus, well-formed: %zu cases, all loaded, %d with their colours checked\n",
        cases.size(), loaded);
}

TEST_F(BadBitmaps, BrokenFilesFailTheLoadCleanlyWhereverTheyAreNamed)
{
    WritePanel(1024, 768);
    AddButtons(1024, 768);
    // A first complete load, so that what the system sets up on first use is not counted.
    ASSERT_EQ(1, LoadSkin(GetDesktopWindow()));
    FreeSkin();
    const reliability::GdiFigures before = reliability::MeasureGdi();
    const std::vector<Bad> cases = Broken();
    const std::string normal = skintest::ReadRawFile(directory + "normal3.bmp");
    const std::string templ = skintest::ReadRawFile(directory + "template3.bmp");
    int refused = 0, attempts = 0;
    for (const Bad& c : cases) {
        // Every case as the first panel; the ones that are not mere truncations also as the
        // template, which is read last, with both panels already held.
        const bool alsoTemplate = c.what.rfind("8-bit cut", 0) != 0;
        for (const char* file : {"normal3.bmp", "template3.bmp"}) {
            if (file[0] == 't' && !alsoTemplate) {
                continue;
            }
            SCOPED_TRACE(c.what + " as " + file);
            ++attempts;
            const int result = LoadWith(c.bytes, file);
            EXPECT_EQ(0, result);
            refused += result == 0;
            ASSERT_NE(nullptr, currentSkin);
            EXPECT_EQ(nullptr,
                      file[0] == 'n' ? currentSkin->normalBitmap : currentSkin->regionTemplate);
            EXPECT_EQ(0, currentSkin->buttonCount);
            ExpectReleased(reliability::HandlesOf(currentSkin), c.what);
            ASSERT_TRUE(skintest::WriteRawFile(directory + file, file[0] == 'n' ? normal : templ));
        }
    }
    // A directory where the file should be.
    DeleteFileA((directory + "selected3.bmp").c_str());
    ASSERT_TRUE(CreateDirectoryA((directory + "selected3.bmp").c_str(), nullptr));
    EXPECT_EQ(0, LoadSkin(GetDesktopWindow()));
    ++attempts;
    refused += currentSkin != nullptr && currentSkin->selectedBitmap == nullptr;
    ExpectReleased(reliability::HandlesOf(currentSkin), "directory");
    RemoveDirectoryA((directory + "selected3.bmp").c_str());

    const reliability::GdiFigures after = reliability::MeasureGdi();
    std::printf("bitmap corpus, broken: %zu files, %d loads tried, %d refused cleanly\n",
                cases.size() + 1, attempts, refused);
    std::printf("GDI before: %s\nGDI after:  %s\n", reliability::Describe(before).c_str(),
                reliability::Describe(after).c_str());
    EXPECT_EQ(attempts, refused);
    EXPECT_LE(reliability::GdiGrowth(before, after), 4);
}

TEST_F(BadBitmaps, AnyShapeWithinOnePictureOfTheLargestScreenPassesTheFileCheck)
{
    // Bounded by what the pixels cost, not by their shape: a 5K panel every byte of which is in
    // the file, an 8K picture and a single row as long as one, in run-length data.
    Header h;
    h.width = 5120;
    h.height = 2880;
    h.bitCount = 1;
    const std::string fiveK = Bitmap(h, Palette(2, 1, magenta), Rows(std::string(640, '\xFF'), 640, 2880));
    ASSERT_TRUE(skintest::WriteRawFile(directory + "5k.bmp", fiveK));
    EXPECT_TRUE(IsCompleteBitmapFile((directory + "5k.bmp").c_str()));
    for (LONG width : {7680, 33177600}) {
        const LONG height = static_cast<LONG>(MaxBitmapPixels / width);
        ASSERT_TRUE(skintest::WriteRawFile(directory + "max.bmp",
                                           Rle(8, std::string{0, 1}, width, height)));
        EXPECT_TRUE(IsCompleteBitmapFile((directory + "max.bmp").c_str())) << width;
    }
    // The 5K panel is a usable panel: loaded and stretched to the screen.
    fake::SetString("Panel", "Five K", "5k.bmp");
    Skin skin = {};
    skin.screenWidth = 1024;
    skin.screenHeight = 768;
    HBITMAP panel = LoadPanelBitmap(state.instance, &skin, directory.c_str(), "Panel", "Five K");
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(magenta, PixelOf(panel, 1023, 767));
    DeleteObject(panel);
}

}  // namespace
