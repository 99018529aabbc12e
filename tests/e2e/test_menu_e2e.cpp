// The real tilebox.exe on the bench's display: start period, press feedback with real X input,
// display changes and a skin that fails, read from real screen pixels and exit codes.
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/e2e/menu_fixture.h"

#include <gtest/gtest.h>

namespace {

const int mode3 = 2;

// Six tiles of a 1366x768 skin in a 3 x 2 grid, each filling its rectangle (inclusive right and
// bottom) in all three pictures, so that the screen shows exactly where each tile's template is.
// Shrunk to 1360 columns, a column past the boundary after a tile's right column shows that
// column for right columns 0-112, 227-339, 455-567, 683-795, 910-1022 and 1138-1250 (Wine's
// stretch picks the nearest source column): the tiles end inside three of those runs.
RECT FilledTile(int index)
{
    static const int lefts[3] = {20, 400, 850};
    static const int rights[3] = {300, 700, 1200};
    const int row = index / 3;
    RECT r;
    r.left = lefts[index % 3];
    r.top = row * 768 / 2 + 96;
    r.right = rights[index % 3];
    r.bottom = r.top + 191;
    return r;
}

bool InFilledTile(int x, int y)
{
    for (int i = 0; i < 6; ++i) {
        const RECT r = FilledTile(i);
        if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) {
            return true;
        }
    }
    return false;
}

COLORREF FilledNormal(int, int x, int y)
{
    return InFilledTile(x, y) ? testskin::normalButton : testskin::normalBackground;
}

COLORREF FilledSelected(int, int x, int y)
{
    return InFilledTile(x, y) ? testskin::selectedButton : testskin::selectedBackground;
}

COLORREF FilledTemplate(int, int x, int y)
{
    return InFilledTile(x, y) ? RGB(255, 255, 255) : RGB(0, 0, 0);
}

// Names 1366x768 in the user's settings with the filled tiles; the pictures go beside the
// test skin's.
bool WriteFilledTiles()
{
    const std::string panel = "Software\\Velnor\\Tilebox\\Panel";
    const struct {
        const char* value;
        const char* file;
        testskin::PixelColour colour;
    } pictures[] = {{"Normal Bitmap 1366x768", "testskin\\filled-normal.bmp", FilledNormal},
                    {"Selected Bitmap 1366x768", "testskin\\filled-selected.bmp", FilledSelected},
                    {"Region Template 1366x768", "testskin\\filled-template.bmp", FilledTemplate}};
    for (const auto& picture : pictures) {
        if (!testskin::WriteBitmap(bench::BinDir() + picture.file, 0, 1366, 768, picture.colour) ||
            !bench::WriteString(HKEY_CURRENT_USER, panel, picture.value, picture.file)) {
            return false;
        }
    }
    for (int i = 0; i < 6; ++i) {
        const RECT r = FilledTile(i);
        const std::string text = std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                                 std::to_string(r.right) + "," + std::to_string(r.bottom);
        if (!bench::WriteString(HKEY_CURRENT_USER,
                                "Software\\Velnor\\Tilebox\\Buttons\\" + testskin::ButtonName(i),
                                "Rectangle 1366x768", text)) {
            return false;
        }
    }
    return true;
}

