#include "default_skin_layout.h"
#include "skin/skin.h"
#include "tests/bench/bench.h"
#include "tests/fakes/fake_outside.h"
#include "tests/skin/skin_test_support.h"

#include <memory>
#include <vector>

using skintest::SkinTest;
using skintest::WriteBitmapFile;

namespace {

HBITMAP ScreenBitmap(int width, int height, COLORREF left, COLORREF right)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH leftBrush = CreateSolidBrush(left);
    HBRUSH rightBrush = CreateSolidBrush(right);
    RECT l = {0, 0, width / 2, height};
    RECT r = {width / 2, 0, width, height};
    FillRect(dc, &l, leftBrush);
    FillRect(dc, &r, rightBrush);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(leftBrush);
    DeleteObject(rightBrush);
    return bitmap;
}

SIZE SizeOf(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return SIZE{info.bmWidth, info.bmHeight};
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return colour;
}

Skin SkinOfSize(int width, int height)
{
    Skin skin = {};
    skin.screenWidth = width;
    skin.screenHeight = height;
    return skin;
}

}  // namespace

TEST(FitBitmapToScreen, KeepsAScreenSizedBitmapAndStretchesAnyOther)
{
    Skin skin = SkinOfSize(800, 600);
    HBITMAP same = ScreenBitmap(800, 600, RGB(255, 255, 255), 0);
    EXPECT_EQ(same, FitBitmapToScreen(&skin, same));
    EXPECT_EQ(800, skin.paintWidth);
    EXPECT_EQ(600, skin.paintHeight);
    DeleteObject(same);

    skin = SkinOfSize(800, 600);
    HBITMAP small = ScreenBitmap(640, 480, RGB(255, 255, 255), RGB(0, 0, 255));
    HBITMAP fitted = FitBitmapToScreen(&skin, small);
    ASSERT_NE(nullptr, fitted);
    EXPECT_NE(small, fitted);
    EXPECT_EQ(0u, GetObjectType(small)) << "the loaded bitmap must be deleted";
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(fitted));
    EXPECT_EQ(800, SizeOf(fitted).cx);
    EXPECT_EQ(600, SizeOf(fitted).cy);
    EXPECT_EQ(800, skin.paintWidth);
    EXPECT_EQ(600, skin.paintHeight);
    // Width and height scale independently: each half stays a half.
    EXPECT_EQ(RGB(255, 255, 255), PixelOf(fitted, 5, 5));
    EXPECT_EQ(RGB(255, 255, 255), PixelOf(fitted, 390, 595));
    EXPECT_EQ(RGB(0, 0, 255), PixelOf(fitted, 410, 5));
    EXPECT_EQ(RGB(0, 0, 255), PixelOf(fitted, 799, 599));
    // The new bitmap has the screen's colour format.
    BITMAP info = {};
    GetObjectA(fitted, sizeof info, &info);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), info.bmBitsPixel);
    ReleaseDC(nullptr, screen);
    DeleteObject(fitted);

    // Same width, other height is stretched too.
    skin = SkinOfSize(640, 480);
    HBITMAP taller = ScreenBitmap(640, 500, 0, 0);
    HBITMAP fittedTaller = FitBitmapToScreen(&skin, taller);
    ASSERT_NE(nullptr, fittedTaller);
    EXPECT_EQ(0u, GetObjectType(taller));
    EXPECT_EQ(480, SizeOf(fittedTaller).cy);
    DeleteObject(fittedTaller);
}

TEST(FitBitmapToScreen, FailsCleanlyOnNoBitmap)
{
    Skin skin = SkinOfSize(800, 600);
    EXPECT_EQ(nullptr, FitBitmapToScreen(&skin, nullptr));
    // A handle that is no longer a bitmap cannot be measured.
    HBITMAP gone = ScreenBitmap(10, 10, 0, 0);
    DeleteObject(gone);
    EXPECT_EQ(nullptr, FitBitmapToScreen(&skin, gone));
    EXPECT_EQ(0, skin.paintWidth);
    EXPECT_EQ(0, skin.paintHeight);
}

