// The skin maker's pictures, read back the way the menu reads them: its file check, LoadSkin's
// tracing, and the pixels of the two panels; and icons from good and damaged files.
#include "tileskin/draw/tile_draw.h"
#include "tileskin/draw/tile_picture.h"

#include "skin/bitmap_file.h"
#include "skin/region.h"
#include "skin/skin.h"
#include "tests/bench/bench.h"
#include "tests/fakes/fake_outside.h"
#include "tests/reliability/soak_counts.h"
#include "tests/skin/skin_test_support.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using skintest::SkinTest;

namespace {

class TileDrawTest : public SkinTest {
  protected:
    void SetUp() override
    {
        SkinTest::SetUp();
        char error[300] = "";
        ASSERT_EQ(1, LoadTileFont(bench::BinDir().c_str(), error, sizeof error)) << error;
    }
    void TearDown() override
    {
        UnloadTileFont();
        SkinTest::TearDown();
    }

    // Draws the size with these labels into the test's folder and names the files in the fake
    // settings, as the skin maker's settings would.
    void Draw(int width, int height, const wchar_t* const labels[6], const TileIcon* icon,
              RECT rects[6])
    {
        TileColours colours;
        DefaultTileColours(0, &colours);
        TileFace faces[6];
        for (int i = 0; i < 6; ++i) {
            faces[i] = {labels[i], i == 2 ? icon : nullptr, static_cast<TileGlyph>(i)};
        }
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        char error[300] = "";
        ASSERT_EQ(1, DrawTileSkin(&colours, faces, width, height, Path("normal", size).c_str(),
                                  Path("selected", size).c_str(), Path("template", size).c_str(),
                                  rects, error, sizeof error))
            << error;
        fake::SetString("Panel", skintest::ValueName(width, height, NormalBitmapGroup),
                        "normal-" + size + ".bmp");
        fake::SetString("Panel", skintest::ValueName(width, height, SelectedBitmapGroup),
                        "selected-" + size + ".bmp");
        fake::SetString("Panel", skintest::ValueName(width, height, RegionTemplateGroup),
                        "template-" + size + ".bmp");
    }

    std::string Path(const char* kind, const std::string& size) const
    {
        return directory + kind + "-" + size + ".bmp";
    }
};

// A bitmap file as the system's loader reads it, in 32-bit pixels, top row first.
std::vector<DWORD> PixelsOf(const std::string& path, int width, int height)
{
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                     LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    EXPECT_NE(nullptr, bitmap) << path;
    if (bitmap != nullptr) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(height,
                  GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS));
        ReleaseDC(nullptr, screen);
        DeleteObject(bitmap);
    }
    return pixels;
}

const wchar_t* const defaultLabels[6] = {L"INTERNET", L"MAIL",  L"MUSIC CD",
                                         L"DVD",      L"FILES", L"CLOSE"};


