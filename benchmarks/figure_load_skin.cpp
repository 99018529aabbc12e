// LoadSkin at each measured size, in this process with the menu's own code and the real profile
// store reading the installed defaults, against the least that the same pictures need under the
// tracing rule: loading the three files (at a size the skin does not name, with the one stretch
// per picture that the screen needs), then one GetPixel per pixel of the six buttons and one
// region per run (floor_trace.h). What LoadSkin spends beyond that floor is taken apart in the
// notes: choosing the served size, the settings reads, the file checks, the stretches, the
// tracing and the unions of the runs.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"
#include "benchmarks/floor_trace.h"
#include "benchmarks/import_clock.h"

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

// A screen of width x height showing a mode of the default skin: its own size, or one the mode
// serves by fitting, with the placement the menu gives the pictures there.
struct LoadSize {
    int mode;
    int width;
    int height;
    RECT placed;
    bool Fitted() const
    {
        return width != defaultSkin::modes[mode].width || height != defaultSkin::modes[mode].height;
    }
};

static LoadSize SizeOf(int mode, int width, int height)
{
    LoadSize size = {mode, width, height, {}};
    PlaceServedSize(width, height, defaultSkin::modes[mode].width, defaultSkin::modes[mode].height,
                    &size.placed);
    return size;
}

static bool FilePath(char* path, const char* file)
{
    return JoinBinPath(path, MAX_PATH, file);
}

static HBITMAP LoadSkinFile(const char* file)
{
    char path[MAX_PATH];
    if (!FilePath(path, file)) {
        return nullptr;
    }
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
}

// The floor's picture: the file as loaded at a named size, stretched onto the screen otherwise.
static HBITMAP FloorPicture(const LoadSize& size, const char* file)
{
    if (!size.Fitted()) {
        return LoadSkinFile(file);
    }
    char path[MAX_PATH];
    return FilePath(path, file) ? StretchFloorPicture(path, size.width, size.height, size.placed)
                                : nullptr;
}

// The six buttons' blocks on the screen: the served size's rectangles, mapped as the menu maps
// them when the pictures are stretched, so that the floor traces the pixels the menu traces.
static void ButtonBlocks(const LoadSize& size, RECT* blocks)
{
    Skin mapping = {};
    mapping.screenWidth = size.width;
    mapping.screenHeight = size.height;
    mapping.servedWidth = defaultSkin::modes[size.mode].width;
    mapping.servedHeight = defaultSkin::modes[size.mode].height;
    mapping.placed = size.placed;
    for (int i = 0; i < 6; ++i) {
        blocks[i] = defaultSkin::buttons[i].rect[size.mode];
        MapServedRectangle(&mapping, &blocks[i]);
    }
}

// A clock or a meter, read before and after each part of a load: NowMs for the times,
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

// Readings taken at the edges of a load's parts: the reading itself, the time spent so far in the
// profile store and in stretching, and the store's registry calls so far.
struct Edge {
    double value;
    double storeMs;
    double stretchMs;
    long storeCalls;
    long registryCalls;
    double registryMs;
};

static Edge ReadEdge(Reading read)
{
    Edge edge;
    edge.value = read();
    const CallTally store = ReadImportClock(StoreCalls);
    edge.storeMs = store.ms;
    edge.storeCalls = store.calls;
    edge.stretchMs = ReadImportClock(StretchCalls).ms;
    const CallTally registry = ReadImportClock(RegistryCalls);
    edge.registryCalls = registry.calls;
    edge.registryMs = registry.ms;
    return edge;
}

// The floor: the three pictures, then the least tracing of the six buttons, read before, between
// and after. False when a picture cannot be had or the tracing fails.
static bool LoadFloorInParts(const LoadSize& size, Reading read, Edge edges[3])
{
    const defaultSkin::Mode& files = defaultSkin::modes[size.mode];
    RECT blocks[6];
    ButtonBlocks(size, blocks);
    edges[0] = ReadEdge(read);
    HBITMAP normal = FloorPicture(size, files.normalFile);
    HBITMAP selected = FloorPicture(size, files.selectedFile);
    HBITMAP shapes = FloorPicture(size, files.templateFile);
    edges[1] = ReadEdge(read);
    const long runs = shapes != nullptr ? TraceFloorButtons(shapes, blocks, 6) : -1;
    edges[2] = ReadEdge(read);
    for (HBITMAP bitmap : {normal, selected, shapes}) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
    return normal != nullptr && selected != nullptr && runs > 0;
}

