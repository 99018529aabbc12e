// The real tilebox.exe with the real launch utilities: real clicks on buttons with each remote
// code, with the agent helper running and without it.
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/e2e/menu_fixture.h"
#include "tests/launch/launch_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

const int mode3 = 2;
const char buttonsKey[] = "Software\\Velnor\\Tilebox\\Buttons\\";
const char userClasses[] = "Software\\Classes\\";

class Actions : public MenuFixture {
protected:
    void SetUp() override
    {
        MenuFixture::SetUp();
        const DWORD codes[6] = {320, 321, 1713, 1714, 61456, 0};
        for (int i = 0; i < 6; ++i) {
            bench::WriteDWord(HKEY_CURRENT_USER, buttonsKey + testskin::ButtonName(i),
                              "Remote Code", codes[i]);
        }
        // The recorder's log reaches the programs the menu starts through the environment.
        SetEnvironmentVariableA("TILEBOX_RECORDER_LOG", launch::Recorder().log.c_str());
        launch::ClearLog();
    }

    void TearDown() override
    {
        launch::EndRecorders();
        MenuFixture::TearDown();
    }

    void ClickButton(int index)
    {
        POINT c = testskin::ButtonCentre(mode3, index);
        bench::Click(c.x, c.y);
    }

    bool WaitUntilActive()
    {
        POINT c = testskin::ButtonCentre(mode3, 0);
        return bench::WaitForScreenPixel(c.x, c.y, testskin::normalButton, 14000) ==
               testskin::normalButton;
    }
};

TEST_F(Actions, WithTheAgentRunningEachCodeReachesItExactlyOnce)
{
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    ASSERT_TRUE(WaitUntilActive());
    for (int i = 0; i < 6; ++i) {
        ClickButton(i);
    }
    Sleep(800);
    EXPECT_EQ((std::vector<std::string>{"1028 1798 0", "1028 321 0", "2224 0 0", "2225 0 0",
                                        "1028 61456 0"}),
              AgentMessages());
    EXPECT_TRUE(launch::ReadLog().empty()) << "nothing is started while the agent runs";
    EXPECT_TRUE(menu.IsRunning());
}

// Nothing may really sleep or end here. The tests' own Wine prefix gets stand-ins for the two
// system routes, as the gamepad tests do for XInput: Wine's ExitWindowsEx asks the system
// folder's wineboot.exe to end the session ("--end-session", plus "--force" when forced and
// "--shutdown" unless restarting), and the recorder takes its place; a stand-in powrprof.dll
// records SetSuspendState. Both go back as they were with the object.
class PowerStandIns {
public:
    PowerStandIns()
    {
        bench::WriteString(HKEY_CURRENT_USER, std::string(wineKey) + "\\DllOverrides",
                           "wineboot.exe", "native");
        bench::WriteString(HKEY_CURRENT_USER,
                           std::string(wineKey) + "\\AppDefaults\\tilebox.exe\\DllOverrides",
                           "powrprof", "native");
        ready = Plant("wineboot.exe", launch::Recorder().exe) &&
                Plant("powrprof.dll", bench::BinDir() + "powrprof-standin\\powrprof.dll");
    }
    ~PowerStandIns()
    {
        // Wine keeps a program's file busy for a while after the program ended, so the stand-in
        // is first renamed out of the way (which a busy file allows) and deleted when it can be.
        for (const char* name : {"wineboot.exe", "powrprof.dll"}) {
            if (GetFileAttributesA(Saved(name).c_str()) == INVALID_FILE_ATTRIBUTES) {
                continue;
            }
            const std::string away = System(name) + ".tilebox-standin";
            MoveFileExA(System(name).c_str(), away.c_str(), MOVEFILE_REPLACE_EXISTING);
            MoveFileExA(Saved(name).c_str(), System(name).c_str(), MOVEFILE_REPLACE_EXISTING);
            DeleteFileA(away.c_str());
        }
        bench::DeleteTree(HKEY_CURRENT_USER, std::string(wineKey) + "\\AppDefaults\\tilebox.exe");
        HKEY overrides = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(wineKey) + "\\DllOverrides").c_str(), 0,
                          KEY_SET_VALUE, &overrides) == ERROR_SUCCESS) {
            RegDeleteValueA(overrides, "wineboot.exe");
            RegCloseKey(overrides);
        }
    }
    PowerStandIns(const PowerStandIns&) = delete;
    PowerStandIns& operator=(const PowerStandIns&) = delete;
    bool ready = false;