namespace {

// The one call to fail, and what the stretch made, so that each failure can be checked for
// what it left behind.
enum class Failing { CompatibleBitmap, SelectLoaded, Stretch };
Failing failing;
HBITMAP loadedBitmap = nullptr;
HBITMAP madeBitmap = nullptr;
skintest::ImportHook* createHook = nullptr;
skintest::ImportHook* selectHook = nullptr;

HBITMAP WINAPI FailingCreateCompatibleBitmap(HDC dc, int width, int height)
{
    if (failing == Failing::CompatibleBitmap) {
        return nullptr;
    }
    auto real = reinterpret_cast<HBITMAP(WINAPI*)(HDC, int, int)>(createHook->Original());
    madeBitmap = real(dc, width, height);
    return madeBitmap;
}

HGDIOBJ WINAPI FailingSelectObject(HDC dc, HGDIOBJ object)
{
    if (failing == Failing::SelectLoaded && object == loadedBitmap) {
        return nullptr;
    }
    return reinterpret_cast<HGDIOBJ(WINAPI*)(HDC, HGDIOBJ)>(selectHook->Original())(dc, object);
}

BOOL WINAPI FailingStretchBlt(HDC, int, int, int, int, HDC, int, int, int, int, DWORD)
{
    return FALSE;
}

}  // namespace

TEST(FitBitmapToScreen, AStretchThatFailsAtAnyStepDeletesBothBitmaps)
{
    for (Failing step : {Failing::CompatibleBitmap, Failing::SelectLoaded, Failing::Stretch}) {
        SCOPED_TRACE(static_cast<int>(step));
        Skin skin = SkinOfSize(800, 600);
        loadedBitmap = ScreenBitmap(640, 480, 0, 0);
        madeBitmap = nullptr;
        failing = step;
        HBITMAP result = nullptr;
        {
            skintest::ImportHook create("gdi32.dll", "CreateCompatibleBitmap",
                                        reinterpret_cast<void*>(&FailingCreateCompatibleBitmap));
            skintest::ImportHook select("gdi32.dll", "SelectObject",
                                        reinterpret_cast<void*>(&FailingSelectObject));
            std::unique_ptr<skintest::ImportHook> stretch;
            if (step == Failing::Stretch) {
                stretch.reset(new skintest::ImportHook(
                    "gdi32.dll", "StretchBlt", reinterpret_cast<void*>(&FailingStretchBlt)));
                ASSERT_TRUE(stretch->Installed());
            }
            ASSERT_TRUE(create.Installed() && select.Installed());
            createHook = &create;
            selectHook = &select;
            result = FitBitmapToScreen(&skin, loadedBitmap);
        }
        EXPECT_EQ(nullptr, result);
        EXPECT_EQ(0u, GetObjectType(loadedBitmap)) << "the loaded bitmap must be deleted";
        EXPECT_EQ(step == Failing::CompatibleBitmap, madeBitmap == nullptr);
        EXPECT_EQ(0u, GetObjectType(madeBitmap)) << "the new bitmap must be deleted";
        EXPECT_EQ(0, skin.paintWidth);
        EXPECT_EQ(0, skin.paintHeight);
    }
}

using LoadPanelBitmapTest = SkinTest;