// The checks LoadPanelBitmap makes of the three files before anything is drawn from them: at a
// named size the check alone (the system's loader reads the file again), at a fitted size the
// check of the file read into memory, which the stretch then draws from.
static double TimeFileChecks(const LoadSize& size)
{
    const defaultSkin::Mode& files = defaultSkin::modes[size.mode];
    char paths[3][MAX_PATH];
    const bool joined = FilePath(paths[0], files.normalFile) &&
                        FilePath(paths[1], files.selectedFile) &&
                        FilePath(paths[2], files.templateFile);
    const double start = NowMs();
    bool complete = joined;
    for (int i = 0; complete && i < 3; ++i) {
        if (size.Fitted()) {
            BitmapFileBits bits;
            complete = ReadCompleteBitmapFile(paths[i], &bits);
            FreeBitmapFileBits(&bits);
        } else {
            complete = IsCompleteBitmapFile(paths[i]);
        }
    }
    const double elapsed = NowMs() - start;
    return complete ? elapsed : -1.0;
}

// The way the menu fitted a picture before it stretched straight from the file's bits: the
// loader's bitmap at the file's own size, then one StretchBlt into a second, screen-sized one.
// For the notes at fitted sizes: what the direct stretch saves. -1 on any failure.
static double TimeLoadThenStretch(const LoadSize& size)
{
    const defaultSkin::Mode& files = defaultSkin::modes[size.mode];
    const double start = NowMs();
    bool ok = true;
    for (const char* file : {files.normalFile, files.selectedFile, files.templateFile}) {
        HBITMAP loaded = LoadSkinFile(file);
        BITMAP info = {};
        HDC screen = GetDC(nullptr);
        HBITMAP fitted = CreateCompatibleBitmap(screen, size.width, size.height);
        HDC from = CreateCompatibleDC(screen);
        HDC to = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        HGDIOBJ oldFrom = SelectObject(from, loaded);
        HGDIOBJ oldTo = SelectObject(to, fitted);
        SetStretchBltMode(to, COLORONCOLOR);
        ok = ok && loaded != nullptr && fitted != nullptr && GetObjectA(loaded, sizeof info, &info) &&
             StretchBlt(to, size.placed.left, size.placed.top,
                        size.placed.right - size.placed.left, size.placed.bottom - size.placed.top,
                        from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
        DeleteDC(from);
        DeleteDC(to);
        for (HBITMAP bitmap : {loaded, fitted}) {
            if (bitmap != nullptr) {
                DeleteObject(bitmap);
            }
        }
    }
    const double elapsed = NowMs() - start;
    return ok ? elapsed : -1.0;
}

// LoadSkin alone; the skin it replaces is freed before the clock starts. The store's time and
// calls within it come from the import clocks.
static double TimeLoadSkin(Edge edges[2])
{
    FreeSkin();
    edges[0] = ReadEdge(NowMs);
    const int loaded = LoadSkin(GetDesktopWindow());
    edges[1] = ReadEdge(NowMs);
    return loaded ? edges[1].value - edges[0].value : -1.0;
}

// The six tracings that LoadButtonTable makes, on the template of the loaded skin, each of the
// mapped rectangle and moved to the window's coordinates as the table does.
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
    RECT rects[6];
    for (int i = 0; i < 6; ++i) {
        rects[i] = defaultSkin::buttons[i].rect[mode];
        MapServedRectangle(currentSkin, &rects[i]);
    }
    HRGN regions[6] = {};
    const double start = NowMs();
    for (int i = 0; i < 6; ++i) {
        regions[i] = BuildRegionFromTemplate(templateDc, rects[i], 0, 1, nullptr);
        if (regions[i] != nullptr) {
            OffsetRgn(regions[i], rects[i].left, rects[i].top);
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

// LoadSkin's parts on a record made here as LoadSkin makes it, read at their edges: choosing the
// served size (ChooseServedSize, with its settings reads), the three LoadPanelBitmap calls
// (settings read, file check, loading or stretching straight from the file) and LoadButtonTable
// (settings reads, tracing, uniting and moving the regions). The record is made current so that
// FreeSkin releases it; false when a part failed.
static bool LoadSkinInParts(const LoadSize& size, Reading read, Edge edges[4])
{
    FreeSkin();
    Skin* skin = static_cast<Skin*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Skin)));
    currentSkin = skin;
    if (skin == nullptr || !ReadScreenSize(skin)) {
        FreeSkin();
        return false;
    }
    edges[0] = ReadEdge(read);
    bool ok = ChooseServedSize(skin) != 0;
    edges[1] = ReadEdge(read);
    const defaultSkin::Mode& served = defaultSkin::modes[size.mode];
    ok = ok && skin->servedWidth == served.width && skin->servedHeight == served.height;
    char names[3][SkinValueNameCapacity];
    for (int i = 0; ok && i < 3; ++i) {
        ok = FormatSkinValueName(served.width, served.height, NormalBitmapGroup + i, names[i]) != 0;
    }
    if (!ok) {
        FreeSkin();
        return false;
    }
    const HINSTANCE instance = appState->instance;
    const char* directory = appState->moduleDirectory;
    skin->normalBitmap = LoadPanelBitmap(instance, skin, directory, "Panel", names[0]);
    skin->selectedBitmap = LoadPanelBitmap(instance, skin, directory, "Panel", names[1]);
    skin->regionTemplate = LoadPanelBitmap(instance, skin, directory, "Panel", names[2]);
    edges[2] = ReadEdge(read);
    ok = skin->normalBitmap != nullptr && skin->selectedBitmap != nullptr &&
         skin->regionTemplate != nullptr && LoadButtonTable(skin) != 0;
    edges[3] = ReadEdge(read);
    FreeSkin();
    return ok;
}

