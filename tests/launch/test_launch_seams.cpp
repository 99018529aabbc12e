// Osmant's and Tarvik's sources linked with recording fakes in their platform tables: what
// Windows does and Wine cannot show (the consent prompt of a program that needs elevation, the
// show state a new process gets, packaged default programs, calls that would wait for a hung
// window, cloaked windows).
#include "osmant/platform.h"
#include "outside/osmant.h"
#include "outside/tarvik.h"
#include "tarvik/platform.h"
#include "tests/bench/bench.h"
#include "tests/launch/launch_fixture.h"

#include <dwmapi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorded {
    std::vector<std::string> calls;
    STARTUPINFOA startup = {};
    std::string createLine;
    std::string shellFile;
    std::string shellParameters;
    int shellShow = -1;
    DWORD createError = ERROR_SUCCESS; // 0: the fake process is created
    std::string assocCommand;          // empty: no command registered
    std::string assocAppId;            // empty: no application id
    HWND foreground = nullptr;
    BOOL iconic = FALSE;
};

Recorded recorded;

BOOL WINAPI FakeCreateProcess(LPCSTR, LPSTR line, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                              BOOL, DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA startup,
                              LPPROCESS_INFORMATION info)
{
    recorded.calls.push_back("CreateProcess");
    recorded.startup = *startup;
    recorded.createLine = line;
    if (recorded.createError != ERROR_SUCCESS) {
        SetLastError(recorded.createError);
        return FALSE;
    }
    // Handles the caller may close.
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &info->hProcess,
                    0, FALSE, DUPLICATE_SAME_ACCESS);
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &info->hThread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    info->dwProcessId = GetCurrentProcessId();
    return TRUE;
}

BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOA* info)
{
    recorded.calls.push_back("ShellExecuteEx");
    recorded.shellFile = info->lpFile != nullptr ? info->lpFile : "";
    recorded.shellParameters = info->lpParameters != nullptr ? info->lpParameters : "";
    recorded.shellShow = info->nShow;
    info->hProcess = nullptr;
    return TRUE;
}

HRESULT WINAPI FakeAssocQueryString(ASSOCF flags, ASSOCSTR what, LPCSTR scheme, LPCSTR, LPSTR out,
                                    DWORD* size)
{
    recorded.calls.push_back(std::string("Assoc ") + scheme + " " + std::to_string(what) +
                             ((flags & kAssocIsProtocol) != 0 ? " protocol" : ""));
    const std::string& answer = what == ASSOCSTR_COMMAND ? recorded.assocCommand
                                : what == kAssocAppId    ? recorded.assocAppId
                                                         : std::string();
    if (answer.empty()) {
        return HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
    }
    if (answer.size() + 1 > *size) {
        return E_POINTER;
    }
    lstrcpyA(out, answer.c_str());
    *size = static_cast<DWORD>(answer.size() + 1);
    return S_OK;
}

BOOL WINAPI FakeIsIconic(HWND)
{
    recorded.calls.push_back("IsIconic");
    return recorded.iconic;
}

BOOL WINAPI FakeShowWindowAsync(HWND, int show)
{
    recorded.calls.push_back("ShowWindowAsync " + std::to_string(show));
    return TRUE;
}

BOOL WINAPI FakeSetWindowPos(HWND, HWND after, int, int, int, int, UINT flags)
{
    recorded.calls.push_back(std::string("SetWindowPos ") + (after == HWND_TOP ? "top" : "?") +
                             ((flags & SWP_ASYNCWINDOWPOS) != 0 ? " async" : " waits"));
    return TRUE;
}

BOOL WINAPI FakeSetForegroundWindow(HWND)
{
    // The foreground lock refuses, as when the user touched another program meanwhile.
    recorded.calls.push_back("SetForegroundWindow");
    return FALSE;
}

HWND WINAPI FakeGetForegroundWindow()
{
    return recorded.foreground;
}

std::string Join(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) {
        text += item + "; ";
    }
    return text;
}

class LaunchSeams : public ::testing::Test {
  protected:
    void SetUp() override
    {
        saved = osmantPlatform;
        osmantPlatform = {FakeCreateProcess,       FakeShellExecuteEx,
                          FakeAssocQueryString,    FakeIsIconic,
                          FakeShowWindowAsync,     FakeSetWindowPos,
                          FakeSetForegroundWindow, FakeGetForegroundWindow};
        recorded = Recorded();
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        program = path;
    }
    void TearDown() override
    {
        osmantPlatform = saved;
    }

    OsmantPlatform saved = {};
    std::string program; // an existing .exe: this test program
};

} // namespace