TEST_F(LoadPanelBitmapTest, LoadsTheNamedFileFromTheDirectoryAndFitsIt)
{
    Skin skin = SkinOfSize(800, 600);
    ASSERT_TRUE(WriteBitmapFile(directory + "panel.bmp", 320, 240,
                                [](int x, int) { return x < 160 ? RGB(255, 0, 0) : RGB(0, 255, 0); }));
    fake::SetString("Panel", "Normal Bitmap Mode 2", "panel.bmp");
    HBITMAP bitmap = LoadPanelBitmap(state.instance, &skin, directory.c_str(), "Panel",
                                     "Normal Bitmap Mode 2");
    ASSERT_NE(nullptr, bitmap);
    EXPECT_EQ(800, SizeOf(bitmap).cx);
    EXPECT_EQ(600, SizeOf(bitmap).cy);
    EXPECT_EQ(RGB(255, 0, 0), PixelOf(bitmap, 10, 300));
    EXPECT_EQ(RGB(0, 255, 0), PixelOf(bitmap, 790, 300));
    DeleteObject(bitmap);
    EXPECT_EQ((std::vector<std::string>{
                  "Kivrel_GetProfileStringEx(Panel, Normal Bitmap Mode 2, 256, 1, (null), 0)"}),
              fake::Calls());
}

// A personal skin keeps its pictures outside the program's folder and names them by absolute
// paths; every relative value keeps its meaning, relative to the program's folder.
TEST_F(LoadPanelBitmapTest, AnAbsoluteValueIsUsedAsItStandsAndARelativeOneJoinsTheFolder)
{
    Skin skin = SkinOfSize(800, 600);
    const std::string elsewhere = bench::MakeTempDir("personal");
    ASSERT_TRUE(WriteBitmapFile(elsewhere + "panel.bmp", 800, 600,
                                [](int, int) { return RGB(0, 0, 255); }));
    ASSERT_TRUE(WriteBitmapFile(directory + "panel.bmp", 800, 600,
                                [](int, int) { return RGB(255, 0, 0); }));
    fake::SetString("Panel", "Personal", elsewhere + "panel.bmp");
    fake::SetString("Panel", "Shipped", "panel.bmp");
    HBITMAP personal =
        LoadPanelBitmap(state.instance, &skin, directory.c_str(), "Panel", "Personal");
    HBITMAP shipped = LoadPanelBitmap(state.instance, &skin, directory.c_str(), "Panel", "Shipped");
    ASSERT_NE(nullptr, personal);
    ASSERT_NE(nullptr, shipped);
    EXPECT_EQ(RGB(0, 0, 255), PixelOf(personal, 10, 10));
    EXPECT_EQ(RGB(255, 0, 0), PixelOf(shipped, 10, 10));
    DeleteObject(personal);
    DeleteObject(shipped);

    char path[256] = {};
    ASSERT_TRUE(BuildPanelPath(path, sizeof path, "C:\\Tilebox\\", "\\\\tv\\skins\\a.bmp"));
    EXPECT_STREQ("\\\\tv\\skins\\a.bmp", path);
    ASSERT_TRUE(BuildPanelPath(path, sizeof path, "C:\\Tilebox\\", "d:\\a.bmp"));
    EXPECT_STREQ("d:\\a.bmp", path);
    // One backslash, or a name with a colon later on, is relative as it always was.
    ASSERT_TRUE(BuildPanelPath(path, sizeof path, "C:\\Tilebox\\", "\\a.bmp"));
    EXPECT_STREQ("C:\\Tilebox\\\\a.bmp", path);
    ASSERT_TRUE(BuildPanelPath(path, sizeof path, "C:\\Tilebox\\", "1:a.bmp"));
    EXPECT_STREQ("C:\\Tilebox\\1:a.bmp", path);
    // An absolute value is bounded by itself alone.
    const std::string longest = "D:\\" + std::string(252, 'x');  // 255 characters
    EXPECT_TRUE(BuildPanelPath(path, sizeof path, "C:\\Tilebox\\", longest.c_str()));
    EXPECT_FALSE(BuildPanelPath(path, sizeof path, "C:\\Tilebox\\", (longest + "x").c_str()));
}

