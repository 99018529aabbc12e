// End-to-end support: start and end real processes, wait for windows, real X input through
// xdotool, screen pixels, display modes and settings in the prefix's registry.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// The folder of the running test program, with a trailing backslash: tilebox.exe, the DLLs and
// the helper programs stand there too.
std::string BinDir();

// A process started by a test, ended by its id when the object goes.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Start(const std::string& commandLine);
    // The exit code, or STILL_ACTIVE when it has not ended within timeoutMs.
    DWORD WaitExit(DWORD timeoutMs);
    bool IsRunning() const;
    DWORD Id() const { return info.dwProcessId; }
    void Kill();

private:
    PROCESS_INFORMATION info = {};
    bool started = false;
};

// Starts tilebox.exe (or another program of BinDir) with the given tail.
bool StartInBin(Process& process, const std::string& program, const std::string& tail);

// The first visible top-level window of the class (of the given process when pid is nonzero) to
// appear within timeoutMs, or null. TopLevelWindowsOfClass counts hidden ones too.
HWND WaitForWindow(const char* className, DWORD timeoutMs, DWORD pid = 0);
// The same for a window that is never shown, such as the agent's.
HWND WaitForHiddenWindow(const char* className, DWORD timeoutMs);
std::vector<HWND> TopLevelWindowsOfClass(const char* className);

// Runs a Unix command line (the program is looked up on the Unix PATH) and waits for it.
int RunUnix(const std::string& commandLine, DWORD timeoutMs = 10000);
void MouseMove(int x, int y);
void MouseDown(int x, int y);
void MouseUp(int x, int y);
void Click(int x, int y);

// Screen pixel at (x, y), 0x00BBGGRR, through the screen's device context.
COLORREF ScreenPixel(int x, int y);
// Waits up to timeoutMs for the screen pixel to become colour; returns the last value read.
COLORREF WaitForScreenPixel(int x, int y, COLORREF colour, DWORD timeoutMs);

// Switches the display; true when the system reports success.
bool SetDisplayMode(int width, int height);

// Settings in the prefix's registry.
bool WriteString(HKEY root, const std::string& keyPath, const std::string& name,
                 const std::string& value);
bool WriteDWord(HKEY root, const std::string& keyPath, const std::string& name, DWORD value);
void DeleteTree(HKEY root, const std::string& keyPath);

// True when the tests run under Wine rather than Windows.
bool IsWine();

// A fresh, empty directory under the system's temporary folder, with a trailing backslash.
std::string MakeTempDir(const std::string& stem);

// Real key presses through xdotool, as its key names ("Right Right Down", "KP_Enter",
// "alt+F4"), 300 ms apart, to the window that has the keyboard focus.
void Keys(const std::string& keys);

// Reads this thread's messages for a while, so that its windows answer activation.
void PumpFor(DWORD milliseconds);
// A visible window of this process, brought to the front; DestroyWindow it when done.
HWND ShowWindowInFront(const char* title);

}  // namespace bench
