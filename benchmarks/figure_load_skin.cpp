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

// A clock or a meter, read before and after each half of a load: NowMs for the times,
// WorkingSetMb for the memory.
typedef double (*Reading)();

static double WorkingSetMb()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return 0.0;
    }
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

// The floor: the three LoadImageA calls, then the least tracing of the six buttons, read before,
// between and after. False when a file does not load or the tracing fails.
static bool LoadFloorInParts(int mode, Reading read, double readings[3])
{
    const defaultSkin::Mode& files = defaultSkin::modes[mode];
    RECT blocks[6];
    ButtonBlocks(mode, blocks);
    readings[0] = read();
    HBITMAP normal = LoadSkinFile(files.normalFile);
    HBITMAP selected = LoadSkinFile(files.selectedFile);
    HBITMAP shapes = LoadSkinFile(files.templateFile);
    readings[1] = read();
    const long runs = shapes != nullptr ? TraceFloorButtons(shapes, blocks, 6) : -1;
    readings[2] = read();
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

// LoadSkin's two halves on a record made here as LoadSkin makes it, read before, between and
// after: the three LoadPanelBitmap calls (settings read, file check, LoadImageA, fitting) and
// LoadButtonTable (settings reads, tracing, moving the regions). The record is made current so
// that FreeSkin releases it; false when a half failed.
static bool LoadSkinInParts(int width, int height, Reading read, double readings[3])
{
    FreeSkin();
    Skin* skin = static_cast<Skin*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Skin)));
    currentSkin = skin;
    char names[3][SkinValueNameCapacity];
    // At a fitted size the record needs its serving size and placement, as LoadSkin sets them.
    bool ok = skin != nullptr && ReadScreenSize(skin) && ChooseServedSize(skin) &&
              skin->servedWidth == width && skin->servedHeight == height;
    for (int i = 0; ok && i < 3; ++i) {
        ok = FormatSkinValueName(width, height, NormalBitmapGroup + i, names[i]) != 0;
    }
    if (!ok) {
        FreeSkin();
        return false;
    }
    const HINSTANCE instance = appState->instance;
    const char* directory = appState->moduleDirectory;
    readings[0] = read();
    skin->normalBitmap = LoadPanelBitmap(instance, skin, directory, "Panel", names[0]);
    skin->selectedBitmap = LoadPanelBitmap(instance, skin, directory, "Panel", names[1]);
    skin->regionTemplate = LoadPanelBitmap(instance, skin, directory, "Panel", names[2]);
    readings[1] = read();
    ok = skin->normalBitmap != nullptr && skin->selectedBitmap != nullptr &&
         skin->regionTemplate != nullptr && LoadButtonTable(skin) != 0;
    readings[2] = read();
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
    double floor[3] = {};
    const bool floorOk = LoadFloorInParts(mode, NowMs, floor);
    const double loadMs = TimeLoadSkin();
    const double traceMs = TimeTracing(mode);
    double parts[3] = {};
    const bool partsOk = LoadSkinInParts(size.width, size.height, NowMs, parts);
    const double checksMs = TimeFileChecks(mode);
    const double readsMs = TimeSettingsReads(size.width, size.height);
    samples->floor.push_back(floor[2] - floor[0]);
    samples->floorTrace.push_back(floor[2] - floor[1]);
    samples->load.push_back(loadMs);
    samples->trace.push_back(traceMs);
    samples->panels.push_back(parts[1] - parts[0]);
    samples->table.push_back(parts[2] - parts[1]);
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

// What each half of a load adds to this process's working set, the menu's against the floor's:
// tells the skin's own share of the started menu's memory from that of its window.
static void NoteLoadMemory(int mode)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    double menu[3] = {};
    double floor[3] = {};
    FreeSkin();
    const bool ok = LoadSkinInParts(size.width, size.height, WorkingSetMb, menu) &&
                    LoadFloorInParts(mode, WorkingSetMb, floor);
    const double bitmapsMb =
        3.0 * size.width * size.height * ScreenBytesPerPixel() / (1024.0 * 1024.0);
    if (ok && menu[0] > 0.0) {
        AddNote("LoadSkin at %dx%d, working set added: three LoadPanelBitmap %.2f MB, "
                "LoadButtonTable %.2f MB; the floor's three LoadImageA %.2f MB, its tracing "
                "%.2f MB; the three bitmaps are %.2f MB.",
                size.width, size.height, menu[1] - menu[0], menu[2] - menu[1], floor[1] - floor[0],
                floor[2] - floor[1], bitmapsMb);
    }
}

// At the mode's own size, or at a screen of screenWidth x screenHeight that it serves fitted.
static void RunLoadSkinFigure(int mode, int screenWidth, int screenHeight)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    bool ok = SetDisplayMode(screenWidth, screenHeight);
    // Untimed first calls: the files come into the system's cache and the store opens its keys.
    LoadSamples warm;
    ok = ok && SampleLoad(mode, &warm);
    LoadSamples samples;
    for (int run = 0; ok && run < LoadRuns; ++run) {
        ok = SampleLoad(mode, &samples);
    }
    FreeSkin();
    char figure[96];
    if (screenWidth != size.width || screenHeight != size.height) {
        std::snprintf(figure, sizeof figure, "LoadSkin at %dx%d (fitted from %dx%d)", screenWidth,
                      screenHeight, size.width, size.height);
    } else {
        std::snprintf(figure, sizeof figure, "LoadSkin at %dx%d", size.width, size.height);
    }
    AddRow(figure, "ms", Median(samples.load), Median(samples.floor), 1.2, ok);
    // The reads have no floor of their own; what any settings store may cost a load is the goal.
    std::snprintf(figure, sizeof figure, "All settings reads of a load, %dx%d", screenWidth,
                  screenHeight);
    AddLimitRow(figure, "ms", Median(samples.reads), 1.0, ok);
    if (!ok) {
        AddNote("LoadSkin at %dx%d failed: the default skin's files or settings are missing.",
                size.width, size.height);
        return;
    }
    NoteLoadShares(size, samples);
    NoteLoadMemory(mode);
}

void RunLoadSkinFigures()
{
    PrepareAppState();
    for (int mode : BenchModes()) {
        RunLoadSkinFigure(mode, defaultSkin::modes[mode].width, defaultSkin::modes[mode].height);
    }
    for (const FittedSize& fitted : BenchFittedSizes()) {
        RunLoadSkinFigure(fitted.servedMode, fitted.width, fitted.height);
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
