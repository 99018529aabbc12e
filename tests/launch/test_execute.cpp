// Osmant.dll starting command lines, documents and URLs, and bringing a window to the front.
// What was started is read back from the recorder's log.
#include "outside/osmant.h"
#include "tests/bench/bench.h"
#include "tests/launch/launch_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using launch::Quoted;
using launch::Recorder;
using launch::Registrations;

namespace {

const DWORD kStartTimeoutMs = 15000;

// Starts the command line and gives back the line the recorder logged, ending the recorder.
std::string StartAndRecord(const std::string& commandLine, HWND owner = nullptr)
{
    launch::ClearLog();
    int result = Osmant_ExecuteCommand(owner, commandLine.c_str(), 0, 0);
    EXPECT_NE(0, result) << commandLine;
    std::vector<std::string> lines = launch::WaitForLog(1, kStartTimeoutMs);
    EXPECT_EQ(1u, launch::WaitForRecorderWindows(1, kStartTimeoutMs).size()) << commandLine;
    launch::EndRecorders();
    return lines.empty() ? std::string("(nothing started)") : lines.front();
}

class Execute : public ::testing::Test {
protected:
    void SetUp() override { launch::EndRecorders(); }
    void TearDown() override { launch::EndRecorders(); }
};

}  // namespace

TEST_F(Execute, StartsProgramsQuotedOrNotWithTheirArguments)
{
    const std::string& exe = Recorder().exe;
    const std::string quoted = Quoted(exe);

    EXPECT_EQ(quoted + " one \"two three\"", StartAndRecord(quoted + " one \"two three\""));
    // Unquoted with a blank in the folder name, as the platform resolves it.
    EXPECT_EQ(quoted + " alpha", StartAndRecord(exe + " alpha"));
    EXPECT_EQ(quoted, StartAndRecord(exe));
    // ".exe" left off.
    EXPECT_EQ(quoted + " beta", StartAndRecord(Recorder().dir + "recorder beta"));
    // The shapes the menu makes of a registered player: trimmed and closed with a quotation
    // mark, or trimmed with the opening mark alone.
    EXPECT_EQ(quoted, StartAndRecord(quoted));
    EXPECT_EQ(quoted, StartAndRecord(exe + "\""));
    EXPECT_EQ(quoted, StartAndRecord("\"" + exe));
    // Environment strings.
    SetEnvironmentVariableA("TILEBOX_TEST_DIR", Recorder().dir.c_str());
    EXPECT_EQ(quoted + " %1 gamma", StartAndRecord("%TILEBOX_TEST_DIR%recorder.exe %1 gamma"));
    // Leading blanks.
    EXPECT_EQ(quoted + " delta", StartAndRecord("   " + quoted + " delta"));
}

TEST_F(Execute, AnUnquotedPathRunsItsLongestExistingProgram)
{
    launch::InterceptionPair pair;
    ASSERT_TRUE(pair.ready);
    EXPECT_EQ(Quoted(pair.browser) + " %1", StartAndRecord(pair.browser + " %1"));
    EXPECT_EQ(Quoted(pair.browser), StartAndRecord(pair.browser));
    // The text names no file as a whole: still never the shorter program.
    EXPECT_EQ(Quoted(pair.browser) + " -url x", StartAndRecord(pair.folder + "browser -url x"));
    // The shorter program when that is all the text names.
    EXPECT_EQ(Quoted(pair.decoy) + " Browser-less", StartAndRecord("C:\\My Browser-less"));
    // Words after the program never choose it, though "..\\..\\My" leads to the shorter one.
    EXPECT_EQ(Quoted(pair.browser) + " x\\..\\..\\My",
              StartAndRecord(pair.browser + " x\\..\\..\\My"));
    EXPECT_EQ(Quoted(pair.browser) + " x\\..\\..\\My",
              StartAndRecord(pair.folder + "browser x\\..\\..\\My"));
    // A quoted path is one path, through ".." and past the blank of a folder that is there.
    EXPECT_EQ(Quoted(pair.webBrowser) + " %1", StartAndRecord(Quoted(pair.viaParent) + " %1"));
}

