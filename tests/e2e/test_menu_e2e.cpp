// The real tilebox.exe on the bench's display: start period, press feedback with real X input,
// display changes and a skin that fails, read from real screen pixels and exit codes.
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/e2e/menu_fixture.h"

#include <gtest/gtest.h>

namespace {

const int mode3 = 2;

class Menu : public MenuFixture {
protected:
    static COLORREF WaitFor(POINT p, COLORREF colour, DWORD timeoutMs = 3000)
    {
        return bench::WaitForScreenPixel(p.x, p.y, colour, timeoutMs);
    }

    // The start period lasts ten seconds from the window's showing.
    bool WaitUntilActive()
    {
        return WaitFor(testskin::ButtonCentre(mode3, 0), testskin::normalButton, 14000) ==
               testskin::normalButton;
    }

    static bool IsTopmost(HWND window)
    {
        return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    }

    // The start period's look at the mode's size: the whole screen covered, topmost, every
    // button lit.
    static void ExpectShownLitAndTopmost(HWND window, int mode)
    {
        RECT r;
        GetWindowRect(window, &r);
        EXPECT_EQ(0, r.left);
        EXPECT_EQ(0, r.top);
        EXPECT_EQ(testskin::ModeWidth(mode), r.right);
        EXPECT_EQ(testskin::ModeHeight(mode), r.bottom);
        EXPECT_TRUE(IsTopmost(window));
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(testskin::selectedButton,
                      WaitFor(testskin::ButtonCentre(mode, i), testskin::selectedButton))
                << i;
        }
    }
};

TEST_F(Menu, StartsTopmostAndLitForTenSecondsThenBecomesAnOrdinaryWindow)
{
    SetRemoteCode(320);
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    DWORD shown = GetTickCount();
    HWND window = MenuWindow();
    ExpectShownLitAndTopmost(window, mode3);
    EXPECT_EQ(testskin::selectedBackground, bench::ScreenPixel(5, 5));

    // Clicks during the start period do nothing: no message reaches the agent.
    POINT centre = testskin::ButtonCentre(mode3, 2);
    bench::Click(centre.x, centre.y);
    Sleep(300);
    EXPECT_TRUE(AgentMessages().empty());

    ASSERT_TRUE(WaitUntilActive());
    DWORD elapsed = GetTickCount() - shown;
    EXPECT_GE(elapsed, 9000u) << "the start period ended early";
    EXPECT_FALSE(IsTopmost(window));
    EXPECT_EQ(testskin::normalBackground, WaitFor(POINT{5, 5}, testskin::normalBackground));
}

TEST_F(Menu, APressLightsOnlyItsButtonAndTheReleaseRunsTheButtonUnderIt)
{
    SetRemoteCode(320);
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    ASSERT_TRUE(WaitUntilActive());

    POINT c1 = testskin::ButtonCentre(mode3, 1);
    POINT c2 = testskin::ButtonCentre(mode3, 2);
    bench::MouseDown(c1.x, c1.y);
    EXPECT_EQ(testskin::selectedButton, WaitFor(c1, testskin::selectedButton));
    POINT corner = testskin::ButtonCorner(mode3, 1);
    EXPECT_EQ(testskin::normalBackground, bench::ScreenPixel(corner.x, corner.y))
        << "the template leaves the rectangle's corner out of the shape";
    EXPECT_EQ(testskin::normalButton, bench::ScreenPixel(c2.x, c2.y));

    // Released on another button: all unlit, and that button's action runs once.
    bench::MouseUp(c2.x, c2.y);
    EXPECT_EQ(testskin::normalButton, WaitFor(c1, testskin::normalButton));
    Sleep(300);
    EXPECT_EQ(std::vector<std::string>{"1028 1798 0"}, AgentMessages());

    // Pressed outside every button: nothing lights; released on a button: its action runs.
    bench::MouseDown(5, 5);
    Sleep(300);
    EXPECT_EQ(testskin::normalButton, bench::ScreenPixel(c1.x, c1.y));
    EXPECT_EQ(testskin::normalBackground, bench::ScreenPixel(5, 5));
    POINT c4 = testskin::ButtonCentre(mode3, 4);
    bench::MouseUp(c4.x, c4.y);
    Sleep(300);
    EXPECT_EQ(2u, AgentMessages().size());

    // Pressed on a button and released outside: lit, then unlit, and no action.
    POINT c0 = testskin::ButtonCentre(mode3, 0);
    bench::MouseDown(c0.x, c0.y);
    EXPECT_EQ(testskin::selectedButton, WaitFor(c0, testskin::selectedButton));
    bench::MouseUp(5, 5);
    EXPECT_EQ(testskin::normalButton, WaitFor(c0, testskin::normalButton));
    Sleep(300);
    EXPECT_EQ(2u, AgentMessages().size());
    EXPECT_TRUE(menu.IsRunning());
}

