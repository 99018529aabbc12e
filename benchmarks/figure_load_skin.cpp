// LoadSkin at each measured size, in this process with the menu's own code and the real profile
// store reading the installed defaults, against the least that the same pictures need under the
// tracing rule: loading the three files, then one GetPixel per pixel of the six buttons and one
// region per run (floor_trace.h). What LoadSkin spends beyond that floor is taken apart in the
// notes: the unions of the runs, the file checks and the settings reads.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"
#include "benchmarks/floor_trace.h"

#include "app/app_state.h"
#include "app/menu_window.h"
#include "outside/kivrel.h"
#include "skin/bitmap_file.h"
#include "skin/region.h"
#include "skin/skin.h"

#include "default_skin_layout.h"

#include <psapi.h>

#include <cstdio>

enum { LoadRuns = 15 };

static AppState benchState;

// The record the menu's entry would make: the skin looks for its files in the program's folder,
// which is this program's folder too.
static void PrepareAppState()
{
    ZeroMemory(&benchState, sizeof benchState);
    benchState.instance = GetModuleHandleA(nullptr);
    GetBinDir(benchState.moduleDirectory, sizeof benchState.moduleDirectory);
    benchState.isNtPlatform = 1;
    appState = &benchState;
    SelectProfileUser(nullptr);
}

static HBITMAP LoadSkinFile(const char* file)
{
    char path[MAX_PATH];
    if (!JoinBinPath(path, sizeof path, file)) {
        return nullptr;
    }
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
}

static void ButtonBlocks(int mode, RECT* blocks)
{
    for (int i = 0; i < 6; ++i) {
        blocks[i] = defaultSkin::buttons[i].rect[mode];
    }
}

struct FloorTimes {
    double totalMs;
    double traceMs;
};

// The floor: the three LoadImageA calls, then the least tracing of the six buttons. False when a
// file does not load or the tracing fails.
static bool TimeFloorLoad(int mode, FloorTimes* times)
{
    const defaultSkin::Mode& files = defaultSkin::modes[mode];
    RECT blocks[6];
    ButtonBlocks(mode, blocks);
    const double start = NowMs();
    HBITMAP normal = LoadSkinFile(files.normalFile);
    HBITMAP selected = LoadSkinFile(files.selectedFile);
    HBITMAP shapes = LoadSkinFile(files.templateFile);
    const double loaded = NowMs();
    const long runs = shapes != nullptr ? TraceFloorButtons(shapes, blocks, 6) : -1;
    const double end = NowMs();
    times->totalMs = end - start;
    times->traceMs = end - loaded;
    for (HBITMAP bitmap : {normal, selected, shapes}) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
    return normal != nullptr && selected != nullptr && runs > 0;
}

// The checks LoadPanelBitmap makes of the three files before the system's loader sees them.
static double TimeFileChecks(int mode)
{
    const defaultSkin::Mode& files = defaultSkin::modes[mode];
    char paths[3][MAX_PATH];
    const bool joined = JoinBinPath(paths[0], MAX_PATH, files.normalFile) &&
                        JoinBinPath(paths[1], MAX_PATH, files.selectedFile) &&
                        JoinBinPath(paths[2], MAX_PATH, files.templateFile);
    const double start = NowMs();
    bool complete = joined;
    for (int i = 0; complete && i < 3; ++i) {
        complete = IsCompleteBitmapFile(paths[i]);
    }
    const double elapsed = NowMs() - start;
    return complete ? elapsed : -1.0;
}

// The settings reads of one load, through the same calls: the three "Panel" values, then for
// each button its sub-key's name and its rectangle.
static double TimeSettingsReads(int width, int height)
{
    char valueName[SkinValueNameCapacity];
    char text[256];
    char name[256];
    char keyPath[256];
    const double start = NowMs();
    bool ok = true;
    for (int group = NormalBitmapGroup; ok && group <= RegionTemplateGroup; ++group) {
        ok = FormatSkinValueName(width, height, group, valueName) &&
             Kivrel_GetProfileStringEx("Panel", valueName, text, sizeof text, 1, nullptr, 0) != 0;
    }
    ok = ok && FormatSkinValueName(width, height, RectangleGroup, valueName);
    for (int index = 0; ok && index < 6; ++index) {
        ok = EnumerateButtonName(index, name) && BuildButtonKeyPath(keyPath, name) &&
             Kivrel_GetProfileStringEx(keyPath, valueName, text, 128, 1, nullptr, 0) != 0;
    }
    const double elapsed = NowMs() - start;
    return ok ? elapsed : -1.0;
}

