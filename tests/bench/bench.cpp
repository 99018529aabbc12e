#include "tests/bench/bench.h"

#include <cstdio>
#include <cstdlib>

namespace bench {

std::string BinDir()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

Process::~Process()
{
    Kill();
}

bool Process::Start(const std::string& commandLine)
{
    Kill();
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info) != 0;
    return started;
}

DWORD Process::WaitExit(DWORD timeoutMs)
{
    if (!started) {
        return STILL_ACTIVE;
    }
    if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

bool Process::IsRunning() const
{
    return started && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
}

void Process::Kill()
{
    if (!started) {
        return;
    }
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info.hProcess, 255);
        WaitForSingleObject(info.hProcess, 5000);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    info = PROCESS_INFORMATION();
    started = false;
}

bool StartInBin(Process& process, const std::string& program, const std::string& tail)
{
    std::string line = "\"" + BinDir() + program + "\"";
    if (!tail.empty()) {
        line += " " + tail;
    }
    return process.Start(line);
}

struct WindowSearch {
    const char* className;
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(lParam);
    if (search->visibleOnly && !IsWindowVisible(window)) {
        return TRUE;
    }
    char name[256];
    if (GetClassNameA(window, name, sizeof name) == 0 || lstrcmpA(name, search->className) != 0) {
        return TRUE;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (search->pid == 0 || search->pid == pid) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOfClass(const char* className)
{
    WindowSearch search = {className, 0, false, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

static HWND WaitForWindowOf(const char* className, DWORD timeoutMs, DWORD pid, bool visibleOnly)
{
    DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search = {className, pid, visibleOnly, {}};
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found.empty()) {
            return search.found.front();
        }
        if (GetTickCount() - start >= timeoutMs) {
            return nullptr;
        }
        Sleep(50);
    }
}

HWND WaitForWindow(const char* className, DWORD timeoutMs, DWORD pid)
{
    // A window exists, invisible, while its WM_CREATE runs: only a shown one counts.
    return WaitForWindowOf(className, timeoutMs, pid, true);
}

HWND WaitForHiddenWindow(const char* className, DWORD timeoutMs)
{
    return WaitForWindowOf(className, timeoutMs, 0, false);
}

// Wine starts a Unix program when CreateProcess is handed one (through its Z: drive), but the
// PROCESS_INFORMATION it gives back holds no usable handles: hProcess is null and hThread is left
// undefined, so closing it may close a handle of ours (stdout, say). The handles are therefore
// never touched; the command reports its end through a marker file holding its exit status.
int RunUnix(const std::string& commandLine, DWORD timeoutMs)
{
    static int counter = 0;
    std::string marker = "/tmp/tilebox-bench-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(++counter);
    std::string windowsMarker = "Z:" + marker;
    for (char& c : windowsMarker) {
        if (c == '/') {
            c = '\\';
        }
    }
    DeleteFileA(windowsMarker.c_str());
    std::string line = "Z:\\bin\\sh -c \"" + commandLine + "; echo $? > " + marker + ".part && mv " +
                       marker + ".part " + marker + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION unusable;
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &unusable)) {
        return -1;
    }
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HANDLE file = CreateFileA(windowsMarker.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char status[16] = {};
            DWORD read = 0;
            ReadFile(file, status, sizeof status - 1, &read, nullptr);
            CloseHandle(file);
            DeleteFileA(windowsMarker.c_str());
            return atoi(status);
        }
        Sleep(20);
    }
    return -1;
}

static std::string Point(int x, int y)
{
    return std::to_string(x) + " " + std::to_string(y);
}

void MouseMove(int x, int y)
{
    RunUnix("xdotool mousemove " + Point(x, y));
}

void MouseDown(int x, int y)
{
    RunUnix("xdotool mousemove " + Point(x, y) + " mousedown 1");
}

void MouseUp(int x, int y)
{
    RunUnix("xdotool mousemove " + Point(x, y) + " mouseup 1");
}

void Click(int x, int y)
{
    RunUnix("xdotool mousemove " + Point(x, y) + " click 1");
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return CLR_INVALID;
    }
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

COLORREF WaitForScreenPixel(int x, int y, COLORREF colour, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    COLORREF seen = ScreenPixel(x, y);
    while (seen != colour && GetTickCount() - start < timeoutMs) {
        Sleep(50);
        seen = ScreenPixel(x, y);
    }
    return seen;
}

bool SetDisplayMode(int width, int height)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsExA(nullptr, &mode, nullptr, 0, nullptr) ==
           DISP_CHANGE_SUCCESSFUL;
}

static bool WriteValue(HKEY root, const std::string& keyPath, const std::string& name,
                       DWORD type, const BYTE* data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = RegSetValueExA(key, name.c_str(), 0, type, data, size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool WriteString(HKEY root, const std::string& keyPath, const std::string& name,
                 const std::string& value)
{
    return WriteValue(root, keyPath, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                      static_cast<DWORD>(value.size() + 1));
}

bool WriteDWord(HKEY root, const std::string& keyPath, const std::string& name, DWORD value)
{
    return WriteValue(root, keyPath, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                      sizeof value);
}

void DeleteTree(HKEY root, const std::string& keyPath)
{
    RegDeleteTreeA(root, keyPath.c_str());
    RegDeleteKeyA(root, keyPath.c_str());
}

bool IsWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string MakeTempDir(const std::string& stem)
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    // Always a folder no earlier test used: Wine gives a later process the id of an ended one,
    // and the prefix outlives a run, so a name of process id and count may already be taken,
    // with an earlier test's files (an agent's log, which is appended to) still in it.
    static int counter = 0;
    std::string dir;
    do {
        dir = std::string(base) + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++counter);
    } while (!CreateDirectoryA(dir.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    return dir + "\\";
}

void Keys(const std::string& keys)
{
    RunUnix("xdotool key --delay 300 " + keys, 30000);
}

void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

HWND ShowWindowInFront(const char* title)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "TileboxBenchFrontWindow";
    RegisterClassA(&wc);  // fails harmlessly when registered already
    HWND window = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                  100, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
    if (window != nullptr) {
        SetForegroundWindow(window);
        PumpFor(200);
    }
    return window;
}

}  // namespace bench