// A square frame of an icon file as the large sizes are kept since icons grew to 256 pixels: a
// whole PNG picture, written by the system's own encoder.
std::string PngFrame(int side, DWORD (*pixel)(int x, int y))
{
    const CLSID wicFactory = {
        0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
    const GUID png = {0x1b7cfaf4, 0x713f, 0x473c, {0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf}};
    GUID bgra = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};
    std::vector<DWORD> pixels;
    for (int p = 0; p < side * side; ++p) {
        pixels.push_back(pixel(p % side, p / side));
    }
    IWICImagingFactory* factory = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IStream* stream = nullptr;
    HGLOBAL memory = nullptr;
    STATSTG stat = {};
    std::string bytes;
    if (SUCCEEDED(CoCreateInstance(wicFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IWICImagingFactory),
                                   reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(factory->CreateEncoder(png, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
        SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(side, side)) &&
        SUCCEEDED(frame->SetPixelFormat(&bgra)) &&
        SUCCEEDED(frame->WritePixels(side, side * 4, side * side * 4,
                                     reinterpret_cast<BYTE*>(pixels.data()))) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()) &&
        SUCCEEDED(GetHGlobalFromStream(stream, &memory)) &&
        SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
        bytes.assign(static_cast<const char*>(GlobalLock(memory)), stat.cbSize.QuadPart);
        GlobalUnlock(memory);
    }
    for (IUnknown* object : std::vector<IUnknown*>{frame, encoder, stream, factory}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    return bytes;
}

// An icon file of square frames, each with its side and bytes, in the order given.
std::string IconFile(const std::vector<std::pair<int, std::string>>& frames)
{
    std::string file("\0\0\1\0", 4);
    file += static_cast<char>(frames.size()), file += '\0';
    DWORD offset = static_cast<DWORD>(6 + 16 * frames.size());
    for (const auto& frame : frames) {
        const DWORD size = static_cast<DWORD>(frame.second.size());
        const char side = static_cast<char>(frame.first == 256 ? 0 : frame.first);
        file += std::string{side, side, 0, 0, 1, 0, 32, 0};
        file.append(reinterpret_cast<const char*>(&size), 4);
        file.append(reinterpret_cast<const char*>(&offset), 4);
        offset += size;
    }
    for (const auto& frame : frames) {
        file += frame.second;
    }
    return file;
}

DWORD SmallFrame(int, int)
{
    return 0xFFE02020;
}

// Squares of 32 pixels in two colours far from the small frame's and from the tile's.
DWORD LargeFrame(int x, int y)
{
    return (x / 32 + y / 32) % 2 ? 0xFF10C040 : 0xFFF0F0F0;
}

int ChannelDistance(DWORD a, DWORD b)
{
    int largest = 0;
    for (int k = 0; k < 24; k += 8) {
        const int d = static_cast<int>(a >> k & 0xFF) - static_cast<int>(b >> k & 0xFF);
        largest = std::max(largest, d < 0 ? -d : d);
    }
    return largest;
}
} // namespace

// Every file passes the menu's check, the menu traces exactly each tile, and the lit panel lights
// the whole of each tile and nothing outside it.
TEST_F(TileDrawTest, DrawsSkinsTheMenuLoadsAndTracesExactly)
{
    std::vector<SIZE> sizes = {{640, 480}, {1366, 768}};
    if (reliability::LongRun()) {
        sizes.clear();
        for (int i = 0; i < TileSkinSizeCount(); ++i) {
            SIZE size;
            GetTileSkinSize(i, reinterpret_cast<int*>(&size.cx), reinterpret_cast<int*>(&size.cy));
            sizes.push_back(size);
        }
    }
    TileIcon icon = {};
    ASSERT_EQ(1, LoadProgramIcon((bench::BinDir() + "tilebox.exe").c_str(), &icon));
    for (const SIZE& size : sizes) {
        const int w = size.cx, h = size.cy;
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        fake::Reset();
        RECT rects[6];
        Draw(w, h, defaultLabels, &icon, rects);
        const std::string name = std::to_string(w) + "x" + std::to_string(h);
        for (const char* kind : {"normal", "selected", "template"}) {
            EXPECT_TRUE(IsCompleteBitmapFile(Path(kind, name).c_str())) << kind;
        }
        for (int i = 0; i < 6; ++i) {
            fake::AddSubKey("Buttons", "Button " + std::to_string(i));
            fake::SetString("Buttons\\Button " + std::to_string(i),
                            skintest::ValueName(w, h, RectangleGroup),
                            skintest::RectangleText(rects[i]));
        }
        SwitchDisplay(w, h);
        ASSERT_EQ(1, LoadSkin(GetDesktopWindow()));
        ASSERT_EQ(6, currentSkin->buttonCount);
        const std::vector<DWORD> normal = PixelsOf(Path("normal", name), w, h);
        const std::vector<DWORD> lit = PixelsOf(Path("selected", name), w, h);
        const std::vector<DWORD> shape = PixelsOf(Path("template", name), w, h);
        long long inside = 0, litInside = 0, litOutside = 0;
        for (size_t p = 0; p < shape.size(); ++p) {
            const bool differs = (normal[p] & 0xFFFFFF) != (lit[p] & 0xFFFFFF);
            const bool inTile = (shape[p] & 0xFFFFFF) != 0;
            inside += inTile;
            litInside += inTile && differs;
            litOutside += !inTile && differs;
        }
        EXPECT_EQ(0, litOutside);
        EXPECT_GT(litInside, inside * 95 / 100);
        for (int i = 0; i < 6; ++i) {
            const RECT& r = rects[i];
            const RECT box = skintest::Box(currentSkin->buttons[i].region);
            EXPECT_EQ((RECT{r.left, r.top, r.right + 1, r.bottom + 1}), box) << "tile " << i;
            // Rounded corners: the box's corner is outside, its middle inside.
            EXPECT_FALSE(PtInRegion(currentSkin->buttons[i].region, r.left, r.top));
            EXPECT_TRUE(PtInRegion(currentSkin->buttons[i].region, r.left, (r.top + r.bottom) / 2));
        }
        FreeSkin();
    }
    FreeTileIcon(&icon);
}

// A label keeps every character: Cyrillic draws as its own letters, not as the question marks a
// conversion to the system's code page would leave.
TEST_F(TileDrawTest, DrawsLabelsBeyondTheCodePage)
{
    const wchar_t* const cyrillic[6] = {L"\x041A\x0438\x043D\x043E", L"b", L"c", L"d", L"e", L"f"};
    const wchar_t* const marks[6] = {L"????", L"b", L"c", L"d", L"e", L"f"};
    RECT rects[6];
    Draw(800, 600, cyrillic, nullptr, rects);
    const std::vector<DWORD> drawn = PixelsOf(Path("normal", "800x600"), 800, 600);
    Draw(800, 600, marks, nullptr, rects);
    const std::vector<DWORD> asMarks = PixelsOf(Path("normal", "800x600"), 800, 600);
    int white = 0, differing = 0;
    const RECT& r = rects[0];
    for (int y = r.top + (r.bottom - r.top) / 2; y <= r.bottom; ++y) {
        for (int x = r.left; x <= r.right; ++x) {
            const size_t p = static_cast<size_t>(y) * 800 + x;
            white += (drawn[p] & 0xFFFFFF) == 0xFFFFFF;
            differing += drawn[p] != asMarks[p];
        }
    }
    EXPECT_GT(white, 50);
    EXPECT_GT(differing, 50);
}

// Good icons of each kind load at their size; every damaged one fails with a message that says
// what is wrong, and leaves no pixels behind.
TEST_F(TileDrawTest, LoadsIconsAndExplainsDamagedOnes)
{
    char error[400] = "";
    TileIcon icon = {};
    const std::string bmp = directory + "good.bmp";
    ASSERT_TRUE(skintest::WriteBitmapFile(bmp, 5, 3, [](int, int) { return RGB(1, 2, 3); }));
    ASSERT_EQ(1, LoadTileIconFile(bmp.c_str(), 0, &icon, error, sizeof error)) << error;
    EXPECT_EQ(5, icon.width);
    EXPECT_EQ(3, icon.height);
    EXPECT_EQ(0xFF010203u, icon.pixels[0]);
    FreeTileIcon(&icon);
    // An icon file of one 2 x 2 32-bit image with its empty mask.
    std::string ico("\0\0\1\0\1\0\2\2\0\0\1\0\x20\0\x38\0\0\0\x16\0\0\0", 22);
    std::string image(40, '\0');
    image[0] = 40, image[4] = 2, image[8] = 4, image[12] = 1, image[14] = 32;
    image += std::string("\x10\x20\x30\xFF\x10\x20\x30\xFF\x10\x20\x30\xFF\x10\x20\x30\x7F", 16);
    image += std::string(8, '\0');
    ico += image;
    ASSERT_TRUE(skintest::WriteRawFile(directory + "good.ico", ico));
    ASSERT_EQ(1, LoadTileIconFile((directory + "good.ico").c_str(), 0, &icon, error, sizeof error))
        << error;
    EXPECT_EQ(2, icon.width);
    FreeTileIcon(&icon);
    const std::string program = bench::BinDir() + "tilebox.exe";
    ASSERT_EQ(1, LoadProgramIcon(program.c_str(), &icon));
    EXPECT_GE(icon.width, 32);
    FreeTileIcon(&icon);

    struct Damaged {
        const char* name;
        std::string bytes;
        int index;
        const char* says;
    } corpus[] = {
        {"empty.png", "", 0, "damaged (it is empty)"},
        {"text.png", std::string(64, 'x'), 0, "not a PNG"},
        {"cut.png",
         std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0", 29) +
             std::string(8, '\0'),
         0, "damaged"},
        {"outside.ico", ico.substr(0, 30), 0, "lies outside the file"},
        {"garbage.ico", ico.substr(0, 22) + std::string(64, '\x55'), 0, "damaged"},
        {"cut.bmp", std::string("BM") + std::string(40, '\0'), 0, "damaged"},
        {"text.bmp", std::string(64, 'x'), 0, "not a bitmap"},
        {"garbage.exe", std::string("MZ") + std::string(200, '\x11'), 0, "no program or library"},
    };
    for (const Damaged& item : corpus) {
        SCOPED_TRACE(item.name);
        const std::string path = directory + item.name;
        ASSERT_TRUE(skintest::WriteRawFile(path, item.bytes));
        error[0] = '\0';
        EXPECT_EQ(0, LoadTileIconFile(path.c_str(), item.index, &icon, error, sizeof error));
        EXPECT_NE(nullptr, std::strstr(error, item.says)) << error;
        EXPECT_NE(nullptr, std::strstr(error, item.name)) << error;
        EXPECT_EQ(nullptr, icon.pixels);
    }
    EXPECT_EQ(0, LoadTileIconFile((directory + "none.png").c_str(), 0, &icon, error, sizeof error));
    EXPECT_NE(nullptr, std::strstr(error, "missing")) << error;
    // Held open by another with no sharing: there, but unreadable.
    HANDLE held = CreateFileA(bmp.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(0, LoadTileIconFile(bmp.c_str(), 0, &icon, error, sizeof error));
    EXPECT_NE(nullptr, std::strstr(error, "cannot be read")) << error;
    CloseHandle(held);
    EXPECT_EQ(0, LoadTileIconFile(program.c_str(), 99, &icon, error, sizeof error));
    EXPECT_NE(nullptr, std::strstr(error, "no icon at index 99")) << error;
}

// At 3840x2160 an icon box is some three hundred pixels: the 256-pixel frame is drawn, never the
// small frame blown up. The drawn box is compared with the large frame put through the same
// scaling; the frames are PNG, as the large ones are kept, which Wine's decoder reads too.
TEST_F(TileDrawTest, DrawsTheLargestFrameOfAnIconAt3840x2160)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const std::string path = directory + "large.ico";
    ASSERT_TRUE(skintest::WriteRawFile(
        path, IconFile({{16, PngFrame(16, SmallFrame)}, {256, PngFrame(256, LargeFrame)}})));
    CoUninitialize();
    char error[400] = "";
    TileIcon icon = {};
    ASSERT_EQ(1, LoadTileIconFile(path.c_str(), 0, &icon, error, sizeof error)) << error;
    ASSERT_EQ(256, icon.width);
    ASSERT_EQ(256, icon.height);
    RECT rects[6];
    Draw(3840, 2160, defaultLabels, &icon, rects);
    FreeTileIcon(&icon);
    const std::vector<DWORD> drawn = PixelsOf(Path("normal", "3840x2160"), 3840, 2160);
    std::vector<DWORD> large;
    for (int p = 0; p < 256 * 256; ++p) {
        large.push_back(LargeFrame(p % 256, p / 256));
    }
    const RECT& tile = rects[2];
    const int side = TileIconSide(tile);
    Premultiplied expected;
    ScaleIcon(256, 256, large.data(), side, &expected);
    ASSERT_EQ(side, expected.width);
    // Centred across the tile and at 38% of its height, as every tile's picture is.
    const int left = tile.left + (tile.right - tile.left + 1) / 2 - side / 2;
    const int top = tile.top + static_cast<int>((tile.bottom - tile.top + 1) * 0.38) - side / 2;
    int astray = 0, likeSmall = 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const DWORD pixel = drawn[static_cast<size_t>(top + y) * 3840 + left + x];
            const DWORD wanted = expected.pixels[static_cast<size_t>(y) * side + x];
            astray += ChannelDistance(pixel, wanted) > 24;
            likeSmall += ChannelDistance(pixel, SmallFrame(0, 0)) <= 24;
        }
    }
    EXPECT_LT(astray, side * side / 100) << "of " << side * side << " pixels";
    EXPECT_EQ(0, likeSmall);
}

