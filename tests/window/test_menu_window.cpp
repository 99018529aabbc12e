// The menu window in this process: the real window procedure and skin code, the tests' own skin
// files, and the recording fake of the settings store.
#include "actions/hit_test.h"
#include "actions/gamepad.h"
#include "actions/menu_platform.h"
#include "actions/rest.h"
#include "app/app_state.h"
#include "app/menu_accessible.h"
#include "app/home.h"
#include "app/menu_window.h"
#include "skin/display_choice.h"
#include "skin/skin.h"
#include "tests/skin/skin_test_support.h"
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/fakes/fake_outside.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
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
        buttonPress = ButtonPress{-1, 0};
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
    // No CS_DBLCLKS: a quick second click must arrive as a second press. WS_SYSMENU makes Alt+F4
    // and the system menu's Close work; no caption or frame, so the panel covers the screen.
    EXPECT_EQ(static_cast<DWORD>(CS_HREDRAW | CS_VREDRAW), GetClassLongA(window, GCL_STYLE));
    LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG wanted = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
    EXPECT_EQ(wanted, style & (wanted | WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX))
        << std::hex << style;
    EXPECT_NE(0, GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

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
    // A release acts only after a press the active menu received: not after a press of the
    // start period, nor when the press went to another program (a game that quit on it).
    const POINT c4 = testskin::ButtonCentre(mode3, 4);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(c4));
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(c4));
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(c4));
    EXPECT_TRUE(fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons").empty());

    POINT centre = testskin::ButtonCentre(mode3, 1);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(centre));
    EXPECT_EQ(1, currentSkin->pressed);
    EXPECT_EQ(testskin::selectedButton, Pixel(centre));
    EXPECT_EQ(testskin::normalBackground, Pixel(testskin::ButtonCorner(mode3, 1)))
        << "the rectangle's corner lies outside the traced shape";
    EXPECT_EQ(testskin::normalButton, Pixel(testskin::ButtonCentre(mode3, 2)));
    EXPECT_EQ(testskin::normalBackground, Pixel(POINT{2, 2}));
    EXPECT_EQ(window, GetCapture()) << "the release comes here wherever it happens";

    // An arrow during the press shows the focus, but the pressed shape stays the only one lit.
    SendMessageA(window, WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(testskin::normalButton, Pixel(testskin::ButtonCentre(mode3, 0)));
    EXPECT_EQ(testskin::selectedButton, Pixel(centre));

    // The capture taken away: the press ends unlit, and its late release acts on nothing.
    ReleaseCapture();
    EXPECT_EQ(0, currentSkin->pressed);
    EXPECT_EQ(testskin::normalButton, Pixel(centre));
    EXPECT_EQ(testskin::selectedButton, Pixel(testskin::ButtonCentre(mode3, 0)));
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(testskin::ButtonCentre(mode3, 4)));
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(centre));

    // Released outside every button: everything unlit again, no button's action.
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(0, currentSkin->pressed);
    EXPECT_EQ(testskin::normalButton, Pixel(centre));
    EXPECT_TRUE(fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons").empty());

    // A press outside every button lights nothing; the release on a button reads its code.
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(0, currentSkin->pressed);
    EXPECT_EQ(testskin::normalButton, Pixel(centre));
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(testskin::ButtonCentre(mode3, 4)));
    EXPECT_EQ(std::vector<std::string>{"Kivrel_GetProfileDWord(Buttons\\Button 4, Remote Code)"},
              fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons"));
}

// A bitmap is selected into one DC at a time: the panel is copied from the DC the menu keeps it
// in once it has painted it.
void CopyPanel(const skintest::Canvas& into, const Skin* skin, bool lit)
{
    HDC kept = lit ? skin->selectedSource : skin->normalSource;
    HDC source = kept != nullptr ? kept : CreateCompatibleDC(into.Dc());
    HGDIOBJ old = kept != nullptr ? nullptr
                                  : SelectObject(source, lit ? skin->selectedBitmap
                                                             : skin->normalBitmap);
    BitBlt(into.Dc(), 0, 0, skin->screenWidth, skin->screenHeight, source, 0, 0, SRCCOPY);
    if (kept == nullptr) {
        SelectObject(source, old);
        DeleteDC(source);
    }
}

// The lit button as two copies paint it: the unlit panel, then the lit one through the shape.
long long DifferenceFromTwoCopies(HWND window, HRGN shape)
{
    const Skin* skin = currentSkin;
    skintest::Canvas shown(skin->screenWidth, skin->screenHeight);
    HDC windowDc = GetDC(window);
    BitBlt(shown.Dc(), 0, 0, skin->screenWidth, skin->screenHeight, windowDc, 0, 0, SRCCOPY);
    ReleaseDC(window, windowDc);
    skintest::Canvas composed(skin->screenWidth, skin->screenHeight);
    CopyPanel(composed, skin, false);
    SelectClipRgn(composed.Dc(), shape);
    CopyPanel(composed, skin, true);
    SelectClipRgn(composed.Dc(), nullptr);
    return shown.FirstDifference(composed);
}

