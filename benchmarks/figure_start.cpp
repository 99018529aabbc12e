// Figures of the real program, started as a user's logon would start it (with its agent
// running): the time until the lit panel is on the screen, and the memory it holds once shown,
// at each measured size. Both are taken against floor_start.exe, which does the least the same
// screen needs: for the start, loading the three panel files and tracing the buttons under the
// tracing rule before it shows the lit panel.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"

#include "skin/skin.h"

#include "default_skin_layout.h"

#include <psapi.h>

#include <cstdio>

static const char menuClass[] = "MorvixFullScreenMenuDemoForVelnorWndClass";
static const char floorClass[] = "TileboxFloorWndClass";
static const char agentClass[] = "MorvixRemoteCtrl4VelnorWndClass";

enum { StartRuns = 9, MemoryRuns = 3, SettleMs = 500, StartTimeoutMs = 15000 };

static Program agent;

bool StartAgentHelper()
{
    char program[MAX_PATH];
    char log[MAX_PATH];
    char line[3 * MAX_PATH];
    GetTempPathA(sizeof log, log);
    lstrcatA(log, "tilebox-benchmark-agent.log");
    if (!JoinBinPath(program, sizeof program, "fake_agent.exe")) {
        return false;
    }
    std::snprintf(line, sizeof line, "\"%s\" \"%s\"", program, log);
    if (!StartProgram(&agent, line)) {
        return false;
    }
    for (int i = 0; i < 200; ++i) {
        if (FindWindowA(agentClass, nullptr) != nullptr) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

void EndAgentHelper()
{
    // The agent's window is hidden, so it is ended by its id rather than closed.
    EndProgram(&agent, nullptr);
}

// Command lines of the menu and of the floor program showing a picture of the mode (or nothing,
// for the memory baseline).
static bool MenuCommand(char* line, int capacity)
{
    char program[MAX_PATH];
    return JoinBinPath(program, sizeof program, "tilebox.exe") &&
           std::snprintf(line, capacity, "\"%s\"", program) < capacity;
}

static bool FloorCommand(char* line, int capacity, const char* bitmapFile, bool withShell = false)
{
    char program[MAX_PATH];
    char bitmap[MAX_PATH];
    if (!JoinBinPath(program, sizeof program, "floor_start.exe")) {
        return false;
    }
    const char* shell = withShell ? "--with-shell " : "";
    if (bitmapFile == nullptr) {
        return std::snprintf(line, capacity, "\"%s\" %s--blank", program, shell) < capacity;
    }
    return JoinBinPath(bitmap, sizeof bitmap, bitmapFile) &&
           std::snprintf(line, capacity, "\"%s\" %s\"%s\"", program, shell, bitmap) < capacity;
}

// The floor's start at the mode on a screen of width x height: the three files and the six
// buttons' blocks, as the menu's settings name them; with ole32 and shell32 loaded first when
// withShell is set. On a screen the mode serves fitted, the floor stretches each picture where the
// menu places it and traces the blocks mapped as the menu maps them.
static bool FloorSkinCommand(char* line, int capacity, int mode, int width, int height,
                             bool withShell)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    Skin mapping = {};
    mapping.screenWidth = width;
    mapping.screenHeight = height;
    mapping.servedWidth = size.width;
    mapping.servedHeight = size.height;
    PlaceServedSize(width, height, size.width, size.height, &mapping.placed);
    char fit[64] = "";
    if (width != size.width || height != size.height) {
        const RECT& p = mapping.placed;
        std::snprintf(fit, sizeof fit, "--fit %ld,%ld,%ld,%ld ", p.left, p.top, p.right,
                      p.bottom);
    }
    char program[MAX_PATH];
    char files[3][MAX_PATH];
    if (!JoinBinPath(program, sizeof program, "floor_start.exe") ||
        !JoinBinPath(files[0], MAX_PATH, size.normalFile) ||
        !JoinBinPath(files[1], MAX_PATH, size.selectedFile) ||
        !JoinBinPath(files[2], MAX_PATH, size.templateFile)) {
        return false;
    }
    char blocks[256] = {};
    int used = 0;
    for (const defaultSkin::Button& button : defaultSkin::buttons) {
        RECT r = button.rect[mode];
        MapServedRectangle(&mapping, &r);
        const int length = std::snprintf(blocks + used, sizeof blocks - used, "%s%ld,%ld,%ld,%ld",
                                         used == 0 ? "" : ";", r.left, r.top, r.right, r.bottom);
        if (length <= 0 || length >= static_cast<int>(sizeof blocks) - used) {
            return false;
        }
        used += length;
    }
    const int length =
        std::snprintf(line, capacity, "\"%s\" %s%s--skin \"%s\" \"%s\" \"%s\" %s", program,
                      withShell ? "--with-shell " : "", fit, files[0], files[1], files[2], blocks);
    return length > 0 && length < capacity;
}

// From CreateProcess until the screen shows the lit tile's colour at spot; -1 when it never did.
// The spot must not show that colour before the start, or the figure would time nothing.
static double TimeOneStart(const char* commandLine, const char* className, POINT spot)
{
    double elapsed = -1.0;
    if (WaitForScreenPixelNot(spot.x, spot.y, defaultSkin::litTile, 5000)) {
        Program program;
        const double start = NowMs();
        double seen = 0.0;
        if (StartProgram(&program, commandLine) &&
            WaitForScreenPixel(spot.x, spot.y, defaultSkin::litTile, StartTimeoutMs, &seen)) {
            elapsed = seen - start;
        }
        EndProgram(&program, className);
    }
    return elapsed;
}

// Loading ole32 and shell32 costs the same at every screen size, so the floor that loads them
// too is started at the size the first figure was taken at only, which keeps the run short.
static bool MeasuresShellShare(const defaultSkin::Mode& size)
{
    return size.width == 1024 && size.height == 768;
}

// At a fitted size the note names the screen's size and the size that serves it.
static void NoteStartShares(const defaultSkin::Mode& size, int width, int height, double menuMs,
                            double floorMs, double shellMs)
{
    const double beyond = menuMs - floorMs;
    if (shellMs <= 0.0) {
        char served[48] = "";
        if (width != size.width || height != size.height) {
            std::snprintf(served, sizeof served, " (fitted from %dx%d)", size.width, size.height);
        }
        AddNote("Start to first paint at %dx%d%s: the menu takes %+.1f ms beyond the floor.", width,
                height, served, beyond);
        return;
    }
    AddNote("Start to first paint at %dx%d: the menu takes %+.1f ms beyond the floor. Loading "
            "ole32 and shell32 first, which the menu does not do at start (Osmant.dll loads them "
            "at its first launch), moves the floor's start by %+.1f ms, %.0f%% of that "
            "difference. The difference is the menu's own start: its three libraries, the agent "
            "lookup, the settings reads and LoadSkin's work beyond its floor (see the LoadSkin "
            "notes at this size).",
            size.width, size.height, beyond, shellMs - floorMs,
            beyond != 0.0 ? 100.0 * (shellMs - floorMs) / beyond : 0.0);
}

// At the mode's own size, or at a screen of width x height that the mode serves fitted, where the
// sample spot moves with the stretch.
static void RunStartFigureAt(int mode, int width, int height)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    char menuLine[512];
    char floorLine[1024];
    char shellLine[1024];
    const POINT sample = defaultSkin::buttons[0].sample[mode];
    const POINT spot = {sample.x * width / size.width, sample.y * height / size.height};
    const bool withShell = MeasuresShellShare(size) && width == size.width;
    bool ok = SetDisplayMode(width, height) && MenuCommand(menuLine, sizeof menuLine) &&
              FloorSkinCommand(floorLine, sizeof floorLine, mode, width, height, false) &&
              FloorSkinCommand(shellLine, sizeof shellLine, mode, width, height, true);
    // One start of each first, untimed: the first start of a program reads its files from disk.
    ok = ok && TimeOneStart(floorLine, floorClass, spot) >= 0.0 &&
         TimeOneStart(menuLine, menuClass, spot) >= 0.0;
    std::vector<double> menu, floor, shell;
    for (int run = 0; ok && run < StartRuns; ++run) {
        const double floorMs = TimeOneStart(floorLine, floorClass, spot);
        const double menuMs = TimeOneStart(menuLine, menuClass, spot);
        const double shellMs = withShell ? TimeOneStart(shellLine, floorClass, spot) : 0.0;
        ok = floorMs >= 0.0 && menuMs >= 0.0 && shellMs >= 0.0;
        floor.push_back(floorMs);
        menu.push_back(menuMs);
        shell.push_back(shellMs);
    }
    char figure[96];
    if (width != size.width || height != size.height) {
        std::snprintf(figure, sizeof figure, "Start to first paint, %dx%d (fitted from %dx%d)",
                      width, height, size.width, size.height);
    } else {
        std::snprintf(figure, sizeof figure, "Start to first paint, %dx%d", size.width,
                      size.height);
    }
    AddRow(figure, "ms", Median(menu), Median(floor), 1.15, ok);
    if (!ok) {
        AddNote("Start to first paint at %dx%d: a program did not show the lit panel at (%ld, %ld) "
                "within %d ms; is the default skin's settings in the registry?",
                size.width, size.height, spot.x, spot.y, StartTimeoutMs);
        return;
    }
    NoteStartShares(size, width, height, Median(menu), Median(floor), Median(shell));
}