// LoadSkin alone; the skin it replaces is freed before the clock starts.
static double TimeLoadSkin()
{
    FreeSkin();
    const double start = NowMs();
    const int loaded = LoadSkin(GetDesktopWindow());
    const double elapsed = NowMs() - start;
    return loaded ? elapsed : -1.0;
}

// The six tracings that LoadButtonTable makes, on the template of the loaded skin, each moved to
// the window's coordinates as the table does.
static double TimeTracing(int mode)
{
    if (currentSkin == nullptr || currentSkin->regionTemplate == nullptr) {
        return -1.0;
    }
    HDC screen = GetDC(nullptr);
    HDC templateDc = screen != nullptr ? CreateCompatibleDC(screen) : nullptr;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    if (templateDc == nullptr) {
        return -1.0;
    }
    HGDIOBJ previous = SelectObject(templateDc, currentSkin->regionTemplate);
    HRGN regions[6] = {};
    const double start = NowMs();
    for (int i = 0; i < 6; ++i) {
        const RECT& rect = defaultSkin::buttons[i].rect[mode];
        regions[i] = BuildRegionFromTemplate(templateDc, rect, 0, 1, nullptr);
        if (regions[i] != nullptr) {
            OffsetRgn(regions[i], rect.left, rect.top);
        }
    }
    const double elapsed = NowMs() - start;
    bool all = true;
    for (HRGN region : regions) {
        all = all && region != nullptr;
        if (region != nullptr) {
            DeleteObject(region);
        }
    }
    SelectObject(templateDc, previous);
    DeleteDC(templateDc);
    return all ? elapsed : -1.0;
}

struct MenuParts {
    double panelsMs;
    double tableMs;
};

// LoadSkin's two halves timed apart on a record made here as LoadSkin makes it: the three
// LoadPanelBitmap calls (settings read, file check, LoadImageA, fitting) and LoadButtonTable
// (settings reads, tracing, moving the regions). The record is made current so that FreeSkin
// releases it.
static bool TimeMenuParts(int width, int height, MenuParts* parts)
{
    FreeSkin();
    Skin* skin = static_cast<Skin*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Skin)));
    currentSkin = skin;
    char names[3][SkinValueNameCapacity];
    bool ok = skin != nullptr && ReadScreenSize(skin);
    for (int i = 0; ok && i < 3; ++i) {
        ok = FormatSkinValueName(width, height, NormalBitmapGroup + i, names[i]) != 0;
    }
    if (!ok) {
        FreeSkin();
        return false;
    }
    const HINSTANCE instance = appState->instance;
    const char* directory = appState->moduleDirectory;
    const double start = NowMs();
    skin->normalBitmap = LoadPanelBitmap(instance, skin, directory, "Panel", names[0]);
    skin->selectedBitmap = LoadPanelBitmap(instance, skin, directory, "Panel", names[1]);
    skin->regionTemplate = LoadPanelBitmap(instance, skin, directory, "Panel", names[2]);
    const double loaded = NowMs();
    ok = skin->normalBitmap != nullptr && skin->selectedBitmap != nullptr &&
         skin->regionTemplate != nullptr && LoadButtonTable(skin) != 0;
    const double end = NowMs();
    parts->panelsMs = loaded - start;
    parts->tableMs = end - loaded;
    FreeSkin();
    return ok;
}

struct LoadSamples {
    std::vector<double> load, floor, floorTrace, trace, panels, table, checks, reads;
};

// One interleaved run of every part, each with no skin held; false when any of them failed.
static bool SampleLoad(int mode, LoadSamples* samples)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    FreeSkin();
    FloorTimes floor = {};
    const bool floorOk = TimeFloorLoad(mode, &floor);
    const double loadMs = TimeLoadSkin();
    const double traceMs = TimeTracing(mode);
    MenuParts parts = {};
    const bool partsOk = TimeMenuParts(size.width, size.height, &parts);
    const double checksMs = TimeFileChecks(mode);
    const double readsMs = TimeSettingsReads(size.width, size.height);
    samples->floor.push_back(floor.totalMs);
    samples->floorTrace.push_back(floor.traceMs);
    samples->load.push_back(loadMs);
    samples->trace.push_back(traceMs);
    samples->panels.push_back(parts.panelsMs);
    samples->table.push_back(parts.tableMs);
    samples->checks.push_back(checksMs);
    samples->reads.push_back(readsMs);
    return floorOk && partsOk && loadMs >= 0.0 && traceMs >= 0.0 && checksMs >= 0.0 &&
           readsMs >= 0.0;
}

