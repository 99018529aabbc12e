#include "benchmarks/bench_support.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

double NowMs()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> samples)
{
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    if (samples.size() % 2 == 1) {
        return samples[middle];
    }
    return (samples[middle - 1] + samples[middle]) / 2.0;
}

void GetBinDir(char* directory, DWORD capacity)
{
    DWORD length = GetModuleFileNameA(nullptr, directory, capacity);
    if (length == 0 || length >= capacity) {
        directory[0] = '\0';
        return;
    }
    char* afterLastBackslash = directory;
    for (char* p = directory; *p != '\0'; ++p) {
        if (*p == '\\') {
            afterLastBackslash = p + 1;
        }
    }
    *afterLastBackslash = '\0';
}

bool JoinBinPath(char* path, DWORD capacity, const char* name)
{
    char directory[MAX_PATH];
    GetBinDir(directory, sizeof directory);
    int length = std::snprintf(path, capacity, "%s%s", directory, name);
    return directory[0] != '\0' && length > 0 && static_cast<DWORD>(length) < capacity;
}

static bool ScreenHasSize(int width, int height)
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return false;
    }
    bool same = GetDeviceCaps(screen, HORZRES) == width && GetDeviceCaps(screen, VERTRES) == height;
    ReleaseDC(nullptr, screen);
    return same;
}

bool SetDisplayMode(int width, int height)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    if (ChangeDisplaySettingsExA(nullptr, &mode, nullptr, 0, nullptr) != DISP_CHANGE_SUCCESSFUL) {
        return false;
    }
    for (int i = 0; i < 100; ++i) {
        if (ScreenHasSize(width, height)) {
            // Let the X server and any window that follows the change settle before timing.
            Sleep(300);
            return true;
        }
        Sleep(20);
    }
    return false;
}

int ScreenBytesPerPixel()
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return 0;
    }
    int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return (bits + 7) / 8;
}

// Reads without pausing: a read of the screen is a round trip to the X server already, and a
// pause would blur the moment the picture arrived by up to a scheduler tick.
static bool PollScreenPixel(int x, int y, COLORREF colour, bool wantEqual, DWORD timeoutMs,
                            double* seenAtMs)
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return false;
    }
    const double deadline = NowMs() + timeoutMs;
    bool seen = false;
    for (;;) {
        COLORREF value = GetPixel(screen, x, y);
        double at = NowMs();
        if ((value == colour) == wantEqual) {
            if (seenAtMs != nullptr) {
                *seenAtMs = at;
            }
            seen = true;
            break;
        }
        if (at > deadline) {
            break;
        }
    }
    ReleaseDC(nullptr, screen);
    return seen;
}

bool WaitForScreenPixel(int x, int y, COLORREF colour, DWORD timeoutMs, double* seenAtMs)
{
    return PollScreenPixel(x, y, colour, true, timeoutMs, seenAtMs);
}

bool WaitForScreenPixelNot(int x, int y, COLORREF colour, DWORD timeoutMs)
{
    return PollScreenPixel(x, y, colour, false, timeoutMs, nullptr);
}

bool StartProgram(Program* program, const char* commandLine)
{
    ZeroMemory(program, sizeof *program);
    char line[1024];
    if (lstrlenA(commandLine) >= static_cast<int>(sizeof line)) {
        return false;
    }
    lstrcpynA(line, commandLine, sizeof line);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    program->started = CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                      &startup, &program->info) != 0;
    return program->started;
}

