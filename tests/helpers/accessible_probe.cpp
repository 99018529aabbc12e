// Reads the running menu as a screen reader does, from a process of its own: the client object
// through AccessibleObjectFromWindow, then each child. Writes to OUTFILE, one line each:
//   children N
//   focus ID|none
//   dispatch NAME|none           (child 1's name, late-bound: IDispatch, accName by its name)
//   ID role ROLE state HEX at LEFT,TOP,WIDTH,HEIGHT hit ID name NAME   (children 1 to N; UTF-8)
//   press HEX                    (with --press ID: accDoDefaultAction's result)
//
//   accessible_probe.exe OUTFILE [--press ID]
//
// "hit" is accHitTest at the centre of the child's location. Exit code 0, or 2-4 when the
// object could not be had.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// UTF-8, so that a name in any script reaches the test as the screen reader heard it.
static std::string Narrow(BSTR text)
{
    char buffer[512] = "";
    if (text != nullptr) {
        WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    }
    SysFreeString(text);
    return buffer;
}

static VARIANT Child(LONG id)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// Child 1's name the way a script asks for it.
static std::string NameThroughDispatch(IAccessible* client)
{
    IDispatch* dispatch = nullptr;
    if (FAILED(client->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void**>(&dispatch)))) {
        return "none";
    }
    WCHAR member[] = L"accName";
    LPOLESTR names[] = {member};
    DISPID id = 0;
    VARIANT child = Child(1);
    DISPPARAMS parameters = {&child, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    std::string name = "none";
    if (SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) &&
        SUCCEEDED(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                   &parameters, &result, nullptr, nullptr)) &&
        result.vt == VT_BSTR) {
        name = Narrow(SysAllocString(result.bstrVal));
    }
    VariantClear(&result);
    dispatch->Release();
    return name;
}

static long IdOf(const VARIANT& v)
{
    return v.vt == VT_I4 ? v.lVal : -1;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 2) {
        return 2;
    }
    const long press =
        __argc >= 4 && std::strcmp(__argv[2], "--press") == 0 ? std::atol(__argv[3]) : 0;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND menu = FindWindowA("MorvixFullScreenMenuDemoForVelnorWndClass", nullptr);
    IAccessible* client = nullptr;
    if (menu == nullptr || FAILED(AccessibleObjectFromWindow(menu, static_cast<DWORD>(OBJID_CLIENT),
                                                             __uuidof(IAccessible),
                                                             reinterpret_cast<void**>(&client)))) {
        return 3;
    }
    FILE* out = std::fopen(__argv[1], "w");
    if (out == nullptr) {
        return 4;
    }
    LONG count = 0;
    client->get_accChildCount(&count);
    std::fprintf(out, "children %ld\n", count);
    VARIANT focus;
    VariantInit(&focus);
    client->get_accFocus(&focus);
    if (focus.vt == VT_I4) {
        std::fprintf(out, "focus %ld\n", focus.lVal);
    } else {
        std::fprintf(out, "focus none\n");
    }
    std::fprintf(out, "dispatch %s\n", NameThroughDispatch(client).c_str());
    for (LONG id = 1; id <= count; ++id) {
        VARIANT role, state, hit;
        VariantInit(&role);
        VariantInit(&state);
        VariantInit(&hit);
        client->get_accRole(Child(id), &role);
        client->get_accState(Child(id), &state);
        LONG x = 0, y = 0, w = 0, h = 0;
        client->accLocation(&x, &y, &w, &h, Child(id));
        client->accHitTest(x + w / 2, y + h / 2, &hit);
        BSTR name = nullptr;
        client->get_accName(Child(id), &name);
        std::fprintf(out, "%ld role %ld state %lx at %ld,%ld,%ld,%ld hit %ld name %s\n", id,
                     IdOf(role), IdOf(state), x, y, w, h, IdOf(hit), Narrow(name).c_str());
    }
    if (press != 0) {
        std::fprintf(out, "press %lx\n",
                     static_cast<unsigned long>(client->accDoDefaultAction(Child(press))));
    }
    std::fclose(out);
    client->Release();
    CoUninitialize();
    return 0;
}