private:
    static constexpr const char* wineKey = "Software\\Wine";
    static std::string System(const char* name)
    {
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, MAX_PATH);
        return std::string(system) + "\\" + name;
    }
    static std::string Saved(const char* name)
    {
        return System(name) + ".tilebox-saved";
    }
    static bool Plant(const char* name, const std::string& standIn)
    {
        DeleteFileA((System(name) + ".tilebox-standin").c_str());
        if (GetFileAttributesA(Saved(name).c_str()) == INVALID_FILE_ATTRIBUTES &&
            !MoveFileExA(System(name).c_str(), Saved(name).c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return false;
        }
        return CopyFileA(standIn.c_str(), System(name).c_str(), FALSE) != 0;
    }
};

// The agent runs and gets nothing: it has no message for power. Each tile makes its own system
// call, restart and shut down without forcing; the menu stays meanwhile.
TEST_F(Actions, EachPowerTileReachesItsSystemCallWithoutForcingWhileTheAgentRuns)
{
    PowerStandIns standIns;
    ASSERT_TRUE(standIns.ready);
    const DWORD codes[3] = {39322, 39323, 39324};
    for (int i = 0; i < 3; ++i) {
        bench::WriteDWord(HKEY_CURRENT_USER, buttonsKey + testskin::ButtonName(i), "Remote Code",
                          codes[i]);
    }
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    ASSERT_TRUE(WaitUntilActive());
    std::vector<std::string> log;
    for (int i = 0; i < 3; ++i) {
        ClickButton(i);
        log = launch::WaitForLog(static_cast<size_t>(i + 1), 5000);
    }
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ("SetSuspendState 0 0 0", log[0]);
    EXPECT_NE(std::string::npos, log[1].find("wineboot.exe --end-session")) << log[1];
    EXPECT_EQ(std::string::npos, log[1].find("--shutdown")) << "a restart: " << log[1];
    EXPECT_NE(std::string::npos, log[2].find("wineboot.exe --end-session --shutdown")) << log[2];
    for (const std::string& line : log) {
        EXPECT_EQ(std::string::npos, line.find("--force")) << line;
        EXPECT_EQ(std::string::npos, line.find("--kill")) << line;
    }
    EXPECT_TRUE(AgentMessages().empty());
    EXPECT_TRUE(menu.IsRunning());
    // The recorder that stood in for wineboot.exe goes before the file is put back.
    launch::EndRecorders();
}

TEST_F(Actions, AScreenReaderInAnotherProcessReadsTheButtonsFollowsTheFocusAndPressesOne)
{
    bench::WriteString(HKEY_CURRENT_USER, buttonsKey + testskin::ButtonName(0), "Name", "Web");
    bench::WriteDWord(HKEY_CURRENT_USER, buttonsKey + testskin::ButtonName(5), "Remote Code", 39321);
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    // During the start period every button is unavailable and pressing one does nothing.
    std::vector<std::string> early = ProbeAccessible(3);
    ASSERT_EQ(10u, early.size());
    EXPECT_EQ("focus 0", early[1]) << "the window has the focus, and no light shows";
    EXPECT_NE(std::string::npos, early[5].find(" state 100001 ")) << early[5];
    EXPECT_EQ("press 80004005", early[9]);

    ASSERT_TRUE(WaitUntilActive());
    bench::MouseMove(5, 5);
    bench::Keys("Right Right");
    std::vector<std::string> expected = {"children 6", "focus 2", "dispatch Web"};
    for (int i = 0; i < 6; ++i) {
        const RECT b = testskin::ButtonBounds(mode3, i);
        char line[200];
        snprintf(line, sizeof line, "%d role 43 state %s at %ld,%ld,%ld,%ld hit %d name %s", i + 1,
                 i == 1 ? "100004" : "100000", b.left, b.top, b.right - b.left, b.bottom - b.top,
                 i + 1, i == 0 ? "Web" : testskin::ButtonName(i).c_str());
        expected.push_back(line);
    }
    expected.push_back("press 0");
    EXPECT_EQ(expected, ProbeAccessible(3));
    Sleep(300);
    EXPECT_EQ(std::vector<std::string>{"2224 0 0"}, AgentMessages()) << "the CD request, once";

    // The close button through the reader: its call is answered first, then the menu ends.
    std::vector<std::string> closing = ProbeAccessible(6);
    ASSERT_FALSE(closing.empty());
    EXPECT_EQ("press 0", closing.back());
    EXPECT_EQ(18u, menu.WaitExit(10000));
}

