// Shared set-up of the launch utility tests: a copy of the recorder in a folder whose name has
// a blank, its log, registrations that are removed again, and the processes the utilities
// start, which are ended by their ids.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace launch {

extern const char kRecorderClass[];

// The folder ("...\tilebox launch-<pid>-<n>\") and the recorder copied into it.
struct RecorderCopy {
    std::string dir;
    std::string exe;
    std::string log;
};
const RecorderCopy& Recorder();

// The recorder's log, one command line per line; empty when it does not exist.
std::vector<std::string> ReadLog();
void ClearLog();
// Waits until the log holds at least count lines; returns what it holds then.
std::vector<std::string> WaitForLog(size_t count, DWORD timeoutMs);

// Visible recorder windows, and a wait for at least count of them.
std::vector<HWND> RecorderWindows();
std::vector<HWND> WaitForRecorderWindows(size_t count, DWORD timeoutMs);
// Ends every process that shows a recorder window, by its id, and waits for it to go.
void EndRecorders();

// Registry keys made by a test, deleted when it goes (in reverse order).
class Registrations {
public:
    Registrations() = default;
    ~Registrations();
    Registrations(const Registrations&) = delete;
    Registrations& operator=(const Registrations&) = delete;

    // Sets a text value (an empty name: the default value); the key is removed at the end.
    bool Set(HKEY root, const std::string& keyPath, const std::string& name,
             const std::string& value, DWORD type = REG_SZ);
    // Marks a key for removal without writing to it.
    void Own(HKEY root, const std::string& keyPath);

private:
    struct Key {
        HKEY root;
        std::string path;
    };
    std::vector<Key> keys;
};

// Takes a value away for the life of the object and puts it back afterwards, so that a test
// can see what happens when the system's own registration is missing. With a replacement, that
// text (REG_SZ) stands in its place meanwhile: the way to change a registration of the system's
// own, such as the http handler the shell reports.
class HiddenValue {
  public:
    HiddenValue(HKEY root, const std::string& keyPath, const std::string& name,
                const char* replacement = nullptr);
    ~HiddenValue();
    HiddenValue(const HiddenValue&) = delete;
    HiddenValue& operator=(const HiddenValue&) = delete;

private:
    HKEY root;
    std::string keyPath;
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool saved = false;
    bool replaced = false;
};

// The recorder copied to "C:\My Browser\browser.exe" and to "C:\My.exe": a program in a
// folder whose name has a blank, and a file at the root of the drive that any user may create,
// named by the text before that blank. A third copy, "C:\Web\browser.exe", is reached through
// that folder and "..", as an installer may register it. All log into the recorder's log; all go
// at the end.
struct InterceptionPair {
    InterceptionPair();
    ~InterceptionPair();
    InterceptionPair(const InterceptionPair&) = delete;
    InterceptionPair& operator=(const InterceptionPair&) = delete;

    const std::string folder = "C:\\My Browser\\";
    const std::string browser = folder + "browser.exe";
    const std::string decoy = "C:\\My.exe";
    const std::string webFolder = "C:\\Web\\";
    const std::string webBrowser = webFolder + "browser.exe";
    const std::string viaParent = folder + "..\\Web\\browser.exe";
    bool ready = false;
};

std::string Quoted(const std::string& text);
std::string Lower(std::string text);

}  // namespace launch
