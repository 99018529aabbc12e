#include "skin/skin.h"
#include "skin/skin_limits.h"
#include "tests/fakes/fake_outside.h"
#include "tests/skin/skin_test_support.h"

using skintest::ButtonRect;
using skintest::Describe;
using skintest::RectangleText;
using skintest::RegionOf;
using skintest::SkinTest;

namespace {

// A screen-format template: black, with one white shape per button of the test skin (the
// button's rectangle shrunk by 10 pixels, corner pixels black).
HBITMAP GridTemplate(int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    for (int i = 0; i < 6; ++i) {
        RECT r = ButtonRect(width, height, i);
        RECT shape = {r.left + 10, r.top + 10, r.right - 9, r.bottom - 9};
        FillRect(dc, &shape, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetPixel(dc, shape.left, shape.top, 0);
        SetPixel(dc, shape.right - 1, shape.top, 0);
        SetPixel(dc, shape.left, shape.bottom - 1, 0);
        SetPixel(dc, shape.right - 1, shape.bottom - 1, 0);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

// The traced shape of button i in screen coordinates.
HRGN ExpectedShape(int width, int height, int i)
{
    RECT r = ButtonRect(width, height, i);
    const int left = r.left + 10, top = r.top + 10, right = r.right - 9, bottom = r.bottom - 9;
    return RegionOf({{left + 1, top, right - 1, top + 1},
                     {left, top + 1, right, bottom - 1},
                     {left + 1, bottom - 1, right - 1, bottom}});
}

int EntriesAllocated(const Skin* skin)
{
    if (skin->buttons == nullptr) {
        return 0;
    }
    SIZE_T bytes = HeapSize(GetProcessHeap(), 0, skin->buttons);
    return static_cast<int>(bytes / sizeof(ButtonEntry));
}

// True when nothing holds the bitmap selected: a selected bitmap cannot go into a second DC.
bool IsDeselected(HBITMAP bitmap)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    bool free = old != nullptr && old != HGDI_ERROR;
    if (free) {
        SelectObject(dc, old);
    }
    DeleteDC(dc);
    return free;
}

class ButtonTableTest : public SkinTest {
protected:
    // A fresh record as LoadSkin leaves it before the table, made current so FreeSkin cleans up.
    Skin* MakeSkin(int width, int height, HBITMAP templ)
    {
        Skin* skin =
            static_cast<Skin*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Skin)));
        skin->screenWidth = width;
        skin->screenHeight = height;
        skin->paintWidth = width;
        skin->paintHeight = height;
        skin->regionTemplate = templ;
        currentSkin = skin;
        return skin;
    }
    Skin* MakeGridSkin(int width = 800, int height = 600)
    {
        return MakeSkin(width, height, GridTemplate(width, height));
    }
    void SetRectangle(const std::string& name, const std::string& text)
    {
        fake::SetString("Buttons\\" + name, "Rectangle Mode 2", text);
    }
};

}  // namespace

TEST_F(ButtonTableTest, SixSubKeysGiveSixButtonsInOrderWithShapesOnTheScreen)
{
    AddButtons(800, 600);
    Skin* skin = MakeGridSkin();
    ASSERT_EQ(1, LoadButtonTable(skin));
    ASSERT_EQ(6, skin->buttonCount);
    EXPECT_EQ(6, EntriesAllocated(skin));
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(("Button " + std::to_string(i)).c_str(), skin->buttons[i].name);
        HRGN expected = ExpectedShape(800, 600, i);
        EXPECT_TRUE(EqualRgn(skin->buttons[i].region, expected))
            << i << ": got " << Describe(skin->buttons[i].region) << " want " << Describe(expected);
        DeleteObject(expected);
    }
    EXPECT_TRUE(IsDeselected(skin->regionTemplate));

    std::vector<std::string> expected;
    for (int i = 0; i < 6; ++i) {
        expected.push_back("Kivrel_EnumKeyName(Buttons, " + std::to_string(i) + ", 256, 1)");
        expected.push_back("Kivrel_GetProfileStringEx(Buttons\\Button " + std::to_string(i) +
                           ", Rectangle Mode 2, 128, 1, (null), 0)");
    }
    EXPECT_EQ(expected, fake::Calls());
}