TEST_F(Actions, WithoutTheAgentTheMenuStartsTheCdPlayerAndTheCommandItself)
{
    StopAgent();
    const std::string recorder = launch::Recorder().exe;
    launch::Registrations reg;
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(userClasses) + ".cda", "",
                        "TileboxE2e.CdAudio"));
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER,
                        std::string(userClasses) + "TileboxE2e.CdAudio\\shell\\play\\command", "",
                        launch::Quoted(recorder) + " /cd \"%1\""));
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(userClasses) + "http\\shell\\open\\command",
                        "", launch::Quoted(recorder) + " \"%1\""));
    bench::WriteString(HKEY_CURRENT_USER, buttonsKey + testskin::ButtonName(4), "Command",
                       launch::Quoted(recorder) + " /command");

    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu, "", 15000));
    ASSERT_TRUE(WaitUntilActive());

    // The CD player: its registered command trimmed to the program, with one quotation mark
    // appended, which closes the quoted path again.
    ClickButton(2);
    std::vector<std::string> log = launch::WaitForLog(1, 10000);
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(launch::Lower(launch::Quoted(recorder)), launch::Lower(log[0]));
    // The player logs its start before its window shows; the next click waits for that window in
    // front, as a person would, so that its activation cannot fall between a press and its
    // release (a press the menu loses that way ends without acting).
    const std::vector<HWND> player = launch::WaitForRecorderWindows(1, 10000);
    ASSERT_EQ(1u, player.size());
    for (int i = 0; i < 100 && GetForegroundWindow() != player[0]; ++i) {
        Sleep(50);
    }

    // The command button: the command as configured, since a default browser is known.
    ClickButton(4);
    log = launch::WaitForLog(2, 10000);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(launch::Lower(launch::Quoted(recorder) + " /command"), launch::Lower(log[1]));

    // The program in front ends (killed, so that Wine itself activates nothing): the menu takes
    // the front back, and an arrow key moves the focus with no click.
    std::vector<HWND> started = launch::WaitForRecorderWindows(2, 10000);
    auto startedInFront = [&] {
        return std::find(started.begin(), started.end(), GetForegroundWindow()) != started.end();
    };
    for (int i = 0; i < 100 && !startedInFront(); ++i) {
        Sleep(50);
    }
    ASSERT_TRUE(startedInFront()) << "a started program comes to the front";
    // The menu, answering again once the launch is done, has seen it in front for a few looks.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(MenuWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
    Sleep(700);
    launch::EndRecorders();
    HWND menuWindow = MenuWindow();
    for (int i = 0; i < 100 && GetForegroundWindow() != menuWindow; ++i) {
        Sleep(50);
    }
    EXPECT_EQ(menuWindow, GetForegroundWindow());
    bench::MouseMove(5, 5);
    bench::Keys("Right");
    POINT c0 = testskin::ButtonCentre(mode3, 0);
    EXPECT_EQ(testskin::selectedButton,
              bench::WaitForScreenPixel(c0.x, c0.y, testskin::selectedButton, 3000));

    // A button without a remote code does nothing.
    ClickButton(5);
    Sleep(800);
    EXPECT_EQ(2u, launch::ReadLog().size());
    EXPECT_TRUE(menu.IsRunning());
}

