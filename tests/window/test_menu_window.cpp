// The menu window in this process: the real window procedure and skin code, the tests' own skin
// files, and the recording fake of the settings store.
#include "actions/hit_test.h"
#include "app/app_state.h"
#include "app/menu_window.h"
#include "skin/skin.h"
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/fakes/fake_outside.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const int mode3 = 2;  // 1024 x 768

void ServeTestSkin()
{
    for (int mode = 0; mode < 3; ++mode) {
        std::string digit = std::to_string(mode + 1);
        fake::SetString("Panel", "Normal Bitmap Mode " + digit, testskin::NormalFile(mode));
        fake::SetString("Panel", "Selected Bitmap Mode " + digit, testskin::SelectedFile(mode));
        fake::SetString("Panel", "Region Template Mode " + digit, testskin::TemplateFile(mode));
    }
    for (int index = 0; index < 6; ++index) {
        std::string name = testskin::ButtonName(index);
        fake::AddSubKey("Buttons", name);
        for (int mode = 0; mode < 3; ++mode) {
            fake::SetString("Buttons\\" + name, "Rectangle Mode " + std::to_string(mode + 1),
                            testskin::RectangleText(mode, index));
        }
    }
}

LPARAM PointParam(POINT p)
{
    return MAKELPARAM(p.x, p.y);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchMessageA(&msg);
    }
}

class MenuWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bench::SetDisplayMode(1024, 768));
        ASSERT_TRUE(testskin::WriteFiles(bench::BinDir()));
        fake::Reset();
        ServeTestSkin();
        menuActive = 0;
        // An agent in this process spares the wait for one at creation.
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MorvixRemoteCtrl4VelnorWndClass";
        RegisterClassA(&wc);
        agent = CreateWindowExA(0, wc.lpszClassName, "agent", WS_POPUP, 0, 0, 1, 1, nullptr,
                                nullptr, wc.hInstance, nullptr);
        RegisterMenuClass(GetModuleHandleA(nullptr));
    }

    void TearDown() override
    {
        if (appState != nullptr && IsWindow(appState->mainWindow)) {
            DestroyWindow(appState->mainWindow);
        }
        DestroyWindow(agent);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        bench::SetDisplayMode(1024, 768);
    }

    HWND Create()
    {
        if (!CreateMenuWindow(GetModuleHandleA(nullptr))) {
            return nullptr;
        }
        Pump();
        return appState->mainWindow;
    }

    static bool IsTopmost(HWND window)
    {
        return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    }

    // Wine hands a window's drawing to the X server from its message loop, so the screen is
    // read only after the queue was pumped for a moment.
    static COLORREF Pixel(POINT p)
    {
        Pump();
        Sleep(60);
        Pump();
        return bench::ScreenPixel(p.x, p.y);
    }

    HWND agent = nullptr;
};

TEST_F(MenuWindow, CreationShowsTheLitPanelTopmostAtScreenSize)
{
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(window, appState->mainWindow);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(IsTopmost(window));
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(1024, r.right);
    EXPECT_EQ(768, r.bottom);
    EXPECT_EQ(0, menuActive);

    // The profile user is selected before the first read, with the application key.
    ASSERT_FALSE(fake::Calls().empty());
    EXPECT_EQ(0u, fake::Calls().front().rfind("Kivrel_SetUserProfileInfo(", 0));
    EXPECT_NE(std::string::npos, fake::Calls().front().find(", Velnor\\Tilebox)"));

    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(testskin::selectedButton, Pixel(testskin::ButtonCentre(mode3, i))) << i;
        EXPECT_EQ(testskin::selectedBackground, Pixel(testskin::ButtonCorner(mode3, i))) << i;
    }
}

TEST_F(MenuWindow, TheStartPeriodIgnoresTheMouseAndEndsOnlyWithItsOwnTimer)
{
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    POINT centre = testskin::ButtonCentre(mode3, 1);

    EXPECT_EQ(0, SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(centre)));
    EXPECT_EQ(0, currentSkin->pressed);
    EXPECT_EQ(0, SendMessageA(window, WM_TIMER, 4098, 0));
    EXPECT_EQ(0, menuActive);
    EXPECT_TRUE(IsTopmost(window));

    EXPECT_EQ(0, SendMessageA(window, WM_TIMER, ActivationTimerId, 0));
    EXPECT_EQ(1, menuActive);
    EXPECT_FALSE(IsTopmost(window));
    EXPECT_FALSE(KillTimer(window, ActivationTimerId)) << "the timer must fire only once";
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(testskin::normalButton, Pixel(testskin::ButtonCentre(mode3, i))) << i;
        EXPECT_EQ(testskin::normalBackground, Pixel(testskin::ButtonCorner(mode3, i))) << i;
    }
}