TEST_F(ButtonTableTest, UsesTheFirstSixOfEightAndFailsWithFive)
{
    AddButtons(800, 600);
    fake::AddSubKey("Buttons", "Extra 6");
    fake::AddSubKey("Buttons", "Extra 7");
    SetRectangle("Extra 6", "40,40,139,99");
    Skin* skin = MakeGridSkin();
    EXPECT_EQ(1, LoadButtonTable(skin));
    EXPECT_EQ(6, skin->buttonCount);
    EXPECT_EQ(6, EntriesAllocated(skin));
    EXPECT_EQ(12u, fake::Calls().size()) << "sub-keys past the sixth are never read";
    FreeSkin();

    fake::Reset();
    AddButtons(800, 600, 5);
    skin = MakeGridSkin();
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(5, skin->buttonCount);
    EXPECT_EQ(5, EntriesAllocated(skin));
    EXPECT_EQ("Kivrel_EnumKeyName(Buttons, 5, 256, 1)", fake::Calls().back());
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(nullptr, skin->buttons[i].region);
    }
}

TEST_F(ButtonTableTest, AMissingRectangleLeavesANamedUncountedEntry)
{
    AddButtons(800, 600);
    fake::CurrentSettings().strings.erase("Buttons\\Button 2");
    Skin* skin = MakeGridSkin();
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(2, skin->buttonCount);
    ASSERT_EQ(3, EntriesAllocated(skin));
    EXPECT_STREQ("Button 2", skin->buttons[2].name);
    EXPECT_EQ(nullptr, skin->buttons[2].region);
    EXPECT_EQ("Kivrel_GetProfileStringEx(Buttons\\Button 2, Rectangle Mode 2, 128, 1, (null), 0)",
              fake::Calls().back());
    EXPECT_TRUE(IsDeselected(skin->regionTemplate));

    HRGN built[2] = {skin->buttons[0].region, skin->buttons[1].region};
    FreeSkin();
    EXPECT_EQ(0u, GetObjectType(built[0]));
    EXPECT_EQ(0u, GetObjectType(built[1]));

    // An empty value fails the same way, and so does a rectangle with no white pixel in it.
    fake::Reset();
    AddButtons(800, 600);
    SetRectangle("Button 1", "");
    skin = MakeGridSkin();
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(1, skin->buttonCount);
    EXPECT_EQ(2, EntriesAllocated(skin));
    FreeSkin();

    fake::Reset();
    AddButtons(800, 600);
    SetRectangle("Button 0", "0,0,20,20");
    skin = MakeGridSkin();
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(0, skin->buttonCount);
    EXPECT_EQ(1, EntriesAllocated(skin));
    EXPECT_EQ(nullptr, skin->buttons[0].region);
}