LRESULT CALLBACK QuitOnPress(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN) {
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window of this process over the whole screen, in front of the menu, that ends on a press.
HWND ShowQuitOnPressWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = QuitOnPress;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "TileboxTestQuitOnPress";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "game", WS_POPUP | WS_VISIBLE,
                                  0, 0, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance,
                                  nullptr);
    if (window != nullptr) {
        SetForegroundWindow(window);
        bench::PumpFor(300);
    }
    return window;
}

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

    static void ExpectCovers(HWND window, int width, int height)
    {
        RECT r;
        GetWindowRect(window, &r);
        EXPECT_EQ(0, r.left);
        EXPECT_EQ(0, r.top);
        EXPECT_EQ(width, r.right) << "the window covers the screen";
        EXPECT_EQ(height, r.bottom);
    }

    // A point of the mode's panel where the fitted panel shows it on the screen.
    static POINT Mapped(POINT p, int mode, const RECT& placed)
    {
        return POINT{placed.left + p.x * (placed.right - placed.left) / testskin::ModeWidth(mode),
                     placed.top + p.y * (placed.bottom - placed.top) / testskin::ModeHeight(mode)};
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

    // A program in front that quits on the press (as some games do): its release comes to the
    // menu under the pointer, and acts on nothing.
    HWND game = ShowQuitOnPressWindow();
    ASSERT_NE(nullptr, game);
    bench::MouseDown(c4.x, c4.y);
    for (int i = 0; i < 40 && IsWindow(game); ++i) {
        bench::PumpFor(50);
    }
    ASSERT_FALSE(IsWindow(game)) << "the press reached the program";
    bench::MouseUp(c4.x, c4.y);
    Sleep(400);
    EXPECT_EQ(2u, AgentMessages().size());
    EXPECT_EQ(testskin::normalButton, bench::ScreenPixel(c4.x, c4.y));

    // The window moved away from the screen's corner, as the system moves it onto a monitor
    // that is not the primary one: a click on a button where it now shows lights it and acts.
    const POINT shift = {120, 80};
    ASSERT_TRUE(SetWindowPos(MenuWindow(), nullptr, shift.x, shift.y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    const POINT moved = {c4.x + shift.x, c4.y + shift.y};
    EXPECT_EQ(testskin::normalButton, WaitFor(moved, testskin::normalButton));
    bench::MouseDown(moved.x, moved.y);
    EXPECT_EQ(testskin::selectedButton, WaitFor(moved, testskin::selectedButton));
    bench::MouseUp(moved.x, moved.y);
    Sleep(300);
    EXPECT_EQ(3u, AgentMessages().size());
}

TEST_F(Menu, FollowsDisplayChangesThroughEverySizeTheSkinNamesAndClosesOnOneItDoesNot)
{
    ASSERT_TRUE(bench::SetDisplayMode(1920, 1080));
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    DWORD shown = GetTickCount();
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
        ExpectCovers(window, w, h);
        EXPECT_TRUE(menu.IsRunning());
    }

    // The display changes left the start period's timer alone: it still ends ten seconds after
    // the window showed.
    POINT c5 = testskin::ButtonCentre(0, 5);
    EXPECT_EQ(testskin::normalButton,
              WaitFor(c5, testskin::normalButton, 14000 - (GetTickCount() - shown)));
    DWORD elapsed = GetTickCount() - shown;
    EXPECT_GE(elapsed, 9000u);
    EXPECT_LT(elapsed, 12000u);

    // With fitting on, sizes the skin does not name reload from the nearest named one, and the
    // window grows with the screen. 1360x768 is served by 1280x720, stretched.
    ASSERT_TRUE(bench::WriteDWord(HKEY_CURRENT_USER, "Software\\Velnor\\Tilebox\\Panel",
                                  "Fit Other Sizes", 1));
    ASSERT_TRUE(bench::SetDisplayMode(1360, 768));
    const RECT stretched = {0, 0, 1360, 768};
    POINT c4 = Mapped(testskin::ButtonCentre(testskin::mode720p, 4), testskin::mode720p, stretched);
    EXPECT_EQ(testskin::normalButton, WaitFor(c4, testskin::normalButton));
    ExpectCovers(window, 1360, 768);
    bench::MouseDown(c4.x, c4.y);
    EXPECT_EQ(testskin::selectedButton, WaitFor(c4, testskin::selectedButton));
    POINT corner4 =
        Mapped(testskin::ButtonCorner(testskin::mode720p, 4), testskin::mode720p, stretched);
    EXPECT_EQ(testskin::normalBackground, bench::ScreenPixel(corner4.x, corner4.y))
        << "only the stretched shape lights";
    bench::MouseUp(c4.x, c4.y);

    // 2560x1080: the 1920x1080 panel stands centred with black beside it, its buttons in it.
    ASSERT_TRUE(bench::SetDisplayMode(2560, 1080));
    const RECT fitted = {320, 0, 2240, 1080};
    c4 = Mapped(testskin::ButtonCentre(testskin::mode1080p, 4), testskin::mode1080p, fitted);
    EXPECT_EQ(testskin::normalButton, WaitFor(c4, testskin::normalButton));
    EXPECT_EQ(RGB(0, 0, 0), bench::ScreenPixel(5, 5));
    EXPECT_EQ(RGB(0, 0, 0), bench::ScreenPixel(2555, 1075));
    ExpectCovers(window, 2560, 1080);

    // 1280x1024: the 1024x768 panel stretched.
    ASSERT_TRUE(bench::SetDisplayMode(1280, 1024));
    const RECT whole = {0, 0, 1280, 1024};
    POINT c0 = Mapped(testskin::ButtonCentre(mode3, 0), mode3, whole);
    EXPECT_EQ(testskin::normalButton, WaitFor(c0, testskin::normalButton));
    ExpectCovers(window, 1280, 1024);

    // Tiles of 1366x768 that fill their rectangles, served to 1360x768 with every other column
    // of a few dropped: the last column and row the screen shows of each tile light when pressed,
    // and a click there acts; the column past it is no part of the button.
    ASSERT_TRUE(WriteFilledTiles());
    ASSERT_TRUE(bench::SetDisplayMode(1360, 768));
    const std::string buttonsKey = "Software\\Velnor\\Tilebox\\Buttons\\";
    for (int i = 0; i < 6; ++i) {
        bench::WriteDWord(HKEY_CURRENT_USER, buttonsKey + testskin::ButtonName(i), "Remote Code",
                          320);
    }
    size_t acted = AgentMessages().size();
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE("tile " + std::to_string(i));
        const RECT tile = FilledTile(i);
        const int y = (tile.top + tile.bottom) / 2;
        const int x = (tile.left + tile.right) / 2 * 1360 / 1366;
        ASSERT_EQ(testskin::normalButton,
                  WaitFor(POINT{x, y}, testskin::normalButton, 5000));
        int right = (tile.right + 1) * 1360 / 1366 - 4;
        while (right < 1359 && bench::ScreenPixel(right + 1, y) == testskin::normalButton) {
            ++right;
        }
        int bottom = tile.bottom - 4;
        while (bottom < 767 && bench::ScreenPixel(x, bottom + 1) == testskin::normalButton) {
            ++bottom;
        }
        for (POINT p : {POINT{right - 1, y}, POINT{right, y}, POINT{x, bottom}}) {
            bench::MouseDown(p.x, p.y);
            EXPECT_EQ(testskin::selectedButton, WaitFor(p, testskin::selectedButton))
                << p.x << "," << p.y;
            bench::MouseUp(p.x, p.y);
            EXPECT_EQ(testskin::normalButton, WaitFor(p, testskin::normalButton));
            ++acted;
        }
        bench::MouseDown(right + 1, y);
        Sleep(150);
        EXPECT_EQ(testskin::normalBackground, bench::ScreenPixel(right + 1, y));
        bench::MouseUp(right + 1, y);
    }
    Sleep(300);
    EXPECT_EQ(acted, AgentMessages().size());

    // Without the value, a size the skin does not name closes the menu and does not start it.
    bench::DeleteTree(HKEY_CURRENT_USER, "Software\\Velnor\\Tilebox\\Panel");
    testskin::WriteSettings(HKEY_CURRENT_USER, 0);
    ASSERT_TRUE(bench::SetDisplayMode(1360, 768));
    EXPECT_EQ(18u, menu.WaitExit(10000));
    bench::Process again;
    ASSERT_TRUE(bench::StartInBin(again, "tilebox.exe", ""));
    EXPECT_EQ(0u, again.WaitExit(10000));
}