TEST_F(LoadPanelBitmapTest, RefusesMissingArgumentsValuesAndFiles)
{
    Skin skin = SkinOfSize(800, 600);
    const char* dir = directory.c_str();
    EXPECT_EQ(nullptr, LoadPanelBitmap(state.instance, &skin, nullptr, "Panel", "V"));
    EXPECT_EQ(nullptr, LoadPanelBitmap(state.instance, &skin, "", "Panel", "V"));
    EXPECT_EQ(nullptr, LoadPanelBitmap(state.instance, &skin, dir, nullptr, "V"));
    EXPECT_EQ(nullptr, LoadPanelBitmap(state.instance, &skin, dir, "", "V"));
    EXPECT_EQ(nullptr, LoadPanelBitmap(state.instance, &skin, dir, "Panel", nullptr));
    EXPECT_EQ(nullptr, LoadPanelBitmap(state.instance, &skin, dir, "Panel", ""));
    EXPECT_TRUE(fake::Calls().empty()) << "nothing is read for missing arguments";

    EXPECT_EQ(nullptr, LoadPanelBitmap(state.instance, &skin, dir, "Panel", "Absent"));
    fake::SetString("Panel", "Empty", "");
    EXPECT_EQ(nullptr, LoadPanelBitmap(state.instance, &skin, dir, "Panel", "Empty"));
    fake::SetString("Panel", "Missing", "nowhere.bmp");
    EXPECT_EQ(nullptr, LoadPanelBitmap(state.instance, &skin, dir, "Panel", "Missing"));
    EXPECT_EQ(3u, fake::Calls().size());
    EXPECT_EQ(0, skin.paintWidth);
}

TEST_F(LoadPanelBitmapTest, RefusesAPathThatDoesNotFitRatherThanLoadingAShorterOne)
{
    Skin skin = SkinOfSize(800, 600);
    // The directory and the name together take exactly 255 characters: that fits.
    const std::string fits = std::string(255 - directory.size() - 4, 'f') + ".bmp";
    ASSERT_TRUE(WriteBitmapFile(directory + fits, 800, 600, [](int, int) { return 0; }));
    fake::SetString("Panel", "Fits", fits);
    HBITMAP bitmap = LoadPanelBitmap(state.instance, &skin, directory.c_str(), "Panel", "Fits");
    EXPECT_NE(nullptr, bitmap);
    DeleteObject(bitmap);

    // One character more: the path cut to 255 characters would name the file above.
    const std::string tooLong = fits + "x";
    fake::SetString("Panel", "Too Long", tooLong);
    EXPECT_EQ(nullptr,
              LoadPanelBitmap(state.instance, &skin, directory.c_str(), "Panel", "Too Long"));
}

TEST_F(LoadPanelBitmapTest, APanelOfAnyShapeWithinThePixelBoundIsStretchedToTheScreen)
{
    Skin skin = SkinOfSize(800, 600);
    const char* dir = directory.c_str();
    ASSERT_TRUE(WriteBitmapFile(directory + "wide.bmp", 4097, 2, [](int, int) { return 0; }));
    ASSERT_TRUE(WriteBitmapFile(directory + "tall.bmp", 2, 4097, [](int, int) { return 0; }));
    fake::SetString("Panel", "Wide", "wide.bmp");
    fake::SetString("Panel", "Tall", "tall.bmp");
    for (const char* value : {"Wide", "Tall"}) {
        HBITMAP bitmap = LoadPanelBitmap(state.instance, &skin, dir, "Panel", value);
        ASSERT_NE(nullptr, bitmap) << value;
        EXPECT_EQ(800, SizeOf(bitmap).cx);
        EXPECT_EQ(600, SizeOf(bitmap).cy);
        DeleteObject(bitmap);
    }
}

