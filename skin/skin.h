// The skin: the panel bitmaps for the current screen resolution and the table of six buttons.
#pragma once

#include <windows.h>

struct ButtonEntry {
    char name[256];  // the button's sub-key under "Buttons"
    HRGN region;     // owned; in window coordinates, which are screen coordinates
};

struct Skin {
    int screenWidth;
    int screenHeight;
    int paintWidth;   // 0 until the first panel bitmap was fitted, then screenWidth
    int paintHeight;
    HBITMAP normalBitmap;    // owned: every button unlit, screen-sized
    HBITMAP selectedBitmap;  // owned: every button lit, screen-sized
    HBITMAP regionTemplate;  // owned: the shapes the button regions are traced from
    ButtonEntry* buttons;    // owned; in enumeration order, the index is the button index
    int buttonCount;         // entries that have a region
    int pressed;             // 1 while a button is held down
};

// The current skin, or null. A failed load leaves its partly filled record here for FreeSkin.
extern Skin* currentSkin;

// The setting names the skin reads, indexed by group * 3 + resolution mode: rectangles (0-2),
// normal bitmaps (3-5), selected bitmaps (6-8), region templates (9-11).
extern const char* const skinValueNames[12];

int LoadSkin(HWND window);
void FreeSkin();
int ReadScreenSize(Skin* skin);
// 0, 1, 2 for 640x480, 800x600, 1024x768; -1 for any other size.
int GetResolutionMode(const Skin* skin);
HBITMAP LoadPanelBitmap(HINSTANCE instance, Skin* skin, const char* directory, const char* key,
                        const char* valueName);
HBITMAP FitBitmapToScreen(Skin* skin, HBITMAP bitmap);
int LoadButtonTable(Skin* skin);

// The name of sub-key `index` of "Buttons" into a 256-character buffer; 0 when there is none.
int EnumerateButtonName(int index, char* name);
// "Buttons\<name>" into a 256-character keyPath; 0 when it does not fit. The button table and
// the actions both find a button's settings through it.
int BuildButtonKeyPath(char* keyPath, const char* name);
