#include "skin/skin.h"
#include "tests/fakes/fake_outside.h"
#include "tests/skin/skin_test_support.h"

#include <algorithm>
#include <cstring>

using skintest::SkinTest;

namespace {

// Every load asks which monitor the menu covers before it reads anything of the skin.
const char displayRead[] = "Kivrel_GetProfileString(, Display, 32)";

SIZE SizeOf(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return SIZE{info.bmWidth, info.bmHeight};
}

Skin Sized(int width, int height)
{
    Skin skin = {};
    skin.screenWidth = width;
    skin.screenHeight = height;
    return skin;
}

// Every handle the current skin holds: three bitmaps, then the regions of counted entries.
std::vector<HGDIOBJ> HandlesOf(const Skin* skin)
{
    std::vector<HGDIOBJ> handles;
    for (HGDIOBJ bitmap : {static_cast<HGDIOBJ>(skin->normalBitmap),
                           static_cast<HGDIOBJ>(skin->selectedBitmap),
                           static_cast<HGDIOBJ>(skin->regionTemplate)}) {
        if (bitmap != nullptr) {
            handles.push_back(bitmap);
        }
    }
    for (int i = 0; i < skin->buttonCount; ++i) {
        handles.push_back(skin->buttons[i].region);
    }
    return handles;
}

void ExpectAllGone(const std::vector<HGDIOBJ>& handles)
{
    for (size_t i = 0; i < handles.size(); ++i) {
        EXPECT_EQ(0u, GetObjectType(handles[i])) << "handle " << i << " survived";
    }
}

std::vector<std::string> PanelReads(int width, int height, int groups = 3)
{
    std::vector<std::string> reads;
    for (int group = NormalBitmapGroup; group < NormalBitmapGroup + groups; ++group) {
        reads.push_back("Kivrel_GetProfileStringEx(Panel, " +
                        skintest::ValueName(width, height, group) + ", 256, 1, (null), 0)");
    }
    return reads;
}

HWND AnyWindow()
{
    return GetDesktopWindow();
}

}  // namespace

TEST(GetResolutionMode, KnowsExactlyTheThreeScreenSizes)
{
    struct Case {
        int w, h, mode;
    } cases[] = {
        {640, 480, 0},  {800, 600, 1},  {1024, 768, 2}, {1024, 600, -1}, {800, 768, -1},
        {640, 768, -1}, {639, 480, -1}, {640, 479, -1}, {1025, 768, -1}, {1024, 769, -1},
        {1280, 1024, -1}, {0, 0, -1},   {600, 800, -1},
    };
    for (const Case& c : cases) {
        Skin skin = Sized(c.w, c.h);
        EXPECT_EQ(c.mode, GetResolutionMode(&skin)) << c.w << "x" << c.h;
    }
    EXPECT_EQ(-1, GetResolutionMode(nullptr));
}

TEST(SkinValueNames, AreIndexedByGroupAndMode)
{
    EXPECT_STREQ("Rectangle Mode 1", skinValueNames[0]);
    EXPECT_STREQ("Rectangle Mode 3", skinValueNames[2]);
    EXPECT_STREQ("Normal Bitmap Mode 2", skinValueNames[4]);
    EXPECT_STREQ("Selected Bitmap Mode 1", skinValueNames[6]);
    EXPECT_STREQ("Region Template Mode 3", skinValueNames[11]);
}