// Where LoadSkin's time beyond the floor goes, from the parts timed apart in the same runs.
static void NoteLoadShares(const defaultSkin::Mode& size, const LoadSamples& samples)
{
    const double floorTrace = Median(samples.floorTrace);
    const double floorFiles = Median(samples.floor) - floorTrace;
    AddNote("LoadSkin at %dx%d: %.2f ms against the floor's %.2f ms (%+.2f ms). Its halves: three "
            "LoadPanelBitmap %.2f ms against the floor's three LoadImageA %.2f ms (%+.2f ms; the "
            "file checks alone %.2f ms); LoadButtonTable %.2f ms against the floor's tracing "
            "%.2f ms (%+.2f ms; its six BuildRegionFromTemplate alone %.2f ms, so uniting the "
            "runs costs %.2f ms). All settings reads of a load together: %.2f ms.",
            size.width, size.height, Median(samples.load), Median(samples.floor),
            Median(samples.load) - Median(samples.floor), Median(samples.panels), floorFiles,
            Median(samples.panels) - floorFiles, Median(samples.checks), Median(samples.table),
            floorTrace, Median(samples.table) - floorTrace, Median(samples.trace),
            Median(samples.trace) - floorTrace, Median(samples.reads));
}

static double WorkingSetMb()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return 0.0;
    }
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

// What one LoadSkin adds to this process's working set, beside the three bitmaps it must hold:
// tells the skin's own share of the started menu's memory from that of its window.
static void NoteLoadMemory(const defaultSkin::Mode& size)
{
    FreeSkin();
    const double before = WorkingSetMb();
    const bool loaded = LoadSkin(GetDesktopWindow()) != 0;
    const double held = WorkingSetMb();
    FreeSkin();
    const double after = WorkingSetMb();
    const double bitmapsMb =
        3.0 * size.width * size.height * ScreenBytesPerPixel() / (1024.0 * 1024.0);
    if (loaded && before > 0.0) {
        AddNote("LoadSkin at %dx%d adds %.2f MB to this process's working set (its three bitmaps: "
                "%.2f MB); after FreeSkin %.2f MB of it remain.",
                size.width, size.height, held - before, bitmapsMb, after - before);
    }
}

static void RunLoadSkinFigure(int mode)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    bool ok = SetDisplayMode(size.width, size.height);
    // Untimed first calls: the files come into the system's cache and the store opens its keys.
    LoadSamples warm;
    ok = ok && SampleLoad(mode, &warm);
    LoadSamples samples;
    for (int run = 0; ok && run < LoadRuns; ++run) {
        ok = SampleLoad(mode, &samples);
    }
    FreeSkin();
    char figure[64];
    std::snprintf(figure, sizeof figure, "LoadSkin at %dx%d", size.width, size.height);
    AddRow(figure, "ms", Median(samples.load), Median(samples.floor), 1.2, ok);
    if (!ok) {
        AddNote("LoadSkin at %dx%d failed: the default skin's files or settings are missing.",
                size.width, size.height);
        return;
    }
    NoteLoadShares(size, samples);
    NoteLoadMemory(size);
}

void RunLoadSkinFigures()
{
    PrepareAppState();
    for (int mode : BenchModes()) {
        RunLoadSkinFigure(mode);
    }
    AddNote("LoadSkin method: in this process with the menu's code and the real Kivrel.dll, which "
            "reads the default settings as the installer writes them (HKLM, no user tree); the "
            "display switched with ChangeDisplaySettingsExA; %d interleaved runs after one "
            "untimed run of each. Floor: three LoadImageA calls, then one GetPixel per pixel of "
            "the six buttons' blocks on the template in a memory DC and one CreateRectRgn (deleted "
            "at once) per run of non-black pixels. The floor does not unite the runs: building "
            "one region out of them is the menu's own work beyond the floor, and so are the "
            "file checks and the settings reads.",
            LoadRuns);
}
