// The real system calls behind the table of osmant/platform.h. The shell's two are looked up the
// first time they are called (osmant/late_load.h).
#include "osmant/platform.h"

#include "osmant/late_load.h"

static BOOL WINAPI LateShellExecuteEx(SHELLEXECUTEINFOA* info)
{
    static const auto real = reinterpret_cast<BOOL(WINAPI*)(SHELLEXECUTEINFOA*)>(
        LateSystemFunction("shell32.dll", "ShellExecuteExA"));
    if (real == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return real(info);
}

static HRESULT WINAPI LateAssocQueryString(ASSOCF flags, ASSOCSTR what, LPCSTR association,
                                           LPCSTR extra, LPSTR out, DWORD* outSize)
{
    static const auto real =
        reinterpret_cast<HRESULT(WINAPI*)(ASSOCF, ASSOCSTR, LPCSTR, LPCSTR, LPSTR, DWORD*)>(
            LateSystemFunction("shlwapi.dll", "AssocQueryStringA"));
    if (real == nullptr) {
        return E_NOTIMPL;
    }
    return real(flags, what, association, extra, out, outSize);
}

OsmantPlatform osmantPlatform = {
    CreateProcessA,  LateShellExecuteEx, LateAssocQueryString, IsIconic,
    ShowWindowAsync, SetWindowPos,       SetForegroundWindow,  GetForegroundWindow,
};

HRESULT LateCoInitializeEx(DWORD model)
{
    static const auto real = reinterpret_cast<HRESULT(WINAPI*)(LPVOID, DWORD)>(
        LateSystemFunction("ole32.dll", "CoInitializeEx"));
    return real != nullptr ? real(nullptr, model) : E_NOTIMPL;
}

void LateCoUninitialize()
{
    static const auto real =
        reinterpret_cast<void(WINAPI*)()>(LateSystemFunction("ole32.dll", "CoUninitialize"));
    if (real != nullptr) {
        real();
    }
}