TEST_F(ButtonTableTest, RectangleTextsOfTheSettings)
{
    struct Case {
        const char* text;
        bool builds;
    };
    // Button 0's shape lies inside all of these blocks, so every one that builds gives the same
    // region in screen coordinates.
    const Case cases[] = {
        {"40,40,139,99", true},      {"40, 40, 139, 99", true}, {"40,40,139,99,9", true},
        {",40,,40,139,,99,", true},  {"x,40,139,99", true},     {"0x40,40,139,99", true},
        {"-5,40,139,99", false},     {"139,40,40,99", false},   {"40,99,139,40", false},
        {"40,40,139", false},        {"40,40,139,99 9", true},  {"4294967295,40,139,99", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        fake::Reset();
        AddButtons(800, 600);
        SetRectangle("Button 0", c.text);
        Skin* skin = MakeGridSkin();
        EXPECT_EQ(c.builds ? 1 : 0, LoadButtonTable(skin));
        EXPECT_EQ(c.builds ? 6 : 0, skin->buttonCount);
        ASSERT_NE(nullptr, skin->buttons);
        if (c.builds) {
            HRGN expected = ExpectedShape(800, 600, 0);
            EXPECT_TRUE(EqualRgn(skin->buttons[0].region, expected))
                << Describe(skin->buttons[0].region);
            DeleteObject(expected);
        } else {
            EXPECT_EQ(nullptr, skin->buttons[0].region);
        }
        FreeSkin();
    }
}

TEST_F(ButtonTableTest, TheTemplatesPixelIsTheScreensPixel)
{
    HDC screen = GetDC(nullptr);
    HBITMAP templ = CreateCompatibleBitmap(screen, 800, 600);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, templ);
    RECT all = {0, 0, 800, 600};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetPixel(dc, 64, 400, RGB(255, 255, 255));
    SetPixel(dc, 191, 471, RGB(255, 255, 255));
    SetPixel(dc, 192, 472, RGB(255, 255, 255));  // just outside the rectangle
    SelectObject(dc, old);
    DeleteDC(dc);

    for (int i = 0; i < 6; ++i) {
        const std::string name = "Button " + std::to_string(i);
        fake::AddSubKey("Buttons", name);
        SetRectangle(name, "64,400,191,471");
    }
    Skin* skin = MakeSkin(800, 600, templ);
    ASSERT_EQ(1, LoadButtonTable(skin));
    HRGN region = skin->buttons[3].region;
    EXPECT_TRUE(PtInRegion(region, 64, 400));
    EXPECT_TRUE(PtInRegion(region, 191, 471));
    EXPECT_FALSE(PtInRegion(region, 65, 400));
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, 192, 472));
    EXPECT_EQ((RECT{64, 400, 192, 472}), skintest::Box(region));
}

TEST_F(ButtonTableTest, AButtonNameTooLongForTheKeyPathFailsTheTable)
{
    // "Buttons\" takes 8 of the key path's 255 characters.
    const std::string longest(247, 'n');
    fake::AddSubKey("Buttons", longest);
    fake::SetString("Buttons\\" + longest, "Rectangle Mode 2", RectangleText(ButtonRect(800, 600, 0)));
    for (int i = 1; i < 6; ++i) {
        const std::string name = "Button " + std::to_string(i);
        fake::AddSubKey("Buttons", name);
        SetRectangle(name, RectangleText(ButtonRect(800, 600, i)));
    }
    Skin* skin = MakeGridSkin();
    EXPECT_EQ(1, LoadButtonTable(skin));
    EXPECT_STREQ(longest.c_str(), skin->buttons[0].name);
    FreeSkin();

    for (size_t length : {248u, 255u}) {
        SCOPED_TRACE(length);
        fake::Reset();
        const std::string tooLong(length, 'n');
        fake::AddSubKey("Buttons", tooLong);
        fake::SetString("Buttons\\" + tooLong.substr(0, 247), "Rectangle Mode 2",
                        RectangleText(ButtonRect(800, 600, 0)));
        AddButtons(800, 600, 5);
        skin = MakeGridSkin();
        EXPECT_EQ(0, LoadButtonTable(skin));
        EXPECT_EQ(0, skin->buttonCount);
        EXPECT_EQ(nullptr, skin->buttons);
        EXPECT_TRUE(fake::CallsStartingWith("Kivrel_GetProfileStringEx").empty());
        FreeSkin();
    }
}

TEST_F(ButtonTableTest, NoTemplateOrNoModeLeavesTheTableUntouched)
{
    AddButtons(800, 600);
    Skin* skin = MakeSkin(800, 600, nullptr);
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(nullptr, skin->buttons);
    EXPECT_EQ(0, skin->buttonCount);
    FreeSkin();

    HBITMAP gone = GridTemplate(800, 600);
    DeleteObject(gone);
    skin = MakeSkin(800, 600, gone);
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(nullptr, skin->buttons);
    skin->regionTemplate = nullptr;
    FreeSkin();

    // A template held selected by some other DC cannot be traced.
    skin = MakeGridSkin(800, 600);
    HDC holder = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(holder, skin->regionTemplate);
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(nullptr, skin->buttons);
    SelectObject(holder, old);
    DeleteDC(holder);
    FreeSkin();

    // A screen the menu never shows on has no rectangle names to read.
    skin = MakeGridSkin(800, 600);
    skin->screenWidth = 7681;
    skin->screenHeight = 4320;
    fake::Calls().clear();
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(nullptr, skin->buttons);
    EXPECT_TRUE(fake::Calls().empty());
    EXPECT_TRUE(IsDeselected(skin->regionTemplate));
    EXPECT_EQ(0, LoadButtonTable(nullptr));
}

