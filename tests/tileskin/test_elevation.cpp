// A machine-wide skin's elevated part, at the seam: Wine has no consent prompt and no second
// token to tell apart, so fakes stand in for "is this process elevated" and "start this elevated"
// and record what the person's process asks for. What is shown: only an unelevated machine-wide
// run to the registry asks for elevation; the elevated part gets every argument of the person's
// and --no-restart, so it never starts the menu (the person's own process does, after it ends);
// its messages come back; refused consent ends with 2 and a plain message.
#include "tileskin/elevation.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <vector>

namespace {

bool elevated = false;
std::vector<std::wstring> started;  // program and parameters of each elevated start
DWORD startError = 0;               // nonzero: the start fails with it
DWORD partExit = 0;
std::string partMessages;           // what the fake elevated part writes, UTF-8

bool FakeIsElevated()
{
    return elevated;
}

bool FakeRunElevated(const std::wstring& program, const std::wstring& parameters, DWORD* exitCode,
                     DWORD* error)
{
    started.push_back(program + L" | " + parameters);
    if (startError != 0) {
        *error = startError;
        return false;
    }
    // The part writes its messages where its arguments say, as the real one does.
    int count = 0;
    wchar_t** argv = CommandLineToArgvW((L"tileskin.exe " + parameters).c_str(), &count);
    for (int i = 1; i + 1 < count; ++i) {
        if (lstrcmpW(argv[i], elevatedPartOption) == 0) {
            HANDLE file = CreateFileW(argv[i + 1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                      nullptr);
            DWORD written = 0;
            WriteFile(file, partMessages.data(), static_cast<DWORD>(partMessages.size()), &written,
                      nullptr);
            CloseHandle(file);
        }
    }
    LocalFree(argv);
    *exitCode = partExit;
    return true;
}

std::vector<std::wstring> said;

void Record(const std::wstring& text)
{
    said.push_back(text);
}

// The arguments the elevated part receives, read back as it reads them.
std::vector<std::wstring> ArgumentsOf(const std::wstring& startedLine)
{
    const std::wstring parameters = startedLine.substr(startedLine.find(L" | ") + 3);
    int count = 0;
    wchar_t** argv = CommandLineToArgvW((L"tileskin.exe " + parameters).c_str(), &count);
    std::vector<std::wstring> arguments(argv + 1, argv + count);
    LocalFree(argv);
    return arguments;
}

TEST(ElevatedPart, OnlyTheMachineWorkIsElevatedAndThePersonsProcessRestartsTheMenu)
{
    const ElevationPlatform real = elevationPlatform;
    elevationPlatform = {FakeIsElevated, FakeRunElevated};

    // Who asks: an unelevated machine-wide run to the registry, and nothing else.
    elevated = false;
    EXPECT_TRUE(NeedsElevatedPart(true, true, false));
    EXPECT_FALSE(NeedsElevatedPart(false, true, false)) << "a personal skin needs no administrator";
    EXPECT_FALSE(NeedsElevatedPart(true, false, false)) << "a .reg file is written by the person";
    EXPECT_FALSE(NeedsElevatedPart(true, true, true)) << "the elevated part never asks again";
    elevated = true;
    EXPECT_FALSE(NeedsElevatedPart(true, true, false)) << "already an administrator";

    // The part gets every argument (a Greek path and one with a quotation mark whole) and
    // --no-restart, so no elevated process starts the menu; its messages come back.
    started.clear();
    said.clear();
    startError = 0;
    partExit = 0;
    partMessages = "made the skin \"Living room\" in C:\\Program Files\\Velnor\\Tilebox\\skins\\"
                   "Living room; settings written\r\n";
    const std::vector<std::wstring> arguments = {L"--machine", L"C:\\\x0391\\t \"x\".ini"};
    EXPECT_EQ(0, RunElevatedPart(L"C:\\Tilebox\\tileskin.exe", arguments, Record));
    ASSERT_EQ(1u, started.size());
    EXPECT_EQ(0u, started[0].find(L"C:\\Tilebox\\tileskin.exe | "));
    const std::vector<std::wstring> got = ArgumentsOf(started[0]);
    ASSERT_EQ(5u, got.size());
    EXPECT_EQ(L"--no-restart", got[0]);
    EXPECT_EQ(elevatedPartOption, got[1]);
    EXPECT_EQ(L"--machine", got[3]);
    EXPECT_EQ(arguments[1], got[4]);
    ASSERT_EQ(1u, said.size());
    EXPECT_EQ(0u, said[0].find(L"made the skin \"Living room\""));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(got[2].c_str())) << "the file goes";

    // A person who asked for no restart: said once, not twice.
    started.clear();
    RunElevatedPart(L"t.exe", {L"--no-restart", L"--machine", L"a.ini"}, Record);
    EXPECT_EQ(5u, ArgumentsOf(started[0]).size());

    // The part's own failure is the run's; a refused consent is 2 with a plain message.
    partExit = 2;
    partMessages = "The machine-wide settings and the program's folder need an administrator\n";
    said.clear();
    EXPECT_EQ(2, RunElevatedPart(L"t.exe", arguments, Record));
    EXPECT_EQ(1u, said.size());
    startError = ERROR_CANCELLED;
    said.clear();
    EXPECT_EQ(2, RunElevatedPart(L"t.exe", arguments, Record));
    ASSERT_EQ(1u, said.size());
    EXPECT_NE(std::wstring::npos, said[0].find(L"did not get an administrator's consent"));
    EXPECT_NE(std::wstring::npos, said[0].find(L"nothing was changed"));

    elevationPlatform = real;
}

}  // namespace