TEST_F(LaunchSeams, ShowCommandZeroLeavesTheShowFlagOff)
{
    const std::string line = "\"" + program + "\" /x";
    ASSERT_NE(0, Osmant_ExecuteCommand(nullptr, line.c_str(), 0, 0));
    EXPECT_EQ(0u, recorded.startup.dwFlags & STARTF_USESHOWWINDOW);

    ASSERT_NE(0, Osmant_ExecuteCommand(nullptr, line.c_str(), SW_SHOWMINNOACTIVE, 0));
    EXPECT_NE(0u, recorded.startup.dwFlags & STARTF_USESHOWWINDOW);
    EXPECT_EQ(SW_SHOWMINNOACTIVE, recorded.startup.wShowWindow);

    // The shell passes its show command on to the process it starts: the ordinary one for 0.
    ASSERT_NE(0, Osmant_ExecuteCommand(nullptr, "tbxseam:hello", 0, 0));
    EXPECT_EQ(SW_SHOWNORMAL, recorded.shellShow);

    // A path with blanks reaches CreateProcess quoted however it was written.
    ASSERT_NE(0, Osmant_ExecuteCommand(nullptr, (launch::Recorder().exe + " /y").c_str(), 0, 0));
    EXPECT_EQ(launch::Quoted(launch::Recorder().exe) + " /y", recorded.createLine);
    // An existing folder is opened whole, never taken for "C:\\My.exe" and its words.
    launch::InterceptionPair pair;
    ASSERT_TRUE(pair.ready);
    recorded = Recorded();
    ASSERT_NE(0, Osmant_ExecuteCommand(nullptr, "C:\\My Browser", 0, 0));
    EXPECT_EQ("ShellExecuteEx; ", Join(recorded.calls));
    EXPECT_EQ("C:\\My Browser", recorded.shellFile);
}

TEST_F(LaunchSeams, ProgramsThatNeedElevationGoToTheShell)
{
    recorded.createError = 740; // ERROR_ELEVATION_REQUIRED
    HWND owner = GetDesktopWindow();
    const std::string line = "\"" + program + "\" /admin \"a b\"";
    EXPECT_NE(0, Osmant_ExecuteCommand(owner, line.c_str(), 0, 0));
    EXPECT_EQ("CreateProcess; ShellExecuteEx; ", Join(recorded.calls));
    EXPECT_EQ(0, lstrcmpiA(program.c_str(), recorded.shellFile.c_str())) << recorded.shellFile;
    EXPECT_EQ("/admin \"a b\"", recorded.shellParameters);

    // Any other failure is a failed start, silent and final.
    recorded = Recorded();
    recorded.createError = ERROR_ACCESS_DENIED;
    EXPECT_EQ(0, Osmant_ExecuteCommand(owner, line.c_str(), 0, 0));
    EXPECT_EQ("CreateProcess; ", Join(recorded.calls));
}

TEST_F(LaunchSeams, PackagedDefaultsOpenThroughTheShellAndNeverFallBack)
{
    // A program the user did not choose, registered where the look-ups of old would find it.
    const std::string classes = "Software\\Classes\\";
    for (const char* scheme : {"http", "mailto"}) {
        ASSERT_TRUE(bench::WriteString(HKEY_CURRENT_USER,
                                       classes + scheme + "\\shell\\open\\command", "",
                                       launch::Quoted(program) + " \"%1\""));
    }
    char name[256];

    recorded.assocAppId = "Contoso.Web_8wekyb3d8bbwe!App";
    EXPECT_NE(0, Osmant_GetSystemDefaultBrowserFileName(name));
    EXPECT_STREQ("shell:AppsFolder\\Contoso.Web_8wekyb3d8bbwe!App", name);
    EXPECT_EQ("Assoc http 1 protocol; Assoc http 21 protocol; ", Join(recorded.calls));
    EXPECT_NE(0, Osmant_ExecuteCommand(nullptr, name, 0, 0));
    EXPECT_EQ(name, recorded.shellFile);
    EXPECT_EQ("", recorded.shellParameters);

    recorded.assocAppId = "Contoso.Mail_8wekyb3d8bbwe!App";
    EXPECT_NE(0, Osmant_GetSystemDefaultMailFileName(name));
    EXPECT_STREQ("shell:AppsFolder\\Contoso.Mail_8wekyb3d8bbwe!App", name);

    // A desktop program the shell names: its program file, found by the longest-prefix rule and
    // handed out quoted, as one path.
    recorded.assocCommand = launch::Recorder().exe + " --single \"%1\"";
    EXPECT_NE(0, Osmant_GetSystemDefaultBrowserFileName(name));
    EXPECT_EQ(launch::Quoted(launch::Recorder().exe), name);
    // One that no longer exists is no browser: not "C:\\My.exe", nor the registrations.
    launch::InterceptionPair pair;
    ASSERT_TRUE(pair.ready);
    // One reached through "C:\\My Browser\\..", with "C:\\My.exe" beside that folder, reaches
    // CreateProcess as that one path.
    recorded.assocCommand = launch::Quoted(pair.viaParent) + " \"%1\"";
    EXPECT_NE(0, Osmant_GetSystemDefaultBrowserFileName(name));
    EXPECT_NE(0, Osmant_ExecuteCommand(nullptr, name, 0, 0));
    EXPECT_EQ(launch::Lower(launch::Quoted(pair.webBrowser)), launch::Lower(recorded.createLine));
    recorded.assocCommand = "\"C:\\My Browser\\missing.exe\" \"%1\"";
    EXPECT_EQ(0, Osmant_GetSystemDefaultBrowserFileName(name));
    EXPECT_STREQ("", name);

    // An id too long for the buffer fails rather than naming another program.
    recorded.assocCommand.clear();
    recorded.assocAppId = std::string(240, 'i');
    EXPECT_EQ(0, Osmant_GetSystemDefaultBrowserFileName(name));
    EXPECT_STREQ("", name);

    // Only when the shell knows no handler at all do the registrations serve.
    recorded.assocAppId.clear();
    EXPECT_NE(0, Osmant_GetSystemDefaultBrowserFileName(name));
    EXPECT_EQ(program, name);
    for (const char* scheme : {"http", "mailto"}) {
        bench::DeleteTree(HKEY_CURRENT_USER, classes + scheme);
    }
}