// Every glyph is a shape of its own: a tile must be told from another by it at a glance. The
// power glyphs' own marks: the moon's bite at the top right, the power sign's break beside its bar.
TEST(TileGlyphs, EachGlyphIsItsOwnShape)
{
    const int side = 64, count = GlyphShutDown + 1;
    std::vector<Mask> masks(count);
    for (int glyph = 0; glyph < count; ++glyph) {
        DrawGlyphMask(glyph, side, &masks[glyph]);
        long ink = 0;
        for (BYTE cover : masks[glyph].cover) {
            ink += cover;
        }
        const long share = ink * 100 / (255L * side * side);
        EXPECT_GE(share, 5) << "glyph " << glyph;
        EXPECT_LE(share, 75) << "glyph " << glyph;
        for (int other = 0; other < glyph; ++other) {
            long differ = 0;
            for (size_t i = 0; i < masks[glyph].cover.size(); ++i) {
                differ += masks[glyph].cover[i] != masks[other].cover[i];
            }
            EXPECT_GT(differ, side * side / 20) << "glyphs " << other << " and " << glyph;
        }
    }
    auto at = [&](int glyph, int x, int y) { return masks[glyph].cover[y * side + x]; };
    EXPECT_EQ(255, at(GlyphSleep, 10, 32));
    EXPECT_EQ(0, at(GlyphSleep, 44, 22));
    EXPECT_EQ(255, at(GlyphShutDown, 32, 6));
    EXPECT_EQ(0, at(GlyphShutDown, 24, 16));
    EXPECT_EQ(255, at(GlyphShutDown, 32, 58));
}

