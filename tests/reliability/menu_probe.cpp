#include "tests/reliability/menu_probe.h"

#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"

#include <psapi.h>

namespace reliability {

MenuFigures MeasureMenu(DWORD pid)
{
    MenuFigures f;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) {
        return f;
    }
    f.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    f.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    GetProcessHandleCount(process, &f.handles);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, &memory, sizeof memory)) {
        f.pagefile = memory.PagefileUsage;
        f.workingSet = memory.WorkingSetSize;
    }
    CloseHandle(process);
    return f;
}

static std::string Figure(const char* name, unsigned long long value)
{
    return std::string(name) + " " + std::to_string(value) + (value == 0 ? " (not reported)" : "");
}

std::string Describe(const MenuFigures& f)
{
    return Figure("GDI objects", f.gdiObjects) + ", " + Figure("USER objects", f.userObjects) +
           ", " + Figure("handles", f.handles) + ", " + Figure("pagefile KB", f.pagefile / 1024) +
           ", " + Figure("working set KB", f.workingSet / 1024);
}

int AnswerTime(HWND window, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limitMs, &result)) {
        return -1;
    }
    return static_cast<int>(GetTickCount() - start);
}

void PostClick(HWND window, int mode, int index)
{
    const POINT p = testskin::ButtonCentre(mode, index);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
}

bool DrainWithMarker(HWND window, int mode, int index, DWORD timeoutMs)
{
    const POINT p = testskin::ButtonCentre(mode, index);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    if (bench::WaitForScreenPixel(p.x, p.y, testskin::selectedButton, timeoutMs) !=
        testskin::selectedButton) {
        return false;
    }
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    return bench::WaitForScreenPixel(p.x, p.y, testskin::normalButton, timeoutMs) ==
           testskin::normalButton;
}

}  // namespace reliability
