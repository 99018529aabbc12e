// Stands in for a browser, mail program or player in the launch tests: appends its whole
// command line to a log, one line per start, then shows a window of its own class until it is
// closed, and leaves by itself after a minute so that it never lingers.
//
// The log is the file that TILEBOX_RECORDER_LOG names, else recorder.log beside the program.
//
// "/hang" anywhere in the command line: the window is minimised and the program then stops
// answering messages for its lifetime, as a hung player does. "/tool": the window is a tool
// window, which no program shows as its main window.
#include <windows.h>

#include <cstring>

static const char kClassName[] = "TileboxRecorderWndClass";
static const UINT kLifetimeMs = 60000;
static const UINT_PTR kLifetimeTimer = 1;

static int LogPath(char* path, DWORD pathSize)
{
    DWORD length = GetEnvironmentVariableA("TILEBOX_RECORDER_LOG", path, pathSize);
    if (length > 0 && length < pathSize) {
        return 1;
    }
    length = GetModuleFileNameA(nullptr, path, pathSize);
    if (length == 0 || length >= pathSize) {
        return 0;
    }
    char* slash = path;
    for (char* p = path; *p != '\0'; ++p) {
        if (*p == '\\') {
            slash = p + 1;
        }
    }
    *slash = '\0';
    if (lstrlenA(path) + 13 >= static_cast<int>(pathSize)) {
        return 0;
    }
    lstrcatA(path, "recorder.log");
    return 1;
}

static void AppendCommandLine()
{
    char path[MAX_PATH];
    if (!LogPath(path, MAX_PATH)) {
        return;
    }
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    const char* line = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

static LRESULT CALLBACK RecorderWindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    AppendCommandLine();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecorderWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) {
        return 3;
    }
    const char* commandLine = GetCommandLineA();
    const DWORD exStyle = std::strstr(commandLine, "/tool") != nullptr ? WS_EX_TOOLWINDOW : 0;
    HWND window = CreateWindowExA(exStyle, kClassName, "Recorder", WS_OVERLAPPEDWINDOW, 100, 100,
                                  320, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 4;
    }
    // A hidden start would leave nothing to find; the tests look for a visible window.
    ShowWindow(window, showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
    if (std::strstr(commandLine, "/hang") != nullptr) {
        ShowWindow(window, SW_MINIMIZE);
        Sleep(kLifetimeMs);
        return 0;
    }
    SetTimer(window, kLifetimeTimer, kLifetimeMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