void RunStartFigure()
{
    for (int mode : BenchModes()) {
        RunStartFigureAt(mode, defaultSkin::modes[mode].width, defaultSkin::modes[mode].height);
    }
    for (const FittedSize& fitted : BenchFittedSizes()) {
        RunStartFigureAt(fitted.servedMode, fitted.width, fitted.height);
    }
    AddNote("Start to first paint method: at each size %d interleaved starts of the floor and "
            "the menu (and at 1024x768 of the floor with ole32 and shell32), after one untimed "
            "start of the first two; from CreateProcess until the screen pixel in the first tile "
            "reads the lit "
            "tile's colour; the agent stand-in runs. Floor: floor_start.exe --skin loads the "
            "size's three files (at a fitted size it reads each file and stretches it onto the "
            "screen with one StretchDIBits, where the menu places it), reads every pixel of the "
            "six buttons' blocks (mapped onto the screen as the menu maps them) with GetPixel and "
            "makes one region per run (as the LoadSkin floor), then paints the lit panel "
            "full-screen, topmost.",
            StartRuns);
}

struct MemoryReading {
    double workingSetMb;
    double privateMb;
    DWORD gdiObjects;
};

static const double megabyte = 1024.0 * 1024.0;

// Why a program could not be measured, for the note of a failed figure.
static void DescribeFailure(const Program& program, const char* what, char* reason, int capacity)
{
    DWORD code = STILL_ACTIVE;
    if (!program.started) {
        std::snprintf(reason, capacity, "could not be started");
    } else if (GetExitCodeProcess(program.info.hProcess, &code) && code != STILL_ACTIVE) {
        std::snprintf(reason, capacity, "%s; it had ended with exit code %lu", what, code);
    } else {
        std::snprintf(reason, capacity, "%s; it was still running", what);
    }
}