struct LoadSamples {
    std::vector<double> load, reads, storeCalls, registryCalls, registryMs, floor, floorFiles, floorStretch,
        floorTrace, trace, choose, chooseReads, panels, panelReads, stretch, table, tableReads,
        checks, loadThenStretch;
};

// One interleaved run of every part, each with no skin held; false when any of them failed.
static bool SampleLoad(const LoadSize& size, LoadSamples* samples)
{
    FreeSkin();
    Edge floor[3] = {};
    const bool floorOk = LoadFloorInParts(size, NowMs, floor);
    Edge load[2] = {};
    const double loadMs = TimeLoadSkin(load);
    const double traceMs = TimeTracing(size.mode);
    Edge parts[4] = {};
    const bool partsOk = LoadSkinInParts(size, NowMs, parts);
    const double checksMs = TimeFileChecks(size);
    const double oldWayMs = size.Fitted() ? TimeLoadThenStretch(size) : 0.0;
    samples->load.push_back(loadMs);
    samples->reads.push_back(load[1].storeMs - load[0].storeMs);
    samples->storeCalls.push_back(load[1].storeCalls - load[0].storeCalls);
    samples->registryCalls.push_back(load[1].registryCalls - load[0].registryCalls);
    samples->registryMs.push_back(load[1].registryMs - load[0].registryMs);
    samples->floor.push_back(floor[2].value - floor[0].value);
    samples->floorFiles.push_back(floor[1].value - floor[0].value);
    samples->floorStretch.push_back(floor[1].stretchMs - floor[0].stretchMs);
    samples->floorTrace.push_back(floor[2].value - floor[1].value);
    samples->trace.push_back(traceMs);
    samples->choose.push_back(parts[1].value - parts[0].value);
    samples->chooseReads.push_back(parts[1].storeMs - parts[0].storeMs);
    samples->panels.push_back(parts[2].value - parts[1].value);
    samples->panelReads.push_back(parts[2].storeMs - parts[1].storeMs);
    samples->stretch.push_back(parts[2].stretchMs - parts[1].stretchMs);
    samples->table.push_back(parts[3].value - parts[2].value);
    samples->tableReads.push_back(parts[3].storeMs - parts[2].storeMs);
    samples->checks.push_back(checksMs);
    samples->loadThenStretch.push_back(oldWayMs);
    return floorOk && partsOk && loadMs >= 0.0 && traceMs >= 0.0 && checksMs >= 0.0 &&
           oldWayMs >= 0.0;
}