TEST_F(Menu, FollowsDisplayChangesThroughEverySizeTheSkinNamesAndClosesOnOneItDoesNot)
{
    ASSERT_TRUE(bench::SetDisplayMode(1920, 1080));
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    HWND window = MenuWindow();
    // From today's sizes down to the classic ones: each paints its own lit panel, whose
    // buttons lie elsewhere at each size.
    for (int mode : {testskin::mode720p, mode3, 1, 0}) {
        const int w = testskin::ModeWidth(mode), h = testskin::ModeHeight(mode);
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        ASSERT_TRUE(bench::SetDisplayMode(w, h));
        POINT c3 = testskin::ButtonCentre(mode, 3);
        EXPECT_EQ(testskin::selectedButton, WaitFor(c3, testskin::selectedButton))
            << "the panel of the new size is painted";
        POINT corner = testskin::ButtonCorner(mode, 3);
        EXPECT_EQ(testskin::selectedBackground, bench::ScreenPixel(corner.x, corner.y));
        RECT r;
        GetWindowRect(window, &r);
        EXPECT_EQ(1920, r.right - r.left) << "the window keeps its size and place";
        EXPECT_EQ(1080, r.bottom - r.top);
        EXPECT_TRUE(menu.IsRunning());
    }
    ASSERT_TRUE(bench::SetDisplayMode(1280, 1024));
    EXPECT_EQ(18u, menu.WaitExit(10000));
}

TEST_F(Menu, AtTodaysSizeShowsLitAndTopmostThenAPressLightsItsShapeAndTheReleaseActs)
{
    SetRemoteCode(321);
    ASSERT_TRUE(bench::SetDisplayMode(1920, 1080));
    const int mode = testskin::mode1080p;
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    HWND window = MenuWindow();
    ExpectShownLitAndTopmost(window, mode);
    EXPECT_EQ(testskin::normalButton,
              WaitFor(testskin::ButtonCentre(mode, 0), testskin::normalButton, 14000));
    EXPECT_FALSE(IsTopmost(window));

    POINT c4 = testskin::ButtonCentre(mode, 4);
    bench::MouseDown(c4.x, c4.y);
    EXPECT_EQ(testskin::selectedButton, WaitFor(c4, testskin::selectedButton));
    POINT corner = testskin::ButtonCorner(mode, 4);
    EXPECT_EQ(testskin::normalBackground, bench::ScreenPixel(corner.x, corner.y))
        << "only the traced shape lights, not its rectangle";
    POINT c5 = testskin::ButtonCentre(mode, 5);
    EXPECT_EQ(testskin::normalButton, bench::ScreenPixel(c5.x, c5.y));
    bench::MouseUp(c4.x, c4.y);
    EXPECT_EQ(testskin::normalButton, WaitFor(c4, testskin::normalButton));
    Sleep(300);
    EXPECT_EQ(std::vector<std::string>{"1028 321 0"}, AgentMessages());
}

TEST_F(Menu, ASkinThatFailsAtStartEndsWithZeroAndShowsNothing)
{
    bench::DeleteTree(HKEY_CURRENT_USER, "Software\\Velnor\\Tilebox\\Buttons\\Button 3");
    bench::Process menu;
    ASSERT_TRUE(bench::StartInBin(menu, "tilebox.exe", ""));
    bool windowSeen = false;
    DWORD code = STILL_ACTIVE;
    for (int i = 0; i < 200 && code == STILL_ACTIVE; ++i) {
        windowSeen = windowSeen || bench::WaitForWindow(menuClass, 0, menu.Id()) != nullptr;
        code = menu.WaitExit(50);
    }
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(windowSeen);
}

TEST_F(Menu, WaitsSixSecondsForAnAgentThatNeverComes)
{
    StopAgent();
    bench::Process menu;
    DWORD start = GetTickCount();
    ASSERT_TRUE(StartMenu(menu, "", 15000));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 5800u);
    EXPECT_LT(elapsed, 12000u);
}

TEST_F(Menu, FindsAnAgentThatComesDuringTheWait)
{
    StopAgent();
    ASSERT_TRUE(StartAgent("--delay-ms 2500"));
    bench::Process menu;
    DWORD start = GetTickCount();
    ASSERT_TRUE(StartMenu(menu, "", 15000));
    DWORD elapsed = GetTickCount() - start;
    // Found at the fourth lookup, after three pauses; no pause follows.
    EXPECT_GE(elapsed, 2500u);
    EXPECT_LT(elapsed, 5500u);
}

TEST_F(Menu, TheCloseButtonEndsTheMenuWith18)
{
    SetRemoteCode(39321);
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    ASSERT_TRUE(WaitUntilActive());
    POINT c5 = testskin::ButtonCentre(mode3, 5);
    bench::Click(c5.x, c5.y);
    EXPECT_EQ(18u, menu.WaitExit(10000));
    EXPECT_TRUE(AgentMessages().empty());
}

}  // namespace
