#include "skin/skin.h"

#include "outside/kivrel.h"
#include "skin/gdi_guards.h"
#include "skin/rectangle_text.h"
#include "skin/region.h"
#include "skin/skin_limits.h"

#include <cstdio>

static const char buttonsKey[] = "Buttons";

enum { ButtonsWanted = 6, NameCapacity = 256, RectangleCapacity = 128 };

int EnumerateButtonName(int index, char* name)
{
    name[0] = '\0';
    DWORD nameSize = NameCapacity;
    int found = Kivrel_EnumKeyName(buttonsKey, index, name, &nameSize, 1);
    name[NameCapacity - 1] = '\0';
    return found != 0 && name[0] != '\0' && nameSize != 0 ? 1 : 0;
}

// A name too long for the 256-character key path fails: a key path cut short would read some
// other button's settings.
int BuildButtonKeyPath(char* keyPath, const char* name)
{
    int length = snprintf(keyPath, NameCapacity, "%s\\%s", buttonsKey, name);
    return length > 0 && length < NameCapacity ? 1 : 0;
}

// Appends one uncounted entry with the given name, growing the array by a new allocation: the
// old array stays valid until the new one holds its copy.
static bool AppendEntry(Skin* skin, const char* name)
{
    const int n = skin->buttonCount;
    ButtonEntry* grown = static_cast<ButtonEntry*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ButtonEntry) * (n + 1)));
    if (grown == nullptr) {
        return false;
    }
    if (skin->buttons != nullptr) {
        CopyMemory(grown, skin->buttons, sizeof(ButtonEntry) * n);
        HeapFree(GetProcessHeap(), 0, skin->buttons);
    }
    skin->buttons = grown;
    lstrcpynA(grown[n].name, name, sizeof grown[n].name);
    return true;
}

// Reads the rectangle of the button at keyPath and traces its region in screen coordinates.
// Null when the value is missing, empty or has fewer than four fields, when the rectangle is
// unusable or holds no template pixel, when it would take the pixels traced in this load
// (*traced) past the budget, or when the region cannot be moved.
static HRGN TraceButton(const Skin* skin, HDC templateDc, const char* keyPath,
                        const char* valueName, long long* traced)
{
    char text[RectangleCapacity];
    ZeroMemory(text, sizeof text);
    if (Kivrel_GetProfileStringEx(keyPath, valueName, text, sizeof text, 1, nullptr, 0) == 0 ||
        text[0] == '\0') {
        return nullptr;
    }
    text[RectangleCapacity - 1] = '\0';
    RECT rect;
    if (!ParseButtonRectangle(text, &rect)) {
        return nullptr;
    }
    // The rectangle is the served size's; the template was stretched onto the screen, and the
    // budget counts the pixels actually traced there.
    MapServedRectangle(skin, &rect);
    const long long pixels = CountBlockPixels(rect);
    if (pixels == 0 || pixels > MaxTracedPixels - *traced) {
        return nullptr;
    }
    *traced += pixels;
    HRGN region = BuildRegionFromTemplate(templateDc, rect, 0, 1, nullptr);
    if (region == nullptr) {
        return nullptr;
    }
    if (OffsetRgn(region, rect.left, rect.top) == ERROR) {
        DeleteObject(region);
        return nullptr;
    }
    return region;
}

// Reads buttons until six are built or one fails. Each entry is counted only once its region
// exists, which is what lets FreeSkin trust buttonCount.
static void ReadButtons(Skin* skin, HDC templateDc, const char* valueName)
{
    char name[NameCapacity];
    char keyPath[NameCapacity];
    long long traced = 0;
    for (int index = 0; index < ButtonsWanted; ++index) {
        if (!EnumerateButtonName(index, name)) {
            return;
        }
        ZeroMemory(keyPath, sizeof keyPath);
        if (!BuildButtonKeyPath(keyPath, name)) {
            return;
        }
        if (!AppendEntry(skin, name)) {
            return;
        }
        HRGN region = TraceButton(skin, templateDc, keyPath, valueName, &traced);
        skin->buttons[index].region = region;
        if (region == nullptr) {
            return;
        }
        skin->buttonCount = index + 1;
    }
}

int LoadButtonTable(Skin* skin)
{
    if (skin == nullptr) {
        return 0;
    }
    ScreenDc screen;
    if (screen.Get() == nullptr) {
        return 0;
    }
    MemoryDc templateDc(screen.Get());
    if (templateDc.Get() == nullptr) {
        return 0;
    }
    // The guard deselects the template on every path so that FreeSkin can delete it later. A
    // template that cannot be selected (one still held by another DC) counts as unreadable:
    // tracing the DC's stock bitmap instead would read every pixel as not black.
    Selection selection(templateDc.Get(), skin->regionTemplate);
    BITMAP info;
    if (skin->regionTemplate == nullptr ||
        GetObjectA(skin->regionTemplate, sizeof info, &info) == 0 || !selection.Succeeded()) {
        return 0;
    }
    char valueName[SkinValueNameCapacity];
    ZeroMemory(valueName, sizeof valueName);
    int servedWidth = 0;
    int servedHeight = 0;
    GetServedSize(skin, &servedWidth, &servedHeight);
    if (!FormatSkinValueName(servedWidth, servedHeight, RectangleGroup, valueName)) {
        return 0;
    }
    ReadButtons(skin, templateDc.Get(), valueName);
    return skin->buttonCount == ButtonsWanted ? 1 : 0;
}