// Starts the program, waits for its window, lets it settle so that whatever it touches at start
// is resident, and reads its memory. On failure, reason says what went wrong.
static bool MeasureShownProgramOnce(const char* commandLine, const char* className,
                                    MemoryReading* reading, char* reason, int capacity)
{
    Program program;
    StartProgram(&program, commandLine);
    bool shown = false;
    const double deadline = NowMs() + StartTimeoutMs;
    while (program.started && !shown && NowMs() < deadline) {
        shown = FindProgramWindow(&program, className) != nullptr;
        if (!shown) {
            Sleep(20);
        }
    }
    bool ok = shown;
    if (!shown) {
        DescribeFailure(program, "no window showed", reason, capacity);
    } else {
        Sleep(SettleMs);
        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof counters;
        ok = GetProcessMemoryInfo(program.info.hProcess,
                                  reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                  sizeof counters) != 0;
        if (!ok) {
            DescribeFailure(program, "its window showed but its memory could not be read", reason,
                            capacity);
        }
        reading->workingSetMb = static_cast<double>(counters.WorkingSetSize) / megabyte;
        reading->privateMb = static_cast<double>(counters.PrivateUsage) / megabyte;
        reading->gdiObjects = GetGuiResources(program.info.hProcess, GR_GDIOBJECTS);
    }
    EndProgram(&program, className);
    return ok;
}

// One more start when the first could not be measured; what went wrong either time is noted.
static bool MeasureShownProgram(const char* commandLine, const char* className,
                                MemoryReading* reading, const defaultSkin::Mode& size)
{
    char reason[256] = {};
    for (int attempt = 1; attempt <= 2; ++attempt) {
        if (MeasureShownProgramOnce(commandLine, className, reading, reason, sizeof reason)) {
            return true;
        }
        AddNote("Memory at %dx%d, start %d of %s: %s.", size.width, size.height, attempt, className,
                reason);
    }
    return false;
}