// Where LoadSkin's time goes and how it stands against the floor, from the parts timed apart in
// the same runs.
static void NoteLoadShares(const LoadSize& size, const LoadSamples& s)
{
    const defaultSkin::Mode& served = defaultSkin::modes[size.mode];
    const double load = Median(s.load);
    const double floor = Median(s.floor);
    const double panels = Median(s.panels);
    const double panelReads = Median(s.panelReads);
    const double stretch = Median(s.stretch);
    const double table = Median(s.table);
    const double tableReads = Median(s.tableReads);
    const double floorFiles = Median(s.floorFiles);
    const double floorTrace = Median(s.floorTrace);
    char where[64] = "";
    if (size.Fitted()) {
        std::snprintf(where, sizeof where, " (fitted from %dx%d)", served.width, served.height);
    }
    AddNote("LoadSkin at %dx%d%s: %.2f ms against the floor's %.2f ms (%+.2f ms). Choosing the "
            "served size %.2f ms (settings reads %.2f ms). Three LoadPanelBitmap %.2f ms: "
            "settings reads %.2f ms, stretching %.2f ms, reading, checking and loading the files "
            "%.2f ms (the file checks alone %.2f ms); the floor's pictures %.2f ms (its stretches "
            "%.2f ms). LoadButtonTable %.2f ms: settings reads %.2f ms, tracing and uniting %.2f "
            "ms against the floor's tracing %.2f ms (its six BuildRegionFromTemplate alone %.2f "
            "ms, so uniting the runs costs %.2f ms).",
            size.width, size.height, where, load, floor, load - floor, Median(s.choose),
            Median(s.chooseReads), panels, panelReads, stretch, panels - panelReads - stretch,
            Median(s.checks), floorFiles, Median(s.floorStretch), table, tableReads,
            table - tableReads, floorTrace, Median(s.trace), Median(s.trace) - floorTrace);
    const double registryCalls = Median(s.registryCalls);
    AddNote("All settings reads of a load at %dx%d: %.3f ms in %.0f calls to Kivrel.dll, which "
            "made %.0f registry calls; %.3f ms of it inside the registry calls themselves, %.1f "
            "us a call.",
            size.width, size.height, Median(s.reads), Median(s.storeCalls), registryCalls,
            Median(s.registryMs),
            registryCalls > 0 ? 1000.0 * Median(s.registryMs) / registryCalls : 0.0);
    if (size.Fitted()) {
        AddNote("LoadSkin at %dx%d: the three pictures loaded at %dx%d and then stretched into a "
                "second bitmap each (the former way) took %.2f ms; stretched straight from the "
                "files' bits in the three LoadPanelBitmap, %.2f ms with their reads and checks.",
                size.width, size.height, served.width, served.height, Median(s.loadThenStretch),
                panels);
    }
}

// What each half of a load adds to this process's working set, the menu's against the floor's:
// tells the skin's own share of the started menu's memory from that of its window.
static void NoteLoadMemory(const LoadSize& size)
{
    Edge menu[4] = {};
    Edge floor[3] = {};
    FreeSkin();
    const bool ok =
        LoadSkinInParts(size, WorkingSetMb, menu) && LoadFloorInParts(size, WorkingSetMb, floor);
    const double bitmapsMb =
        3.0 * size.width * size.height * ScreenBytesPerPixel() / (1024.0 * 1024.0);
    if (ok && menu[0].value > 0.0) {
        AddNote("LoadSkin at %dx%d, working set added: three LoadPanelBitmap %.2f MB, "
                "LoadButtonTable %.2f MB; the floor's three pictures %.2f MB, its tracing "
                "%.2f MB; the three bitmaps are %.2f MB.",
                size.width, size.height, menu[2].value - menu[1].value,
                menu[3].value - menu[2].value, floor[1].value - floor[0].value,
                floor[2].value - floor[1].value, bitmapsMb);
    }
}

