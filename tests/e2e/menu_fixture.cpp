#include "tests/e2e/menu_fixture.h"

namespace {
const char menuClass[] = "MorvixFullScreenMenuDemoForVelnorWndClass";
}

void MenuFixture::SetUp()
{
    ASSERT_TRUE(bench::TopLevelWindowsOfClass(menuClass).empty())
        << "a menu from an earlier test is still running";
}

void MenuFixture::TearDown()
{
    // Every process a test starts is ended by its own Process object; this only waits for the
    // windows of ended processes to be gone, so the next test starts on a clean desktop.
    for (int i = 0; i < 100 && !bench::TopLevelWindowsOfClass(menuClass).empty(); ++i) {
        Sleep(50);
    }
}

bool MenuFixture::StartMenu(bench::Process& menu, const std::string& tail, DWORD timeoutMs)
{
    if (!bench::StartInBin(menu, "tilebox.exe", tail)) {
        return false;
    }
    return bench::WaitForWindow(menuClass, timeoutMs, menu.Id()) != nullptr;
}
