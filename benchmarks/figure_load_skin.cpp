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

struct LoadSamples {
    std::vector<double> load, floor, floorTrace, trace, checks, reads;
};

// One interleaved run of every part; false when any of them failed.
static bool SampleLoad(int mode, LoadSamples* samples)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    FloorTimes floor = {};
    const bool floorOk = TimeFloorLoad(mode, &floor);
    const double loadMs = TimeLoadSkin();
    const double traceMs = TimeTracing(mode);
    const double checksMs = TimeFileChecks(mode);
    const double readsMs = TimeSettingsReads(size.width, size.height);
    samples->floor.push_back(floor.totalMs);
    samples->floorTrace.push_back(floor.traceMs);
    samples->load.push_back(loadMs);
    samples->trace.push_back(traceMs);
    samples->checks.push_back(checksMs);
    samples->reads.push_back(readsMs);
    return floorOk && loadMs >= 0.0 && traceMs >= 0.0 && checksMs >= 0.0 && readsMs >= 0.0;
}

// Where LoadSkin's time beyond the floor goes, from the parts timed apart in the same runs.
static void NoteLoadShares(const defaultSkin::Mode& size, const LoadSamples& samples)
{
    const double load = Median(samples.load);
    const double floor = Median(samples.floor);
    const double trace = Median(samples.trace);
    const double floorTrace = Median(samples.floorTrace);
    const double checks = Median(samples.checks);
    const double reads = Median(samples.reads);
    const double beyond = load - floor;
    const double unions = trace - floorTrace;
    AddNote("LoadSkin at %dx%d: %.2f ms against the floor's %.2f ms (%+.2f ms). Tracing: the "
            "menu's six BuildRegionFromTemplate %.2f ms, the floor's reads and run regions "
            "%.2f ms, so uniting the runs costs %.2f ms; the bitmap file checks %.2f ms; the "
            "settings reads %.2f ms; left over %.2f ms.",
            size.width, size.height, load, floor, beyond, trace, floorTrace, unions, checks, reads,
            beyond - unions - checks - reads);
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
