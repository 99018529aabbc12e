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

// The type library is a resource of oleacc.dll; it is read from the system folder's file by its
// full path, never found through the registry or the search path.
ITypeInfo* LateAccessibleTypeInfo(REFIID iidAccessible)
{
    static int tried = 0;
    static ITypeInfo* info = nullptr;
    if (tried) {
        return info;
    }
    tried = 1;
    static const auto load = reinterpret_cast<HRESULT(WINAPI*)(const OLECHAR*, REGKIND, ITypeLib**)>(
        SystemFunction("oleaut32.dll", "LoadTypeLibEx"));
    WCHAR path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    const WCHAR file[] = L"\\oleacc.dll";
    if (load == nullptr || length == 0 || length + sizeof file / sizeof file[0] > MAX_PATH) {
        return nullptr;
    }
    lstrcpynW(path + length, file, MAX_PATH - length);
    ITypeLib* library = nullptr;
    if (FAILED(load(path, REGKIND_NONE, &library)) || library == nullptr) {
        return nullptr;
    }
    if (FAILED(library->GetTypeInfoOfGuid(iidAccessible, &info))) {
        info = nullptr;
    }
    library->Release();
    return info;
}

HRESULT LateDispGetIDsOfNames(ITypeInfo* info, OLECHAR** names, UINT count, DISPID* ids)
{
    static const auto real = reinterpret_cast<HRESULT(WINAPI*)(ITypeInfo*, OLECHAR**, UINT,
                                                               DISPID*)>(
        SystemFunction("oleaut32.dll", "DispGetIDsOfNames"));
    return real != nullptr ? real(info, names, count, ids) : E_NOTIMPL;
}

HRESULT LateDispInvoke(void* object, ITypeInfo* info, DISPID member, WORD flags,
                       DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                       UINT* argumentError)
{
    static const auto real = reinterpret_cast<HRESULT(WINAPI*)(
        void*, ITypeInfo*, DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)>(
        SystemFunction("oleaut32.dll", "DispInvoke"));
    return real != nullptr
               ? real(object, info, member, flags, parameters, result, exception, argumentError)
               : E_NOTIMPL;
}
