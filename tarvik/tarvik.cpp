// Finding the window of a running program. The matching rules are in outside/tarvik.h.
#include "outside/tarvik.h"
#include "osmant/command_line.h"
#include "osmant/late_load.h"
#include "tarvik/platform.h"

#include <dwmapi.h>
#include <tlhelp32.h>

// dwmapi is loaded the first time a window search asks, not with the menu (osmant/late_load.h).
static HRESULT WINAPI LateGetWindowAttribute(HWND window, DWORD attribute, PVOID value,
                                             DWORD size)
{
    static const auto real = reinterpret_cast<HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD)>(
        LateSystemFunction("dwmapi.dll", "DwmGetWindowAttribute"));
    return real != nullptr ? real(window, attribute, value, size) : E_NOTIMPL;
}

TarvikPlatform tarvikPlatform = {LateGetWindowAttribute};

namespace {

// What the caller's text names: a whole path, or only a file name.
struct ProgramQuery {
    char name[MAX_PATH];   // a full path, or a bare file name
    char altName[MAX_PATH];  // a bare name without an extension, with ".exe": or empty
    int byPath;
};

struct WindowSearch {
    const ProgramQuery* query;
    HWND found;
    HWND shellWindow;
    DWORD lastPid;
    int lastMatched;
    HANDLE snapshot;
};

// The limited right is granted for other users' and elevated processes too.
int ImagePathOfProcess(DWORD pid, char* path, DWORD pathSize)
{
    path[0] = '\0';
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) {
        return 0;
    }
    DWORD size = pathSize;
    int ok = QueryFullProcessImageNameA(process, 0, path, &size) != FALSE && size > 0 &&
             size < pathSize;
    CloseHandle(process);
    if (!ok) {
        path[0] = '\0';
    }
    return ok;
}

// The process list gives a file name only; it serves when a process will not tell its path.
int ImageNameFromSnapshot(WindowSearch* search, DWORD pid, char* name, int nameSize)
{
    name[0] = '\0';
    if (search->snapshot == nullptr) {
        search->snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    }
    if (search->snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(search->snapshot, &entry); more;
         more = Process32Next(search->snapshot, &entry)) {
        if (entry.th32ProcessID == pid) {
            return CopyWhole(name, nameSize, FileNamePart(entry.szExeFile));
        }
    }
    return 0;
}

int NameMatches(const ProgramQuery* query, const char* fileName)
{
    return lstrcmpiA(fileName, query->name) == 0 ||
           (query->altName[0] != '\0' && lstrcmpiA(fileName, query->altName) == 0);
}

int ProcessMatches(WindowSearch* search, DWORD pid)
{
    char image[MAX_PATH];
    if (ImagePathOfProcess(pid, image, sizeof image)) {
        return search->query->byPath ? lstrcmpiA(image, search->query->name) == 0
                                     : NameMatches(search->query, FileNamePart(image));
    }
    // A bare file name is all the fallback can confirm.
    return !search->query->byPath && ImageNameFromSnapshot(search, pid, image, sizeof image) &&
           NameMatches(search->query, image);
}

// The desktop and the taskbars belong to the shell's own process (explorer.exe); a text that
// names that program must start it, which opens a folder window, not find the desktop.
int IsShellWindow(const WindowSearch* search, HWND window)
{
    if (window == search->shellWindow) {
        return 1;
    }
    char className[64];
    if (GetClassNameA(window, className, sizeof className) == 0) {
        return 0;
    }
    return lstrcmpA(className, "Shell_TrayWnd") == 0 ||
           lstrcmpA(className, "Shell_SecondaryTrayWnd") == 0 ||
           lstrcmpA(className, "Progman") == 0 || lstrcmpA(className, "WorkerW") == 0;
}

// A cloaked window is visible by its style but not on the screen: a suspended app's frame, a
// window on another virtual desktop. Systems without cloaking refuse the question.
int IsCloaked(HWND window)
{
    DWORD cloaked = 0;
    return SUCCEEDED(tarvikPlatform.getWindowAttribute(window, DWMWA_CLOAKED, &cloaked,
                                                       sizeof cloaked)) &&
           cloaked != 0;
}

// Windows the user can see and switch to: visible, unowned (dialogs and palettes are owned),
// not tool windows, not cloaked, not the shell's own.
int IsMainWindow(const WindowSearch* search, HWND window)
{
    if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr) {
        return 0;
    }
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    if ((exStyle & WS_EX_TOOLWINDOW) != 0 && (exStyle & WS_EX_APPWINDOW) == 0) {
        return 0;
    }
    return !IsShellWindow(search, window) && !IsCloaked(window);
}

// EnumWindows goes from the top of the z-order, so the first match is the one the user saw last.
BOOL CALLBACK VisitWindow(HWND window, LPARAM lParam)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(lParam);
    if (!IsMainWindow(search, window)) {
        return TRUE;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == 0) {
        return TRUE;
    }
    if (pid != search->lastPid) {
        search->lastPid = pid;
        search->lastMatched = ProcessMatches(search, pid);
    }
    if (!search->lastMatched) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// The shell's explorer.exe told which folder (or other place) to show. On Windows 10 and 11
// every folder window belongs to the shell's own explorer process, so a match by program would
// bring forward a window showing any other folder. Such a command counts as never running: it
// is started, and opens its folder.
int OpensAPlaceInTheShell(const CommandProgram& program)
{
    const char* name = FileNamePart(program.name);
    return program.arguments[0] != '\0' &&
           (lstrcmpiA(name, "explorer.exe") == 0 || lstrcmpiA(name, "explorer") == 0);
}

// A URL (a "shell:" target for a packaged app among them) names no program file to match.
// A path is compared whole, in the long form process images are reported in; a program that
// exists is compared by the path it was found at, so relative paths and a left-off ".exe" work.
int BuildQuery(const char* text, ProgramQuery* query)
{
    query->name[0] = '\0';
    query->altName[0] = '\0';
    query->byPath = 0;
    char expanded[4096];
    CommandProgram program;
    if (!ExpandWhole(expanded, sizeof expanded, text) || IsUrlText(SkipBlanks(expanded)) ||
        !FindCommandProgram(expanded, &program) || OpensAPlaceInTheShell(program)) {
        return 0;
    }
    if (!IsPathName(program.name)) {
        if (!CopyWhole(query->name, MAX_PATH, program.name)) {
            return 0;
        }
        if (ExtensionPart(program.name) == nullptr) {
            WithExe(query->altName, MAX_PATH, program.name);
        }
        return 1;
    }
    query->byPath = 1;
    const char* path = program.path[0] != '\0' ? program.path : program.name;
    DWORD length = GetLongPathNameA(path, query->name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return CopyWhole(query->name, MAX_PATH, path);
    }
    return 1;
}

}  // namespace

extern "C" HWND TARVIK_GetWindowHandleFromExecutableFile(const char* executableOrCommandLine)
{
    if (executableOrCommandLine == nullptr || executableOrCommandLine[0] == '\0') {
        return nullptr;
    }
    ProgramQuery query;
    if (!BuildQuery(executableOrCommandLine, &query)) {
        return nullptr;
    }
    WindowSearch search = {&query, nullptr, GetShellWindow(), 0, 0, nullptr};
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
    if (search.snapshot != nullptr && search.snapshot != INVALID_HANDLE_VALUE) {
        CloseHandle(search.snapshot);
    }
    return search.found;
}