TEST(SkinValueNames, NameEveryAcceptedSizeAndReadBackWhatTheMenuWouldRead)
{
    char name[SkinValueNameCapacity];
    struct Named {
        int w, h, group;
        const char* name;
        int kind;
    } named[] = {
        {640, 480, RectangleGroup, "Rectangle Mode 1", ClassicSizeName},
        {1024, 768, RegionTemplateGroup, "Region Template Mode 3", ClassicSizeName},
        {1920, 1080, NormalBitmapGroup, "Normal Bitmap 1920x1080", OtherSizeName},
        {1920, 1080, RectangleGroup, "Rectangle 1920x1080", OtherSizeName},
        {1366, 768, SelectedBitmapGroup, "Selected Bitmap 1366x768", OtherSizeName},
        {7680, 4320, RegionTemplateGroup, "Region Template 7680x4320", OtherSizeName},
        {640, 4320, RectangleGroup, "Rectangle 640x4320", OtherSizeName},
        {1024, 600, RectangleGroup, "Rectangle 1024x600", OtherSizeName},
    };
    for (const Named& n : named) {
        ASSERT_EQ(1, FormatSkinValueName(n.w, n.h, n.group, name)) << n.name;
        EXPECT_STREQ(n.name, name);
        int group = -1, w = 0, h = 0;
        EXPECT_EQ(n.kind, ParseSkinValueName(name, &group, &w, &h)) << n.name;
        EXPECT_EQ(n.group, group);
        EXPECT_EQ(n.w, w);
        EXPECT_EQ(n.h, h);
    }
    // Sizes the menu does not show on have no names.
    for (SIZE refused : {SIZE{639, 480}, SIZE{640, 479}, SIZE{7681, 4320}, SIZE{7680, 4321},
                         SIZE{0, 0}, SIZE{-1920, 1080}}) {
        strcpy(name, "stale");
        EXPECT_EQ(0, FormatSkinValueName(refused.cx, refused.cy, NormalBitmapGroup, name));
        EXPECT_STREQ("", name);
    }
    EXPECT_EQ(0, FormatSkinValueName(1920, 1080, SkinValueGroupCount, name));

    struct Parsed {
        const char* name;
        int kind;
    } parsed[] = {
        {"Normal Bitmap 1024x768", ClassicSizeAsOther},
        // The registry finds value names without regard to case: the menu reads these.
        {"rectangle 1920X1080", OtherSizeName},
        {"REGION TEMPLATE MODE 2", ClassicSizeName},
        {"Rectangle 9000x5000", UnacceptedSizeName},
        {"Rectangle 1920x400", UnacceptedSizeName},
        {"Rectangle 01920x1080", UnreadableSizeName},
        {"Rectangle 1920x01080", UnreadableSizeName},
        {"Rectangle 1920 x 1080", UnreadableSizeName},
        {"Rectangle 1920x1080 ", UnreadableSizeName},
        {"Rectangle Mode 4", UnreadableSizeName},
        {"Rectangle Mode 10", UnreadableSizeName},
        {"Rectangle 123456x1", UnreadableSizeName},
        {"Rectangle ", UnreadableSizeName},
        {"Remote Code", NotASkinName},
        {"Command", NotASkinName},
        {"Rectangles 1920x1080", NotASkinName},
        {"", NotASkinName},
    };
    for (const Parsed& p : parsed) {
        int group = -1, w = 0, h = 0;
        EXPECT_EQ(p.kind, ParseSkinValueName(p.name, &group, &w, &h)) << '"' << p.name << '"';
    }
}

using ScreenSizeTest = SkinTest;

TEST_F(ScreenSizeTest, ReadsTheSizeTheDisplayWasSwitchedTo)
{
    const SIZE sizes[] = {{640, 480}, {800, 600}, {1280, 1024}, {1024, 768}};
    for (const SIZE& size : sizes) {
        SwitchDisplay(size.cx, size.cy);
        Skin skin = {};
        EXPECT_EQ(1, ReadScreenSize(&skin));
        EXPECT_EQ(size.cx, skin.screenWidth);
        EXPECT_EQ(size.cy, skin.screenHeight);
    }
    EXPECT_EQ(0, ReadScreenSize(nullptr));
}

using LoadSkinTest = SkinTest;

