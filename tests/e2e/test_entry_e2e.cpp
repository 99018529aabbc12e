// The real tilebox.exe: command words, the single-instance rule and exit codes.
#include "tests/bench/bench.h"
#include "tests/e2e/menu_fixture.h"

#include <gtest/gtest.h>

namespace {

class Entry : public MenuFixture {};

TEST_F(Entry, CommandWordsWithNoMenuRunningEndAtOnce)
{
    for (const char* word : {"Close", "Destroy", "cLoSe", "DESTROY"}) {
        bench::Process second;
        ASSERT_TRUE(bench::StartInBin(second, "tilebox.exe", word));
        EXPECT_EQ(0u, second.WaitExit(10000)) << word;
        EXPECT_TRUE(bench::TopLevelWindowsOfClass(menuClass).empty()) << word;
    }
}

TEST_F(Entry, ACommandWordInAnyCaseClosesTheRunningMenu)
{
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));

    bench::Process second;
    ASSERT_TRUE(bench::StartInBin(second, "tilebox.exe", "cLoSe"));
    EXPECT_EQ(0u, second.WaitExit(10000));
    EXPECT_EQ(18u, menu.WaitExit(10000));
}

TEST_F(Entry, DestroyAfterBlanksClosesTheRunningMenu)
{
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));

    bench::Process second;
    ASSERT_TRUE(second.Start("\"" + bench::BinDir() + "tilebox.exe\"    Destroy"));
    EXPECT_EQ(0u, second.WaitExit(10000));
    EXPECT_EQ(18u, menu.WaitExit(10000));
}

TEST_F(Entry, AnythingMoreThanTheBareWordOnlyBringsTheMenuForward)
{
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    HWND window = MenuWindow();
    // Another program's window in front: this test's own.
    HWND other = bench::ShowWindowInFront("another program");
    ASSERT_NE(nullptr, other);

    for (const char* tail : {"Close now", "\"Close\"", "/Close", "Close ", "", "something"}) {
        SetForegroundWindow(other);
        bench::PumpFor(200);
        ASSERT_EQ(other, GetForegroundWindow()) << "tail: [" << tail << "]";
        bench::Process second;
        ASSERT_TRUE(bench::StartInBin(second, "tilebox.exe", tail));
        DWORD code = STILL_ACTIVE;
        for (int i = 0; i < 100 && code == STILL_ACTIVE; ++i) {
            bench::PumpFor(50);  // this thread's window answers its deactivation
            code = second.WaitExit(50);
        }
        EXPECT_EQ(0u, code) << "tail: [" << tail << "]";
        bench::PumpFor(200);
        EXPECT_EQ(window, GetForegroundWindow()) << "tail: [" << tail << "]";
        EXPECT_TRUE(menu.IsRunning()) << "tail: [" << tail << "]";
        EXPECT_EQ(1u, bench::TopLevelWindowsOfClass(menuClass).size()) << "tail: [" << tail << "]";
    }
    DestroyWindow(other);
}

TEST_F(Entry, PostingWmCloseEndsTheMenuWith18)
{
    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    HWND window = bench::WaitForWindow(menuClass, 1000, menu.Id());
    ASSERT_NE(nullptr, window);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(18u, menu.WaitExit(10000));
}

}  // namespace
