#include "skin/skin.h"

#include "app/app_state.h"
#include "skin/display_choice.h"

Skin* currentSkin = nullptr;

static const char panelKey[] = "Panel";

// A platform that lists no monitor at all leaves the screen of the display device, at the origin.
int ReadScreenSize(Skin* skin)
{
    if (skin == nullptr) {
        return 0;
    }
    MonitorEntry monitor;
    if (FindMenuMonitor(&monitor)) {
        skin->screenLeft = monitor.rect.left;
        skin->screenTop = monitor.rect.top;
        skin->screenWidth = monitor.rect.right - monitor.rect.left;
        skin->screenHeight = monitor.rect.bottom - monitor.rect.top;
        return 1;
    }
    skin->screenLeft = 0;
    skin->screenTop = 0;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return 0;
    }
    skin->screenWidth = GetDeviceCaps(screen, HORZRES);
    skin->screenHeight = GetDeviceCaps(screen, VERTRES);
    return ReleaseDC(nullptr, screen) != 0 ? 1 : 0;
}

int GetResolutionMode(const Skin* skin)
{
    if (skin == nullptr) {
        return -1;
    }
    const int w = skin->screenWidth;
    const int h = skin->screenHeight;
    if (w < 640 || w > 1024 || h < 480 || h > 768) {
        return -1;
    }
    if (w == 640 && h == 480) {
        return 0;
    }
    if (w == 800 && h == 600) {
        return 1;
    }
    if (w == 1024 && h == 768) {
        return 2;
    }
    return -1;
}

// Copies the program's directory into a 256-character buffer; 0 when it does not fit. The
// length is counted within the source's own capacity, so an unterminated directory is refused
// rather than read past.
static int CopyModuleDirectory(char* directory, int capacity)
{
    if (appState == nullptr) {
        return 0;
    }
    const char* source = appState->moduleDirectory;
    const int sourceCapacity = static_cast<int>(sizeof appState->moduleDirectory);
    int length = 0;
    while (length < sourceCapacity && source[length] != '\0') {
        ++length;
    }
    if (length >= capacity) {
        return 0;
    }
    CopyMemory(directory, source, length);
    directory[length] = '\0';
    return 1;
}

// The record is made current before it is filled, and every bitmap is stored the moment it is
// obtained: whatever a later step fails on, the next FreeSkin releases exactly what was made.
int LoadSkin(HWND window)
{
    if (window == nullptr) {
        return 0;
    }
    if (currentSkin != nullptr) {
        FreeSkin();
    }
    currentSkin = static_cast<Skin*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Skin)));
    Skin* skin = currentSkin;
    if (skin == nullptr) {
        return 0;
    }
    if (!ReadScreenSize(skin)) {
        return 0;
    }
    char directory[256] = {};
    if (!CopyModuleDirectory(directory, sizeof directory)) {
        return 0;
    }
    // A size the menu does not show on fails here, before any setting is read.
    if (!ChooseServedSize(skin)) {
        return 0;
    }
    char names[3][SkinValueNameCapacity];
    const int groups[3] = {NormalBitmapGroup, SelectedBitmapGroup, RegionTemplateGroup};
    for (int i = 0; i < 3; ++i) {
        if (!FormatSkinValueName(skin->servedWidth, skin->servedHeight, groups[i], names[i])) {
            return 0;
        }
    }
    HINSTANCE instance = appState->instance;
    skin->normalBitmap = LoadPanelBitmap(instance, skin, directory, panelKey, names[0]);
    if (skin->normalBitmap == nullptr) {
        return 0;
    }
    skin->selectedBitmap = LoadPanelBitmap(instance, skin, directory, panelKey, names[1]);
    if (skin->selectedBitmap == nullptr) {
        return 0;
    }
    skin->regionTemplate = LoadPanelBitmap(instance, skin, directory, panelKey, names[2]);
    if (skin->regionTemplate == nullptr) {
        return 0;
    }
    return LoadButtonTable(skin) != 0 ? 1 : 0;
}

// Only counted entries hold a region: the button table counts an entry exactly when its region
// was built, so the uncounted entry a failed load may leave behind is never touched.
static void ReleasePanelSources(Skin* skin)
{
    HDC* sources[2] = {&skin->normalSource, &skin->selectedSource};
    for (HDC* source : sources) {
        if (*source != nullptr) {
            DeleteDC(*source);
            *source = nullptr;
        }
    }
}

void FreeSkin()
{
    Skin* skin = currentSkin;
    if (skin == nullptr) {
        return;
    }
    if (skin->buttons != nullptr) {
        for (int i = 0; i < skin->buttonCount; ++i) {
            if (skin->buttons[i].region != nullptr) {
                DeleteObject(skin->buttons[i].region);
            }
        }
        HeapFree(GetProcessHeap(), 0, skin->buttons);
        skin->buttons = nullptr;
    }
    ReleasePanelSources(skin);
    HBITMAP bitmaps[3] = {skin->normalBitmap, skin->selectedBitmap, skin->regionTemplate};
    for (HBITMAP bitmap : bitmaps) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
    HeapFree(GetProcessHeap(), 0, skin);
    currentSkin = nullptr;
}
