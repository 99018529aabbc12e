// The accessible object is a plain COM object in the C layout: a record whose first member is the
// interface (its method table's address), and one function per method. CINTERFACE asks the
// system headers for that layout, CONST_VTABLE lets the table be constant; both come before every
// include.
#define CINTERFACE
#define CONST_VTABLE
#include "app/menu_accessible.h"

#include "actions/button_actions.h"
#include "actions/focus.h"
#include "actions/hit_test.h"
#include "actions/input_state.h"
#include "actions/menu_platform.h"
#include "actions/rest.h"
#include "app/app_state.h"
#include "app/late_oleacc.h"
#include "outside/kivrel.h"
#include "skin/skin.h"

#include <oleacc.h>

namespace {

enum { MenuButtons = 6, SelfIndex = -1, NoIndex = -2 };

// Local copies: with mingw-w64 the system's IID_ constants are imports from a DLL, and a plain
// reference reads the import's address rather than the GUID.
const IID iidNull = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID iidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID iidDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID iidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

const WCHAR pressAction[] = L"Press";

// The object keeps nothing but its window's handle and reads the menu's state at every call, so
// a skin reload is seen at once and nothing that a reload or the window's end frees is held.
struct MenuAccessible {
    IAccessible face; // first: the interface pointer handed out is the record's address
    LONG references;
    HWND window;
};

MenuAccessible* Record(IAccessible* self)
{
    return reinterpret_cast<MenuAccessible*>(self);
}

// A screen reader may keep the object long after the window is gone, or after another menu
// window of this process took its place; from then on every call answers "not connected"
// without reaching the skin, which the window's end freed.
int IsServing(const MenuAccessible* object)
{
    const Skin* skin = currentSkin;
    return appState != nullptr && appState->mainWindow == object->window &&
           IsWindow(object->window) && skin != nullptr && skin->buttons != nullptr &&
           skin->buttonCount == MenuButtons;
}

// Child id 0 (CHILDID_SELF) is the client object itself; 1 to 6 are the buttons, index + 1.
int ChildIndex(VARIANT child)
{
    if (V_VT(&child) != VT_I4) {
        return NoIndex;
    }
    const LONG id = V_I4(&child);
    if (id == CHILDID_SELF) {
        return SelfIndex;
    }
    return id >= 1 && id <= MenuButtons ? static_cast<int>(id - 1) : NoIndex;
}

// The first step of every method that names a child. Before it, each method refuses a null result
// pointer and empties its results: a caller in this process reaches the methods directly, with
// no marshalling in between to supply them.
HRESULT CheckChild(IAccessible* self, VARIANT child, int* index)
{
    if (!IsServing(Record(self))) {
        return CO_E_OBJNOTCONNECTED;
    }
    *index = ChildIndex(child);
    return *index == NoIndex ? E_INVALIDARG : S_OK;
}

// The button whose light the keys show, or -1. Only a shown focus counts: after a mouse press
// the focus is remembered but no button is focused on the screen.
int FocusedIndex()
{
    if (menuActive == 0 || !buttonFocus.shown || buttonFocus.index < 0 ||
        buttonFocus.index >= MenuButtons) {
        return -1;
    }
    return buttonFocus.index;
}

// The menu holds the keyboard focus only while it is the window in front and its window has the
// focus of its thread; a light left on a button of a menu behind another program is no focus a
// screen reader should speak.
int HasKeyboardFocus(HWND window)
{
    return menuPlatform.getForegroundWindow() == window && GetFocus() == window;
}

void SetChildId(VARIANT* out, int index)
{
    V_VT(out) = VT_I4;
    V_I4(out) = index == SelfIndex ? CHILDID_SELF : index + 1;
}

// Menu text is 8-bit in the system code page; a screen reader wants it as a BSTR.
HRESULT AnsiToBstr(const char* text, BSTR* out)
{
    WCHAR wide[SpokenNameCapacity];
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, SpokenNameCapacity) == 0) {
        return E_FAIL;
    }
    *out = LateSysAllocString(wide);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

ULONG STDMETHODCALLTYPE AccAddRef(IAccessible* self)
{
    return static_cast<ULONG>(InterlockedIncrement(&Record(self)->references));
}

ULONG STDMETHODCALLTYPE AccRelease(IAccessible* self)
{
    const LONG left = InterlockedDecrement(&Record(self)->references);
    if (left == 0) {
        HeapFree(GetProcessHeap(), 0, Record(self));
    }
    return static_cast<ULONG>(left);
}