TEST_F(Actions, TheInternetButtonStartsTheBrowserNotAProgramNamedByPartOfItsPath)
{
    StopAgent();
    launch::InterceptionPair pair;
    ASSERT_TRUE(pair.ready);
    // The shell's own http handler, unquoted as some installers leave it.
    const std::string command = pair.browser + " \"%1\"";
    launch::HiddenValue http(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "", command.c_str());

    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    ASSERT_TRUE(WaitUntilActive());
    ClickButton(0);
    std::vector<std::string> log = launch::WaitForLog(1, 10000);
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(launch::Lower(launch::Quoted(pair.browser)), launch::Lower(log[0]));
    EXPECT_TRUE(menu.IsRunning());
    // The log is written before the window shows; wait for it so the program can be ended.
    EXPECT_EQ(1u, launch::WaitForRecorderWindows(1, 10000).size());
    launch::EndRecorders();

    // Registered quoted, through that folder and "..": the one path reaches the start whole.
    const std::string viaParent = launch::Quoted(pair.viaParent) + " \"%1\"";
    launch::HiddenValue quoted(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "",
                               viaParent.c_str());
    ClickButton(0);
    log = launch::WaitForLog(2, 10000);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(launch::Lower(launch::Quoted(pair.webBrowser)), launch::Lower(log[1]));
    EXPECT_EQ(1u, launch::WaitForRecorderWindows(1, 10000).size());
}

TEST_F(Actions, AHungMinimisedCdPlayerLeavesTheMenuResponsive)
{
    StopAgent();
    const std::string recorder = launch::Recorder().exe;
    launch::Registrations reg;
    ASSERT_TRUE(
        reg.Set(HKEY_CURRENT_USER, std::string(userClasses) + ".cda", "", "TileboxE2e.CdAudio"));
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER,
                        std::string(userClasses) + "TileboxE2e.CdAudio\\shell\\play\\command", "",
                        launch::Quoted(recorder) + " /cd \"%1\""));
    // The player minimises its window and stops answering, as a hung program does.
    bench::Process player;
    ASSERT_TRUE(player.Start(launch::Quoted(recorder) + " /hang"));
    HWND playerWindow = bench::WaitForWindow(launch::kRecorderClass, 10000, player.Id());
    ASSERT_NE(nullptr, playerWindow);
    for (int i = 0; i < 100 && !IsIconic(playerWindow); ++i) {
        Sleep(50);
    }
    ASSERT_TRUE(IsIconic(playerWindow));

    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    ASSERT_TRUE(WaitUntilActive());
    ClickButton(2);
    Sleep(500);
    // The menu answers at once: the click did not wait for the hung player.
    DWORD_PTR answer = 0;
    const DWORD start = GetTickCount();
    EXPECT_NE(0, SendMessageTimeoutA(MenuWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(menu.IsRunning());
    // The running player was found, so nothing new was started.
    EXPECT_EQ(1u, launch::ReadLog().size());
    player.Kill();
}

TEST_F(Actions, AUserCommandAloneLayersOverTheMachineDefaults)
{
    StopAgent();
    // The whole skin machine-wide, the Files button a command button; the user sets one value.
    testskin::DeleteSettings(HKEY_CURRENT_USER);
    testskin::WriteSettings(HKEY_LOCAL_MACHINE, 0);
    bench::WriteDWord(HKEY_LOCAL_MACHINE, buttonsKey + testskin::ButtonName(4), "Remote Code",
                      61456);
    bench::WriteString(HKEY_LOCAL_MACHINE, buttonsKey + testskin::ButtonName(4), "Command",
                       "machine-command-never-run");
    const std::string recorder = launch::Recorder().exe;
    bench::WriteString(HKEY_CURRENT_USER, buttonsKey + testskin::ButtonName(4), "Command",
                       launch::Quoted(recorder) + " /mine");

    bench::Process menu;
    const bool started = StartMenu(menu) && WaitUntilActive();
    if (started) {
        ClickButton(4);
    }
    std::vector<std::string> log = launch::WaitForLog(1, 10000);
    testskin::DeleteSettings(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(started) << "the menu must start with the six machine-wide buttons";
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(launch::Lower(launch::Quoted(recorder) + " /mine"), launch::Lower(log[0]));
    EXPECT_TRUE(menu.IsRunning());
    EXPECT_EQ(1u, launch::WaitForRecorderWindows(1, 10000).size());
}

} // namespace
