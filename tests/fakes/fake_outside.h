// Recording fakes of the profile store and the launch utilities, linked into the unit tests in
// place of Kivrel.dll, Osmant.dll and Tarvik.dll. Every call is appended to a log as one line,
// "Name(arg, arg, ...)", so that tests can compare the exact order of calls.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace fake {

// The call log, in order.
std::vector<std::string>& Calls();
// Only the calls whose name begins with prefix ("Kivrel_GetProfileStringEx", "Osmant_").
std::vector<std::string> CallsStartingWith(const std::string& prefix);

// The settings tree the fake profile store serves. Key paths as the menu passes them
// ("Panel", "Buttons\\Internet"); sub-keys enumerate in the order they were added.
struct Settings {
    std::map<std::string, std::map<std::string, std::string>> strings;
    std::map<std::string, std::map<std::string, DWORD>> dwords;
    std::map<std::string, std::vector<std::string>> subKeys;
};
Settings& CurrentSettings();

void SetString(const std::string& keyPath, const std::string& valueName, const std::string& data);
void SetDWord(const std::string& keyPath, const std::string& valueName, DWORD data);
void AddSubKey(const std::string& keyPath, const std::string& name);

// What the fake launch utilities answer.
struct LaunchWorld {
    std::string browser;        // Osmant_GetSystemDefaultBrowserFileName
    int browserResult = 1;
    std::string mail;           // Osmant_GetSystemDefaultMailFileName
    std::map<std::string, std::string> verbPaths;   // Osmant_GetSystemDefaultPlayerFileName
    std::map<std::string, std::string> extensions;  // Osmant_GetDefaultPlayerFileNameByExtName
    int executeResult = 1;      // Osmant_ExecuteCommand
    std::map<std::string, HWND> runningWindows;     // TARVIK_GetWindowHandleFromExecutableFile
};
LaunchWorld& World();

// Clears the log, the settings and the launch world.
void Reset();

}  // namespace fake