// Late-bound callers (scripts, and clients that hold the object as the IDispatch the interface
// hands out for parents and children) reach the methods through the interface's own type
// description. Without it IDispatch is not offered at all, rather than offered and refused.
ITypeInfo* AccessibleTypeInfo()
{
    return LateAccessibleTypeInfo(iidAccessible);
}

HRESULT STDMETHODCALLTYPE AccQueryInterface(IAccessible* self, REFIID iid, void** out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, iidUnknown) || IsEqualIID(iid, iidAccessible) ||
        (IsEqualIID(iid, iidDispatch) && AccessibleTypeInfo() != nullptr)) {
        *out = self;
        AccAddRef(self);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE AccGetTypeInfoCount(IAccessible*, UINT* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = AccessibleTypeInfo() != nullptr ? 1 : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AccGetTypeInfo(IAccessible*, UINT index, LCID, ITypeInfo** info)
{
    if (info == nullptr) {
        return E_POINTER;
    }
    *info = nullptr;
    ITypeInfo* described = AccessibleTypeInfo();
    if (index != 0 || described == nullptr) {
        return DISP_E_BADINDEX;
    }
    described->lpVtbl->AddRef(described);
    *info = described;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AccGetIDsOfNames(IAccessible*, REFIID iid, LPOLESTR* names, UINT count,
                                           LCID, DISPID* ids)
{
    if (!IsEqualIID(iid, iidNull)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    ITypeInfo* described = AccessibleTypeInfo();
    return described != nullptr ? LateDispGetIDsOfNames(described, names, count, ids) : E_NOTIMPL;
}

// The call goes through the type description to the object's own methods, so a late-bound
// caller gets exactly what a direct one gets.
HRESULT STDMETHODCALLTYPE AccInvoke(IAccessible* self, DISPID member, REFIID iid, LCID, WORD flags,
                                    DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                    UINT* argumentError)
{
    if (!IsEqualIID(iid, iidNull)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    ITypeInfo* described = AccessibleTypeInfo();
    return described != nullptr ? LateDispInvoke(self, described, member, flags, parameters,
                                                 result, exception, argumentError)
                                : E_NOTIMPL;
}

// The window's own object, which the system makes, is the client object's parent.
HRESULT STDMETHODCALLTYPE AccGetParent(IAccessible* self, IDispatch** parent)
{
    if (parent == nullptr) {
        return E_POINTER;
    }
    *parent = nullptr;
    if (!IsServing(Record(self))) {
        return CO_E_OBJNOTCONNECTED;
    }
    return LateAccessibleObjectFromWindow(Record(self)->window, static_cast<DWORD>(OBJID_WINDOW),
                                          iidDispatch, reinterpret_cast<void**>(parent));
}

HRESULT STDMETHODCALLTYPE AccGetChildCount(IAccessible* self, LONG* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    if (!IsServing(Record(self))) {
        return CO_E_OBJNOTCONNECTED;
    }
    *count = MenuButtons;
    return S_OK;
}

// The buttons are simple elements: they have no object of their own, the parent answers for
// them by child id.
HRESULT STDMETHODCALLTYPE AccGetChild(IAccessible* self, VARIANT child, IDispatch** out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    int index = NoIndex;
    HRESULT checked = CheckChild(self, child, &index);
    if (checked != S_OK) {
        return checked;
    }
    return index == SelfIndex ? E_INVALIDARG : S_FALSE;
}

// The first steps of every method that answers a child's text: the result emptied, then the
// child checked.
HRESULT CheckChildForText(IAccessible* self, VARIANT child, BSTR* text, int* index)
{
    if (text == nullptr) {
        return E_POINTER;
    }
    *text = nullptr;
    *index = NoIndex;
    return CheckChild(self, child, index);
}

// The same first steps for a method that answers a child's VARIANT.
HRESULT CheckChildForVariant(IAccessible* self, VARIANT child, VARIANT* out, int* index)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    V_VT(out) = VT_EMPTY;
    *index = NoIndex;
    return CheckChild(self, child, index);
}

HRESULT STDMETHODCALLTYPE AccGetName(IAccessible* self, VARIANT child, BSTR* name)
{
    int index = NoIndex;
    HRESULT checked = CheckChildForText(self, child, name, &index);
    if (checked != S_OK) {
        return checked;
    }
    if (index == SelfIndex) {
        return AnsiToBstr(menuWindowTitle, name);
    }
    WCHAR text[SpokenNameCapacity];
    if (!ReadButtonSpokenName(index, text)) {
        return E_FAIL;
    }
    *name = LateSysAllocString(text);
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
}

// Value, description, help and keyboard shortcut: the menu has none of them.
HRESULT STDMETHODCALLTYPE AccNoText(IAccessible* self, VARIANT child, BSTR* text)
{
    int index = NoIndex;
    HRESULT checked = CheckChildForText(self, child, text, &index);
    return checked != S_OK ? checked : DISP_E_MEMBERNOTFOUND;
}

HRESULT STDMETHODCALLTYPE AccGetHelpTopic(IAccessible* self, BSTR* file, VARIANT child, LONG* topic)
{
    if (file == nullptr || topic == nullptr) {
        return E_POINTER;
    }
    *topic = 0;
    return AccNoText(self, child, file);
}

HRESULT STDMETHODCALLTYPE AccGetRole(IAccessible* self, VARIANT child, VARIANT* role)
{
    int index = NoIndex;
    HRESULT checked = CheckChildForVariant(self, child, role, &index);
    if (checked != S_OK) {
        return checked;
    }
    V_VT(role) = VT_I4;
    V_I4(role) = index == SelfIndex ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_PUSHBUTTON;
    return S_OK;
}

// During the start period the buttons are shown lit but answer nothing, so they are unavailable.
HRESULT STDMETHODCALLTYPE AccGetState(IAccessible* self, VARIANT child, VARIANT* state)
{
    int index = NoIndex;
    HRESULT checked = CheckChildForVariant(self, child, state, &index);
    if (checked != S_OK) {
        return checked;
    }
    LONG bits = STATE_SYSTEM_FOCUSABLE;
    const int focused = HasKeyboardFocus(Record(self)->window);
    if (index == SelfIndex) {
        bits |= focused ? STATE_SYSTEM_FOCUSED : 0;
        // Nothing of the panel shows while the screen rests.
        bits |= rest.dark ? STATE_SYSTEM_INVISIBLE : 0;
    } else {
        bits |= focused && index == FocusedIndex() ? STATE_SYSTEM_FOCUSED : 0;
        bits |= menuActive == 0 ? STATE_SYSTEM_UNAVAILABLE : 0;
    }
    V_VT(state) = VT_I4;
    V_I4(state) = bits;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AccGetFocus(IAccessible* self, VARIANT* focus)
{
    if (focus == nullptr) {
        return E_POINTER;
    }
    V_VT(focus) = VT_EMPTY;
    if (!IsServing(Record(self))) {
        return CO_E_OBJNOTCONNECTED;
    }
    if (!HasKeyboardFocus(Record(self)->window)) {
        return S_FALSE;
    }
    const int index = FocusedIndex();
    SetChildId(focus, index == -1 ? SelfIndex : index);
    return S_OK;
}

// Nothing in the menu is selectable; only the focus can be taken.
HRESULT STDMETHODCALLTYPE AccGetSelection(IAccessible* self, VARIANT* selection)
{
    if (selection == nullptr) {
        return E_POINTER;
    }
    V_VT(selection) = VT_EMPTY;
    return IsServing(Record(self)) ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
}

// Taking the focus (a UI Automation client's SetFocus arrives as this) brings the menu to the
// front where Windows allows it and puts the light on the button, as the arrow keys would. During
// the start period the buttons are unavailable and refuse it, as they refuse "Press".
HRESULT STDMETHODCALLTYPE AccSelect(IAccessible* self, LONG flags, VARIANT child)
{
    int index = NoIndex;
    HRESULT checked = CheckChild(self, child, &index);
    if (checked != S_OK) {
        return checked;
    }
    if (flags != SELFLAG_TAKEFOCUS) {
        return flags & ~(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION | SELFLAG_EXTENDSELECTION |
                         SELFLAG_ADDSELECTION | SELFLAG_REMOVESELECTION)
                   ? E_INVALIDARG
                   : DISP_E_MEMBERNOTFOUND;
    }
    if (index != SelfIndex && menuActive == 0) {
        return E_FAIL;
    }
    const HWND window = Record(self)->window;
    if (menuPlatform.getForegroundWindow() != window) {
        menuPlatform.setForegroundWindow(window);
    }
    if (index != SelfIndex) {
        FocusButton(window, index);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE AccGetDefaultAction(IAccessible* self, VARIANT child, BSTR* action)
{
    int index = NoIndex;
    HRESULT checked = CheckChildForText(self, child, action, &index);
    if (checked != S_OK) {
        return checked;
    }
    if (index == SelfIndex) {
        return DISP_E_MEMBERNOTFOUND;
    }
    *action = LateSysAllocString(pressAction);
    return *action != nullptr ? S_OK : E_OUTOFMEMORY;
}

// A button's place is the bounding box of its traced region; regions are kept in the window's
// client coordinates, which the mapping turns into the screen's.
HRESULT STDMETHODCALLTYPE AccLocation(IAccessible* self, LONG* left, LONG* top, LONG* width,
                                      LONG* height, VARIANT child)
{
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
        return E_POINTER;
    }
    *left = *top = *width = *height = 0;
    int index = NoIndex;
    HRESULT checked = CheckChild(self, child, &index);
    if (checked != S_OK) {
        return checked;
    }
    const HWND window = Record(self)->window;
    RECT box = {};
    if (index == SelfIndex) {
        GetClientRect(window, &box);
    } else if (GetRgnBox(currentSkin->buttons[index].region, &box) == ERROR) {
        return E_FAIL;
    }
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&box), 2);
    *left = box.left;
    *top = box.top;
    *width = box.right - box.left;
    *height = box.bottom - box.top;
    return S_OK;
}

// From the client object into its first or last button; between buttons by table order, or by
// the arrow keys' own rule for the four directions on the screen.
HRESULT STDMETHODCALLTYPE AccNavigate(IAccessible* self, LONG direction, VARIANT start,
                                      VARIANT* end)
{
    int index = NoIndex;
    HRESULT checked = CheckChildForVariant(self, start, end, &index);
    if (checked != S_OK) {
        return checked;
    }
    int next = NoIndex;
    if (index == SelfIndex) {
        next = direction == NAVDIR_FIRSTCHILD  ? 0
               : direction == NAVDIR_LASTCHILD ? MenuButtons - 1
                                               : NoIndex;
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) {
        next = index + (direction == NAVDIR_NEXT ? 1 : -1);
    } else if (direction >= NAVDIR_UP && direction <= NAVDIR_RIGHT) {
        static const FocusDirection ways[] = {FocusUp, FocusDown, FocusLeft, FocusRight};
        next = FindNearestButton(currentSkin, index, ways[direction - NAVDIR_UP]);
    }
    if (next < 0 || next >= MenuButtons) {
        return S_FALSE;
    }
    SetChildId(end, next);
    return S_OK;
}

// The point is the screen's; inside the window, the button the mouse would press there, else the
// client object itself.
HRESULT STDMETHODCALLTYPE AccHitTest(IAccessible* self, LONG x, LONG y, VARIANT* hit)
{
    if (hit == nullptr) {
        return E_POINTER;
    }
    V_VT(hit) = VT_EMPTY;
    if (!IsServing(Record(self))) {
        return CO_E_OBJNOTCONNECTED;
    }
    const HWND window = Record(self)->window;
    POINT point = {x, y};
    MapWindowPoints(nullptr, window, &point, 1);
    RECT client = {};
    GetClientRect(window, &client);
    if (!PtInRect(&client, point)) {
        return S_FALSE;
    }
    const int index = HitTestButtons(window, point.x, point.y);
    SetChildId(hit, index == -1 ? SelfIndex : index);
    return S_OK;
}

// The button's click itself, agent hand-off included, performed once this call has returned:
// the action may start a program that waits on a consent prompt, or close the menu, and the
// screen reader must not wait on either. During the start period a click does nothing, and so
// does this; the caller is told the action will not run.
HRESULT STDMETHODCALLTYPE AccDoDefaultAction(IAccessible* self, VARIANT child)
{
    int index = NoIndex;
    HRESULT checked = CheckChild(self, child, &index);
    if (checked != S_OK) {
        return checked;
    }
    if (index == SelfIndex) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (menuActive == 0) {
        return E_FAIL;
    }
    return PostMessageA(Record(self)->window, AccessiblePressMessage, static_cast<WPARAM>(index),
                        0)
               ? S_OK
               : E_FAIL;
}

HRESULT STDMETHODCALLTYPE AccPutText(IAccessible*, VARIANT, BSTR)
{
    return E_NOTIMPL;
}

// In the interface's own order.
const IAccessibleVtbl menuAccessibleMethods = {
    AccQueryInterface,   // QueryInterface
    AccAddRef,           // AddRef
    AccRelease,          // Release
    AccGetTypeInfoCount, // GetTypeInfoCount
    AccGetTypeInfo,      // GetTypeInfo
    AccGetIDsOfNames,    // GetIDsOfNames
    AccInvoke,           // Invoke
    AccGetParent,        // get_accParent
    AccGetChildCount,    // get_accChildCount
    AccGetChild,         // get_accChild
    AccGetName,          // get_accName
    AccNoText,           // get_accValue
    AccNoText,           // get_accDescription
    AccGetRole,          // get_accRole
    AccGetState,         // get_accState
    AccNoText,           // get_accHelp
    AccGetHelpTopic,     // get_accHelpTopic
    AccNoText,           // get_accKeyboardShortcut
    AccGetFocus,         // get_accFocus
    AccGetSelection,     // get_accSelection
    AccGetDefaultAction, // get_accDefaultAction
    AccSelect,           // accSelect
    AccLocation,         // accLocation
    AccNavigate,         // accNavigate
    AccHitTest,          // accHitTest
    AccDoDefaultAction,  // accDoDefaultAction
    AccPutText,          // put_accName
    AccPutText,          // put_accValue
};

// The object reaches a screen reader's process through COM, which needs an apartment on this
// thread; the window's message loop then serves the calls that come in. The thread keeps it for
// the life of the process; one that already has COM, in either model, keeps what it has.
void JoinApartmentOnce()
{
    static int joined = 0;
    if (!joined) {
        LateCoInitializeEx(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        joined = 1;
    }
}

} // namespace

const char* SpokenKeyName(const char* keyName)
{
    const char* rest = keyName;
    while (*rest >= '0' && *rest <= '9') {
        ++rest;
    }
    // Only a number standing as a word of its own is an ordering prefix: "3D Movies" keeps its 3.
    if (rest == keyName || (*rest != ' ' && *rest != '\t')) {
        return keyName;
    }
    while (*rest == ' ' || *rest == '\t') {
        ++rest;
    }
    return *rest != '\0' ? rest : keyName;
}

// The label is read wide: the skin maker keeps it whole in any script, and an 8-bit read would
// give the screen reader "?" for each character outside this PC's code page. The key name, the
// fallback, is 8-bit like every key name.
int ReadButtonSpokenName(int index, WCHAR* text)
{
    ZeroMemory(text, SpokenNameCapacity * sizeof(WCHAR));
    const Skin* skin = currentSkin;
    if (skin == nullptr || skin->buttons == nullptr || index < 0 || index >= skin->buttonCount) {
        return 0;
    }
    const char* keyName = skin->buttons[index].name;
    char keyPath[256];
    if (BuildButtonKeyPath(keyPath, keyName) &&
        Kivrel_GetProfileStringW(keyPath, "Name", text, SpokenNameCapacity) && text[0] != L'\0') {
        return 1;
    }
    ZeroMemory(text, SpokenNameCapacity * sizeof(WCHAR));
    return MultiByteToWideChar(CP_ACP, 0, SpokenKeyName(keyName), -1, text, SpokenNameCapacity) !=
           0;
}

// The press was asked for while the menu was active, which it stays; the checks only keep a
// request that arrives while no whole skin is loaded from reading one.
LRESULT HandleAccessiblePress(HWND window, WPARAM wParam, LPARAM)
{
    const Skin* skin = currentSkin;
    if (menuActive == 0 || skin == nullptr || skin->buttons == nullptr ||
        skin->buttonCount != MenuButtons || wParam >= static_cast<WPARAM>(MenuButtons)) {
        return 0;
    }
    // The close button destroys the window in here: nothing of the menu is read afterwards.
    PerformButtonAction(window, static_cast<int>(wParam));
    return 0;
}

void AnnounceButtonsAvailable(HWND window)
{
    for (LONG child = 1; child <= MenuButtons; ++child) {
        NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window, OBJID_CLIENT, child);
    }
}

// A new object for each request: it holds only the window's handle, so there is nothing to share
// or to free with the window. Without the accessibility libraries the system's own client object
// answers, as it did before the menu had one.
LRESULT HandleGetObject(HWND window, WPARAM wParam, LPARAM lParam)
{
    // The object id is a 32-bit value; a 64-bit lParam may carry it without its sign extended.
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) {
        return DefWindowProcA(window, WM_GETOBJECT, wParam, lParam);
    }
    MenuAccessible* object = static_cast<MenuAccessible*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(MenuAccessible)));
    if (object == nullptr) {
        return DefWindowProcA(window, WM_GETOBJECT, wParam, lParam);
    }
    object->face.lpVtbl = &menuAccessibleMethods;
    object->references = 1;
    object->window = window;
    LRESULT result = -1;
    if (IsServing(object)) {
        JoinApartmentOnce();
        result = LateLresultFromObject(iidAccessible, wParam, &object->face);
    }
    // The result holds its own reference when it succeeded.
    AccRelease(&object->face);
    return result > 0 ? result : DefWindowProcA(window, WM_GETOBJECT, wParam, lParam);
}