TEST_F(LoadSkinTest, LoadsACompleteSkinOnEachScreenSizeReadingOnlyThatModesPanel)
{
    const SIZE sizes[] = {{640, 480}, {800, 600}, {1024, 768}};
    for (const SIZE& size : sizes) {
        SCOPED_TRACE(std::to_string(size.cx) + "x" + std::to_string(size.cy));
        fake::Reset();
        SwitchDisplay(size.cx, size.cy);
        // Settings for all three modes are present; only the screen's own may be read.
        for (const SIZE& other : sizes) {
            WritePanel(other.cx, other.cy);
        }
        AddButtons(size.cx, size.cy);
        ASSERT_EQ(1, LoadSkin(AnyWindow()));
        Skin* skin = currentSkin;
        ASSERT_NE(nullptr, skin);
        EXPECT_EQ(PanelReads(size.cx, size.cy),
                  fake::CallsStartingWith("Kivrel_GetProfileStringEx(Panel"));
        EXPECT_EQ(size.cx, skin->screenWidth);
        EXPECT_EQ(size.cy, skin->screenHeight);
        EXPECT_EQ(size.cx, skin->paintWidth);
        EXPECT_EQ(size.cy, skin->paintHeight);
        for (HBITMAP bitmap : {skin->normalBitmap, skin->selectedBitmap, skin->regionTemplate}) {
            EXPECT_EQ(size.cx, SizeOf(bitmap).cx);
            EXPECT_EQ(size.cy, SizeOf(bitmap).cy);
        }
        EXPECT_EQ(6, skin->buttonCount);
        EXPECT_EQ(0, skin->pressed);
        RECT r = skintest::ButtonRect(size.cx, size.cy, 4);
        EXPECT_TRUE(PtInRegion(skin->buttons[4].region, (r.left + r.right) / 2,
                               (r.top + r.bottom) / 2));
        EXPECT_FALSE(PtInRegion(skin->buttons[4].region, r.left + 10, r.top + 10));
        FreeSkin();
    }
}

TEST_F(LoadSkinTest, StretchesPanelFilesOfAnotherSize)
{
    SwitchDisplay(800, 600);
    WritePanel(800, 600, 400, 300);
    // The template drawn at half size: its rectangles double when stretched, so the buttons'
    // rectangles are taken at the 400 x 300 grid scaled by two.
    const std::string digit = "2";
    ASSERT_TRUE(skintest::WriteBitmapFile(directory + "template2.bmp", 400, 300, [](int x, int y) {
        return x >= 50 && x < 100 && y >= 50 && y < 100 ? RGB(255, 255, 255) : 0;
    }));
    for (int i = 0; i < 6; ++i) {
        const std::string name = "Button " + std::to_string(i);
        fake::AddSubKey("Buttons", name);
        fake::SetString("Buttons\\" + name, "Rectangle Mode 2", "80,80,220,220");
    }
    ASSERT_EQ(1, LoadSkin(AnyWindow()));
    EXPECT_EQ(800, SizeOf(currentSkin->normalBitmap).cx);
    EXPECT_EQ(600, SizeOf(currentSkin->regionTemplate).cy);
    EXPECT_EQ(800, currentSkin->paintWidth);
    EXPECT_EQ(600, currentSkin->paintHeight);
    EXPECT_EQ((RECT{100, 100, 200, 200}), skintest::Box(currentSkin->buttons[0].region));
}

TEST_F(LoadSkinTest, ATodaysScreenSizeReadsItsOwnSizeNamesAndNoOthers)
{
    SwitchDisplay(1920, 1080);
    WritePanel(1920, 1080);
    WritePanel(1024, 768);
    AddButtons(1920, 1080);
    ASSERT_EQ(1, LoadSkin(AnyWindow()));
    EXPECT_EQ(PanelReads(1920, 1080), fake::CallsStartingWith("Kivrel_GetProfileStringEx(Panel"));
    EXPECT_EQ("Kivrel_GetProfileStringEx(Buttons\\Button 0, Rectangle 1920x1080, 128, 1, (null), 0)",
              fake::CallsStartingWith("Kivrel_GetProfileStringEx(Buttons").at(0));
    EXPECT_EQ(1920, currentSkin->paintWidth);
    EXPECT_EQ(1080, SizeOf(currentSkin->regionTemplate).cy);
    const RECT r = skintest::ButtonRect(1920, 1080, 5);
    EXPECT_TRUE(PtInRegion(currentSkin->buttons[5].region, (r.left + r.right) / 2,
                           (r.top + r.bottom) / 2));
    FreeSkin();

    // A classic size keeps its "Mode N" names: a WxH value for it is never read.
    SwitchDisplay(1024, 768);
    fake::Reset();
    fake::SetString("Panel", "Normal Bitmap 1024x768", "missing.bmp");
    WritePanel(1024, 768);
    AddButtons(1024, 768);
    ASSERT_EQ(1, LoadSkin(AnyWindow()));
    EXPECT_EQ(PanelReads(1024, 768), fake::CallsStartingWith("Kivrel_GetProfileStringEx(Panel"));
}