// A press, and a focus moved by a key, repaint only their button's shape, and one copy of the lit
// panel paints it; every pixel of the window must be what the unlit panel with the lit one copied
// over it through the shape gives. At a size the skin names and at one it is fitted to.
TEST_F(MenuWindow, ALitButtonPaintedOnceLooksAsUnlitThenLitPaintedIt)
{
    fake::SetDWord("Panel", fitOtherSizesName, 1);
    const SIZE sizes[] = {{1024, 768}, {1280, 1024}};
    for (const SIZE& size : sizes) {
        SCOPED_TRACE(size.cx);
        ASSERT_TRUE(bench::SetDisplayMode(size.cx, size.cy));
        HWND window = Create();
        ASSERT_NE(nullptr, window);
        ASSERT_EQ(size.cx, currentSkin->screenWidth);
        SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
        for (int button : {1, 4}) {
            HRGN shape = currentSkin->buttons[button].region;
            RECT box = {};
            GetRgnBox(shape, &box);
            const POINT centre = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
            SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(centre));
            ASSERT_EQ(1, currentSkin->pressed);
            EXPECT_EQ(-1, DifferenceFromTwoCopies(window, shape)) << "button " << button;
            SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        }
        SendMessageA(window, WM_KEYDOWN, VK_RIGHT, 1);
        HRGN focused = LitButtonRegion(currentSkin);
        ASSERT_NE(nullptr, focused);
        EXPECT_EQ(-1, DifferenceFromTwoCopies(window, focused)) << "the focus";
        // The quit message the destruction posts is taken too, so the next size starts clean.
        DestroyWindow(window);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
}

// The child of every focus event raised in this process, -1 for one not of the menu's client.
std::vector<LONG> focusEvents;
void CALLBACK RecordFocusEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                               DWORD)
{
    focusEvents.push_back(window == appState->mainWindow && object == OBJID_CLIENT ? child : -1);
}

LRESULT Key(HWND window, WPARAM key, LPARAM flags = 0)
{
    return SendMessageA(window, WM_KEYDOWN, key, 1 | flags);
}

