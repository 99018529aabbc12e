// Plays the remote-control agent for end-to-end tests: registers the agent's window class and
// appends every application message it receives to a log file, one line each:
// "message wParam lParam", in decimal.
//
//   fake_agent.exe LOGFILE [--delay-ms N] [--no-pump]
//
// --delay-ms: wait N ms before the window exists (an agent that starts late).
// --no-pump: create the window but never read messages (an agent that hangs).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static char logPath[MAX_PATH];

static void AppendToLog(UINT message, WPARAM wParam, LPARAM lParam)
{
    HANDLE file = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    char line[96];
    int length = std::snprintf(line, sizeof line, "%u %llu %lld\n", message,
                               static_cast<unsigned long long>(wParam),
                               static_cast<long long>(lParam));
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

static LRESULT CALLBACK AgentWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER && message < 0xC000) {
        AppendToLog(message, wParam, lParam);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc < 2) {
        return 2;
    }
    lstrcpynA(logPath, __argv[1], MAX_PATH);
    int delayMs = 0;
    bool pump = true;
    for (int i = 2; i < __argc; ++i) {
        if (std::strcmp(__argv[i], "--delay-ms") == 0 && i + 1 < __argc) {
            delayMs = std::atoi(__argv[++i]);
        } else if (std::strcmp(__argv[i], "--no-pump") == 0) {
            pump = false;
        }
    }
    Sleep(delayMs);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = AgentWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "MorvixRemoteCtrl4VelnorWndClass";
    if (!RegisterClassA(&wc)) {
        return 3;
    }
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Remote agent (test)", WS_POPUP, 0, 0, 1,
                                  1, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 4;
    }
    if (!pump) {
        Sleep(INFINITE);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
    return 0;
}