TEST_F(LoadSkinTest, ASizeTheSkinDoesNotNameFailsAtItsFirstPanelValue)
{
    SwitchDisplay(1280, 1024);
    WritePanel(1024, 768);
    AddButtons(1024, 768);
    EXPECT_EQ(0, LoadSkin(AnyWindow()));
    std::vector<std::string> reads = PanelReads(1280, 1024, 1);
    reads.insert(reads.begin(), "Kivrel_GetProfileDWord(Panel, Fit Other Sizes)");
    // The monitor is chosen first: its size decides every other read.
    reads.insert(reads.begin(), displayRead);
    EXPECT_EQ(reads, fake::Calls());
    ASSERT_NE(nullptr, currentSkin);
    EXPECT_EQ(1280, currentSkin->screenWidth);
    EXPECT_EQ(1024, currentSkin->screenHeight);
    EXPECT_EQ(nullptr, currentSkin->normalBitmap);
    FreeSkin();
    EXPECT_EQ(nullptr, currentSkin);
}

// A skin that names 1024x768 and 1920x1080 only, with fitting on: each other size is served by
// the named one nearest in shape, pictures and buttons mapped alike.
TEST_F(LoadSkinTest, FitsSizesTheSkinDoesNotNameFromTheNearestNamedOne)
{
    WritePanel(1024, 768);
    WritePanel(1920, 1080);
    AddButtons(1920, 1080);
    for (int i = 0; i < 6; ++i) {
        fake::SetString("Buttons\\Button " + std::to_string(i), "Rectangle Mode 3",
                        skintest::RectangleText(skintest::ButtonRect(1024, 768, i)));
    }
    fake::SetDWord("Panel", fitOtherSizesName, 1);
    struct Case {
        SIZE screen;
        SIZE served;
        RECT placed;
    };
    const Case cases[] = {
        {{1360, 768}, {1920, 1080}, {0, 0, 1360, 768}},    // stretched
        {{2560, 1080}, {1920, 1080}, {320, 0, 2240, 1080}}, // fitted, black beside
        {{1280, 1024}, {1024, 768}, {0, 0, 1280, 1024}},   // 4:3 onto 5:4, stretched
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.screen.cx) + "x" + std::to_string(c.screen.cy));
        SwitchDisplay(c.screen.cx, c.screen.cy);
        ASSERT_EQ(1, LoadSkin(AnyWindow()));
        Skin* skin = currentSkin;
        EXPECT_EQ(c.served.cx, skin->servedWidth);
        EXPECT_EQ(c.served.cy, skin->servedHeight);
        EXPECT_EQ(c.placed, skin->placed);
        EXPECT_EQ(c.screen.cx, SizeOf(skin->regionTemplate).cx);
        EXPECT_EQ(c.screen.cy, SizeOf(skin->normalBitmap).cy);
        // The button's shape, its rectangle shrunk by ten pixels, lands where the picture's does.
        const RECT r = skintest::ButtonRect(c.served.cx, c.served.cy, 4);
        const int placedWidth = c.placed.right - c.placed.left;
        const int placedHeight = c.placed.bottom - c.placed.top;
        auto mapX = [&](int x) { return c.placed.left + x * placedWidth / c.served.cx; };
        auto mapY = [&](int y) { return c.placed.top + y * placedHeight / c.served.cy; };
        EXPECT_TRUE(PtInRegion(skin->buttons[4].region, mapX((r.left + r.right) / 2),
                               mapY((r.top + r.bottom) / 2)));
        EXPECT_FALSE(PtInRegion(skin->buttons[4].region, mapX(r.left + 2), mapY(r.top + 2)));
        FreeSkin();
    }

    // A picture value left empty names nothing, so 1360x768 is fitted from 1024x768 instead of
    // failing on the emptied 1920x1080.
    fake::SetString("Panel", "Normal Bitmap 1920x1080", "");
    SwitchDisplay(1360, 768);
    ASSERT_EQ(1, LoadSkin(AnyWindow()));
    EXPECT_EQ(1024, currentSkin->servedWidth);
    FreeSkin();
}

