#include "app/app_state.h"

#include "app/menu_window.h"

AppState* appState = nullptr;

const char menuWindowClassName[] = "MorvixFullScreenMenuDemoForVelnorWndClass";
const char menuWindowTitle[] = "Velnor Main Menu";

enum { IconLarge = 101, IconSmall = 102 };

void RegisterMenuClass(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    // No CS_DBLCLKS: a quick second click on a remote's OK key must arrive as a second press.
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MenuWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IconLarge));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
    wc.lpszClassName = menuWindowClassName;
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IconSmall));
    // A failed registration shows up as a failed CreateWindowExA.
    RegisterClassExA(&wc);
}

void CutToModuleDirectory(char* path)
{
    // Byte by byte, on purpose: the directory is only ever joined to a file name again, and a
    // trail byte of 0x5C inside a double-byte name still marks the same place it did in the path
    // that GetModuleFileNameA gave us.
    char* afterLastBackslash = path;
    for (char* p = path; *p != '\0'; ++p) {
        if (*p == '\\') {
            afterLastBackslash = p + 1;
        }
    }
    *afterLastBackslash = '\0';
}

static int DetectNtPlatform()
{
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
    return ok && info.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

static void ReadModuleDirectory(HINSTANCE instance, char* directory, DWORD capacity)
{
    DWORD length = GetModuleFileNameA(instance, directory, capacity);
    // A failed call, or a path cut short at the capacity, leaves no usable directory: the empty
    // string makes the skin look for its files in no directory at all rather than in a wrong one.
    if (length == 0 || length >= capacity) {
        directory[0] = '\0';
        return;
    }
    CutToModuleDirectory(directory);
}

int CreateMenuWindow(HINSTANCE instance)
{
    AppState* state = static_cast<AppState*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY,
                                                       sizeof(AppState)));
    if (state == nullptr) {
        appState = nullptr;
        return 0;
    }
    state->instance = instance;
    state->mainWindow = nullptr;
    state->isNtPlatform = DetectNtPlatform();
    ReadModuleDirectory(instance, state->moduleDirectory, sizeof state->moduleDirectory);
    appState = state;

    PrepareMenu();
    // A menu that came up during the wait (another start at about the same moment) is the one
    // that serves; this start ends with 0, as a start that found it at once does.
    if (FindWindowA(menuWindowClassName, nullptr) != nullptr) {
        return 0;
    }
    HWND window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_TOPMOST, menuWindowClassName,
                                  menuWindowTitle, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    return window != nullptr ? 1 : 0;
}
