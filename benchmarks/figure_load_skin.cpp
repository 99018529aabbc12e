// LoadSkin at each resolution mode, in this process with the menu's own code and the real profile
// store reading the installed defaults, against the least that reading the same pictures needs:
// loading the three files and reading the six buttons' pixels once.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"

#include "app/app_state.h"
#include "app/menu_window.h"
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

// Reads the rows of each button rectangle in one GetDIBits call (it reads whole scan lines) and
// counts the rectangle's pixels that are not black, so that the pixels are really looked at.
static long ReadButtonPixels(HBITMAP templateBitmap, int mode, std::vector<DWORD>* buffer)
{
    const int width = defaultSkin::modes[mode].width;
    const int height = defaultSkin::modes[mode].height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up: scan line 0 is the bottom row
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    buffer->resize(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return -1;
    }
    long belonging = 0;
    for (const defaultSkin::Button& button : defaultSkin::buttons) {
        const RECT& rect = button.rect[mode];
        const int lines = rect.bottom - rect.top + 1;
        if (GetDIBits(screen, templateBitmap, height - 1 - rect.bottom, lines, buffer->data(),
                      &info, DIB_RGB_COLORS) != lines) {
            belonging = -1;
            break;
        }
        for (int row = 0; row < lines; ++row) {
            const DWORD* line = buffer->data() + static_cast<size_t>(row) * width;
            for (int x = rect.left; x <= rect.right; ++x) {
                belonging += (line[x] & 0xFFFFFF) != 0 ? 1 : 0;
            }
        }
    }
    ReleaseDC(nullptr, screen);
    return belonging;
}

// The floor: the three LoadImageA calls and one read of the buttons' pixels. -1 on failure.
static double TimeFloorLoad(int mode, std::vector<DWORD>* buffer)
{
    const defaultSkin::Mode& files = defaultSkin::modes[mode];
    const double start = NowMs();
    HBITMAP normal = LoadSkinFile(files.normalFile);
    HBITMAP selected = LoadSkinFile(files.selectedFile);
    HBITMAP shapes = LoadSkinFile(files.templateFile);
    const long belonging = shapes != nullptr ? ReadButtonPixels(shapes, mode, buffer) : -1;
    const double elapsed = NowMs() - start;
    for (HBITMAP bitmap : {normal, selected, shapes}) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
    return normal != nullptr && selected != nullptr && belonging > 0 ? elapsed : -1.0;
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

static void RunLoadSkinFigure(int mode)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    std::vector<DWORD> buffer;
    bool ok = SetDisplayMode(size.width, size.height);
    // Untimed first calls: the files come into the system's cache and the store opens its keys.
    ok = ok && TimeLoadSkin() >= 0.0 && TimeFloorLoad(mode, &buffer) >= 0.0;
    std::vector<double> load, floor, tracing;
    for (int run = 0; ok && run < LoadRuns; ++run) {
        const double floorMs = TimeFloorLoad(mode, &buffer);
        const double loadMs = TimeLoadSkin();
        const double traceMs = TimeTracing(mode);
        ok = floorMs >= 0.0 && loadMs >= 0.0 && traceMs >= 0.0;
        floor.push_back(floorMs);
        load.push_back(loadMs);
        tracing.push_back(traceMs);
    }
    FreeSkin();
    char figure[64];
    std::snprintf(figure, sizeof figure, "LoadSkin at %dx%d", size.width, size.height);
    AddRow(figure, "ms", Median(load), Median(floor), 2.0, ok);
    if (!ok) {
        AddNote("LoadSkin at %dx%d failed: the default skin's files or settings are missing.",
                size.width, size.height);
        return;
    }
    AddNote("LoadSkin at %dx%d: region tracing (six BuildRegionFromTemplate calls on the loaded "
            "template, timed apart) %.2f ms = %.0f%% of LoadSkin's %.2f ms.",
            size.width, size.height, Median(tracing), 100.0 * Median(tracing) / Median(load),
            Median(load));
}

void RunLoadSkinFigures()
{
    PrepareAppState();
    for (int mode = 0; mode < 3; ++mode) {
        RunLoadSkinFigure(mode);
    }
    AddNote("LoadSkin method: in this process with the menu's code and the real Kivrel.dll, which "
            "reads the default settings as the installer writes them (HKLM, no user tree); the "
            "display switched with ChangeDisplaySettingsExA; %d interleaved runs after one "
            "untimed run of each. Floor: three LoadImageA calls and one GetDIBits of the six "
            "buttons' rows of the template.",
            LoadRuns);
}