TEST_F(Menu, AtTodaysSizeShowsLitAndTopmostThenAPressLightsItsShapeAndTheReleaseActs)
{
    SetRemoteCode(321);
    ASSERT_TRUE(bench::SetDisplayMode(1920, 1080));
    const int mode = testskin::mode1080p;
    bench::Process menu;
    // At a display scale of 150 % the menu still measures and covers the physical screen.
    ASSERT_TRUE(bench::WriteDWord(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", 144));
    const bool started = StartMenu(menu);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
    ASSERT_TRUE(started);
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
    ASSERT_TRUE(bench::StartInBin(menu, "tilebox.exe", ""));
    // The wait comes before the window exists: nothing of the menu's class, shown or hidden, for
    // a second start or a broadcast to wait on.
    Sleep(2500);
    EXPECT_TRUE(bench::TopLevelWindowsOfClass(menuClass).empty());
    ASSERT_NE(nullptr, bench::WaitForWindow(menuClass, 15000, menu.Id()));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 5800u);
    EXPECT_LT(elapsed, 12000u);
    PostMessageA(MenuWindow(), WM_CLOSE, 0, 0);
    ASSERT_EQ(18u, menu.WaitExit(10000));

    // "Agent Wait" 0, as the installer sets it: no wait at all.
    ASSERT_TRUE(
        bench::WriteDWord(HKEY_CURRENT_USER, "Software\\Velnor\\Tilebox", "Agent Wait", 0));
    bench::Process unwaited;
    start = GetTickCount();
    ASSERT_TRUE(StartMenu(unwaited, "", 15000));
    EXPECT_LT(GetTickCount() - start, 3000u);
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

// The browser-home key as a remote's receiver sends it; Wine turns no X key into it.
void SendBrowserHome()
{
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_BROWSER_HOME;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

// Pumps this thread's windows until the menu is in front (true) or the time is out.
bool WaitForFront(HWND window, DWORD timeoutMs = 3000)
{
    for (DWORD waited = 0; waited < timeoutMs && GetForegroundWindow() != window; waited += 50) {
        bench::PumpFor(50);
    }
    return GetForegroundWindow() == window;
}

TEST_F(Menu, KeysAndAGamepadMoveALitFocusAndActWhileTheMouseWorksAsBefore)
{
    SetRemoteCode(320);
    // The two acting buttons have codes of their own, so a message names the button that acted.
    const std::string buttons = "Software\\Velnor\\Tilebox\\Buttons\\";
    bench::WriteDWord(HKEY_CURRENT_USER, buttons + testskin::ButtonName(5), "Remote Code", 321);
    bench::WriteDWord(HKEY_CURRENT_USER, buttons + testskin::ButtonName(4), "Remote Code", 1713);
    GamepadStandIn gamepad;
    ASSERT_TRUE(gamepad.Ready());
    bench::Process menu;
    ASSERT_TRUE(StartMenuWithGamepad(menu));
    auto centre = [](int i) { return testskin::ButtonCentre(mode3, i); };
    auto litButtons = [&] {
        std::string lit;
        for (int i = 0; i < 6; ++i) {
            POINT c = centre(i);
            lit += bench::ScreenPixel(c.x, c.y) == testskin::selectedButton ? '1' : '0';
        }
        return lit;
    };

    // During the start period keys and the gamepad do nothing, and the gamepad is not read.
    bench::MouseMove(5, 5);
    gamepad->connectedSlots = 1;
    bench::Keys("Right Down Return space");
    gamepad.Press(0, XINPUT_GAMEPAD_DPAD_RIGHT | XINPUT_GAMEPAD_A);
    gamepad->connectedSlots = 0;
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(0, gamepad->calls[slot]) << slot;
    }
    ASSERT_TRUE(WaitUntilActive());
    DWORD active = GetTickCount();
    Sleep(300);
    EXPECT_EQ("000000", litButtons());
    EXPECT_TRUE(AgentMessages().empty());

    // Right (the first press only focuses button 0), Right, Right, Down: the sixth button alone,
    // its traced shape only. Enter, then the keypad's Enter, each post its request once.
    bench::Keys("Right Right Right Down");
    EXPECT_EQ(testskin::selectedButton, WaitFor(centre(5), testskin::selectedButton));
    EXPECT_EQ("000001", litButtons());
    POINT corner = testskin::ButtonCorner(mode3, 5);
    EXPECT_EQ(testskin::normalBackground, bench::ScreenPixel(corner.x, corner.y));
    bench::Keys("Return");
    Sleep(300);
    EXPECT_EQ(std::vector<std::string>{"1028 321 0"}, AgentMessages());
    bench::Keys("KP_Enter Escape BackSpace");
    Sleep(300);
    EXPECT_EQ(2u, AgentMessages().size());
    EXPECT_EQ("000001", litButtons()) << "the focus stays lit after acting";

    // A press after the key focus: only the pressed button is lit while held.
    POINT c1 = centre(1);
    bench::MouseDown(c1.x, c1.y);
    EXPECT_EQ(testskin::selectedButton, WaitFor(c1, testskin::selectedButton));
    Sleep(200);
    EXPECT_EQ("010000", litButtons());
    bench::MouseUp(5, 5);
    EXPECT_EQ(testskin::normalButton, WaitFor(c1, testskin::normalButton));
    EXPECT_EQ("000000", litButtons());
    bench::MouseMove(5, 5);

    // The gamepad: a controller in slot 2 is found within the empty-slot interval; its first
    // push shows the focus where it was, the next moves it, A acts.
    gamepad->connectedSlots = 1 << 2;
    for (int i = 0; i < 60 && gamepad->calls[2] < 3; ++i) {
        Sleep(50);
    }
    ASSERT_GE(gamepad->calls[2], 3) << "the connected slot is read";
    gamepad.Press(2, XINPUT_GAMEPAD_DPAD_LEFT);
    EXPECT_EQ(testskin::selectedButton, WaitFor(centre(5), testskin::selectedButton));
    gamepad.Press(2, XINPUT_GAMEPAD_DPAD_LEFT);
    EXPECT_EQ(testskin::selectedButton, WaitFor(centre(4), testskin::selectedButton));
    EXPECT_EQ("000010", litButtons());
    gamepad.Press(2, XINPUT_GAMEPAD_A);
    Sleep(300);
    EXPECT_EQ((std::vector<std::string>{"1028 321 0", "1028 321 0", "2224 0 0"}),
              AgentMessages());

    // Another program in front: the gamepad is not read at all, and A does nothing.
    HWND menuWindow = MenuWindow();
    HWND other = bench::ShowWindowInFront("another program");
    ASSERT_TRUE(WaitForFront(other));
    bench::PumpFor(200);
    const LONG callsBehind = gamepad->calls[2];
    gamepad->pads[2].wButtons = XINPUT_GAMEPAD_A;
    bench::PumpFor(700);
    EXPECT_EQ(callsBehind, gamepad->calls[2]);
    EXPECT_EQ(3u, AgentMessages().size());

    // The browser-home key from there: the menu in front with its focus light, where an arrow
    // moves at once; the A still held from the other program is recorded, not acted on.
    SendBrowserHome();
    ASSERT_TRUE(WaitForFront(menuWindow));
    EXPECT_EQ(testskin::selectedButton, WaitFor(centre(4), testskin::selectedButton));
    bench::PumpFor(600);
    EXPECT_GT(gamepad->calls[2], callsBehind) << "read again in front";
    EXPECT_EQ(3u, AgentMessages().size()) << "a press made elsewhere never acts here";
    gamepad->pads[2].wButtons = 0;
    bench::MouseMove(5, 5);
    bench::Keys("Left");
    EXPECT_EQ(testskin::selectedButton, WaitFor(centre(3), testskin::selectedButton));

    // Minimised, with the other program in front: Win+Alt+Enter restores it in front.
    ShowWindow(menuWindow, SW_MINIMIZE);
    SetForegroundWindow(other);
    bench::PumpFor(500);
    ASSERT_TRUE(IsIconic(menuWindow));
    bench::Keys("super+alt+Return");
    EXPECT_TRUE(WaitForFront(menuWindow));
    EXPECT_FALSE(IsIconic(menuWindow));
    EXPECT_EQ(0, gamepad->strayCalls) << "the copy beside the program was loaded";

    // Empty slots were asked about once every two seconds at most.
    DWORD seconds = (GetTickCount() - active) / 1000 + 1;
    for (int slot : {0, 1, 3}) {
        EXPECT_LE(gamepad->calls[slot], static_cast<LONG>(seconds / 2 + 1)) << slot;
        EXPECT_GE(gamepad->calls[slot], 1) << slot;
    }

    bench::Keys("alt+F4");
    EXPECT_EQ(18u, menu.WaitExit(10000));

    // "Home Keys" 0: the key leaves the other program in front.
    bench::WriteDWord(HKEY_CURRENT_USER, "Software\\Velnor\\Tilebox", "Home Keys", 0);
    bench::Process second;
    ASSERT_TRUE(StartMenuWithGamepad(second));
    SetForegroundWindow(other);
    ASSERT_TRUE(WaitForFront(other));
    SendBrowserHome();
    bench::PumpFor(800);
    EXPECT_EQ(other, GetForegroundWindow());
    DestroyWindow(other);
}

}  // namespace