// Tiles whose template fills their rectangle to its right column and bottom row, stretched down
// (1366x768 onto 1360x768) and up (1024x768 onto 1280x1024): every screen pixel the stretched
// template shows of a tile is part of its button, and no pixel it does not show.
TEST_F(LoadSkinTest, AStretchedTileIsTracedOnEveryPixelThePictureShowsOfIt)
{
    const struct {
        SIZE screen;
        SIZE served;
    } cases[] = {{{1360, 768}, {1366, 768}}, {{1280, 1024}, {1024, 768}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.screen.cx) + "x" + std::to_string(c.screen.cy));
        fake::Reset();
        fake::SetDWord("Panel", fitOtherSizesName, 1);
        WritePanel(c.served.cx, c.served.cy);
        // The rectangle is the white shape's own box, so the shape reaches its far edges (all
        // but the four corner pixels).
        for (int i = 0; i < 6; ++i) {
            RECT r = skintest::ButtonRect(c.served.cx, c.served.cy, i);
            InflateRect(&r, -10, -10);
            const std::string name = "Button " + std::to_string(i);
            fake::AddSubKey("Buttons", name);
            fake::SetString("Buttons\\" + name,
                            skintest::ValueName(c.served.cx, c.served.cy, RectangleGroup),
                            skintest::RectangleText(r));
        }
        SwitchDisplay(c.screen.cx, c.screen.cy);
        ASSERT_EQ(1, LoadSkin(AnyWindow()));
        const Skin* skin = currentSkin;
        ASSERT_EQ(c.served.cx, skin->servedWidth);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, skin->regionTemplate);
        for (int i = 0; i < 6; ++i) {
            // The tile's rectangle on the screen, with a margin the stretch cannot reach past.
            const RECT r = skintest::ButtonRect(c.served.cx, c.served.cy, i);
            const int left = r.left * c.screen.cx / c.served.cx - 3;
            const int top = r.top * c.screen.cy / c.served.cy - 3;
            const int right = (r.right + 1) * c.screen.cx / c.served.cx + 3;
            const int bottom = (r.bottom + 1) * c.screen.cy / c.served.cy + 3;
            int missed = 0;
            int extra = 0;
            std::string first;
            for (int y = top; y < bottom; ++y) {
                for (int x = left; x < right; ++x) {
                    const bool shown = GetPixel(dc, x, y) != 0;
                    const bool traced = PtInRegion(skin->buttons[i].region, x, y) != 0;
                    missed += shown && !traced;
                    extra += traced && !shown;
                    if (shown != traced && first.empty()) {
                        first = std::to_string(x) + "," + std::to_string(y);
                    }
                }
            }
            EXPECT_EQ(0, missed) << "button " << i << ", first at " << first;
            EXPECT_EQ(0, extra) << "button " << i << ", first at " << first;
        }
        SelectObject(dc, old);
        DeleteDC(dc);
        FreeSkin();
    }
}

TEST(FitSizeTest, ServesTheDefaultSkinsUnnamedSizesFromTheNearestShapeThenArea)
{
    const SIZE named[] = {{640, 480},   {800, 600},   {1024, 768},  {1280, 720},
                          {1366, 768},  {1600, 900},  {1920, 1080}, {1920, 1200},
                          {2560, 1440}, {3840, 2160}};
    // 1366x768 and 16:9 are one shape; 2560x1080 lies as far in area from 1920x1080 as from
    // 2560x1440, and the larger wins.
    EXPECT_EQ(4, NearestNamedSize(1360, 768, named, 10));
    EXPECT_EQ(9, NearestNamedSize(4096, 2160, named, 10));
    EXPECT_EQ(7, NearestNamedSize(1280, 800, named, 10));
    EXPECT_EQ(8, NearestNamedSize(2560, 1080, named, 10));
    EXPECT_EQ(-1, NearestNamedSize(1360, 768, named, 0));
    RECT placed;
    PlaceServedSize(1080, 1920, 1920, 1080, &placed);
    EXPECT_EQ((RECT{0, 656, 1080, 1264}), placed) << "a tall screen: black above and below";
}

