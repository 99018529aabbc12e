// The skin: the panel bitmaps for the current screen resolution and the table of six buttons.
#pragma once

#include <windows.h>

struct ButtonEntry {
    char name[256]; // the button's sub-key under "Buttons"
    HRGN region;    // owned; in the window's client coordinates, wherever its monitor stands
};

struct Skin {
    int screenWidth;
    int screenHeight;
    int paintWidth; // 0 until the first panel bitmap was fitted, then screenWidth
    int paintHeight;
    HBITMAP normalBitmap;   // owned: every button unlit, screen-sized
    HBITMAP selectedBitmap; // owned: every button lit, screen-sized
    HBITMAP regionTemplate; // owned: the shapes the button regions are traced from
    ButtonEntry* buttons;   // owned; in enumeration order, the index is the button index
    int buttonCount;        // entries that have a region
    int pressed;            // 1 while a button is held down
    // The size whose settings serve the screen: the screen's own when the skin names it, else
    // the nearest named one (see ChooseServedSize). 0 x 0 means the screen's own.
    int servedWidth;
    int servedHeight;
    RECT placed; // where the served size's pictures lie on the screen; empty means all of it
    // Where the monitor the menu covers begins in the virtual screen (see skin/display_choice.h):
    // negative for a monitor to the left of or above the primary one.
    int screenLeft;
    int screenTop;
    // Owned: memory DCs that hold the unlit and the lit panel for painting, made at the first
    // paint that needs them, so that a press does not make and select a DC of its own. Deleted
    // before the bitmaps, which cannot be deleted while selected.
    HDC normalSource;
    HDC selectedSource;
};

// The current skin, or null. A failed load leaves its partly filled record here for FreeSkin.
extern Skin* currentSkin;

// The setting names the skin reads, indexed by group * 3 + resolution mode: rectangles (0-2),
// normal bitmaps (3-5), selected bitmaps (6-8), region templates (9-11).
extern const char* const skinValueNames[12];

int LoadSkin(HWND window);
void FreeSkin();
// The monitor the menu covers, into screenLeft, screenTop, screenWidth and screenHeight: the
// one "Display" names, else the primary one.
int ReadScreenSize(Skin* skin);
// 0, 1, 2 for 640x480, 800x600, 1024x768; -1 for any other size.
int GetResolutionMode(const Skin* skin);

// The kinds of setting the skin reads for one screen size.
enum SkinValueGroup {
    RectangleGroup = 0,
    NormalBitmapGroup = 1,
    SelectedBitmapGroup = 2,
    RegionTemplateGroup = 3,
};
enum { SkinValueGroupCount = 4, SkinValueNameCapacity = 64 };

// 1 for a screen size the menu shows on (see skin/skin_limits.h), 0 for any other.
int IsAcceptedScreenSize(int width, int height);

// The value name of a group for a screen size, into a buffer of SkinValueNameCapacity: the
// classic sizes keep their "Mode 1".."Mode 3" names ("Normal Bitmap Mode 2"), every other
// accepted size is named by its width and height ("Normal Bitmap 1920x1080"). Returns 0, with an
// empty name, for a size the menu does not accept or an unknown group.
int FormatSkinValueName(int width, int height, int group, char* name);

// What a value name says about the size it is for.
enum SkinNameKind {
    NotASkinName,       // no group's name: some other setting
    ClassicSizeName,    // "Rectangle Mode 2"
    OtherSizeName,      // "Rectangle 1920x1080", an accepted size that is not classic
    ClassicSizeAsOther, // "Rectangle 1024x768": never read, the classic name serves that size
    UnacceptedSizeName, // "Rectangle 9000x5000": a readable size the menu never shows on
    UnreadableSizeName, // "Rectangle Mode 4", "Rectangle 01920x1080", "Rectangle 1920 x 1080"
};

// Reads a value name back into its group and size. *group, *width and *height are set for every
// kind but NotASkinName and UnreadableSizeName (the group alone is set for the latter).
int ParseSkinValueName(const char* name, int* group, int* width, int* height);
// A DWORD in "Panel": nonzero lets the skin serve sizes it does not name from its nearest named
// size.
extern const char fitOtherSizesName[];

// Sets servedWidth, servedHeight and placed for the screen size the record holds: the screen's
// own size when the skin names it, or, with "Fit Other Sizes" on, the named size nearest in shape.
// 0 when no size serves the screen.
int ChooseServedSize(Skin* skin);
// Of count named sizes, the index of the one nearest in shape to width x height: the least
// |ln(screen aspect / named aspect)|, where shapes within 0.01 of the least count as equally near
// and the nearest area (by ratio) wins among them, the larger on a tie. -1 when count is 0.
int NearestNamedSize(int width, int height, const SIZE* named, int count);
// Where a picture of servedWidth x servedHeight lies on the screen: all of it when the two shapes
// differ by at most a tenth (stretched), else its own shape as large as fits, centred.
void PlaceServedSize(int screenWidth, int screenHeight, int servedWidth, int servedHeight,
                     RECT* placed);
// The served size and placement of a record, with the screen's own for a record that has none.
void GetServedSize(const Skin* skin, int* width, int* height);
void GetPlacement(const Skin* skin, RECT* placed);
// True when the record's pictures cover the whole screen, with no black around them.
bool FillsScreen(const Skin* skin);
// Maps an inclusive button rectangle of the served size onto the screen the way the pictures are
// mapped, taking in every screen column and row the stretched picture may show of it: its far
// edges land one past the boundary after them, within the placed picture. A rectangle the button
// table would refuse anyway is left as it is.
void MapServedRectangle(const Skin* skin, RECT* rect);

// The file a Panel picture value names: a value that is an absolute path (a drive letter and a
// colon, or "\\") as it stands, where a personal skin keeps its pictures; any other value joined to
// directory, the program's folder, as skins always were. 0 when the result does not fit capacity.
int BuildPanelPath(char* path, int capacity, const char* directory, const char* fileName);
HBITMAP LoadPanelBitmap(HINSTANCE instance, Skin* skin, const char* directory, const char* key,
                        const char* valueName);
HBITMAP FitBitmapToScreen(Skin* skin, HBITMAP bitmap);
int LoadButtonTable(Skin* skin);

// The name of sub-key `index` of "Buttons" into a 256-character buffer; 0 when there is none.
int EnumerateButtonName(int index, char* name);
// "Buttons\<name>" into a 256-character keyPath; 0 when it does not fit. The button table and
// the actions both find a button's settings through it.
int BuildButtonKeyPath(char* keyPath, const char* name);