static void RunMemoryFigure(int mode)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    char menuLine[512];
    char blankLine[512];
    char floorLine[1024];
    char shellLine[512];
    bool ok = SetDisplayMode(size.width, size.height) && MenuCommand(menuLine, sizeof menuLine) &&
              FloorCommand(blankLine, sizeof blankLine, nullptr) &&
              FloorSkinCommand(floorLine, sizeof floorLine, mode, size.width, size.height,
                               false) &&
              FloorCommand(shellLine, sizeof shellLine, nullptr, true);
    const int bytesPerPixel = ScreenBytesPerPixel();
    std::vector<double> menuSet, blankSet, floorSet, shellSet, menuPrivate, blankPrivate, menuGdi;
    for (int run = 0; ok && run < MemoryRuns; ++run) {
        MemoryReading blank = {};
        MemoryReading menu = {};
        MemoryReading floor = {};
        MemoryReading shell = {};
        ok = MeasureShownProgram(blankLine, floorClass, &blank, size) &&
             MeasureShownProgram(menuLine, menuClass, &menu, size) &&
             MeasureShownProgram(floorLine, floorClass, &floor, size) &&
             MeasureShownProgram(shellLine, floorClass, &shell, size);
        floorSet.push_back(floor.workingSetMb);
        shellSet.push_back(shell.workingSetMb);
        blankSet.push_back(blank.workingSetMb);
        menuSet.push_back(menu.workingSetMb);
        blankPrivate.push_back(blank.privateMb);
        menuPrivate.push_back(menu.privateMb);
        menuGdi.push_back(menu.gdiObjects);
    }
    const double bitmapsMb = 3.0 * size.width * size.height * bytesPerPixel / megabyte;
    const double increase = Median(menuSet) - Median(blankSet);
    const double floorIncrease = Median(floorSet) - Median(blankSet);
    char figure[64];
    std::snprintf(figure, sizeof figure, "Memory at %dx%d, working set over baseline", size.width,
                  size.height);
    AddRow(figure, "MB", increase, floorIncrease, 1.5, ok);
    if (!ok) {
        AddNote("Memory at %dx%d: not measured, a program failed twice (see the notes above).",
                size.width, size.height);
        return;
    }
    char privateBytes[64];
    if (Median(menuPrivate) == 0.0 && Median(blankPrivate) == 0.0) {
        lstrcpynA(privateBytes, "not reported (Wine gives 0)", sizeof privateBytes);
    } else {
        std::snprintf(privateBytes, sizeof privateBytes, "%.1f MB over the baseline",
                      Median(menuPrivate) - Median(blankPrivate));
    }
    AddNote("Memory at %dx%d: menu working set %.1f MB, baseline %.1f MB, floor %.1f MB (medians "
            "of %d); private bytes %s; GDI objects of the menu: %.0f%s. Against the former floor, "
            "the three bitmaps' size 3 x %d x %d x %d bytes = %.2f MB, the ratio is %.2f. With "
            "ole32 and shell32 loaded (no picture) floor_start sits %.2f MB over the baseline.",
            size.width, size.height, Median(menuSet), Median(blankSet), Median(floorSet),
            MemoryRuns, privateBytes, Median(menuGdi),
            Median(menuGdi) == 0.0 ? " (Wine does not count them: it reports 0)" : "", size.width,
            size.height, bytesPerPixel, bitmapsMb, increase / bitmapsMb,
            Median(shellSet) - Median(blankSet));
    AddNote("Memory at %dx%d: beyond the floor, which holds the same three bitmaps, the menu holds "
            "%.2f MB: mostly Kivrel.dll, Osmant.dll and Tarvik.dll with what they load, which "
            "neither floor_start.exe run loads, and the menu's own code.",
            size.width, size.height, increase - floorIncrease);
}

void RunMemoryFigures()
{
    for (int mode : BenchModes()) {
        RunMemoryFigure(mode);
    }
    AddNote("Memory method: the absolute working set under Wine is mostly Wine's own libraries, "
            "so the figure is the menu's working set less that of floor_start.exe --blank (the "
            "same full-screen topmost window, no picture, and none of the menu's three libraries: "
            "it links only system libraries such as gdi32 and user32). Floor: floor_start.exe "
            "--skin, which loads the size's same three files with LoadImageA, traces the buttons "
            "and holds the bitmaps while it shows the lit one, less the same baseline, so that the "
            "process's fixed costs and "
            "what the system's loader keeps beside each bitmap cancel. Each read %d ms after the "
            "window showed; a program that shows no window within %d ms is started once more.",
            SettleMs, StartTimeoutMs);
}