TEST_F(MenuWindow, KeysMoveALitFocusThatActsLikeAClick)
{
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    auto centre = [](int i) { return testskin::ButtonCentre(mode3, i); };
    auto actions = [] { return fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons"); };

    // Nothing during the start period.
    for (WPARAM key : {VK_RIGHT, VK_DOWN, VK_RETURN, VK_SPACE}) {
        EXPECT_EQ(0, Key(window, key));
    }
    EXPECT_EQ(-1, buttonFocus.index);
    EXPECT_TRUE(actions().empty());
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);

    // The first arrow focuses button 0 and lights its traced shape alone. Each focus move
    // raises one focus event, for the button's child id.
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr,
                                         RecordFocusEvent, GetCurrentProcessId(), 0,
                                         WINEVENT_OUTOFCONTEXT);
    focusEvents.clear();
    Key(window, VK_RIGHT);
    EXPECT_EQ(0, buttonFocus.index);
    EXPECT_EQ(testskin::selectedButton, Pixel(centre(0)));
    EXPECT_EQ(testskin::normalBackground, Pixel(testskin::ButtonCorner(mode3, 0)));
    EXPECT_EQ(testskin::normalButton, Pixel(centre(1)));

    // A move repaints only the two buttons concerned: a mark drawn on a third one stays.
    const COLORREF markColour = RGB(1, 2, 3);
    POINT mark = {centre(4).x + 10, centre(4).y + 10};
    HDC dc = GetDC(window);
    SetPixel(dc, mark.x, mark.y, markColour);
    ReleaseDC(window, dc);
    Key(window, VK_RIGHT);
    EXPECT_EQ(testskin::normalButton, Pixel(centre(0)));
    EXPECT_EQ(testskin::selectedButton, Pixel(centre(1)));
    EXPECT_EQ(markColour, Pixel(mark));
    UnhookWinEvent(hook);
    EXPECT_EQ((std::vector<LONG>{1, 2}), focusEvents);

    Key(window, VK_RIGHT);
    Key(window, VK_RIGHT);  // at the edge: stays
    Key(window, VK_DOWN);
    EXPECT_EQ(5, buttonFocus.index);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(i == 5 ? testskin::selectedButton : testskin::normalButton, Pixel(centre(i)))
            << i;
    }

    // Enter, keypad Enter (the extended bit) and Space act once each; a held key's repeats do
    // not; Escape and Back do nothing. The focus stays lit.
    const LPARAM extended = 1 << 24;
    const LPARAM repeat = 1 << 30;
    Key(window, VK_RETURN);
    Key(window, VK_RETURN, repeat);
    Key(window, VK_RETURN, extended);
    Key(window, VK_SPACE);
    EXPECT_EQ(0, Key(window, VK_ESCAPE));
    EXPECT_EQ(0, Key(window, VK_BACK));
    EXPECT_EQ(0, Key(window, VK_BROWSER_BACK));
    EXPECT_EQ(TRUE, SendMessageA(window, WM_APPCOMMAND, reinterpret_cast<WPARAM>(window),
                                 MAKELPARAM(0, APPCOMMAND_BROWSER_BACKWARD)))
        << "Back from a remote's consumer-control button is handled as nothing";
    EXPECT_EQ(std::vector<std::string>(3, "Kivrel_GetProfileDWord(Buttons\\Button 5, Remote Code)"),
              actions());
    EXPECT_EQ(testskin::selectedButton, Pixel(centre(5)));

    // A press takes the focus light away: only the pressed button is lit while it is held.
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(centre(1)));
    EXPECT_EQ(testskin::selectedButton, Pixel(centre(1)));
    EXPECT_EQ(testskin::normalButton, Pixel(centre(5)));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(testskin::normalButton, Pixel(centre(1)));
    EXPECT_EQ(testskin::normalButton, Pixel(centre(5)));
    EXPECT_EQ(3u, actions().size());

    // The next arrow shows the focus where it was, without moving it; the one after moves it.
    Key(window, VK_UP);
    EXPECT_EQ(5, buttonFocus.index);
    EXPECT_EQ(testskin::selectedButton, Pixel(centre(5)));
    Key(window, VK_LEFT);
    EXPECT_EQ(4, buttonFocus.index);
    EXPECT_EQ(testskin::normalButton, Pixel(centre(5)));
    EXPECT_EQ(testskin::selectedButton, Pixel(centre(4)));

    // A new skin keeps the focus's index and lights it in its new place.
    ASSERT_TRUE(bench::SetDisplayMode(800, 600));
    Pump();
    EXPECT_EQ(4, buttonFocus.index);
    EXPECT_EQ(testskin::selectedButton, Pixel(testskin::ButtonCentre(1, 4)));
    EXPECT_EQ(testskin::normalButton, Pixel(testskin::ButtonCentre(1, 3)));
    Key(window, VK_RETURN);
    std::vector<std::string> reads = actions();
    ASSERT_EQ(4u, reads.size());
    EXPECT_EQ("Kivrel_GetProfileDWord(Buttons\\Button 4, Remote Code)", reads.back());
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
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));

    // A window away from the screen's corner (a TV that is not the primary monitor, a window
    // the system moved) gets its points in client coordinates, as the regions are: the press
    // lights button 1 and the release acts on it.
    SetWindowPos(window, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    fake::Calls().clear();
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(c1));
    EXPECT_EQ(1, currentSkin->pressed);
    EXPECT_EQ(testskin::selectedButton, Pixel(POINT{300 + c1.x, 200 + c1.y}));
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(c1));
    EXPECT_EQ(std::vector<std::string>{"Kivrel_GetProfileDWord(Buttons\\Button 1, Remote Code)"},
              fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons"));
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
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* client = nullptr;
    ASSERT_EQ(S_OK, AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                               __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&client)));
    ASSERT_TRUE(bench::SetDisplayMode(800, 600));
    Pump();
    // The screen reader's object follows the new skin.
    VARIANT child;
    child.vt = VT_I4;
    child.lVal = 4;
    LONG box[4] = {};
    EXPECT_EQ(S_OK, client->accLocation(&box[0], &box[1], &box[2], &box[3], child));
    RECT bounds = testskin::ButtonBounds(1, 3);
    EXPECT_EQ(bounds.left, box[0]);
    EXPECT_EQ(bounds.bottom - bounds.top, box[3]);
    ASSERT_NE(nullptr, currentSkin);
    EXPECT_EQ(800, currentSkin->screenWidth);
    EXPECT_EQ(6, currentSkin->buttonCount);
    RECT r;
    GetWindowRect(window, &r);
    const RECT screen = {0, 0, 800, 600};
    EXPECT_TRUE(EqualRect(&screen, &r)) << "the window covers the new screen";
    EXPECT_TRUE(IsTopmost(window)) << "and stays in the topmost band";
    EXPECT_EQ(testskin::selectedButton, Pixel(testskin::ButtonCentre(1, 3)));
    EXPECT_EQ(0, menuActive) << "the start period goes on";

    // A change of display scale is a display change: reload and cover the screen, whatever
    // rectangle the system suggests.
    SetWindowPos(window, nullptr, 10, 10, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT suggested = {0, 0, 1200, 900};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(window, &r);
    EXPECT_TRUE(EqualRect(&screen, &r));
    EXPECT_EQ(6, currentSkin->buttonCount);

    // A screen that grows while the menu is minimised: a Home key brings it back covering the
    // new screen, not at the size it had when it was minimised.
    ShowWindow(window, SW_MINIMIZE);
    Pump();
    ASSERT_TRUE(IsIconic(window));
    ASSERT_TRUE(bench::SetDisplayMode(1024, 768));
    Pump();
    EXPECT_TRUE(IsIconic(window)) << "the display change does not show the menu";
    MenuWindowProc(window, WM_HOTKEY, HomeKeyBrowserHome, 0);
    EXPECT_FALSE(IsIconic(window));
    GetWindowRect(window, &r);
    const RECT grown = {0, 0, 1024, 768};
    EXPECT_TRUE(EqualRect(&grown, &r)) << r.right << "x" << r.bottom;
    EXPECT_EQ(testskin::selectedBackground, Pixel(POINT{1010, 760}));
    EXPECT_EQ(testskin::selectedButton, Pixel(testskin::ButtonCentre(mode3, 5)));

    ASSERT_TRUE(bench::SetDisplayMode(1280, 1024));
    Pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, currentSkin);
    // The object outlives the window and answers as disconnected.
    LONG count = 0;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, client->get_accChildCount(&count));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, client->accLocation(&box[0], &box[1], &box[2], &box[3], child));
    client->Release();
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

TEST(SpokenKeyName, DropsALeadingNumberThatStandsAsAWord)
{
    EXPECT_STREQ("Internet", SpokenKeyName("1 Internet"));
    EXPECT_STREQ("Music CD", SpokenKeyName("12 \tMusic CD"));
    EXPECT_STREQ("3D Movies", SpokenKeyName("3D Movies"));
    EXPECT_STREQ("42  ", SpokenKeyName("42  "));
    EXPECT_STREQ("Button 1", SpokenKeyName("Button 1"));
}

// The foreground and hot-key calls through recording fakes: Windows' foreground rules and
// another program's hot keys do not exist under Wine. (On x64 a plain function is WINAPI.)
struct Platform {
    std::vector<std::string> calls;
    HWND foreground = nullptr;
    BOOL iconic = FALSE;
    DWORD now = 1000000;        // the system's tick count
    DWORD lastInput = 1000000;  // the tick of the last input; the lock time-out is 200 s
    BOOL refuse = FALSE;        // SetForegroundWindow refused (another program locked it)
    BOOL inMenu = FALSE;        // the foreground thread has a menu open
    int Count(const std::string& call) const
    {
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }
} platform;

