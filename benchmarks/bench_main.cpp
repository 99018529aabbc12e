// The benchmark run: each figure against its floor, measured in this one run, then one table.
// The real menu is started first, while no menu window exists in this process; the in-process
// figures come after, the last of them creating the menu's window here.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"

#include "default_skin_layout.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char menuClass[] = "MorvixFullScreenMenuDemoForVelnorWndClass";

// Five sizes keep the whole run within a few minutes on a small shared machine; the sizes
// between 1920x1080 and 3840x2160 are there for a run that has the time.
std::vector<int> BenchModes()
{
    const char* all = std::getenv("TILEBOX_BENCH_ALL_SIZES");
    const bool every = all != nullptr && std::strcmp(all, "1") == 0;
    std::vector<int> modes;
    for (int mode = 0; mode < defaultSkin::sizeCount; ++mode) {
        const defaultSkin::Mode& size = defaultSkin::modes[mode];
        if (every || mode < defaultSkin::classicCount ||
            (size.width == 1920 && size.height == 1080) ||
            (size.width == 3840 && size.height == 2160)) {
            modes.push_back(mode);
        }
    }
    return modes;
}

std::vector<FittedSize> BenchFittedSizes()
{
    const struct {
        SIZE screen;
        SIZE served;
    } wanted[] = {{{1360, 768}, {1366, 768}}, {{4096, 2160}, {3840, 2160}}};
    std::vector<FittedSize> sizes;
    for (const auto& size : wanted) {
        for (int mode = 0; mode < defaultSkin::sizeCount; ++mode) {
            if (defaultSkin::modes[mode].width == size.served.cx &&
                defaultSkin::modes[mode].height == size.served.cy) {
                sizes.push_back(FittedSize{static_cast<int>(size.screen.cx),
                                           static_cast<int>(size.screen.cy), mode});
            }
        }
    }
    return sizes;
}

// TILEBOX_BENCH_ONLY names the figures to take, comma-separated (start, memory, load, press,
// growth, gamepad, draw), for working on one of them; unset, every figure is taken.
static bool Wanted(const char* figure)
{
    const char* only = std::getenv("TILEBOX_BENCH_ONLY");
    if (only == nullptr || only[0] == '\0') {
        return true;
    }
    const size_t length = std::strlen(figure);
    for (const char* at = std::strstr(only, figure); at != nullptr;
         at = std::strstr(at + 1, figure)) {
        const bool starts = at == only || at[-1] == ',';
        const bool ends = at[length] == '\0' || at[length] == ',';
        if (starts && ends) {
            return true;
        }
    }
    return false;
}

// Which figure runs now and how long the run has taken, so that a slow machine shows progress.
static void Progress(const char* figure, double startedMs)
{
    std::printf("benchmark: %s... (%.0f s in)\n", figure, (NowMs() - startedMs) / 1000.0);
    std::fflush(stdout);
}

// The figures of the menu as a program of its own, which need the agent stand-in running.
static void RunStartedMenuFigures(double startedMs)
{
    if (!StartAgentHelper()) {
        AddNote("fake_agent.exe did not come up: the figures of the started menu were skipped.");
        AddRow("Start to first paint and memory", "", 0.0, 0.0, 1.0, false);
    } else {
        if (Wanted("start")) {
            Progress("start to first paint", startedMs);
            RunStartFigure();
        }
        if (Wanted("memory")) {
            Progress("memory at each size", startedMs);
            RunMemoryFigures();
        }
    }
    EndAgentHelper();
}

int main()
{
    if (FindWindowA(menuClass, nullptr) != nullptr) {
        std::printf("benchmark: a menu is running already; close it first\n");
        return 1;
    }
    // Wine's XInput runs an update thread of its own that a FreeLibrary does not wait for. The
    // press figure's menus load and free the library once per size, and one run ended in a page
    // fault in that thread, after the library had gone. Held here, it is never unloaded.
    LoadLibraryA("xinput1_4.dll");
    const double started = NowMs();
    std::printf("benchmark: screen format %d bytes per pixel\n", ScreenBytesPerPixel());
    std::fflush(stdout);
    if (Wanted("start") || Wanted("memory")) {
        RunStartedMenuFigures(started);
    }
    if (Wanted("load")) {
        Progress("LoadSkin at each size", started);
        RunLoadSkinFigures();
    }
    if (Wanted("press")) {
        Progress("press to lit at each size", started);
        RunPressFigure();
    }
    if (Wanted("growth")) {
        Progress("region tracing curve", started);
        RunGrowthCurve();
    }
    if (Wanted("gamepad")) {
        Progress("gamepad polling with no controller", started);
        RunGamepadFigure();
    }
    if (Wanted("draw")) {
        Progress("drawing a whole skin", started);
        RunDrawSkinFigure();
    }
    SetDisplayMode(1024, 768);
    AddNote("The figures took %.0f s.", (NowMs() - started) / 1000.0);
    // A missed goal is a result; a figure that could not be taken is a run that failed.
    const int unmeasured = PrintTable();
    // tools/benchmark.sh looks for this line: a run that crashed before it did not finish, even
    // when Wine hands back an exit code of 0.
    std::printf("benchmark: the table is complete\n");
    return unmeasured == 0 ? 0 : 2;
}
