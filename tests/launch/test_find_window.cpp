// Tarvik.dll finding the window of a running program from its file or command line.
#include "outside/osmant.h"
#include "outside/tarvik.h"
#include "tests/bench/bench.h"
#include "tests/launch/launch_fixture.h"

#include <gtest/gtest.h>

#include <string>

using launch::Quoted;
using launch::Recorder;

namespace {

const DWORD kStartTimeoutMs = 15000;

HWND Find(const std::string& text)
{
    return TARVIK_GetWindowHandleFromExecutableFile(text.c_str());
}

}  // namespace

TEST(FindProgramWindow, FindsTheRecorderByPathNameOrCommandLine)
{
    launch::EndRecorders();
    bench::Process process;
    ASSERT_TRUE(process.Start(Quoted(Recorder().exe) + " /tarvik"));
    HWND window = bench::WaitForWindow(launch::kRecorderClass, kStartTimeoutMs, process.Id());
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(IsWindowVisible(window));
    const std::string& exe = Recorder().exe;

    EXPECT_EQ(window, Find(exe));
    EXPECT_EQ(window, Find(launch::Lower(exe)));
    EXPECT_EQ(window, Find("recorder.exe"));
    EXPECT_EQ(window, Find("RECORDER.EXE"));
    EXPECT_EQ(window, Find("Recorder"));
    EXPECT_EQ(window, Find(Quoted(exe) + " /play \"%1\""));
    EXPECT_EQ(window, Find(exe + " /play %1"));
    EXPECT_EQ(window, Find("recorder.exe /x"));
    EXPECT_EQ(window, Find("\"RECORDER.exe\" -y"));

    EXPECT_EQ(nullptr, Find("corder.exe"));
    EXPECT_EQ(nullptr, Find("recorder.exe.exe"));
    EXPECT_EQ(nullptr, Find("recorder2.exe"));
    // Same file name, another folder: a path is compared whole.
    EXPECT_EQ(nullptr, Find(bench::BinDir() + "recorder.exe"));
    EXPECT_EQ(nullptr, Find("C:\\No Such Dir\\recorder.exe"));
    EXPECT_EQ(nullptr, Find(""));
    EXPECT_EQ(nullptr, TARVIK_GetWindowHandleFromExecutableFile(nullptr));

    // Two copies running: the path tells them apart.
    bench::Process other;
    ASSERT_TRUE(bench::StartInBin(other, "recorder.exe", "/other"));
    HWND otherWindow = bench::WaitForWindow(launch::kRecorderClass, kStartTimeoutMs, other.Id());
    ASSERT_NE(nullptr, otherWindow);
    EXPECT_EQ(window, Find(exe));
    EXPECT_EQ(otherWindow, Find(bench::BinDir() + "recorder.exe"));
    HWND byName = Find("recorder.exe");
    EXPECT_TRUE(byName == window || byName == otherWindow);

    // Hidden windows are not a program's main window; an ended program has none.
    ShowWindow(otherWindow, SW_HIDE);
    for (int i = 0; i < 40 && IsWindowVisible(otherWindow); ++i) {
        Sleep(50);
    }
    EXPECT_EQ(nullptr, Find(bench::BinDir() + "recorder.exe"));
    process.Kill();
    other.Kill();
    EXPECT_EQ(nullptr, Find(exe));
    EXPECT_EQ(nullptr, Find("recorder.exe"));
}

TEST(FindProgramWindow, ToolWindowsAndTheShellsOwnWindowsAreNoProgramsWindow)
{
    launch::EndRecorders();
    // A program that shows only a tool window shows nothing the user can switch to.
    bench::Process tool;
    ASSERT_TRUE(tool.Start(Quoted(Recorder().exe) + " /tool"));
    ASSERT_NE(nullptr, bench::WaitForWindow(launch::kRecorderClass, kStartTimeoutMs, tool.Id()));
    EXPECT_EQ(nullptr, Find(Recorder().exe));
    tool.Kill();

    // The desktop and the taskbar belong to explorer.exe; a command that opens a folder with it
    // must start it. Its folder window is the program's window, but the command never finds it:
    // on Windows that window could be showing any other folder.
    const std::string command = "explorer.exe C:\\";
    EXPECT_EQ(nullptr, Find(command));
    ASSERT_NE(0, Osmant_ExecuteCommand(nullptr, command.c_str(), 0, 0));
    HWND folder = nullptr;
    for (int i = 0; i < 300 && folder == nullptr; ++i) {
        Sleep(50);
        folder = Find("explorer.exe");
    }
    ASSERT_NE(nullptr, folder);
    EXPECT_EQ(nullptr, Find(command));
    EXPECT_NE(GetShellWindow(), folder);
    char className[64] = {};
    GetClassNameA(folder, className, sizeof className);
    EXPECT_STRNE("Shell_TrayWnd", className);
    DWORD pid = 0;
    GetWindowThreadProcessId(folder, &pid);
    PostMessageA(folder, WM_CLOSE, 0, 0);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process != nullptr) {
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

TEST(FindProgramWindow, TheDefaultBrowsersNameFindsItsWindowNeverOneAShorterPathNames)
{
    launch::EndRecorders();
    launch::InterceptionPair pair;
    ASSERT_TRUE(pair.ready);
    // The browser as the shell reports it (Wine answers from the machine's classes), reached
    // through "C:\\My Browser\\.." with "C:\\My.exe" beside that folder; both run.
    const std::string command = Quoted(pair.viaParent) + " \"%1\"";
    launch::HiddenValue http(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "", command.c_str());
    bench::Process decoy, browser;
    ASSERT_TRUE(decoy.Start(Quoted(pair.decoy)));
    ASSERT_TRUE(browser.Start(Quoted(pair.webBrowser)));
    HWND decoyWindow = bench::WaitForWindow(launch::kRecorderClass, kStartTimeoutMs, decoy.Id());
    HWND browserWindow =
        bench::WaitForWindow(launch::kRecorderClass, kStartTimeoutMs, browser.Id());
    ASSERT_NE(nullptr, decoyWindow);
    ASSERT_NE(nullptr, browserWindow);

    char name[256];
    ASSERT_NE(0, Osmant_GetSystemDefaultBrowserFileName(name));
    EXPECT_EQ(browserWindow, Find(name)) << name;
    EXPECT_EQ(decoyWindow, Find(pair.decoy));
    // A missing program within a folder that is there, or past a ".." of the words after the
    // first blank, is not running, whatever "C:\\My.exe" does.
    for (const std::string& text : {pair.folder + "tool -x", pair.folder + "missing.exe.",
                                    pair.folder + "app.exe.lnk", pair.viaParent}) {
        EXPECT_EQ(nullptr, Find(text)) << text;
    }
    decoy.Kill();
    browser.Kill();
}
