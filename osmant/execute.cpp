// Starting a command line: programs directly, documents and URLs through the shell.
#include "outside/osmant.h"
#include "osmant/command_line.h"
#include "osmant/platform.h"

#include <objbase.h>

#include <cstdio>

namespace {

// CreateProcess's answer for a program whose manifest asks for administrator rights (740); the
// build's headers do not name it.
const DWORD kElevationRequired = 740;

// Room for an expanded command line; CreateProcess itself takes at most 32767 characters.
const int kCommandRoom = 4096;

// The shell hands its show command on to the process it starts as that process's STARTUPINFO,
// where SW_SHOWDEFAULT means nothing, so "no preference" is the ordinary show command there.
int ShellShowValue(int showCommand)
{
    return showCommand == 0 ? SW_SHOWNORMAL : showCommand;
}

int IsDirectlyRunnable(const char* path)
{
    const char* ext = ExtensionPart(path);
    return ext != nullptr && (lstrcmpiA(ext, ".exe") == 0 || lstrcmpiA(ext, ".com") == 0);
}

// The shell wants COM on the calling thread for some handlers; a thread that already has it
// (in any model) keeps it as it is.
int ShellOpen(HWND owner, const char* file, const char* parameters, int showCommand)
{
    HRESULT com = LateCoInitializeEx(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // The program that finally shows a window may be one the shell asks to open the item (a
    // browser already running), not a process we get a handle of.
    AllowSetForegroundWindow(ASFW_ANY);
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    // No error boxes: a failed start is silent. NOASYNC: the call may hand the request to
    // another thread, which must finish before we return and the caller moves on.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = owner;
    info.lpFile = file;
    info.lpParameters = parameters != nullptr && parameters[0] != '\0' ? parameters : nullptr;
    info.nShow = ShellShowValue(showCommand);
    int started = osmantPlatform.shellExecuteEx(&info) != FALSE;
    if (info.hProcess != nullptr) {
        CloseHandle(info.hProcess);
    }
    if (SUCCEEDED(com)) {
        LateCoUninitialize();
    }
    return started;
}

// The program is handed over by its full path, and the child sees a well-formed command line
// with that path quoted, whatever blanks or quoting the caller's text had.
// A show command of 0 leaves STARTF_USESHOWWINDOW off, so the program shows its first window as
// it would when started from the desktop; SW_SHOWDEFAULT in STARTUPINFO is not a valid pairing.
// A program whose manifest asks for administrator rights cannot be created by a process that
// lacks them; the shell starts it after the consent prompt instead.
int StartProgram(HWND owner, const CommandProgram& program, int showCommand)
{
    char line[kCommandRoom];
    int length =
        program.arguments[0] != '\0'
            ? std::snprintf(line, sizeof line, "\"%s\" %s", program.path, program.arguments)
            : std::snprintf(line, sizeof line, "\"%s\"", program.path);
    if (length < 0 || length >= static_cast<int>(sizeof line)) {
        return 0;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (showCommand != 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    PROCESS_INFORMATION info = {};
    if (!osmantPlatform.createProcess(program.path, line, nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &info)) {
        return GetLastError() == kElevationRequired
                   ? ShellOpen(owner, program.path, program.arguments, showCommand)
                   : 0;
    }
    // We are the foreground process when the user pressed a button; hand that right on so the
    // new program's first window comes to the front rather than flashing in the taskbar.
    AllowSetForegroundWindow(info.dwProcessId);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return 1;
}

} // namespace

extern "C" int Osmant_ExecuteCommand(HWND owner, const char* commandLine, int showCommand,
                                     int flags)
{
    if (commandLine == nullptr || flags != 0 || showCommand < 0 || showCommand > SW_MAX) {
        return 0;
    }
    char expanded[kCommandRoom];
    if (!ExpandWhole(expanded, sizeof expanded, commandLine)) {
        return 0;
    }
    const char* text = SkipBlanks(expanded);
    if (*text == '\0') {
        return 0;
    }
    if (IsUrlText(text)) {
        return ShellOpen(owner, text, nullptr, showCommand);
    }
    CommandProgram program;
    if (!FindCommandProgram(text, &program)) {
        return 0;
    }
    if (program.path[0] != '\0' && IsDirectlyRunnable(program.path)) {
        return StartProgram(owner, program, showCommand);
    }
    // A missing program is no program: the shell, handed its path, might start a shorter one.
    if (program.path[0] == '\0' && !ShellMayOpenUnfound(program)) {
        return 0;
    }
    // A document, a folder, a script, or a name only the shell knows (App Paths): the shell
    // finds what opens it and fails for a name that stands for nothing.
    return ShellOpen(owner, program.path[0] != '\0' ? program.path : program.name,
                     program.arguments, showCommand);
}