TEST_F(LoadSkinTest, NullWindowChangesNothing)
{
    WritePanel(1024, 768);
    AddButtons(1024, 768);
    ASSERT_EQ(1, LoadSkin(AnyWindow()));
    Skin* loaded = currentSkin;
    fake::Calls().clear();
    EXPECT_EQ(0, LoadSkin(nullptr));
    EXPECT_EQ(loaded, currentSkin);
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(loaded->normalBitmap));
    EXPECT_TRUE(fake::Calls().empty());
}

TEST_F(LoadSkinTest, AFailedLoadKeepsWhatItMadeForFreeSkin)
{
    SwitchDisplay(640, 480);
    WritePanel(640, 480);
    AddButtons(640, 480);
    fake::SetString("Panel", "Selected Bitmap Mode 1", "");
    EXPECT_EQ(0, LoadSkin(AnyWindow()));
    ASSERT_NE(nullptr, currentSkin);
    EXPECT_NE(nullptr, currentSkin->normalBitmap);
    EXPECT_EQ(nullptr, currentSkin->selectedBitmap);
    EXPECT_EQ(nullptr, currentSkin->regionTemplate);
    EXPECT_EQ(4u, fake::Calls().size()) << "the load ends at the first failure";
    std::vector<HGDIOBJ> held = HandlesOf(currentSkin);
    FreeSkin();
    EXPECT_EQ(nullptr, currentSkin);
    ExpectAllGone(held);

    // A table that fails at the fourth button: three regions built, all three deleted.
    fake::Reset();
    WritePanel(640, 480);
    AddButtons(640, 480);
    fake::SetString("Buttons\\Button 3", "Rectangle Mode 1", "1,1,1,1");
    EXPECT_EQ(0, LoadSkin(AnyWindow()));
    ASSERT_NE(nullptr, currentSkin);
    EXPECT_EQ(3, currentSkin->buttonCount);
    held = HandlesOf(currentSkin);
    EXPECT_EQ(6u, held.size());
    FreeSkin();
    ExpectAllGone(held);
    FreeSkin();
    EXPECT_EQ(nullptr, currentSkin);
}

TEST_F(LoadSkinTest, FreeSkinAndReloadReleaseEveryHandle)
{
    FreeSkin();  // nothing loaded: nothing happens
    EXPECT_EQ(nullptr, currentSkin);

    WritePanel(1024, 768);
    AddButtons(1024, 768);
    ASSERT_EQ(1, LoadSkin(AnyWindow()));
    std::vector<HGDIOBJ> first = HandlesOf(currentSkin);
    ASSERT_EQ(9u, first.size());
    // Loading again releases the loaded skin first.
    ASSERT_EQ(1, LoadSkin(AnyWindow()));
    ExpectAllGone(first);
    std::vector<HGDIOBJ> second = HandlesOf(currentSkin);
    for (HGDIOBJ handle : second) {
        EXPECT_NE(0u, GetObjectType(handle));
    }
    FreeSkin();
    EXPECT_EQ(nullptr, currentSkin);
    ExpectAllGone(second);
    FreeSkin();
    EXPECT_EQ(nullptr, currentSkin);
}

TEST_F(LoadSkinTest, ModuleDirectoryOf255FitsAnd256DoesNot)
{
    WritePanel(1024, 768);
    AddButtons(1024, 768);
    std::memset(state.moduleDirectory, 0, sizeof state.moduleDirectory);
    std::memset(state.moduleDirectory, 'd', 256);
    EXPECT_EQ(0, LoadSkin(AnyWindow()));
    EXPECT_EQ(std::vector<std::string>{displayRead}, fake::Calls()) << "no skin value is read";
    ASSERT_NE(nullptr, currentSkin);
    EXPECT_EQ(1024, currentSkin->screenWidth);

    // 255 characters pass; the panel value is read, but no file name fits after them.
    state.moduleDirectory[255] = '\0';
    EXPECT_EQ(0, LoadSkin(AnyWindow()));
    EXPECT_EQ(std::vector<std::string>{PanelReads(1024, 768)[0]},
              fake::CallsStartingWith("Kivrel_GetProfileStringEx"));

    // An unterminated directory is refused, not read past.
    std::memset(state.moduleDirectory, 'd', sizeof state.moduleDirectory);
    fake::Calls().clear();
    EXPECT_EQ(0, LoadSkin(AnyWindow()));
    EXPECT_EQ(std::vector<std::string>{displayRead}, fake::Calls());

    appState = nullptr;
    EXPECT_EQ(0, LoadSkin(AnyWindow()));
}