// What cannot be drawn says why, and leaves no picture half-written.
TEST_F(TileDrawTest, RefusesWhatItCannotDraw)
{
    TileColours colours;
    DefaultTileColours(0, &colours);
    TileFace faces[6];
    for (int i = 0; i < 6; ++i) {
        faces[i] = {defaultLabels[i], nullptr, static_cast<TileGlyph>(i)};
    }
    RECT rects[6];
    char error[400] = "";
    const std::string normal = directory + "n.bmp", lit = directory + "s.bmp";
    EXPECT_EQ(0, DrawTileSkin(&colours, faces, 639, 480, normal.c_str(), lit.c_str(),
                              (directory + "t.bmp").c_str(), rects, error, sizeof error));
    EXPECT_NE(nullptr, std::strstr(error, "639x480")) << error;
    const std::string nowhere = directory + "no such folder\\t.bmp";
    EXPECT_EQ(0, DrawTileSkin(&colours, faces, 640, 480, normal.c_str(), lit.c_str(),
                              nowhere.c_str(), rects, error, sizeof error));
    EXPECT_NE(nullptr, std::strstr(error, "cannot create")) << error;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(normal.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(lit.c_str()));
    UnloadTileFont();
    EXPECT_EQ(0, DrawTileSkin(&colours, faces, 640, 480, normal.c_str(), lit.c_str(),
                              normal.c_str(), rects, error, sizeof error));
    EXPECT_NE(nullptr, std::strstr(error, "font is not loaded")) << error;
    EXPECT_EQ(0, LoadTileFont(directory.c_str(), error, sizeof error));
    EXPECT_NE(nullptr, std::strstr(error, "missing")) << error;
}