namespace {

// Fitting as the menu did it before it stretched straight from a file's bits: the loader's
// bitmap at the file's own size, then one StretchBlt onto a new screen-sized bitmap, nearest
// pixel (COLORONCOLOR), black around a picture kept at its own shape.
HBITMAP LoadThenStretch(const std::string& path, int width, int height, const RECT& placed)
{
    HBITMAP loaded = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                     LR_LOADFROMFILE | LR_DEFAULTSIZE));
    if (loaded == nullptr) {
        return nullptr;
    }
    const SIZE own = SizeOf(loaded);
    HDC screen = GetDC(nullptr);
    HBITMAP fitted = CreateCompatibleBitmap(screen, width, height);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldFrom = SelectObject(from, loaded);
    HGDIOBJ oldTo = SelectObject(to, fitted);
    PatBlt(to, 0, 0, width, height, BLACKNESS);
    SetStretchBltMode(to, COLORONCOLOR);
    const BOOL copied = StretchBlt(to, placed.left, placed.top, placed.right - placed.left,
                                   placed.bottom - placed.top, from, 0, 0, own.cx, own.cy, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    DeleteObject(loaded);
    if (!copied) {
        DeleteObject(fitted);
        return nullptr;
    }
    return fitted;
}

// Every pixel of a bitmap as 32-bit values, top row first.
std::vector<DWORD> PixelsOf(HBITMAP bitmap)
{
    const SIZE size = SizeOf(bitmap);
    std::vector<DWORD> pixels(static_cast<size_t>(size.cx) * size.cy);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, size.cy, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != size.cy) {
        pixels.clear();
    }
    return pixels;
}

// Where two pictures first differ, for the failure message; -1 when they are the same.
long long FirstDifference(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
{
    if (a.size() != b.size() || a.empty()) {
        return 0;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return static_cast<long long>(i);
        }
    }
    return -1;
}

void FreeButtons(Skin* skin)
{
    for (int i = 0; i < skin->buttonCount; ++i) {
        DeleteObject(skin->buttons[i].region);
    }
    if (skin->buttons != nullptr) {
        HeapFree(GetProcessHeap(), 0, skin->buttons);
    }
    skin->buttons = nullptr;
    skin->buttonCount = 0;
}

}  // namespace

