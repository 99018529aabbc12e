// The real tilebox.exe under repetition: display changes between the three sizes and
// press-and-release cycles on buttons whose code is 0, with the process's GDI and USER objects,
// handles and memory read before and after. Nothing may grow with the count.
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/e2e/menu_fixture.h"
#include "tests/reliability/menu_probe.h"
#include "tests/reliability/soak_counts.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const int mode3 = 2;

class MenuSoak : public MenuFixture {};

TEST_F(MenuSoak, DisplayChangesAndClicksDoNotGrowTheProcess)
{
    const int changes = reliability::Count(150, 501);  // multiples of three: ends at 1024 x 768
    const int posted = reliability::Count(5000, 20000);
    const int realClicks = reliability::Count(20, 500);
    const int batch = 500;

    bench::Process menu;
    ASSERT_TRUE(StartMenu(menu));
    HWND window = MenuWindow();
    // Read once at the very start too, to show the figures move at all where they are reported.
    const reliability::MenuFigures atStart = reliability::MeasureMenu(menu.Id());
    const POINT c0 = testskin::ButtonCentre(mode3, 0);
    ASSERT_EQ(testskin::normalButton,
              bench::WaitForScreenPixel(c0.x, c0.y, testskin::normalButton, 14000))
        << "the start period did not end";
    // One round of every size and a few clicks first: what the system sets up on first use is
    // not counted.
    for (int mode : {1, 0, 2}) {
        ASSERT_TRUE(bench::SetDisplayMode(testskin::ModeWidth(mode), testskin::ModeHeight(mode)));
        ASSERT_GE(reliability::AnswerTime(window, 5000), 0);
    }
    ASSERT_TRUE(reliability::DrainWithMarker(window, mode3, 0, 5000));
    bench::Click(c0.x, c0.y);
    const reliability::MenuFigures before = reliability::MeasureMenu(menu.Id());

    DWORD start = GetTickCount();
    int slowest = 0;
    static const int order[] = {1, 0, 2};  // 800 x 600, 640 x 480, 1024 x 768
    for (int i = 0; i < changes; ++i) {
        const int mode = order[i % 3];
        ASSERT_TRUE(bench::SetDisplayMode(testskin::ModeWidth(mode), testskin::ModeHeight(mode)));
        const int answer = reliability::AnswerTime(window, 5000);
        ASSERT_GE(answer, 0) << "the menu stopped answering after change " << i;
        slowest = std::max(slowest, answer);
    }
    ASSERT_TRUE(menu.IsRunning());
    const DWORD changesMs = GetTickCount() - start;
    // Back at 1024 x 768 (changes is a multiple of three); the panel shows unlit.
    EXPECT_EQ(testskin::normalButton,
              bench::WaitForScreenPixel(c0.x, c0.y, testskin::normalButton, 3000));

    start = GetTickCount();
    for (int done = 0; done < posted; done += batch) {
        for (int i = 0; i < batch && done + i < posted; ++i) {
            reliability::PostClick(window, mode3, (done + i) % 6);
        }
        ASSERT_TRUE(reliability::DrainWithMarker(window, mode3, 0, 10000))
            << "the queue did not drain after " << done + batch << " cycles";
    }
    const DWORD postedMs = GetTickCount() - start;

    start = GetTickCount();
    for (int i = 0; i < realClicks; ++i) {
        const POINT p = testskin::ButtonCentre(mode3, i % 6);
        bench::Click(p.x, p.y);
    }
    // Posted messages go ahead of input in the menu's queue, so a real release still on its way
    // can unlight the marker's press: the marker is tried again rather than waited on longer.
    bool drained = false;
    for (int attempt = 0; attempt < 3 && !drained; ++attempt) {
        drained = reliability::DrainWithMarker(window, mode3, 0, 5000);
    }
    ASSERT_TRUE(drained) << "the menu did not catch up with the real clicks";
    const DWORD realMs = GetTickCount() - start;
    const reliability::MenuFigures after = reliability::MeasureMenu(menu.Id());

    std::printf("soak of tilebox.exe: %d display changes in %lu ms (slowest answer after one: "
                "%d ms), %d posted press-and-release cycles in %lu ms, %d real X clicks in "
                "%lu ms\n",
                changes, static_cast<unsigned long>(changesMs), slowest, posted,
                static_cast<unsigned long>(postedMs), realClicks,
                static_cast<unsigned long>(realMs));
    std::printf("at start: %s\n", reliability::Describe(atStart).c_str());
    std::printf("before: %s\nafter:  %s\n", reliability::Describe(before).c_str(),
                reliability::Describe(after).c_str());
    EXPECT_TRUE(menu.IsRunning());
    EXPECT_TRUE(AgentMessages().empty()) << "buttons of code 0 do nothing";
    // Fixed tolerances, whatever the count: 8 GDI or USER objects, 8 handles, 4 MB of memory.
    // A single leaked 1024 x 768 panel per display change would add 3 MB each time.
    EXPECT_LE(static_cast<long>(after.gdiObjects) - static_cast<long>(before.gdiObjects), 8);
    EXPECT_LE(static_cast<long>(after.userObjects) - static_cast<long>(before.userObjects), 8);
    EXPECT_LE(static_cast<long>(after.handles) - static_cast<long>(before.handles), 8);
    EXPECT_LE(static_cast<long long>(after.pagefile) - static_cast<long long>(before.pagefile),
              4ll << 20);
    EXPECT_LE(static_cast<long long>(after.workingSet) - static_cast<long long>(before.workingSet),
              4ll << 20);
    if (before.gdiObjects == 0) {
        std::printf("GDI objects are not reported for another process here; the in-process "
                    "soak (WindowSoak) checks every replaced skin's handles instead\n");
    }
}

}  // namespace