class MenuAtHome : public MenuWindow {
protected:
    void SetUp() override
    {
        MenuWindow::SetUp();
        platform = Platform();
        saved = menuPlatform;
        menuPlatform.getForegroundWindow = [] { return platform.foreground; };
        menuPlatform.setForegroundWindow = [](HWND window) -> BOOL {
            platform.calls.push_back("SetForegroundWindow");
            if (platform.refuse) {
                return FALSE;
            }
            platform.foreground = window;
            return TRUE;
        };
        menuPlatform.isIconic = [](HWND) { return platform.iconic; };
        menuPlatform.showWindow = [](HWND, int show) -> BOOL {
            platform.calls.push_back("ShowWindow " + std::to_string(show));
            return TRUE;
        };
        menuPlatform.getLastInputInfo = [](PLASTINPUTINFO info) -> BOOL {
            info->dwTime = platform.lastInput;
            return TRUE;
        };
        menuPlatform.getTickCount = []() -> DWORD { return platform.now; };
        menuPlatform.getGUIThreadInfo = [](DWORD, PGUITHREADINFO info) -> BOOL {
            info->flags = platform.inMenu ? GUI_INMENUMODE : 0;
            return TRUE;
        };
        menuPlatform.unregisterHotKey = [](HWND, int id) -> BOOL {
            platform.calls.push_back("UnregisterHotKey " + std::to_string(id));
            return TRUE;
        };
        menuPlatform.systemParametersInfo = [](UINT, UINT, PVOID value, UINT) -> BOOL {
            *static_cast<DWORD*>(value) = 200000;
            return TRUE;
        };
        menuPlatform.registerHotKey = [](HWND, int id, UINT modifiers, UINT key) -> BOOL {
            platform.calls.push_back("RegisterHotKey " + std::to_string(id) + " " +
                                     std::to_string(modifiers) + " " + std::to_string(key));
            return FALSE;  // another program holds it
        };
    }
    void TearDown() override
    {
        // First: the base drains the queue, where an unpainted window's WM_PAINT never ends.
        for (HWND other : others) {
            DestroyWindow(other);
        }
        MenuWindow::TearDown();
        menuPlatform = saved;
    }

    // A shown window of this class that takes no activation from the menu.
    HWND Other(const char* className)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = className;
        RegisterClassA(&wc);
        others.push_back(CreateWindowExA(WS_EX_NOACTIVATE, className, "", WS_POPUP, 0, 0, 50, 50,
                                         nullptr, nullptr, nullptr, nullptr));
        ShowWindow(others.back(), SW_SHOWNOACTIVATE);
        return others.back();
    }

    MenuPlatform saved = {};
    std::vector<HWND> others;
};

