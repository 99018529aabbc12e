// The real tilebox.exe with the real launch utilities: real clicks on buttons with each remote
// code, with the agent helper running and without it.
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/e2e/menu_fixture.h"
#include "tests/launch/launch_fixture.h"

#include <gtest/gtest.h>

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

    // The command button: the command as configured, since a default browser is known.
    ClickButton(4);
    log = launch::WaitForLog(2, 10000);
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(launch::Lower(launch::Quoted(recorder) + " /command"), launch::Lower(log[1]));

    // A button without a remote code does nothing.
    ClickButton(5);
    Sleep(800);
    EXPECT_EQ(2u, launch::ReadLog().size());
    EXPECT_TRUE(menu.IsRunning());
}

}  // namespace
