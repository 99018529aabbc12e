// The benchmark run: each figure against its floor, measured in this one run, then one table.
// The real menu is started first, while no menu window exists in this process; the in-process
// figures come after, the last of them creating the menu's window here.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"

#include <cstdio>

static const char menuClass[] = "MorvixFullScreenMenuDemoForVelnorWndClass";

int main()
{
    if (FindWindowA(menuClass, nullptr) != nullptr) {
        std::printf("benchmark: a menu is running already; close it first\n");
        return 1;
    }
    std::printf("benchmark: screen format %d bytes per pixel\n", ScreenBytesPerPixel());
    std::fflush(stdout);
    if (StartAgentHelper()) {
        std::printf("benchmark: start to first paint...\n");
        std::fflush(stdout);
        RunStartFigure();
        std::printf("benchmark: memory at each mode...\n");
        std::fflush(stdout);
        RunMemoryFigures();
    } else {
        AddNote("fake_agent.exe did not come up: the figures of the started menu were skipped.");
    }
    EndAgentHelper();
    std::printf("benchmark: LoadSkin at each mode...\n");
    std::fflush(stdout);
    RunLoadSkinFigures();
    std::printf("benchmark: press to lit...\n");
    std::fflush(stdout);
    RunPressFigure();
    std::printf("benchmark: region tracing curve...\n");
    std::fflush(stdout);
    RunGrowthCurve();
    std::printf("benchmark: gamepad polling with no controller...\n");
    std::fflush(stdout);
    RunGamepadFigure();
    SetDisplayMode(1024, 768);
    PrintTable();
    return 0;
}