TEST_F(MenuAtHome, TheHomeKeysBringTheMenuForwardWithTheFocusShownAndNeverAct)
{
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    // Both held by another program: left to it, and the menu starts all the same.
    EXPECT_EQ((std::vector<std::string>{"RegisterHotKey 1 16384 172", "RegisterHotKey 2 16393 13"}),
              platform.calls);

    // During the start period a Home key only keeps the menu in front.
    platform.foreground = Other("TileboxTestProgram");
    MenuWindowProc(window, WM_HOTKEY, HomeKeyStartButton, 0);
    EXPECT_EQ(window, platform.foreground);
    EXPECT_EQ(0, buttonFocus.shown);

    // Active and minimised: restored, in front, the focus light where it was; nothing acts.
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
    platform = Platform();
    platform.iconic = TRUE;
    MenuWindowProc(window, WM_HOTKEY, HomeKeyBrowserHome, 0);
    EXPECT_EQ((std::vector<std::string>{"ShowWindow 9", "SetForegroundWindow"}), platform.calls);
    EXPECT_EQ(1, buttonFocus.shown);
    EXPECT_EQ(testskin::selectedButton, Pixel(testskin::ButtonCentre(mode3, 0)));
    EXPECT_TRUE(fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons").empty());
    EXPECT_TRUE(IsTopmost(window)) << "above every always-on-top window while it has the focus";
    MenuWindowProc(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(IsTopmost(window)) << "and out of the band once it lost it";

    // An always-on-top window in front: the menu is raised above it while it has the focus, and
    // leaves the band, just below the window that takes the focus from it. (Under Xvfb without a
    // window manager Wine stacks windows on screen by raise order alone, so an always-on-top
    // window does not stay above there: the band is read from the windows themselves.)
    HWND onTop = Other("TileboxTestOnTop");
    SetWindowPos(onTop, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    platform = Platform();
    platform.foreground = onTop;
    MenuWindowProc(window, WM_HOTKEY, HomeKeyBrowserHome, 0);
    EXPECT_TRUE(IsTopmost(window));
    HWND next = Other("TileboxTestProgram");
    MenuWindowProc(window, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(next));
    EXPECT_FALSE(IsTopmost(window));
    HWND below = next;
    while (below != nullptr && below != window) {
        below = GetWindow(below, GW_HWNDNEXT);
    }
    EXPECT_EQ(window, below) << "the menu stays below the window that took the focus";
    // Windows refuses the foreground (another program locked it): the menu is not raised, so it
    // never covers the screen without the keyboard.
    platform.refuse = TRUE;
    platform.foreground = onTop;
    MenuWindowProc(window, WM_HOTKEY, HomeKeyBrowserHome, 0);
    EXPECT_FALSE(IsTopmost(window));

    // The keys are given back through the same table when the window goes.
    platform = Platform();
    DestroyWindow(window);
    EXPECT_EQ(1, platform.Count("UnregisterHotKey 1"));
    EXPECT_EQ(1, platform.Count("UnregisterHotKey 2"));

    // "Home Keys" 0 turns both off.
    platform = Platform();
    fake::SetDWord("", "Home Keys", 0);
    ASSERT_NE(nullptr, Create());
    EXPECT_TRUE(platform.calls.empty());
}

TEST_F(MenuAtHome, TheForegroundComesBackOnlyWhenTheWindowInFrontClosedOntoTheShell)
{
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
    UpdateReturnWatch(window, 0);
    HWND taskbar = Other("Shell_TrayWnd");
    // One look of the watch, a quarter second after the last.
    auto look = [&] {
        platform.now += ReturnWatchPeriodMs;
        WatchForegroundReturn(window);
    };
    // Looks until the menu is in front, for at most `looks`; the milliseconds from the first look
    // that found the window gone, or -1.
    auto lookUntilInFront = [&](int looks) -> long {
        for (int i = 0; i < looks; ++i) {
            look();
            if (platform.foreground == window) {
                return static_cast<long>(i) * ReturnWatchPeriodMs;
            }
        }
        return -1;
    };
    // A program's window is seen in front (then, if `clicked`, the taskbar with it still open),
    // and closes, leaving `left` in front.
    auto closes = [&](HWND left, bool clicked = false, int looks = 12) {
        HWND program = Other("TileboxTestProgram");
        platform.foreground = program;
        look();
        if (clicked) {
            platform.foreground = taskbar;
            look();
        }
        DestroyWindow(program);
        platform.foreground = left;
        return lookUntilInFront(looks);
    };
    fake::SetDWord("", returnDelayName, 0);
    platform.lastInput = platform.now - 300000;  // the foreground lock time-out has run out
    EXPECT_EQ(250, closes(taskbar)) << "without a delay: at the second look, as a window that "
                                       "follows at once is seen at the first";
    EXPECT_EQ(250, closes(Other("WorkerW"))) << "the desktop";
    EXPECT_EQ(-1, closes(Other("TileboxTestProgram"))) << "never from an ordinary window";
    EXPECT_EQ(-1, closes(taskbar, true)) << "the person clicked the taskbar first";
    platform.iconic = TRUE;
    EXPECT_EQ(-1, closes(taskbar)) << "show desktop minimised the menu";
    platform.iconic = FALSE;

    // A person who quit with a key press made the last input: Windows refuses until the lock
    // time-out has run out since it, and the menu asks at every look without calling (a refused
    // call flashes the taskbar button), then takes the front once it would be granted.
    // (Windows' foreground lock does not exist under Wine: this is tested at the seam.)
    platform.calls.clear();
    platform.lastInput = platform.now;
    EXPECT_EQ(-1, closes(taskbar, false, 40));
    EXPECT_EQ(0, platform.Count("SetForegroundWindow"));
    const long taken = lookUntilInFront(1000);
    EXPECT_GE(platform.now - platform.lastInput, 200000u);
    EXPECT_LT(platform.now - platform.lastInput, 200000u + ReturnWatchPeriodMs * 2);
    EXPECT_NE(-1, taken);
    EXPECT_EQ(1, platform.Count("SetForegroundWindow"));
    // With no foreground window at all Windows grants it whatever the input.
    platform.lastInput = platform.now;
    EXPECT_EQ(250, closes(nullptr));
    // A menu open in front: asked again once it closed.
    platform.lastInput = platform.now - 300000;
    platform.inMenu = TRUE;
    EXPECT_EQ(-1, closes(taskbar));
    platform.inMenu = FALSE;
    EXPECT_NE(-1, lookUntilInFront(2));

    // A person who goes on using the shell keeps it: the menu stops asking a minute after the
    // lock time-out, and does not come back when the input stops.
    platform.calls.clear();
    auto busy = [&] { platform.lastInput = platform.now; };
    busy();
    EXPECT_EQ(-1, closes(taskbar));
    for (int i = 0; i < (200000 + 60000) / ReturnWatchPeriodMs + 4; ++i) {
        busy();
        look();
    }
    platform.lastInput = platform.now - 300000;
    EXPECT_EQ(-1, lookUntilInFront(12));
    EXPECT_EQ(0, platform.Count("SetForegroundWindow"));

    // A call Windows refuses all the same is made once, not at every look.
    platform.refuse = TRUE;
    EXPECT_EQ(-1, closes(taskbar, false, 20));
    EXPECT_EQ(1, platform.Count("SetForegroundWindow"));
    platform.refuse = FALSE;

    // The default "Return Delay": a launcher that closes and shows its program's window a second
    // later keeps the front for it; a program that ends brings the menu back after the delay.
    fake::CurrentSettings().dwords[""].erase(returnDelayName);
    EXPECT_EQ(DefaultReturnDelayMs, ReadReturnDelay());
    HWND launcher = Other("TileboxTestProgram");
    platform.foreground = launcher;
    look();
    DestroyWindow(launcher);
    platform.foreground = taskbar;
    EXPECT_EQ(-1, lookUntilInFront(1000 / ReturnWatchPeriodMs));
    platform.foreground = Other("TileboxTestProgram");
    EXPECT_EQ(-1, lookUntilInFront(12)) << "the program's window keeps the front";
    EXPECT_EQ(static_cast<long>(DefaultReturnDelayMs), closes(taskbar));
    fake::SetDWord("", returnDelayName, 0xFFFFFFFF);
    EXPECT_EQ(static_cast<DWORD>(MostReturnDelayMs), ReadReturnDelay());
}

// Every focus and state-change event of the menu's client object, as "focus CHILD" or
// "state CHILD".
std::vector<std::string> clientEvents;
void CALLBACK RecordClientEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                DWORD, DWORD)
{
    if (window == appState->mainWindow && object == OBJID_CLIENT) {
        clientEvents.push_back((event == EVENT_OBJECT_FOCUS ? "focus " : "state ") +
                               std::to_string(child));
    }
}

VARIANT ChildVariant(LONG id)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// What get_accFocus answers: "none" for no focus, else the child id.
std::string FocusOf(IAccessible* client)
{
    VARIANT focus;
    VariantInit(&focus);
    HRESULT answered = client->get_accFocus(&focus);
    return answered == S_OK && focus.vt == VT_I4 ? std::to_string(focus.lVal) : "none";
}

bool IsFocusedState(IAccessible* client, LONG child)
{
    VARIANT state;
    VariantInit(&state);
    return client->get_accState(ChildVariant(child), &state) == S_OK && state.vt == VT_I4 &&
           (state.lVal & STATE_SYSTEM_FOCUSED) != 0;
}

// A screen reader in this process: the foreground comes from the platform fake, the keyboard
// focus is the window's own.
TEST_F(MenuAtHome, AScreenReaderFollowsTheFocusTakesItAndPressesAfterItsCallReturned)
{
    const std::string closer = "Buttons\\" + testskin::ButtonName(4);
    fake::SetDWord(closer, "Remote Code", 39321);
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    SetFocus(window);
    platform.foreground = window;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* client = nullptr;
    ASSERT_EQ(S_OK, AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                               __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&client)));
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr,
                                         RecordClientEvent, GetCurrentProcessId(), 0,
                                         WINEVENT_OUTOFCONTEXT);
    clientEvents.clear();

    // With the window focused and no light, the client object itself has the focus.
    EXPECT_EQ("0", FocusOf(client));
    EXPECT_EQ(E_FAIL, client->accSelect(SELFLAG_TAKEFOCUS, ChildVariant(3)))
        << "the buttons are unavailable during the start period";
    EXPECT_EQ(-1, buttonFocus.index);

    // The end of the start period changes every button's state.
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
    Pump();
    EXPECT_EQ((std::vector<std::string>{"state 1", "state 2", "state 3", "state 4", "state 5",
                                        "state 6"}),
              clientEvents);

    // Taking the focus moves the light there, as the arrows do, and says so.
    clientEvents.clear();
    EXPECT_EQ(S_OK, client->accSelect(SELFLAG_TAKEFOCUS, ChildVariant(3)));
    EXPECT_EQ(2, buttonFocus.index);
    EXPECT_EQ(testskin::selectedButton, Pixel(testskin::ButtonCentre(mode3, 2)));
    EXPECT_EQ("3", FocusOf(client));
    EXPECT_TRUE(IsFocusedState(client, 3));
    EXPECT_TRUE(IsFocusedState(client, 0)) << "the window has the keyboard focus, as for the "
                                              "system's own controls";
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, client->accSelect(SELFLAG_TAKESELECTION, ChildVariant(2)));
    EXPECT_EQ(2, buttonFocus.index) << "nothing is selectable";

    // Another program in front: the light stays, but no button has the keyboard focus. Taking
    // the focus asks for the foreground.
    platform.foreground = Other("TileboxTestProgram");
    EXPECT_FALSE(IsFocusedState(client, 3));
    EXPECT_EQ("none", FocusOf(client));
    platform.calls.clear();
    EXPECT_EQ(S_OK, client->accSelect(SELFLAG_TAKEFOCUS, ChildVariant(4)));
    EXPECT_EQ(std::vector<std::string>{"SetForegroundWindow"}, platform.calls);
    EXPECT_EQ("4", FocusOf(client));

    // A mouse press hides the light: the focus goes back to the client object, and is said to.
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    Pump();
    EXPECT_EQ((std::vector<std::string>{"focus 3", "focus 4", "focus 0"}), clientEvents);
    EXPECT_EQ("0", FocusOf(client));
    UnhookWinEvent(hook);

    // "Press" returns before the button acts: the close button's window outlives the call, and
    // the button acts once the queue is served.
    EXPECT_EQ(S_OK, client->accDoDefaultAction(ChildVariant(5)));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons").empty());
    Pump();
    EXPECT_EQ(std::vector<std::string>{"Kivrel_GetProfileDWord(" + closer + ", Remote Code)"},
              fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons"));
    EXPECT_FALSE(IsWindow(window));
    client->Release();
}

