// The system libraries that only the screen-reader interface needs. Most starts never meet a
// screen reader, so the menu does not import oleacc, ole32 or oleaut32: each is loaded, from the
// system folder only, the first time one of these functions is called, and stays loaded.
// Every function answers a failure of its own kind when its library cannot be had.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <wtypes.h>

// CoInitializeEx(null, model), or E_NOTIMPL.
HRESULT LateCoInitializeEx(DWORD model);

// LresultFromObject (object: an IUnknown), or E_NOTIMPL (a negative result, as the function's own
// failures are).
LRESULT LateLresultFromObject(REFIID iid, WPARAM wParam, void* object);

// AccessibleObjectFromWindow, or E_NOTIMPL with *object null.
HRESULT LateAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object);

// The type description of IAccessible, from the type library inside the system's oleacc.dll, or
// null. Loaded once and kept for the life of the process.
ITypeInfo* LateAccessibleTypeInfo(REFIID iidAccessible);

// DispGetIDsOfNames and DispInvoke, or E_NOTIMPL.
HRESULT LateDispGetIDsOfNames(ITypeInfo* info, OLECHAR** names, UINT count, DISPID* ids);
HRESULT LateDispInvoke(void* object, ITypeInfo* info, DISPID member, WORD flags,
                       DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                       UINT* argumentError);

// SysAllocString, or null (which callers treat as out of memory).
BSTR LateSysAllocString(const WCHAR* text);