TEST_F(MenuWindow, APressLightsExactlyTheTracedShapeOfItsButton)
{
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);

    POINT centre = testskin::ButtonCentre(mode3, 1);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(centre));
    EXPECT_EQ(1, currentSkin->pressed);
    EXPECT_EQ(testskin::selectedButton, Pixel(centre));
    EXPECT_EQ(testskin::normalBackground, Pixel(testskin::ButtonCorner(mode3, 1)))
        << "the rectangle's corner lies outside the traced shape";
    EXPECT_EQ(testskin::normalButton, Pixel(testskin::ButtonCentre(mode3, 2)));
    EXPECT_EQ(testskin::normalBackground, Pixel(POINT{2, 2}));

    // Released outside every button: everything unlit again, no button's action.
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(0, currentSkin->pressed);
    EXPECT_EQ(testskin::normalButton, Pixel(centre));
    EXPECT_TRUE(fake::CallsStartingWith("Kivrel_GetProfileDWord").empty());

    // A press outside every button lights nothing; the release on a button reads its code.
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(0, currentSkin->pressed);
    EXPECT_EQ(testskin::normalButton, Pixel(centre));
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(testskin::ButtonCentre(mode3, 4)));
    EXPECT_EQ(std::vector<std::string>{"Kivrel_GetProfileDWord(Buttons\\Button 4, Remote Code)"},
              fake::CallsStartingWith("Kivrel_GetProfileDWord"));
}

TEST_F(MenuWindow, HitTestingTakesTheLowerIndexAndSignedCoordinates)
{
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    POINT c1 = testskin::ButtonCentre(mode3, 1);
    EXPECT_EQ(1, HitTestButtons(window, c1.x, c1.y));
    EXPECT_EQ(-1, HitTestButtons(window, 2, 2));
    EXPECT_EQ(-1, HitTestButtons(window, -5, c1.y));

    // Give button 4 a copy of button 1's shape: the overlap belongs to button 1.
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(copy, currentSkin->buttons[1].region, nullptr, RGN_COPY);
    DeleteObject(currentSkin->buttons[4].region);
    currentSkin->buttons[4].region = copy;
    EXPECT_EQ(1, HitTestButtons(window, c1.x, c1.y));

    // Halves of lParam are signed: 0xFFFF is -1, not 65535, and hits nothing.
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0xFFFF, c1.y));
    EXPECT_EQ(0, currentSkin->pressed);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c1.x, c1.y));
    EXPECT_EQ(1, currentSkin->pressed);
}

TEST_F(MenuWindow, EraseBackgroundDrawsNothing)
{
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    HDC dc = GetDC(window);
    EXPECT_EQ(1, MenuWindowProc(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0));
    ReleaseDC(window, dc);
    EXPECT_EQ(testskin::selectedBackground, Pixel(testskin::ButtonCorner(mode3, 0)));
}

TEST_F(MenuWindow, ADisplayChangeReloadsTheSkinOrClosesTheMenu)
{
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(bench::SetDisplayMode(800, 600));
    Pump();
    ASSERT_NE(nullptr, currentSkin);
    EXPECT_EQ(800, currentSkin->screenWidth);
    EXPECT_EQ(6, currentSkin->buttonCount);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(1024, r.right - r.left) << "the window keeps its size";
    EXPECT_EQ(testskin::selectedButton, Pixel(testskin::ButtonCentre(1, 3)));
    EXPECT_EQ(0, menuActive) << "the start period goes on";

    ASSERT_TRUE(bench::SetDisplayMode(1280, 1024));
    Pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, currentSkin);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(18u, msg.wParam);
}

TEST_F(MenuWindow, ASkinThatFailsRefusesCreation)
{
    fake::CurrentSettings().strings["Panel"].erase("Region Template Mode 3");
    EXPECT_EQ(nullptr, Create());
    EXPECT_TRUE(bench::TopLevelWindowsOfClass(menuWindowClassName).empty());
    EXPECT_EQ(nullptr, currentSkin) << "the half-built skin is freed with the window";
}

struct AgentWait {
    int lookups = 0;
    int foundAt = 0;
    std::vector<DWORD> pauses;
};
AgentWait wait;

HWND CountingLookup()
{
    ++wait.lookups;
    return wait.lookups == wait.foundAt ? reinterpret_cast<HWND>(1) : nullptr;
}

void CountingPause(DWORD ms)
{
    wait.pauses.push_back(ms);
}

TEST(AgentWait, LooksSixTimesAtMostWithAPauseAfterEachFailure)
{
    wait = AgentWait();
    wait.foundAt = 1;
    EXPECT_EQ(1, WaitForAgent(CountingLookup, CountingPause));
    EXPECT_TRUE(wait.pauses.empty());

    wait = AgentWait();
    wait.foundAt = 4;
    EXPECT_EQ(4, WaitForAgent(CountingLookup, CountingPause));
    EXPECT_EQ((std::vector<DWORD>{1000, 1000, 1000}), wait.pauses);

    wait = AgentWait();
    WaitForAgent(CountingLookup, CountingPause);
    EXPECT_EQ(6, wait.lookups);
    EXPECT_EQ(std::vector<DWORD>(6, 1000), wait.pauses);
}

}  // namespace