struct AgentWait {
    int lookups = 0;
    int foundAt = 0;
    std::vector<DWORD> pauses;
};
AgentWait wait;

WORD padButtons = 0;

// The rest timer is fired by hand and the clock is the platform's fake, so minutes pass at once.
TEST_F(MenuAtHome, TheScreenRestsBlackAndTheInputThatWakesItDoesNothingElse)
{
    fake::SetDWord("", "Rest Minutes", 2);
    const DWORD restMs = 2 * 60000;
    platform.now = 5000;
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    auto centre = [](int i) { return testskin::ButtonCentre(mode3, i); };
    auto actions = [] { return fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons"); };
    auto tick = [&](DWORD ms) {
        platform.now += ms;
        SendMessageA(window, WM_TIMER, RestTimerId, 0);
    };
    // No rest during the start period, however long it lasts.
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    tick(restMs);
    EXPECT_EQ(0, rest.dark);
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    ASSERT_EQ(1, rest.watching);
    EXPECT_EQ(restMs, rest.restMs);

    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_STATECHANGE,
                                         nullptr, RecordFocusEvent, GetCurrentProcessId(), 0,
                                         WINEVENT_OUTOFCONTEXT);
    focusEvents.clear();
    // Each input starts the rest time anew.
    tick(restMs - 1);
    Key(window, VK_RIGHT);
    tick(restMs - 1);
    EXPECT_EQ(0, rest.dark);
    EXPECT_EQ(testskin::selectedButton, Pixel(centre(0)));
    tick(1);
    ASSERT_EQ(1, rest.dark);
    EXPECT_EQ(RGB(0, 0, 0), Pixel(centre(0)));
    EXPECT_EQ(RGB(0, 0, 0), Pixel(centre(5)));
    EXPECT_EQ(RGB(0, 0, 0), Pixel(POINT{1023, 767}));

    // OK wakes the screen with the focus where it was, and nothing runs: not the press, not its
    // repeats while held, not its release. The next press acts.
    Key(window, VK_RETURN);
    EXPECT_EQ(0, rest.dark);
    EXPECT_EQ(testskin::selectedButton, Pixel(centre(0)));
    Key(window, VK_RETURN, 1 << 30);
    SendMessageA(window, WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_TRUE(actions().empty());
    Key(window, VK_RETURN);
    EXPECT_EQ(1u, actions().size());
    UnhookWinEvent(hook);
    EXPECT_EQ((std::vector<LONG>{CHILDID_SELF, CHILDID_SELF}), focusEvents)
        << "a screen reader hears the panel go and come back";

    // A click wakes it and neither its press nor its release acts; the pointer standing still
    // wakes nothing, a remote's command and a Home key wake it as handled.
    tick(restMs);
    ASSERT_EQ(1, rest.dark);
    SendMessageA(window, WM_MOUSEMOVE, 0, PointParam(centre(1)));
    EXPECT_EQ(1, rest.dark) << "the pointer did not move";
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(centre(1)));
    EXPECT_EQ(0, rest.dark);
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(centre(1)));
    EXPECT_EQ(1u, actions().size());
    EXPECT_EQ(testskin::normalButton, Pixel(centre(1)));
    tick(restMs);
    EXPECT_EQ(TRUE, SendMessageA(window, WM_APPCOMMAND, reinterpret_cast<WPARAM>(window),
                                 MAKELPARAM(0, APPCOMMAND_MEDIA_PLAY)));
    EXPECT_EQ(0, rest.dark);
    tick(restMs);
    platform.calls.clear();
    SendMessageA(window, WM_HOTKEY, HomeKeyBrowserHome, 0);
    EXPECT_EQ(0, rest.dark);
    EXPECT_EQ(std::vector<std::string>{}, platform.calls) << "the waking Home key did nothing";

    // A gamepad's A wakes it and acts on nothing; the next A acts. The controller is a stand-in
    // reader in slot 0, read at each poll tick sent by hand.
    gamepads.libraryTried = 1;
    gamepads.readState = [](DWORD slot, XINPUT_STATE* state) -> DWORD {
        if (slot != 0) {
            return ERROR_DEVICE_NOT_CONNECTED;
        }
        *state = XINPUT_STATE{};
        state->Gamepad.wButtons = padButtons;
        return ERROR_SUCCESS;
    };
    gamepads.slots[0] = GamepadSlot{1, 0, -1, 0, 0, 1};
    auto poll = [&](WORD buttons) {
        padButtons = buttons;
        gamepads.timerPeriod = GamepadConnectedPollMs;
        SendMessageA(window, WM_TIMER, GamepadTimerId, 0);
    };
    tick(restMs);
    ASSERT_EQ(1, rest.dark);
    const size_t acted = actions().size();
    poll(XINPUT_GAMEPAD_A);
    EXPECT_EQ(0, rest.dark);
    poll(0);
    EXPECT_EQ(acted, actions().size());
    poll(XINPUT_GAMEPAD_A);
    EXPECT_EQ(acted + 1, actions().size());
    poll(0);

    // Sent behind while dark, the menu shows its panel again and rests no more until it is back.
    tick(restMs);
    ASSERT_EQ(1, rest.dark);
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(0, rest.dark);
    EXPECT_EQ(0, rest.watching);
    tick(restMs);
    EXPECT_EQ(0, rest.dark);
    EXPECT_EQ(testskin::normalButton, Pixel(centre(2)));
}

