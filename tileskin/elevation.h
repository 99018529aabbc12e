// A machine-wide skin asks Windows for an administrator for its own work alone. Run unelevated,
// tileskin starts a copy of itself through the usual consent prompt ("runas") for the elevated
// part: that copy writes the program's folder and HKEY_LOCAL_MACHINE, nothing of any
// HKEY_CURRENT_USER, and never starts the menu; its messages come back through a file. The
// person's own, unelevated process then closes and starts a running menu again, so nothing the
// menu starts from the sofa runs elevated.
//
// Under Wine there is no consent prompt and no second token to tell apart: the platform calls
// below are a table, so the tests can put fakes in and see which process asks for what.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ElevationPlatform {
    // Whether this process runs with an administrator's full token.
    bool (*isElevated)();
    // Starts program with parameters through the consent prompt and waits for it. False with a
    // system error code (ERROR_CANCELLED: consent refused) when it did not start.
    bool (*runElevated)(const std::wstring& program, const std::wstring& parameters,
                        DWORD* exitCode, DWORD* error);
};

extern ElevationPlatform elevationPlatform;

// The hidden option that makes a run the elevated part; its value is the messages file.
extern const wchar_t elevatedPartOption[];

// Whether this run hands its work to an elevated part: a machine-wide skin written to the
// registry, by a process without an administrator's token that is not itself the elevated part.
bool NeedsElevatedPart(bool machine, bool toRegistry, bool isElevatedPart);

// Runs this program as the elevated part with the person's arguments (every one of them, and
// --no-restart, so the elevated part never starts the menu), relays its messages through say,
// and returns its exit code; 2 with a plain message when Windows did not start it.
int RunElevatedPart(const std::wstring& program, const std::vector<std::wstring>& arguments,
                    void (*say)(const std::wstring& text));