// At the mode's own size, or at a screen of screenWidth x screenHeight that it serves fitted.
static void RunLoadSkinFigure(int mode, int screenWidth, int screenHeight, bool clocked)
{
    const defaultSkin::Mode& served = defaultSkin::modes[mode];
    const LoadSize size = SizeOf(mode, screenWidth, screenHeight);
    bool ok = clocked && SetDisplayMode(screenWidth, screenHeight);
    // Untimed first calls: the files come into the system's cache and the store opens its keys.
    LoadSamples warm;
    ok = ok && SampleLoad(size, &warm);
    LoadSamples samples;
    for (int run = 0; ok && run < LoadRuns; ++run) {
        ok = SampleLoad(size, &samples);
    }
    FreeSkin();
    char figure[96];
    if (size.Fitted()) {
        std::snprintf(figure, sizeof figure, "LoadSkin at %dx%d (fitted from %dx%d)", screenWidth,
                      screenHeight, served.width, served.height);
    } else {
        std::snprintf(figure, sizeof figure, "LoadSkin at %dx%d", served.width, served.height);
    }
    AddRow(figure, "ms", Median(samples.load), Median(samples.floor), 1.2, ok);
    // The reads have no floor of their own; what any settings store may cost a load is the goal.
    std::snprintf(figure, sizeof figure, "All settings reads of a load, %dx%d", screenWidth,
                  screenHeight);
    AddLimitRow(figure, "ms", Median(samples.reads), 1.0, ok);
    if (!ok) {
        AddNote("LoadSkin at %dx%d failed: %s.", screenWidth, screenHeight,
                clocked ? "the default skin's files or settings are missing, or the display did "
                          "not switch"
                        : "the clocks on the store's and the stretches' imports could not be put "
                          "in place");
        return;
    }
    NoteLoadShares(size, samples);
    NoteLoadMemory(size);
}

void RunLoadSkinFigures()
{
    PrepareAppState();
    const bool clocked = InstallImportClocks();
    for (int mode : BenchModes()) {
        RunLoadSkinFigure(mode, defaultSkin::modes[mode].width, defaultSkin::modes[mode].height,
                          clocked);
    }
    for (const FittedSize& fitted : BenchFittedSizes()) {
        RunLoadSkinFigure(fitted.servedMode, fitted.width, fitted.height, clocked);
    }
    AddNote("LoadSkin method: in this process with the menu's code and the real Kivrel.dll, which "
            "reads the default settings as the installer writes them (HKLM, no user tree); the "
            "display switched with ChangeDisplaySettingsExA; %d interleaved runs after one "
            "untimed run of each. Floor: the three pictures (at a named size three LoadImageA "
            "calls; at a fitted size each file read into memory and stretched onto a "
            "screen-sized bitmap with one StretchDIBits, the one stretch per picture the screen "
            "needs), then one GetPixel per pixel of the six buttons' blocks (mapped onto the "
            "screen as the menu maps them) on the template in a memory DC and one CreateRectRgn "
            "(deleted at once) per run of non-black pixels. The floor does not unite the runs: "
            "building one region out of them is the menu's own work beyond the floor, and so "
            "are choosing the served size, the file checks and the settings reads. The settings "
            "reads, the stretches and the store's registry calls are timed and counted inside "
            "the real LoadSkin, by clocks in the import tables of this program and of "
            "Kivrel.dll; choosing, loading and tracing are timed as parts of a load made step by "
            "step as LoadSkin makes it.",
            LoadRuns);
}
