// The elevated part of a machine-wide skin (the rules are in the header).
#include "tileskin/elevation.h"

#include "tileskin/tileskin.h"

#include <shellapi.h>

#include <sstream>

namespace {

bool IsElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation,
                                              &size) &&
                          elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

// The console of the elevated copy is hidden: its messages come back through the file.
bool RunElevated(const std::wstring& program, const std::wstring& parameters, DWORD* exitCode,
                 DWORD* error)
{
    SHELLEXECUTEINFOW run = {};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = L"runas";
    run.lpFile = program.c_str();
    run.lpParameters = parameters.c_str();
    run.nShow = SW_HIDE;
    if (!ShellExecuteExW(&run) || run.hProcess == nullptr) {
        *error = GetLastError();
        return false;
    }
    // The person may take their time at the consent prompt and the drawing takes seconds: no
    // bound here, as for any program one waits for.
    WaitForSingleObject(run.hProcess, INFINITE);
    GetExitCodeProcess(run.hProcess, exitCode);
    CloseHandle(run.hProcess);
    return true;
}

// One argument as CommandLineToArgvW reads it back: quoted, with backslashes before a quotation
// mark doubled.
std::wstring Quoted(const std::wstring& argument)
{
    std::wstring text = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
        } else {
            text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
        }
        if (c != L'\\') {
            text.push_back(c);
        }
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

std::wstring MessagesFile()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    return std::wstring(folder, length > MAX_PATH ? 0 : length) + L"tileskin-" +
           std::to_wstring(GetCurrentProcessId()) + L".txt";
}

}  // namespace

ElevationPlatform elevationPlatform = {IsElevated, RunElevated};

const wchar_t elevatedPartOption[] = L"--elevated-part";

bool NeedsElevatedPart(bool machine, bool toRegistry, bool isElevatedPart)
{
    return machine && toRegistry && !isElevatedPart && !elevationPlatform.isElevated();
}

int RunElevatedPart(const std::wstring& program, const std::vector<std::wstring>& arguments,
                    void (*say)(const std::wstring& text))
{
    const std::wstring messages = MessagesFile();
    DeleteFileW(messages.c_str());
    std::wstring parameters = L"--no-restart " + std::wstring(elevatedPartOption) + L" " +
                              Quoted(messages);
    for (const std::wstring& argument : arguments) {
        if (lstrcmpiW(argument.c_str(), L"--no-restart") != 0) {
            parameters += L" " + Quoted(argument);
        }
    }
    DWORD exitCode = ExitBadInput;
    DWORD error = 0;
    if (!elevationPlatform.runElevated(program, parameters, &exitCode, &error)) {
        say(error == ERROR_CANCELLED
                ? L"Windows did not get an administrator's consent, so the skin for every user "
                  L"was not made; nothing was changed."
                : L"Windows could not start tileskin as administrator (error " +
                      std::to_wstring(error) + L"); nothing was changed.");
        return ExitNoRights;
    }
    // Written by the elevated part as UTF-8, one message a line.
    HANDLE file = CreateFileW(messages.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        std::string bytes(64 * 1024, '\0');
        DWORD read = 0;
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        bytes.resize(read);
        std::istringstream lines(bytes);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!line.empty()) {
                say(WideOfUtf8(line));
            }
        }
    }
    DeleteFileW(messages.c_str());
    return static_cast<int>(exitCode);
}
