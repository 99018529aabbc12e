// Faults around the real tilebox.exe: an agent whose window never reads its messages, programs
// that do not exist, settings deleted and a bitmap file removed while the menu runs, and a very
// long command line. Each must fail silently, affecting only that action or reload.
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/e2e/menu_fixture.h"
#include "tests/launch/launch_fixture.h"
#include "tests/reliability/menu_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

const int mode3 = 2;
const char buttonsKey[] = "Software\\Velnor\\Tilebox\\Buttons\\";
const char userClasses[] = "Software\\Classes\\";

// Every visible top-level window other than the menu's: a dialog that an error brings up would
// show here.
std::set<HWND> OtherVisibleWindows(HWND menuWindow)
{
    struct Found {
        HWND menu;
        std::set<HWND> windows;
    } found = {menuWindow, {}};
    EnumWindows(
        [](HWND window, LPARAM lParam) -> BOOL {
            Found* f = reinterpret_cast<Found*>(lParam);
            if (window != f->menu && IsWindowVisible(window)) {
                f->windows.insert(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

class MenuFaults : public MenuFixture {
  protected:
    bool WaitUntilActive()
    {
        const POINT c = testskin::ButtonCentre(mode3, 0);
        return bench::WaitForScreenPixel(c.x, c.y, testskin::normalButton, 14000) ==
               testskin::normalButton;
    }

    void ClickButton(int index)
    {
        const POINT c = testskin::ButtonCentre(mode3, index);
        bench::Click(c.x, c.y);
    }
};

TEST_F(MenuFaults, AnAgentThatNeverReadsItsMessagesCannotHoldUpTheMenu)
{
    StopAgent();
    ASSERT_TRUE(StartAgent("--no-pump"));
    SetRemoteCode(320);
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    HWND window = MenuWindow();
    ASSERT_TRUE(WaitUntilActive());

    int slowest = 0;
    for (int i = 0; i < 10; ++i) {
        ClickButton(i % 6);
        const int answer = reliability::AnswerTime(window, 2000);
        ASSERT_GE(answer, 0) << "the menu did not answer after real click " << i;
        slowest = std::max(slowest, answer);
    }
    // A burst of posted clicks, every one a post to the hung agent.
    const DWORD start = GetTickCount();
    for (int i = 0; i < 2000; ++i) {
        reliability::PostClick(window, mode3, i % 6);
    }
    ASSERT_TRUE(reliability::DrainWithMarker(window, mode3, 1, 10000));
    const DWORD burstMs = GetTickCount() - start;
    const int answer = reliability::AnswerTime(window, 2000);
    std::printf("hung agent: 10 real clicks, slowest answer %d ms; 2000 posted clicks handled "
                "in %lu ms; answer afterwards %d ms\n",
                slowest, static_cast<unsigned long>(burstMs), answer);
    EXPECT_LT(slowest, 1000);
    EXPECT_GE(answer, 0);
    EXPECT_LT(answer, 1000);
    EXPECT_TRUE(AgentMessages().empty()) << "the agent never read a message";
    EXPECT_TRUE(menu.IsRunning());
}

TEST_F(MenuFaults, MissingProgramsDeletedSettingsAndADeletedBitmapFailSilently)
{
    // The launch utilities are handed programs that do not exist: the CD player registered for
    // .cda and the command button's command (a default browser is known, so it is run).
    launch::Registrations reg;
    const std::string recorder = launch::Recorder().exe;
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(userClasses) + ".cda", "",
                        "TileboxReliability.CdAudio"));
    ASSERT_TRUE(
        reg.Set(HKEY_CURRENT_USER,
                std::string(userClasses) + "TileboxReliability.CdAudio\\shell\\play\\command", "",
                "\"C:\\nowhere\\no player.exe\" /cd \"%1\""));
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(userClasses) + "http\\shell\\open\\command",
                        "", launch::Quoted(recorder) + " \"%1\""));
    SetEnvironmentVariableA("TILEBOX_RECORDER_LOG", launch::Recorder().log.c_str());
    launch::ClearLog();
    const DWORD codes[6] = {320, 1713, 61456, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        bench::WriteDWord(HKEY_CURRENT_USER, buttonsKey + testskin::ButtonName(i), "Remote Code",
                          codes[i]);
    }
    bench::WriteString(HKEY_CURRENT_USER, buttonsKey + testskin::ButtonName(2), "Command",
                       "C:\\nowhere\\missing-program.exe /x");

    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    HWND window = MenuWindow();
    ASSERT_TRUE(WaitUntilActive());
    StopAgent();
    const std::set<HWND> windowsBefore = OtherVisibleWindows(window);

    {
        SCOPED_TRACE("programs that do not exist");
        ClickButton(1);
        ClickButton(2);
        Sleep(1500);
        EXPECT_TRUE(menu.IsRunning());
        EXPECT_GE(reliability::AnswerTime(window, 2000), 0);
        EXPECT_TRUE(launch::ReadLog().empty()) << "nothing else was started";
        EXPECT_EQ(windowsBefore, OtherVisibleWindows(window)) << "no window came up";
    }
    {
        SCOPED_TRACE("settings deleted while the menu runs");
        testskin::DeleteSettings(HKEY_CURRENT_USER);
        ClickButton(0);
        Sleep(1000);
        EXPECT_TRUE(launch::ReadLog().empty()) << "the browser button did nothing";
        EXPECT_TRUE(menu.IsRunning());
        EXPECT_GE(reliability::AnswerTime(window, 2000), 0);
        EXPECT_EQ(windowsBefore, OtherVisibleWindows(window));
        testskin::WriteSettings(HKEY_CURRENT_USER, 0);
    }
    {
        SCOPED_TRACE("a bitmap file deleted between two display changes");
        ASSERT_TRUE(bench::SetDisplayMode(800, 600));
        ASSERT_GE(reliability::AnswerTime(window, 5000), 0);
        ASSERT_TRUE(menu.IsRunning());
        ASSERT_TRUE(DeleteFileA((bench::BinDir() + testskin::SelectedFile(0)).c_str()));
        ASSERT_TRUE(bench::SetDisplayMode(640, 480));
        EXPECT_EQ(18u, menu.WaitExit(10000));
        EXPECT_EQ(windowsBefore, OtherVisibleWindows(nullptr));
    }
    launch::EndRecorders();
}

TEST_F(MenuFaults, AVeryLongCommandLineIsIgnoredAndNeverMistakenForAWord)
{
    // Close to the 32,767 characters a command line may have, with bytes above 127 in it.
    std::string tail;
    while (tail.size() < 30000) {
        tail += "x\xE9\xFF\xA0 ";
    }
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu, tail));
    EXPECT_TRUE(menu.IsRunning());

    // A second start whose tail begins with the word but goes on: no command word, so it only
    // brings the running menu forward.
    bench::Process second;
    ASSERT_TRUE(bench::StartInBin(second, "tilebox.exe", "Close" + tail));
    EXPECT_EQ(0u, second.WaitExit(10000));
    Sleep(300);
    EXPECT_TRUE(menu.IsRunning());

    bench::Process closer;
    ASSERT_TRUE(bench::StartInBin(closer, "tilebox.exe", "cLoSe"));
    EXPECT_EQ(0u, closer.WaitExit(10000));
    EXPECT_EQ(18u, menu.WaitExit(10000));
}

}  // namespace
