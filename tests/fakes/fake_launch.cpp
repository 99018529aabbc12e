// The fake launch utilities: answer from fake::World() and log every call.
#include "outside/osmant.h"
#include "outside/tarvik.h"
#include "tests/fakes/fake_outside.h"

#include <cstdio>
#include <cstring>

namespace {

std::string Text(const char* text)
{
    return text != nullptr ? text : "(null)";
}

std::string Handle(HWND window)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", static_cast<void*>(window));
    return text;
}

void Log(const std::string& line)
{
    fake::Calls().push_back(line);
}

// Writes as the real utilities do: at most capacity - 1 characters and the terminator.
int FillBuffer(const std::string& text, char* buffer, int capacity)
{
    if (buffer == nullptr || capacity < 1) {
        return 0;
    }
    buffer[0] = '\0';
    if (text.empty() || static_cast<int>(text.size()) >= capacity) {
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

std::string Lookup(const std::map<std::string, std::string>& table, const char* key)
{
    auto found = table.find(Text(key));
    return found != table.end() ? found->second : std::string();
}

}  // namespace

extern "C" int Osmant_SetWindowToForeground(HWND window)
{
    Log("Osmant_SetWindowToForeground(" + Handle(window) + ")");
    return 1;
}

extern "C" int Osmant_GetSystemDefaultBrowserFileName(char* fileName)
{
    Log("Osmant_GetSystemDefaultBrowserFileName()");
    int filled = FillBuffer(fake::World().browser, fileName, 256);
    return filled ? fake::World().browserResult : 0;
}

extern "C" int Osmant_GetSystemDefaultMailFileName(char* fileName)
{
    Log("Osmant_GetSystemDefaultMailFileName()");
    return FillBuffer(fake::World().mail, fileName, 256);
}

extern "C" int Osmant_GetSystemDefaultPlayerFileName(const char* verbPath, char* commandLine)
{
    Log("Osmant_GetSystemDefaultPlayerFileName(" + Text(verbPath) + ")");
    return FillBuffer(Lookup(fake::World().verbPaths, verbPath), commandLine, 256);
}

extern "C" int Osmant_GetDefaultPlayerFileNameByExtName(const char* extName, char* commandLine,
                                                        int commandLineSize)
{
    Log("Osmant_GetDefaultPlayerFileNameByExtName(" + Text(extName) + ", " +
        std::to_string(commandLineSize) + ")");
    return FillBuffer(Lookup(fake::World().extensions, extName), commandLine, commandLineSize);
}

extern "C" int Osmant_ExecuteCommand(HWND owner, const char* commandLine, int showCommand,
                                     int flags)
{
    Log("Osmant_ExecuteCommand(" + Handle(owner) + ", " + Text(commandLine) + ", " +
        std::to_string(showCommand) + ", " + std::to_string(flags) + ")");
    return fake::World().executeResult;
}

extern "C" int Osmant_IssueWindowsAPPCommand(int command, int device, int keys, int target,
                                             int reserved)
{
    Log("Osmant_IssueWindowsAPPCommand(" + std::to_string(command) + ", " +
        std::to_string(device) + ", " + std::to_string(keys) + ", " + std::to_string(target) +
        ", " + std::to_string(reserved) + ")");
    return 1;
}

extern "C" HWND TARVIK_GetWindowHandleFromExecutableFile(const char* executableOrCommandLine)
{
    Log("TARVIK_GetWindowHandleFromExecutableFile(" + Text(executableOrCommandLine) + ")");
    auto& running = fake::World().runningWindows;
    auto found = running.find(Text(executableOrCommandLine));
    return found != running.end() ? found->second : nullptr;
}