// A size the skin does not name is stretched straight from the file's bits, without loading the
// picture at its own size first; every pixel of the three panels and every traced shape must be
// what loading and then stretching made. The default skin's own files, at the sizes its fitting
// serves: 1360x768 and 4096x2160 stretched from 1366x768 and 3840x2160, 2560x1080 kept at the
// shape of 2560x1440 with black beside it.
TEST_F(LoadPanelBitmapTest, AFittedSizeStretchedFromTheFilesBitsPaintsAndTracesAsLoadingFirstDid)
{
    struct Case {
        SIZE screen;
        SIZE served;
    };
    const Case cases[] = {{{1360, 768}, {1366, 768}},
                          {{2560, 1080}, {2560, 1440}},
                          {{4096, 2160}, {3840, 2160}}};
    const std::string dir = bench::BinDir();
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.screen.cx) + "x" + std::to_string(c.screen.cy);
        SCOPED_TRACE(name);
        int mode = 0;
        while (mode < defaultSkin::sizeCount && (defaultSkin::modes[mode].width != c.served.cx ||
                                                 defaultSkin::modes[mode].height != c.served.cy)) {
            ++mode;
        }
        ASSERT_LT(mode, defaultSkin::sizeCount);
        const defaultSkin::Mode& files = defaultSkin::modes[mode];
        fake::Reset();
        const char* paths[3] = {files.normalFile, files.selectedFile, files.templateFile};
        char names[3][SkinValueNameCapacity];
        for (int group = 0; group < 3; ++group) {
            ASSERT_TRUE(FormatSkinValueName(c.served.cx, c.served.cy, NormalBitmapGroup + group,
                                            names[group]));
            fake::SetString("Panel", names[group], paths[group]);
        }
        char rectangleName[SkinValueNameCapacity];
        ASSERT_TRUE(FormatSkinValueName(c.served.cx, c.served.cy, RectangleGroup, rectangleName));
        for (const defaultSkin::Button& button : defaultSkin::buttons) {
            fake::AddSubKey("Buttons", button.keyName);
            fake::SetString(std::string("Buttons\\") + button.keyName, rectangleName,
                            skintest::RectangleText(button.rect[mode]));
        }

        Skin straight = SkinOfSize(c.screen.cx, c.screen.cy);
        straight.servedWidth = c.served.cx;
        straight.servedHeight = c.served.cy;
        PlaceServedSize(c.screen.cx, c.screen.cy, c.served.cx, c.served.cy, &straight.placed);
        Skin loadedFirst = straight;
        HBITMAP* panels[3] = {&straight.normalBitmap, &straight.selectedBitmap,
                              &straight.regionTemplate};
        HBITMAP* expected[3] = {&loadedFirst.normalBitmap, &loadedFirst.selectedBitmap,
                                &loadedFirst.regionTemplate};
        for (int group = 0; group < 3; ++group) {
            *panels[group] = LoadPanelBitmap(state.instance, &straight, dir.c_str(), "Panel",
                                             names[group]);
            *expected[group] = LoadThenStretch(dir + paths[group], c.screen.cx, c.screen.cy,
                                               straight.placed);
            ASSERT_NE(nullptr, *panels[group]) << paths[group];
            ASSERT_NE(nullptr, *expected[group]) << paths[group];
            EXPECT_EQ(c.screen.cx, SizeOf(*panels[group]).cx);
            EXPECT_EQ(c.screen.cy, SizeOf(*panels[group]).cy);
            EXPECT_EQ(-1, FirstDifference(PixelsOf(*panels[group]), PixelsOf(*expected[group])))
                << paths[group];
        }
        EXPECT_EQ(c.screen.cx, straight.paintWidth);
        EXPECT_EQ(c.screen.cy, straight.paintHeight);

        ASSERT_EQ(1, LoadButtonTable(&straight));
        ASSERT_EQ(1, LoadButtonTable(&loadedFirst));
        for (int i = 0; i < 6; ++i) {
            EXPECT_TRUE(EqualRgn(straight.buttons[i].region, loadedFirst.buttons[i].region))
                << "button " << i << ": " << skintest::Describe(straight.buttons[i].region)
                       .substr(0, 200);
        }
        for (Skin* skin : {&straight, &loadedFirst}) {
            FreeButtons(skin);
            for (HBITMAP bitmap : {skin->normalBitmap, skin->selectedBitmap, skin->regionTemplate}) {
                DeleteObject(bitmap);
            }
        }
    }
}

// Any depth the files may have is stretched the same way: a 24-bit picture with a different
// colour at every pixel, enlarged on one axis and shrunk on the other, and kept at its shape.
TEST_F(LoadPanelBitmapTest, AnUncompressedPictureStretchedFromItsBitsMatchesLoadingFirst)
{
    ASSERT_TRUE(WriteBitmapFile(directory + "grain.bmp", 301, 211, [](int x, int y) {
        return RGB((x * 7) & 255, (y * 5) & 255, (x * y) & 255);
    }));
    fake::SetString("Panel", "Grain", "grain.bmp");
    const SIZE screens[] = {{400, 180}, {1000, 300}};
    for (const SIZE& screen : screens) {
        SCOPED_TRACE(screen.cx);
        Skin skin = SkinOfSize(screen.cx, screen.cy);
        skin.servedWidth = 301;
        skin.servedHeight = 211;
        PlaceServedSize(screen.cx, screen.cy, 301, 211, &skin.placed);
        HBITMAP straight =
            LoadPanelBitmap(state.instance, &skin, directory.c_str(), "Panel", "Grain");
        HBITMAP loadedFirst =
            LoadThenStretch(directory + "grain.bmp", screen.cx, screen.cy, skin.placed);
        ASSERT_NE(nullptr, straight);
        ASSERT_NE(nullptr, loadedFirst);
        EXPECT_EQ(-1, FirstDifference(PixelsOf(straight), PixelsOf(loadedFirst)));
        DeleteObject(straight);
        DeleteObject(loadedFirst);
    }
}