TEST_F(LaunchSeams, ForegroundNeverWaitsForTheTargetWindow)
{
    HWND target = CreateWindowExA(0, "STATIC", "target", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, target) << GetLastError();

    recorded.iconic = TRUE;
    EXPECT_EQ(0, Osmant_SetWindowToForeground(target)) << "the fake never gives it the front";
    // Every call that touches the target is one that only queues work for its thread.
    EXPECT_EQ("IsIconic; ShowWindowAsync 9; SetForegroundWindow; SetWindowPos top async; "
              "SetForegroundWindow; ",
              Join(recorded.calls));

    recorded = Recorded();
    recorded.foreground = target;
    EXPECT_NE(0, Osmant_SetWindowToForeground(target));
    EXPECT_EQ("IsIconic; SetForegroundWindow; SetWindowPos top async; SetForegroundWindow; ",
              Join(recorded.calls));
    DestroyWindow(target);
}

HRESULT WINAPI CloakedAnswer(HWND, DWORD attribute, PVOID value, DWORD size)
{
    if (attribute != DWMWA_CLOAKED || size != sizeof(DWORD)) {
        return E_INVALIDARG;
    }
    *static_cast<DWORD*>(value) = 2; // DWM_CLOAKED_SHELL: the shell hides it
    return S_OK;
}

int attributeQuestions = 0;
HRESULT WINAPI NoCloakingAnswer(HWND, DWORD, PVOID, DWORD)
{
    ++attributeQuestions;
    return E_NOTIMPL;
}

TEST(TarvikSeam, CloakedWindowsAreNoProgramsWindow)
{
    launch::EndRecorders();
    bench::Process recorder;
    ASSERT_TRUE(recorder.Start(launch::Quoted(launch::Recorder().exe)));
    HWND window = bench::WaitForWindow(launch::kRecorderClass, 15000, recorder.Id());
    ASSERT_NE(nullptr, window);
    const TarvikPlatform saved = tarvikPlatform;
    tarvikPlatform.getWindowAttribute = CloakedAnswer;
    EXPECT_EQ(nullptr, TARVIK_GetWindowHandleFromExecutableFile(launch::Recorder().exe.c_str()));
    // A system that cannot tell counts the window as shown.
    tarvikPlatform.getWindowAttribute = NoCloakingAnswer;
    EXPECT_EQ(window, TARVIK_GetWindowHandleFromExecutableFile(launch::Recorder().exe.c_str()));
    EXPECT_LT(0, attributeQuestions);
    // No window is looked at for a URL, which names no program, nor for a folder command: on
    // Windows every folder window is the shell's explorer's, whatever folder it shows.
    for (const char* text : {"shell:AppsFolder\\Contoso.Web_8wekyb3d8bbwe!App", "explorer.exe C:\\",
                             "%windir%\\Explorer /e,C:\\Users"}) {
        attributeQuestions = 0;
        EXPECT_EQ(nullptr, TARVIK_GetWindowHandleFromExecutableFile(text)) << text;
        EXPECT_EQ(0, attributeQuestions) << text;
    }
    tarvikPlatform = saved;
    recorder.Kill();
}
