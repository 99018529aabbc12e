#include "tests/launch/launch_fixture.h"

#include "tests/bench/bench.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace launch {

const char kRecorderClass[] = "TileboxRecorderWndClass";

static RecorderCopy recorderCopy;

// Every test program makes its own copy; the folder goes with the program.
static void RemoveRecorderCopy()
{
    EndRecorders();
    DeleteFileA(recorderCopy.log.c_str());
    DeleteFileA(recorderCopy.exe.c_str());
    RemoveDirectoryA(recorderCopy.dir.c_str());
}

const RecorderCopy& Recorder()
{
    if (recorderCopy.exe.empty()) {
        recorderCopy.dir = bench::MakeTempDir("tilebox launch");
        recorderCopy.exe = recorderCopy.dir + "recorder.exe";
        recorderCopy.log = recorderCopy.dir + "recorder.log";
        CopyFileA((bench::BinDir() + "recorder.exe").c_str(), recorderCopy.exe.c_str(), FALSE);
        std::atexit(RemoveRecorderCopy);
    }
    return recorderCopy;
}

std::vector<std::string> ReadLog()
{
    std::vector<std::string> lines;
    FILE* file = std::fopen(Recorder().log.c_str(), "rb");
    if (file == nullptr) {
        return lines;
    }
    std::string line;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    std::fclose(file);
    return lines;
}

void ClearLog()
{
    DeleteFileA(Recorder().log.c_str());
}

std::vector<std::string> WaitForLog(size_t count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    std::vector<std::string> lines = ReadLog();
    while (lines.size() < count && GetTickCount() - start < timeoutMs) {
        Sleep(50);
        lines = ReadLog();
    }
    return lines;
}

std::vector<HWND> RecorderWindows()
{
    std::vector<HWND> visible;
    for (HWND window : bench::TopLevelWindowsOfClass(kRecorderClass)) {
        if (IsWindowVisible(window)) {
            visible.push_back(window);
        }
    }
    return visible;
}

std::vector<HWND> WaitForRecorderWindows(size_t count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    std::vector<HWND> windows = RecorderWindows();
    while (windows.size() < count && GetTickCount() - start < timeoutMs) {
        Sleep(50);
        windows = RecorderWindows();
    }
    return windows;
}

void EndRecorders()
{
    for (HWND window : bench::TopLevelWindowsOfClass(kRecorderClass)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (process == nullptr) {
            continue;
        }
        TerminateProcess(process, 255);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    // The X side may show a destroyed window a moment longer; wait until the list is empty.
    for (int i = 0; i < 100 && !bench::TopLevelWindowsOfClass(kRecorderClass).empty(); ++i) {
        Sleep(50);
    }
}

Registrations::~Registrations()
{
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        bench::DeleteTree(key->root, key->path);
    }
}

bool Registrations::Set(HKEY root, const std::string& keyPath, const std::string& name,
                        const std::string& value, DWORD type)
{
    Own(root, keyPath);
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = RegSetValueExA(key, name.c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

void Registrations::Own(HKEY root, const std::string& keyPath)
{
    keys.push_back({root, keyPath});
}

HiddenValue::HiddenValue(HKEY root, const std::string& keyPath, const std::string& name,
                         const char* replacement)
    : root(root), keyPath(keyPath), name(name)
{
    HKEY key = nullptr;
    const REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE;
    LONG opened = replacement != nullptr ? RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0,
                                                           access, nullptr, &key, nullptr)
                                         : RegOpenKeyExA(root, keyPath.c_str(), 0, access, &key);
    if (opened != ERROR_SUCCESS) {
        return;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        saved = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size) ==
                    ERROR_SUCCESS &&
                RegDeleteValueA(key, name.c_str()) == ERROR_SUCCESS;
    }
    if (replacement != nullptr) {
        replaced =
            RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(replacement),
                           static_cast<DWORD>(lstrlenA(replacement) + 1)) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
}

HiddenValue::~HiddenValue()
{
    if (!saved && !replaced) {
        return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        if (saved) {
            RegSetValueExA(key, name.c_str(), 0, type, data.data(),
                           static_cast<DWORD>(data.size()));
        } else {
            RegDeleteValueA(key, name.c_str());
        }
        RegCloseKey(key);
    }
}

InterceptionPair::InterceptionPair()
{
    SetEnvironmentVariableA("TILEBOX_RECORDER_LOG", Recorder().log.c_str());
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(webFolder.c_str(), nullptr);
    ready = CopyFileA(Recorder().exe.c_str(), browser.c_str(), FALSE) &&
            CopyFileA(Recorder().exe.c_str(), decoy.c_str(), FALSE) &&
            CopyFileA(Recorder().exe.c_str(), webBrowser.c_str(), FALSE);
}

InterceptionPair::~InterceptionPair()
{
    EndRecorders();
    DeleteFileA(browser.c_str());
    DeleteFileA(decoy.c_str());
    DeleteFileA(webBrowser.c_str());
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA(webFolder.c_str());
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace launch