namespace {
long long pixelReads = 0;
// Every pixel past the template reads invalid, as the real call gives there: fast enough to trace
// the whole budget in a test.
COLORREF WINAPI CountingGetPixel(HDC, int, int)
{
    ++pixelReads;
    return CLR_INVALID;
}
} // namespace

TEST_F(ButtonTableTest, TracedPixelsAreBoundedPerSkinLoadNotPerSide)
{
    // A wide, flat button traces; its shape is no reason to refuse it.
    Skin* skin = MakeGridSkin(800, 600);
    AddButtons(800, 600);
    SetRectangle("Button 0", "0,0,4200,99");
    ASSERT_EQ(1, LoadButtonTable(skin));
    // From the first shape's left edge to the block's right edge: past the template every pixel
    // reads invalid, and belongs.
    EXPECT_EQ((RECT{50, 0, 4201, 100}), skintest::Box(skin->buttons[0].region));
    FreeSkin();

    // Six blocks of 4096 x 4096 pixels: the first two alone would trace more than one picture
    // of the largest screen, so the second is refused before a pixel of it is read.
    skintest::ImportHook hook("gdi32.dll", "GetPixel", reinterpret_cast<void*>(&CountingGetPixel));
    ASSERT_TRUE(hook.Installed());
    pixelReads = 0;
    skin = MakeGridSkin(800, 600);
    for (int i = 0; i < 6; ++i) {
        SetRectangle("Button " + std::to_string(i), "0,0,4095,4095");
    }
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(1, skin->buttonCount);
    EXPECT_EQ(nullptr, skin->buttons[1].region);
    EXPECT_EQ(4096LL * 4096, pixelReads);
    FreeSkin();

    // At the edge: 17,177,596 pixels, then exactly the 16,000,004 left load; one pixel more (a
    // block of 3 x 5,333,335) is refused unread.
    for (const bool onePixelMore : {false, true}) {
        pixelReads = 0;
        skin = MakeGridSkin(800, 600);
        SetRectangle("Button 0", "0,0,8588797,1");
        SetRectangle("Button 1", onePixelMore ? "0,0,5333334,2" : "0,0,8000001,1");
        EXPECT_EQ(0, LoadButtonTable(skin));
        EXPECT_EQ(onePixelMore ? 1 : 2, skin->buttonCount);
        EXPECT_EQ(onePixelMore ? 17177596LL : MaxTracedPixels, pixelReads);
        FreeSkin();
    }
}

namespace {
HRGN offsetRegion = nullptr;
int WINAPI FailingOffsetRgn(HRGN region, int, int)
{
    offsetRegion = region;
    return ERROR;
}
}  // namespace

TEST_F(ButtonTableTest, ARegionThatCannotBeMovedFailsItsButtonAndIsDeleted)
{
    Skin* skin = MakeGridSkin(800, 600);
    AddButtons(800, 600);
    skintest::ImportHook hook("gdi32.dll", "OffsetRgn", reinterpret_cast<void*>(&FailingOffsetRgn));
    ASSERT_TRUE(hook.Installed());
    offsetRegion = nullptr;
    EXPECT_EQ(0, LoadButtonTable(skin));
    EXPECT_EQ(0, skin->buttonCount);
    ASSERT_NE(nullptr, offsetRegion);
    EXPECT_EQ(0u, GetObjectType(offsetRegion));
    EXPECT_EQ(nullptr, skin->buttons[0].region);
}
