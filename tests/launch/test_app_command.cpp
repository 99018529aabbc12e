// Osmant.dll issuing application commands: as a message to a window, and as a keyboard's key.
#include "outside/osmant.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> seen;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APPCOMMAND || message == WM_KEYDOWN || message == WM_KEYUP) {
        seen.push_back({message, wParam, lParam});
    }
    if (message == WM_APPCOMMAND) {
        // Handled here: the shell must not start a real mail program from the test.
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeTarget()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TileboxLaunchTestAppCommandWndClass";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "app command", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           50, 50, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
}

void Pump(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

std::vector<Seen> AppCommands()
{
    std::vector<Seen> commands;
    for (const Seen& s : seen) {
        if (s.message == WM_APPCOMMAND) {
            commands.push_back(s);
        }
    }
    return commands;
}

int Target(HWND window)
{
    return static_cast<int>(reinterpret_cast<INT_PTR>(window));
}

}  // namespace

TEST(AppCommand, MessageCarriesCommandDeviceAndKeys)
{
    HWND window = MakeTarget();
    ASSERT_NE(nullptr, window);
    seen.clear();

    EXPECT_NE(0, Osmant_IssueWindowsAPPCommand(APPCOMMAND_LAUNCH_MAIL, 0, MK_CONTROL,
                                               Target(window), 0));
    EXPECT_NE(0, Osmant_IssueWindowsAPPCommand(APPCOMMAND_MEDIA_PLAY, 2, 0, Target(window), 0));
    // The keyboard with a window named: no key is pressed, the window gets the message.
    EXPECT_NE(0, Osmant_IssueWindowsAPPCommand(APPCOMMAND_LAUNCH_MAIL, 1, 0, Target(window), 0));
    std::vector<Seen> commands = AppCommands();
    ASSERT_EQ(3u, commands.size());
    EXPECT_EQ(APPCOMMAND_LAUNCH_MAIL, GET_APPCOMMAND_LPARAM(commands[0].lParam));
    EXPECT_EQ(FAPPCOMMAND_KEY, GET_DEVICE_LPARAM(commands[0].lParam));
    EXPECT_EQ(MK_CONTROL, GET_KEYSTATE_LPARAM(commands[0].lParam));
    EXPECT_EQ(reinterpret_cast<WPARAM>(window), commands[0].wParam);
    EXPECT_EQ(APPCOMMAND_MEDIA_PLAY, GET_APPCOMMAND_LPARAM(commands[1].lParam));
    EXPECT_EQ(FAPPCOMMAND_MOUSE, GET_DEVICE_LPARAM(commands[1].lParam));
    EXPECT_EQ(APPCOMMAND_LAUNCH_MAIL, GET_APPCOMMAND_LPARAM(commands[2].lParam));
    EXPECT_EQ(FAPPCOMMAND_KEY, GET_DEVICE_LPARAM(commands[2].lParam));

    // Refused: no command, one that does not fit its bits, unknown device, keys beyond a word,
    // a reserved value, a window that does not exist.
    EXPECT_EQ(0, Osmant_IssueWindowsAPPCommand(0, 1, 0, 0, 0));
    EXPECT_EQ(0, Osmant_IssueWindowsAPPCommand(0x1000, 0, 0, Target(window), 0));
    EXPECT_EQ(0, Osmant_IssueWindowsAPPCommand(15, 4, 0, Target(window), 0));
    EXPECT_EQ(0, Osmant_IssueWindowsAPPCommand(15, 0, 0x10000, Target(window), 0));
    EXPECT_EQ(0, Osmant_IssueWindowsAPPCommand(15, 0, 0, Target(window), 1));
    DestroyWindow(window);
    EXPECT_EQ(0, Osmant_IssueWindowsAPPCommand(15, 0, 0, Target(window), 0));
    EXPECT_EQ(3u, AppCommands().size());
}

TEST(AppCommand, KeyboardCommandReachesTheForegroundWindow)
{
    HWND window = MakeTarget();
    ASSERT_NE(nullptr, window);
    SetForegroundWindow(window);
    SetFocus(window);
    Pump(200);
    ASSERT_EQ(window, GetForegroundWindow());
    seen.clear();

    // The menu's own call: the mail key, pressed and released as a keyboard would.
    EXPECT_NE(0, Osmant_IssueWindowsAPPCommand(APPCOMMAND_LAUNCH_MAIL, 1, 0, 0, 0));
    Pump(500);
    // The key itself arrives, down then up, and the system turns it into one application
    // command for the window, which is where the shell takes it from.
    std::vector<UINT> keys;
    for (const Seen& s : seen) {
        if (s.message != WM_APPCOMMAND) {
            EXPECT_EQ(static_cast<WPARAM>(VK_LAUNCH_MAIL), s.wParam);
            keys.push_back(s.message);
        }
    }
    EXPECT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}), keys);
    std::vector<Seen> commands = AppCommands();
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(APPCOMMAND_LAUNCH_MAIL, GET_APPCOMMAND_LPARAM(commands[0].lParam));
    EXPECT_EQ(FAPPCOMMAND_KEY, GET_DEVICE_LPARAM(commands[0].lParam));
    EXPECT_EQ(reinterpret_cast<WPARAM>(window), commands[0].wParam);

    // A command no key stands for goes to the foreground window as a message.
    seen.clear();
    EXPECT_NE(0, Osmant_IssueWindowsAPPCommand(APPCOMMAND_MEDIA_PLAY, 1, 0, 0, 0));
    commands = AppCommands();
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(APPCOMMAND_MEDIA_PLAY, GET_APPCOMMAND_LPARAM(commands[0].lParam));
    EXPECT_EQ(FAPPCOMMAND_KEY, GET_DEVICE_LPARAM(commands[0].lParam));
    DestroyWindow(window);
}