TEST_F(Execute, OpensDocumentsAndUrlsThroughTheShell)
{
    const std::string& exe = Recorder().exe;
    Registrations reg;
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, ".tbxdoc", "", "TileboxTest.Document"));
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Document\\shell\\open\\command", "",
                        Quoted(exe) + " /doc \"%1\""));
    const std::string document = Recorder().dir + "play list.tbxdoc";
    HANDLE file = CreateFileA(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);

    std::string line = StartAndRecord(document);
    EXPECT_NE(std::string::npos, line.find("/doc")) << line;
    EXPECT_NE(std::string::npos, launch::Lower(line).find(launch::Lower(document))) << line;

    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "tbxtest", "", "URL:Tilebox test"));
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "tbxtest", "URL Protocol", ""));
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "tbxtest\\shell\\open\\command", "",
                        Quoted(exe) + " /url \"%1\""));
    line = StartAndRecord("tbxtest:hello");
    EXPECT_NE(std::string::npos, line.find("/url")) << line;
    EXPECT_NE(std::string::npos, line.find("tbxtest:hello")) << line;
    DeleteFileA(document.c_str());
}

TEST_F(Execute, StartsNothingForMissingProgramsOrBadArguments)
{
    // A missing program of any kind never hands the start to "C:\\My.exe": not within the folder
    // "C:\\My Browser" that is there (a program without its ".exe", a document, a link, a name
    // whose trailing dot the system drops, a path that goes on through ".."), nor as a program
    // file in a folder that is gone.
    launch::InterceptionPair pair;
    ASSERT_TRUE(pair.ready);
    launch::ClearLog();
    const char* const failures[] = {
        "\"C:\\No Such Dir\\missing.exe\" /x",
        "C:\\No Such Dir\\missing.exe /x",
        "\"C:\\My Browser\\missing.exe\" /x",
        "C:\\My Browser\\missing.exe /x",
        "C:\\My Browser\\missing.cmd",
        "C:\\My Browser\\missing.exe\"",
        "C:\\My Browser\\tool -x",
        "C:\\My Browser\\party.m3u",
        "C:\\My Browser\\app.exe.lnk",
        "C:\\My Browser\\missing.exe.",
        "C:\\My Browser\\..\\Web\\browser.exe",
        "C:\\My Gone\\missing.exe. /x",
        "tilebox-missing-program.exe",
        "",
        "   ",
        "\"",  // what the menu hands over for a CD player that is not registered
    };
    for (const char* line : failures) {
        EXPECT_EQ(0, Osmant_ExecuteCommand(nullptr, line, 0, 0)) << "[" << line << "]";
    }
    EXPECT_EQ(0, Osmant_ExecuteCommand(nullptr, nullptr, 0, 0));
    const std::string exe = Quoted(Recorder().exe);
    EXPECT_EQ(0, Osmant_ExecuteCommand(nullptr, exe.c_str(), 0, 1)) << "flags must be 0";
    EXPECT_EQ(0, Osmant_ExecuteCommand(nullptr, exe.c_str(), -1, 0)) << "no such show command";
    Sleep(500);
    EXPECT_TRUE(launch::ReadLog().empty());
    EXPECT_TRUE(launch::RecorderWindows().empty());
}

TEST_F(Execute, SetWindowToForegroundBringsTheStartedProgramToTheFront)
{
    ASSERT_NE(0, Osmant_ExecuteCommand(nullptr, Quoted(Recorder().exe).c_str(), SW_SHOWNORMAL, 0));
    std::vector<HWND> windows = launch::WaitForRecorderWindows(1, kStartTimeoutMs);
    ASSERT_EQ(1u, windows.size());
    HWND recorder = windows.front();

    // A window of our own takes the front, then the recorder is brought back.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TileboxLaunchTestFrontWndClass";
    RegisterClassA(&wc);
    HWND own = CreateWindowExA(0, wc.lpszClassName, "front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                               0, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, own);
    SetForegroundWindow(own);
    EXPECT_EQ(own, GetForegroundWindow());

    EXPECT_NE(0, Osmant_SetWindowToForeground(recorder));
    EXPECT_EQ(recorder, GetForegroundWindow());

    // Minimised windows are restored on the way.
    SetForegroundWindow(own);
    ShowWindow(recorder, SW_MINIMIZE);
    EXPECT_NE(0, Osmant_SetWindowToForeground(recorder));
    // The restore is queued to the recorder's thread, which never waits for a hung program.
    for (int i = 0; i < 40 && IsIconic(recorder); ++i) {
        Sleep(50);
    }
    EXPECT_FALSE(IsIconic(recorder));
    EXPECT_EQ(recorder, GetForegroundWindow());

    EXPECT_EQ(0, Osmant_SetWindowToForeground(nullptr));
    DestroyWindow(own);
}
