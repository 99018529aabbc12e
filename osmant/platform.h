// The system calls of Osmant.dll whose effects a test under Wine cannot see: the consent prompt
// of a program that needs elevation, the show state handed to a new process, the shell's answer
// for a packaged default program, and the calls that bring another program's window forward.
// The library makes them through this one table, so that the seam tests can put recording fakes
// in their place; the DLL never changes it.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

struct OsmantPlatform {
    BOOL(WINAPI* createProcess)
    (LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
     LPSTARTUPINFOA, LPPROCESS_INFORMATION);
    BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOA*);
    HRESULT(WINAPI* assocQueryString)(ASSOCF, ASSOCSTR, LPCSTR, LPCSTR, LPSTR, DWORD*);
    BOOL(WINAPI* isIconic)(HWND);
    BOOL(WINAPI* showWindowAsync)(HWND, int);
    BOOL(WINAPI* setWindowPos)(HWND, HWND, int, int, int, int, UINT);
    BOOL(WINAPI* setForegroundWindow)(HWND);
    HWND(WINAPI* getForegroundWindow)();
};

extern OsmantPlatform osmantPlatform;

// COM for the calling thread, from ole32 loaded at the first call; E_NOTIMPL when it cannot be
// had. Not part of the table: no test needs to see these calls.
HRESULT LateCoInitializeEx(DWORD model);
void LateCoUninitialize();

// The shell's answers this library asks for that the build's target headers (Windows 7) do not
// name; later systems know them, earlier ones refuse them and the registry look-ups serve.
const ASSOCF kAssocIsProtocol = 0x00001000;
const ASSOCSTR kAssocAppId = static_cast<ASSOCSTR>(21);
