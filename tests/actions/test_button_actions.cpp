// The remote-code actions against recording fakes of the settings store and launch utilities.
#include "actions/button_actions.h"
#include "actions/menu_platform.h"
#include "actions/power.h"
#include "app/menu_window.h"
#include "skin/skin.h"
#include "tests/fakes/fake_outside.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

std::vector<std::string> agentMessages;

LRESULT CALLBACK RecordingAgentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER && message < 0xC000) {
        agentMessages.push_back(std::to_string(message) + " " + std::to_string(wParam) + " " +
                                std::to_string(lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string Handle(HWND window)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", static_cast<void*>(window));
    return text;
}

class ButtonActions : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        agentMessages.clear();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecordingAgentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MorvixRemoteCtrl4VelnorWndClass";
        RegisterClassA(&wc);
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "ActionsTestMenu";
        RegisterClassA(&wc);
        menu = CreateWindowExA(WS_EX_TOPMOST, "ActionsTestMenu", "menu", WS_POPUP, 0, 0, 10, 10,
                               nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(nullptr, menu);
        ZeroMemory(&skin, sizeof skin);
        ZeroMemory(buttons, sizeof buttons);
        for (int i = 0; i < 6; ++i) {
            std::snprintf(buttons[i].name, sizeof buttons[i].name, "B%d", i);
        }
        skin.buttons = buttons;
        skin.buttonCount = 6;
        currentSkin = &skin;
    }

    void TearDown() override
    {
        currentSkin = nullptr;
        if (IsWindow(menu)) {
            DestroyWindow(menu);
        }
        StopAgent();
    }

    void StartAgent()
    {
        agent = CreateWindowExA(0, "MorvixRemoteCtrl4VelnorWndClass", "agent", WS_POPUP, 0, 0, 1,
                                1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, agent);
    }

    void StopAgent()
    {
        if (agent != nullptr) {
            DestroyWindow(agent);
            agent = nullptr;
        }
    }

    // Runs button 2's action with the given remote code and delivers what was posted.
    void Run(DWORD code)
    {
        fake::SetDWord("Buttons\\B2", "Remote Code", code);
        PerformButtonAction(menu, 2);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }

    Calls Launches() const
    {
        Calls launches;
        for (const std::string& call : fake::Calls()) {
            if (call.rfind("Osmant_", 0) == 0 || call.rfind("TARVIK_", 0) == 0) {
                launches.push_back(call);
            }
        }
        return launches;
    }

    std::string Execute(HWND owner, const std::string& commandLine) const
    {
        return "Osmant_ExecuteCommand(" + Handle(owner) + ", " + commandLine + ", 0, 0)";
    }

    bool IsTopmost() const
    {
        return (GetWindowLongA(menu, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    }

    HWND menu = nullptr;
    HWND agent = nullptr;
    Skin skin;
    ButtonEntry buttons[6];
};

const HWND runningWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4242));

// Each grant of the foreground, with whether a request to the agent was already waiting.
std::vector<std::string> grants;
BOOL WINAPI RecordingAllow(DWORD process)
{
    MSG waiting;
    const bool posted = PeekMessageA(&waiting, nullptr, WM_USER, 0xBFFF, PM_NOREMOVE) != 0;
    grants.push_back(std::to_string(process) + (posted ? " after a post" : ""));
    return TRUE;
}

TEST_F(ButtonActions, WithTheAgentRunningEachCodePostsOneMessageAndStartsNothing)
{
    StartAgent();
    fake::World().browser = "C:\\Web\\browser.exe";
    fake::SetString("Buttons\\B2", "Command", "notepad.exe");
    struct Case {
        DWORD code;
        const char* message;
    } cases[] = {{320, "1028 1798 0"},    {321, "1028 321 0"}, {1713, "2224 0 0"},
                 {1714, "2225 0 0"},      {61456, "1028 61456 0"}};
    const MenuPlatform saved = menuPlatform;
    menuPlatform.allowSetForegroundWindow = RecordingAllow;
    for (const Case& c : cases) {
        agentMessages.clear();
        grants.clear();
        fake::Calls().clear();
        SetWindowPos(menu, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        Run(c.code);
        EXPECT_EQ(Calls{c.message}, agentMessages) << "code " << c.code;
        EXPECT_EQ(Calls{std::to_string(GetCurrentProcessId())}, grants)
            << "the agent's process may take the foreground before each post; code " << c.code;
        EXPECT_EQ(Calls{}, Launches()) << "code " << c.code;
        EXPECT_EQ(c.code != 61456, IsTopmost()) << "only the command code leaves the top layer";
    }
    menuPlatform = saved;
}

TEST_F(ButtonActions, TheCloseCodeDestroysTheMenuWithoutTheAgent)
{
    StartAgent();
    Run(39321);
    EXPECT_FALSE(IsWindow(menu));
    EXPECT_EQ(Calls{}, agentMessages);
    EXPECT_EQ(Calls{}, Launches());
}

// The power calls, recorded in order. The test machine never sleeps or shuts down: nothing real is
// called, and Wine could not show Windows' privilege rules anyway.
Calls powerCalls;
BOOL powerTokenOpens = TRUE;
BOOL powerLookupFinds = TRUE;
DWORD powerAdjustError = ERROR_SUCCESS;
BOOL powerRequestTaken = TRUE;
HANDLE const fakeToken = reinterpret_cast<HANDLE>(0x7070);

BOOL WINAPI RecordOpenToken(HANDLE, DWORD access, PHANDLE token)
{
    powerCalls.push_back("open token " + std::to_string(access));
    *token = powerTokenOpens ? fakeToken : nullptr;
    return powerTokenOpens;
}

BOOL WINAPI RecordLookup(LPCSTR system, LPCSTR name, PLUID luid)
{
    powerCalls.push_back(std::string("look up ") + (system == nullptr ? "" : "remote ") + name);
    luid->LowPart = 19;
    luid->HighPart = 0;
    return powerLookupFinds;
}

// Enabling hands back the previous state (the privilege off); restoring passes that state in.
BOOL WINAPI RecordAdjust(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD,
                         PTOKEN_PRIVILEGES previous, PDWORD)
{
    const LUID_AND_ATTRIBUTES& p = state->Privileges[0];
    powerCalls.push_back(std::string(token == fakeToken ? "" : "other token ") +
                         (disableAll ? "disable all" : "adjust ") + std::to_string(p.Luid.LowPart) +
                         " to " + std::to_string(p.Attributes) +
                         (previous != nullptr ? " keeping the previous" : ""));
    if (previous != nullptr) {
        previous->PrivilegeCount = 1;
        previous->Privileges[0].Luid = p.Luid;
        previous->Privileges[0].Attributes = 0;
    }
    SetLastError(previous != nullptr ? powerAdjustError : ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI RecordClose(HANDLE handle)
{
    powerCalls.push_back(handle == fakeToken ? "close token" : "close other");
    return TRUE;
}

BOOL WINAPI RecordExit(UINT flags, DWORD reason)
{
    char text[64];
    std::snprintf(text, sizeof text, "exit windows %#x reason %#lx", flags,
                  static_cast<unsigned long>(reason));
    powerCalls.push_back(text);
    return powerRequestTaken;
}

BOOLEAN WINAPI RecordSuspend(BOOLEAN hibernate, BOOLEAN force, BOOLEAN disableWake)
{
    powerCalls.push_back("suspend " + std::to_string(hibernate) + " " + std::to_string(force) +
                         " " + std::to_string(disableWake));
    return static_cast<BOOLEAN>(powerRequestTaken);
}

// Each power tile makes its one call with the shutdown privilege enabled around it alone, even
// while the agent runs (it has no message for them), and posts nothing. A refusal at any step
// leaves the menu, and no privilege stays enabled.
TEST_F(ButtonActions, PowerCodesAskWindowsWithThePrivilegeEnabledForTheCallAlone)
{
    StartAgent();
    const PowerPlatform saved = powerPlatform;
    powerPlatform = {RecordOpenToken, RecordLookup, RecordAdjust, RecordClose, RecordExit,
                     RecordSuspend};
    const std::string open = "open token " + std::to_string(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    const std::string enable = "adjust 19 to 2 keeping the previous", restore = "adjust 19 to 0";
    const struct {
        DWORD code;
        const char* call;
    } cases[] = {{39322, "suspend 0 0 0"},
                 {39323, "exit windows 0x2 reason 0x80000000"},
                 {39324, "exit windows 0x8 reason 0x80000000"}};
    EXPECT_EQ(0x80000000u, static_cast<unsigned>(PowerReason)) << "planned, other, other";
    for (const auto& c : cases) {
        for (BOOL taken : {TRUE, FALSE}) {
            powerCalls.clear();
            powerRequestTaken = taken;
            Run(c.code);
            EXPECT_EQ((Calls{open, "look up SeShutdownPrivilege", enable, c.call, restore,
                             "close token"}),
                      powerCalls)
                << "code " << c.code << (taken ? "" : ", refused");
        }
    }
    powerRequestTaken = TRUE;
    const struct {
        BOOL opens, finds;
        DWORD adjustError;
        Calls calls;
    } refusals[] = {
        {FALSE, TRUE, ERROR_SUCCESS, {open}},
        {TRUE, FALSE, ERROR_SUCCESS, {open, "look up SeShutdownPrivilege", "close token"}},
        {TRUE, TRUE, ERROR_NOT_ALL_ASSIGNED,
         {open, "look up SeShutdownPrivilege", enable, "close token"}},
    };
    for (const auto& r : refusals) {
        powerTokenOpens = r.opens;
        powerLookupFinds = r.finds;
        powerAdjustError = r.adjustError;
        for (const auto& c : cases) {
            powerCalls.clear();
            Run(c.code);
            EXPECT_EQ(r.calls, powerCalls) << "code " << c.code;
        }
    }
    powerTokenOpens = TRUE;
    powerLookupFinds = TRUE;
    powerAdjustError = ERROR_SUCCESS;
    powerPlatform = saved;
    EXPECT_TRUE(IsWindow(menu));
    EXPECT_EQ(Calls{}, agentMessages);
    EXPECT_EQ(Calls{}, Launches());
}

TEST_F(ButtonActions, BrowserStartsTheDefaultBrowserOnlyWhenOneIsKnown)
{
    fake::World().browser = "C:\\Web\\browser.exe";
    Run(320);
    EXPECT_EQ((Calls{"Osmant_GetSystemDefaultBrowserFileName()",
                     Execute(menu, "C:\\Web\\browser.exe")}),
              Launches());

    fake::Calls().clear();
    fake::World().browser = "";
    Run(320);
    EXPECT_EQ(Calls{"Osmant_GetSystemDefaultBrowserFileName()"}, Launches());

    fake::Calls().clear();
    fake::World().browser = "C:\\Web\\browser.exe";
    fake::World().browserResult = 0;
    Run(320);
    EXPECT_EQ(Calls{"Osmant_GetSystemDefaultBrowserFileName()"}, Launches());
}

TEST_F(ButtonActions, MailIsBroughtForwardOrStartedAndTheShellAskedWhenThatDoesNotDoIt)
{
    const std::string mail = "C:\\Mail\\mail.exe";
    const std::string find = "TARVIK_GetWindowHandleFromExecutableFile(" + mail + ")";
    const std::string appCommand = "Osmant_IssueWindowsAPPCommand(15, 1, 0, 0, 0)";
    const std::string getMail = "Osmant_GetSystemDefaultMailFileName()";

    fake::World().mail = mail;
    fake::World().runningWindows[mail] = runningWindow;
    Run(321);
    EXPECT_EQ((Calls{getMail, find,
                     "Osmant_SetWindowToForeground(" + Handle(runningWindow) + ")", appCommand}),
              Launches())
        << "running";

    fake::Calls().clear();
    fake::World().runningWindows.clear();
    Run(321);
    // The menu owns the start, so a consent prompt comes up in front of it.
    EXPECT_EQ((Calls{getMail, find, Execute(menu, mail)}), Launches()) << "started";

    fake::Calls().clear();
    fake::World().executeResult = 0;
    Run(321);
    EXPECT_EQ((Calls{getMail, find, Execute(menu, mail), appCommand}), Launches())
        << "start failed";

    fake::Calls().clear();
    fake::World().mail = "";
    Run(321);
    EXPECT_EQ((Calls{getMail, appCommand}), Launches()) << "none known";
}

TEST_F(ButtonActions, CdPlayerLooksUpTheRegisteredTextAndStartsItTrimmedWithOneQuote)
{
    const std::string quoted = "\"C:\\Program Files\\CD\\cd.exe\" /play \"%1\"";
    fake::World().extensions["CDA"] = quoted;
    Run(1713);
    EXPECT_EQ((Calls{"Osmant_GetDefaultPlayerFileNameByExtName(CDA, 256)",
                     "TARVIK_GetWindowHandleFromExecutableFile(" + quoted + ")",
                     Execute(menu, "\"C:\\Program Files\\CD\\cd.exe\"")}),
              Launches());

    fake::Calls().clear();
    fake::World().extensions["CDA"] = "C:\\CD\\cd.exe %1";
    Run(1713);
    EXPECT_EQ(Execute(menu, "C:\\CD\\cd.exe\""), Launches().back()) << "the quote is appended";

    fake::Calls().clear();
    fake::World().runningWindows["C:\\CD\\cd.exe %1"] = runningWindow;
    Run(1713);
    EXPECT_EQ("Osmant_SetWindowToForeground(" + Handle(runningWindow) + ")", Launches().back());

    fake::Calls().clear();
    fake::World().extensions.clear();
    Run(1713);
    EXPECT_EQ((Calls{"Osmant_GetDefaultPlayerFileNameByExtName(CDA, 256)",
                     "TARVIK_GetWindowHandleFromExecutableFile()", Execute(menu, "\"")}),
              Launches())
        << "no player registered";
}

TEST_F(ButtonActions, CdPlayerTextWithNoRoomForTheQuoteIsNotStarted)
{
    std::string player = "C:\\" + std::string(252, 'p');  // 255 characters, nothing to trim
    fake::World().extensions["CDA"] = player;
    Run(1713);
    EXPECT_EQ((Calls{"Osmant_GetDefaultPlayerFileNameByExtName(CDA, 256)",
                     "TARVIK_GetWindowHandleFromExecutableFile(" + player + ")"}),
              Launches());
}

TEST_F(ButtonActions, DvdPlayerReplacesTheSystemDvdProgramByTheVideoPlayer)
{
    const std::string verb = "Osmant_GetSystemDefaultPlayerFileName(DVD\\Shell\\Play\\Command)";
    for (const char* dvdplay : {"C:\\Windows\\dvdplay.exe /play", "C:\\Windows\\DVDPlay.EXE",
                                "\"C:\\Windows\\DVDPLAY.exe\" %1"}) {
        fake::Calls().clear();
        fake::World().verbPaths["DVD\\Shell\\Play\\Command"] = dvdplay;
        fake::World().extensions["MPG"] = "\"C:\\Video\\mpg.exe\" /play \"%1\"";
        Run(1714);
        EXPECT_EQ((Calls{verb, "Osmant_GetDefaultPlayerFileNameByExtName(MPG, 256)",
                         Execute(menu, "\"C:\\Video\\mpg.exe")}),
                  Launches())
            << dvdplay;
    }

    fake::Calls().clear();
    fake::World().verbPaths["DVD\\Shell\\Play\\Command"] = "C:\\Other\\dvd.exe /play %1";
    Run(1714);
    EXPECT_EQ((Calls{verb, Execute(menu, "C:\\Other\\dvd.exe")}), Launches())
        << "another program is started as registered, trimmed, without a quote";
}

TEST_F(ButtonActions, DvdPlayerFallsBackToTheButtonsCommand)
{
    const std::string verb = "Osmant_GetSystemDefaultPlayerFileName(DVD\\Shell\\Play\\Command)";
    fake::SetString("Buttons\\B2", "Command", "C:\\Tools\\dvdtool.exe /go");
    const std::string find = "TARVIK_GetWindowHandleFromExecutableFile(C:\\Tools\\dvdtool.exe /go)";

    Run(1714);
    EXPECT_EQ((Calls{verb, find, Execute(menu, "C:\\Tools\\dvdtool.exe /go")}), Launches())
        << "no DVD command registered";

    fake::Calls().clear();
    fake::World().verbPaths["DVD\\Shell\\Play\\Command"] = "C:\\Other\\dvd.exe";
    fake::World().executeResult = 0;
    fake::World().runningWindows["C:\\Tools\\dvdtool.exe /go"] = runningWindow;
    Run(1714);
    EXPECT_EQ((Calls{verb, Execute(menu, "C:\\Other\\dvd.exe"), find,
                     "Osmant_SetWindowToForeground(" + Handle(runningWindow) + ")"}),
              Launches())
        << "start failed, command already running";

    fake::Calls().clear();
    fake::CurrentSettings().strings.clear();
    Run(1714);
    EXPECT_EQ((Calls{verb, Execute(menu, "C:\\Other\\dvd.exe")}), Launches())
        << "no command either: nothing more";
}

TEST_F(ButtonActions, CommandRunsWhereABrowserIsKnownAndBringsARunningOneBack)
{
    const std::string browser = "C:\\Web\\browser.exe";
    const std::string findBrowser = "TARVIK_GetWindowHandleFromExecutableFile(" + browser + ")";
    fake::World().browser = browser;
    fake::SetString("Buttons\\B2", "Command", "http://example.invalid/tv");

    Run(61456);
    EXPECT_FALSE(IsTopmost());
    EXPECT_EQ((Calls{"Osmant_GetSystemDefaultBrowserFileName()", findBrowser,
                     Execute(menu, "http://example.invalid/tv")}),
              Launches())
        << "browser not running: started, not looked for again";

    fake::Calls().clear();
    fake::World().runningWindows[browser] = runningWindow;
    Run(61456);
    EXPECT_EQ((Calls{"Osmant_GetSystemDefaultBrowserFileName()", findBrowser,
                     Execute(menu, "http://example.invalid/tv"),
                     "Osmant_SetWindowToForeground(" + Handle(runningWindow) + ")"}),
              Launches())
        << "browser running: brought forward after the start";

    fake::Calls().clear();
    fake::World().browser = "";
    Run(61456);
    EXPECT_EQ(Calls{"Osmant_GetSystemDefaultBrowserFileName()"}, Launches()) << "no browser";

    fake::Calls().clear();
    fake::CurrentSettings().strings.clear();
    SetWindowPos(menu, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Run(61456);
    EXPECT_EQ(Calls{}, Launches()) << "no command";
    EXPECT_FALSE(IsTopmost()) << "the menu leaves the top layer all the same";
}

TEST_F(ButtonActions, UnknownMissingAndZeroCodesDoNothing)
{
    StartAgent();
    for (DWORD code : {0u, 1u, 322u, 39320u, 39325u, 0xFFFFFFFFu}) {
        Run(code);
    }
    fake::CurrentSettings().dwords.clear();
    PerformButtonAction(menu, 2);
    EXPECT_EQ(Calls{}, Launches());
    EXPECT_EQ(Calls{}, agentMessages);
    EXPECT_TRUE(IsWindow(menu));
    EXPECT_EQ(7u, fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons\\B2, Remote Code)").size());
}

TEST_F(ButtonActions, ANameTooLongForTheKeyPathReadsNothing)
{
    std::string fits(247, 'n');
    lstrcpynA(buttons[1].name, fits.c_str(), sizeof buttons[1].name);
    PerformButtonAction(menu, 1);
    EXPECT_EQ(1u, fake::CallsStartingWith("Kivrel_GetProfileDWord(Buttons\\" + fits + ",").size());

    fake::Calls().clear();
    std::string tooLong(248, 'n');
    lstrcpynA(buttons[1].name, tooLong.c_str(), sizeof buttons[1].name);
    PerformButtonAction(menu, 1);
    EXPECT_EQ(Calls{}, fake::Calls());
}

}  // namespace
