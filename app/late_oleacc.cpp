#include "app/late_oleacc.h"

#include "actions/system_library.h"

// The function comes back untyped: each caller casts it to its own type.
static void* SystemFunction(const char* library, const char* function)
{
    HMODULE module = LoadSystemLibrary(library);
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