TEST(RestMinutes, AbsentIsTenZeroIsOffAndADayAtMost)
{
    fake::Reset();
    EXPECT_EQ(10u * 60000, ReadRestMs());
    fake::SetDWord("", "Rest Minutes", 0);
    EXPECT_EQ(0u, ReadRestMs());
    fake::SetDWord("", "Rest Minutes", 0xFFFFFFFF);
    EXPECT_EQ(1440u * 60000, ReadRestMs());
}

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
    EXPECT_EQ(1, WaitForAgentLookups(AgentLookups, CountingLookup, CountingPause));
    EXPECT_TRUE(wait.pauses.empty());

    wait = AgentWait();
    wait.foundAt = 4;
    EXPECT_EQ(4, WaitForAgentLookups(AgentLookups, CountingLookup, CountingPause));
    EXPECT_EQ((std::vector<DWORD>{1000, 1000, 1000}), wait.pauses);

    wait = AgentWait();
    WaitForAgentLookups(AgentLookups, CountingLookup, CountingPause);
    EXPECT_EQ(6, wait.lookups);
    EXPECT_EQ(std::vector<DWORD>(6, 1000), wait.pauses);
}

TEST(AgentWait, AgentWaitBoundsTheLookupsUpToAMinuteAndZeroLooksNever)
{
    fake::Reset();
    EXPECT_EQ(6, ReadAgentLookups()) << "absent: six, as always";
    fake::SetDWord("", agentWaitName, 0xFFFFFFFF);
    EXPECT_EQ(60, ReadAgentLookups());
    wait = AgentWait();
    EXPECT_EQ(0, WaitForAgentLookups(0, CountingLookup, CountingPause));
    EXPECT_EQ(0, wait.lookups);
    EXPECT_TRUE(wait.pauses.empty());
    fake::Reset();
}