struct WindowSearch {
    const char* className;
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(lParam);
    char name[256];
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window) ||
        GetClassNameA(window, name, sizeof name) == 0 || lstrcmpA(name, search->className) != 0) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindProgramWindow(const Program* program, const char* className)
{
    if (!program->started) {
        return nullptr;
    }
    WindowSearch search = {className, program->info.dwProcessId, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void EndProgram(Program* program, const char* className)
{
    if (!program->started) {
        return;
    }
    HWND window = className != nullptr ? FindProgramWindow(program, className) : nullptr;
    if (window != nullptr) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(program->info.hProcess, window != nullptr ? 5000 : 0) !=
        WAIT_OBJECT_0) {
        TerminateProcess(program->info.hProcess, 255);
        WaitForSingleObject(program->info.hProcess, 5000);
    }
    CloseHandle(program->info.hThread);
    CloseHandle(program->info.hProcess);
    ZeroMemory(program, sizeof *program);
}

static std::vector<FigureRow> rows;
static std::vector<std::vector<char>> notes;
static std::vector<std::vector<char>> curve;

static void AddLine(std::vector<std::vector<char>>* lines, const char* format, va_list arguments)
{
    // Room for the longest method note; a longer line is cut, never overrun.
    std::vector<char> line(2048);
    std::vsnprintf(line.data(), line.size(), format, arguments);
    lines->push_back(line);
}

void AddRow(const char* figure, const char* unit, double median, double floorMedian,
            double goalRatio, bool measured)
{
    AddRowWithLimit(figure, unit, median, floorMedian, goalRatio, 0.0, measured);
}

void AddRowWithLimit(const char* figure, const char* unit, double median, double floorMedian,
                     double goalRatio, double limit, bool measured)
{
    FigureRow row = {};
    lstrcpynA(row.figure, figure, sizeof row.figure);
    lstrcpynA(row.unit, unit, sizeof row.unit);
    row.median = median;
    row.floorMedian = floorMedian;
    row.goalRatio = goalRatio;
    row.limit = limit;
    row.measured = measured && floorMedian > 0.0;
    rows.push_back(row);
}

void AddLimitRow(const char* figure, const char* unit, double median, double limit, bool measured)
{
    AddRowWithLimit(figure, unit, median, 0.0, 0.0, limit, measured);
    rows.back().measured = measured;
}

void AddNote(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    AddLine(&notes, format, arguments);
    va_end(arguments);
}

void AddCurveLine(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    AddLine(&curve, format, arguments);
    va_end(arguments);
}

// "pass", or what missed: the ratio, the absolute limit or both.
static const char* RowResult(const FigureRow& row)
{
    if (row.goalRatio <= 0.0) {
        return row.median <= row.limit ? "pass" : "MISS (limit)";
    }
    const bool ratioOk = row.median / row.floorMedian <= row.goalRatio;
    const bool limitOk = row.limit <= 0.0 || row.median < row.limit;
    if (ratioOk && limitOk) {
        return "pass";
    }
    if (!ratioOk && !limitOk) {
        return "MISS (ratio, limit)";
    }
    return ratioOk ? "MISS (limit)" : "MISS (ratio)";
}

int PrintTable()
{
    std::printf("\n%-44s %12s %12s %7s %16s  %s\n", "figure", "median", "floor median", "ratio",
                "goal", "result");
    int unmeasured = 0;
    for (const FigureRow& row : rows) {
        char goal[32];
        if (row.goalRatio <= 0.0) {
            std::snprintf(goal, sizeof goal, "<=%.0f %s", row.limit, row.unit);
        } else if (row.limit > 0.0) {
            std::snprintf(goal, sizeof goal, "<=%.2f, <%.0f %s", row.goalRatio, row.limit,
                          row.unit);
        } else {
            std::snprintf(goal, sizeof goal, "<=%.2f", row.goalRatio);
        }
        if (!row.measured) {
            ++unmeasured;
            std::printf("%-44s %12s %12s %7s %16s  %s\n", row.figure, "-", "-", "-", goal,
                        "FAILED: not measured");
            continue;
        }
        char median[24];
        char floorMedian[24] = "-";
        char ratio[16] = "-";
        std::snprintf(median, sizeof median, "%.3f %s", row.median, row.unit);
        if (row.goalRatio > 0.0) {
            std::snprintf(floorMedian, sizeof floorMedian, "%.3f %s", row.floorMedian, row.unit);
            std::snprintf(ratio, sizeof ratio, "%.2f", row.median / row.floorMedian);
        }
        std::printf("%-44s %12s %12s %7s %16s  %s\n", row.figure, median, floorMedian, ratio, goal,
                    RowResult(row));
    }
    if (!notes.empty()) {
        std::printf("\nNotes:\n");
        for (const std::vector<char>& note : notes) {
            std::printf("- %s\n", note.data());
        }
    }
    if (!curve.empty()) {
        std::printf("\nHow region tracing cost grows (BuildRegionFromTemplate, median of up to "
                    "9 runs):\n");
        for (const std::vector<char>& line : curve) {
            std::printf("  %s\n", line.data());
        }
    }
    if (unmeasured > 0) {
        std::printf("\nbenchmark: FAILED: %d figure(s) could not be measured; the notes say why.\n",
                    unmeasured);
    }
    std::fflush(stdout);
    return unmeasured;
}