TEST_F(LoadSkinTest, BadBitmapFilesFailTheLoadCleanly)
{
    WritePanel(1024, 768);
    AddButtons(1024, 768);
    const std::string path = directory + "normal3.bmp";
    const std::string good = skintest::ReadRawFile(path);
    ASSERT_GT(good.size(), 1000u);
    struct Case {
        const char* what;
        std::string bytes;
        bool present;
    } cases[] = {
        {"missing", "", false},
        {"empty", "", true},
        {"header only", good.substr(0, 54), true},
        {"truncated pixels", good.substr(0, good.size() / 2), true},
        {"truncated header", good.substr(0, 20), true},
        {"not a bitmap", "GIF89a this is not a bitmap at all, just some bytes of text", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(path.c_str());
        if (c.present) {
            ASSERT_TRUE(skintest::WriteRawFile(path, c.bytes));
        }
        fake::Calls().clear();
        EXPECT_EQ(0, LoadSkin(AnyWindow()));
        ASSERT_NE(nullptr, currentSkin);
        EXPECT_EQ(nullptr, currentSkin->normalBitmap);
        EXPECT_EQ(1u, fake::CallsStartingWith("Kivrel_GetProfileStringEx").size());
        FreeSkin();
    }
    ASSERT_TRUE(skintest::WriteRawFile(path, good));
    EXPECT_EQ(1, LoadSkin(AnyWindow()));
}

// The choice reads the values of only the sizes it depends on, yet chooses as if every listed
// size had been checked: the size nearest in shape and area among those whose three values hold
// a file name. Random skins, some values emptied, against NearestNamedSize over the sizes that
// hold their pictures; an emptied size nearest in shape must not narrow the band the others
// are weighed in.
TEST(FitSizeTest, ChoosesAsIfEverySizeWereCheckedWhateverIsEmptied)
{
    const SIZE sizes[] = {{640, 480},   {800, 600},   {1024, 768},  {1280, 720},  {1366, 768},
                          {1360, 768},  {1600, 900},  {1920, 1080}, {1920, 1200}, {2560, 1440},
                          {2560, 1080}, {3840, 2160}, {1280, 1024}, {1768, 992},  {1776, 1000}};
    const SIZE screens[] = {{1360, 768}, {4096, 2160}, {1280, 800}, {2560, 1080},
                            {1440, 900}, {1770, 996},  {3440, 1440}};
    unsigned seed = 12345;
    auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int round = 0; round < 300; ++round) {
        fake::Reset();
        fake::SetDWord("Panel", fitOtherSizesName, 1);
        std::vector<SIZE> holding;
        for (const SIZE& size : sizes) {
            if (next() % 3 == 0) {
                continue;
            }
            const bool emptied = next() % 4 == 0;
            for (int group = NormalBitmapGroup; group <= RegionTemplateGroup; ++group) {
                fake::SetString("Panel", skintest::ValueName(size.cx, size.cy, group),
                                emptied && group == SelectedBitmapGroup ? "" : "p.bmp");
            }
            if (!emptied) {
                holding.push_back(size);
            }
        }
        const SIZE screen = screens[round % (sizeof screens / sizeof screens[0])];
        Skin skin = Sized(screen.cx, screen.cy);
        const bool own = std::any_of(holding.begin(), holding.end(), [&](const SIZE& s) {
            return s.cx == screen.cx && s.cy == screen.cy;
        });
        const int best = NearestNamedSize(screen.cx, screen.cy, holding.data(),
                                          static_cast<int>(holding.size()));
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(own || best >= 0 ? 1 : 0, ChooseServedSize(&skin));
        if (!own && best >= 0) {
            EXPECT_EQ(holding[best].cx, skin.servedWidth);
            EXPECT_EQ(holding[best].cy, skin.servedHeight);
        }
    }
}