// The monitors through a recorded list: Wine here shows a second monitor only over the first, at
// the same origin, so a TV to the left of, right of or above the desk monitor (negative
// coordinates included) and a monitor that goes and comes back are shown at the platform seam.
// The window itself really moves there: Wine places a window anywhere in the virtual screen.
struct RecordedMonitor {
    const char* device;
    RECT rect;
    DWORD flags;
};
std::vector<RecordedMonitor> monitors;

BOOL WINAPI EnumRecordedMonitors(HDC, LPCRECT, MONITORENUMPROC proc, LPARAM data)
{
    for (size_t i = 0; i < monitors.size(); ++i) {
        RECT rect = monitors[i].rect;
        if (!proc(reinterpret_cast<HMONITOR>(i + 1), nullptr, &rect, data)) {
            break;
        }
    }
    return TRUE;
}

BOOL WINAPI GetRecordedMonitorInfo(HMONITOR monitor, LPMONITORINFO info)
{
    const size_t index = reinterpret_cast<size_t>(monitor) - 1;
    if (index >= monitors.size() || info->cbSize != sizeof(MONITORINFOEXA)) {
        return FALSE;
    }
    MONITORINFOEXA* ex = reinterpret_cast<MONITORINFOEXA*>(info);
    ex->rcMonitor = monitors[index].rect;
    ex->rcWork = monitors[index].rect;
    ex->dwFlags = monitors[index].flags;
    lstrcpynA(ex->szDevice, monitors[index].device, sizeof ex->szDevice);
    return TRUE;
}

const RecordedMonitor desk = {"\\\\.\\DISPLAY1", {0, 0, 1024, 768}, MONITORINFOF_PRIMARY};

std::string Text(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

class MenuOnMonitors : public MenuWindow {
protected:
    void SetUp() override
    {
        MenuWindow::SetUp();
        saved = menuPlatform;
        menuPlatform.enumDisplayMonitors = EnumRecordedMonitors;
        menuPlatform.getMonitorInfo = GetRecordedMonitorInfo;
        monitors = {desk};
    }
    void TearDown() override
    {
        MenuWindow::TearDown();
        menuPlatform = saved;
    }

    static std::string WindowRect(HWND window)
    {
        RECT r = {};
        GetWindowRect(window, &r);
        return Text(r);
    }

    MenuPlatform saved = {};
};

TEST_F(MenuOnMonitors, TheMenuCoversTheNamedMonitorWhereverItStandsAndFollowsIt)
{
    // A TV above and to the left of the desk monitor, named in another case than Windows writes.
    const RecordedMonitor tv = {"\\\\.\\DISPLAY2", {-800, -600, 0, 0}, 0};
    monitors = {desk, tv};
    fake::SetString("", "Display", "\\\\.\\display2");
    HWND window = Create();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(Text(tv.rect), WindowRect(window));
    ASSERT_NE(nullptr, currentSkin);
    EXPECT_EQ(800, currentSkin->screenWidth) << "the skin is the TV's, not the desk monitor's";
    EXPECT_EQ(600, currentSkin->screenHeight);

    // Clicks come in the window's own coordinates; the lit press and the action follow them.
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
    const POINT centre = testskin::ButtonCentre(1, 2);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(centre));
    EXPECT_EQ(1, currentSkin->pressed);
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(centre));
    EXPECT_EQ(std::vector<std::string>{"Kivrel_GetProfileDWord(Buttons\\Button 2, Remote Code)"},
              fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons"));

    // A screen reader's points are the virtual screen's: they are mapped through the window.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* client = nullptr;
    ASSERT_EQ(S_OK, AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                               __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&client)));
    VARIANT hit;
    EXPECT_EQ(S_OK, client->accHitTest(centre.x - 800, centre.y - 600, &hit));
    EXPECT_EQ(VT_I4, hit.vt);
    EXPECT_EQ(3, hit.lVal) << "button 2 is child 3";
    EXPECT_EQ(S_FALSE, client->accHitTest(centre.x, centre.y, &hit))
        << "the same point on the desk monitor is not the menu's";
    VARIANT child;
    child.vt = VT_I4;
    child.lVal = 3;
    LONG box[4] = {};
    EXPECT_EQ(S_OK, client->accLocation(&box[0], &box[1], &box[2], &box[3], child));
    const RECT bounds = testskin::ButtonBounds(1, 2);
    EXPECT_EQ(bounds.left - 800, box[0]);
    EXPECT_EQ(bounds.top - 600, box[1]);
    client->Release();

    // The TV at another place and size (moved right of the desk monitor, a new resolution).
    const RecordedMonitor right = {"\\\\.\\DISPLAY2", {1024, 0, 1664, 480}, 0};
    monitors = {desk, right};
    SendMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    EXPECT_EQ(Text(right.rect), WindowRect(window));
    EXPECT_EQ(640, currentSkin->screenWidth);

    // Unplugged: the desk monitor serves meanwhile.
    monitors = {desk};
    SendMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(Text(desk.rect), WindowRect(window));
    EXPECT_EQ(1024, currentSkin->screenWidth);
    EXPECT_EQ(6, currentSkin->buttonCount);

    // Back, this time above the desk monitor, while the menu is minimised: the restore covers it.
    ShowWindow(window, SW_MINIMIZE);
    Pump();
    const RecordedMonitor above = {"\\\\.\\DISPLAY2", {0, -600, 800, 0}, 0};
    monitors = {above, desk};
    SendMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    EXPECT_TRUE(IsIconic(window));
    ShowWindow(window, SW_RESTORE);
    Pump();
    EXPECT_EQ(Text(above.rect), WindowRect(window));
    EXPECT_EQ(800, currentSkin->screenWidth);
}

} // namespace
