#include "app/late_oleacc.h"

#include <cstdio>

// The library is loaded by its full path in the system folder, so that a file of the same name
// beside the program or in the current folder is never taken for it.
// The function comes back untyped: each caller casts it to its own type.
static void* SystemFunction(const char* library, const char* function)
{
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const int written = snprintf(path + length, MAX_PATH - length, "\\%s", library);
    if (written <= 0 || written >= static_cast<int>(MAX_PATH - length)) {
        return nullptr;
    }
    HMODULE module = LoadLibraryA(path);
    return module != nullptr ? reinterpret_cast<void*>(GetProcAddress(module, function)) : nullptr;
}

HRESULT LateCoInitializeEx(DWORD model)
{
    static const auto real = reinterpret_cast<HRESULT(WINAPI*)(void*, DWORD)>(
        SystemFunction("ole32.dll", "CoInitializeEx"));
    return real != nullptr ? real(nullptr, model) : E_NOTIMPL;
}

LRESULT LateLresultFromObject(REFIID iid, WPARAM wParam, void* object)
{
    static const auto real = reinterpret_cast<LRESULT(WINAPI*)(REFIID, WPARAM, void*)>(
        SystemFunction("oleacc.dll", "LresultFromObject"));
    return real != nullptr ? real(iid, wParam, object) : static_cast<LRESULT>(E_NOTIMPL);
}

HRESULT LateAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object)
{
    static const auto real = reinterpret_cast<HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**)>(
        SystemFunction("oleacc.dll", "AccessibleObjectFromWindow"));
    *object = nullptr;
    return real != nullptr ? real(window, objectId, iid, object) : E_NOTIMPL;
}

BSTR LateSysAllocString(const WCHAR* text)
{
    static const auto real = reinterpret_cast<BSTR(WINAPI*)(const WCHAR*)>(
        SystemFunction("oleaut32.dll", "SysAllocString"));
    return real != nullptr ? real(text) : nullptr;
}
