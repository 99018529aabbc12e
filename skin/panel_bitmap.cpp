#include "skin/skin.h"

#include "outside/kivrel.h"
#include "skin/bitmap_file.h"
#include "skin/gdi_guards.h"

static bool IsEmpty(const char* text)
{
    return text == nullptr || text[0] == '\0';
}

// "C:..." or "\\...": a value that cannot be relative. A value like "C:name" (relative to a
// drive's current folder) counts too: the menu has no current folder to offer it, and joined to
// the program's folder it would name nothing, so no stored skin changes meaning.
static bool IsAbsoluteValue(const char* fileName)
{
    const char first = fileName[0];
    const bool driveLetter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    return (driveLetter && fileName[1] == ':') || (first == '\\' && fileName[1] == '\\');
}

// Plain concatenation for a relative value. A pair that does not fit is refused: a path cut short
// would name some other file, which might even exist.
int BuildPanelPath(char* path, int capacity, const char* directory, const char* fileName)
{
    const char* base = IsAbsoluteValue(fileName) ? "" : directory;
    const int directoryLength = lstrlenA(base);
    const int fileLength = lstrlenA(fileName);
    if (capacity < 1 || directoryLength + fileLength >= capacity) {
        return 0;
    }
    CopyMemory(path, base, directoryLength);
    CopyMemory(path + directoryLength, fileName, fileLength + 1);
    return 1;
}

static bool IsServedAtOwnSize(const Skin* skin);
static HBITMAP StretchFileToScreen(Skin* skin, const char* path);

HBITMAP LoadPanelBitmap(HINSTANCE instance, Skin* skin, const char* directory, const char* key,
                        const char* valueName)
{
    if (IsEmpty(directory) || IsEmpty(key) || IsEmpty(valueName)) {
        return nullptr;
    }
    char fileName[256];
    ZeroMemory(fileName, sizeof fileName);
    if (Kivrel_GetProfileStringEx(key, valueName, fileName, sizeof fileName, 1, nullptr, 0) == 0 ||
        fileName[0] == '\0') {
        return nullptr;
    }
    // The store promises a terminated string; a buffer filled to the brim is refused anyway.
    if (fileName[sizeof fileName - 1] != '\0') {
        return nullptr;
    }
    char path[256];
    ZeroMemory(path, sizeof path);
    if (!BuildPanelPath(path, sizeof path, directory, fileName)) {
        return nullptr;
    }
    // A fitted size always stretches, so it draws straight from the file. At a named size the
    // file is expected to fit as it is; one that does not is still stretched, after loading.
    if (!IsServedAtOwnSize(skin)) {
        return StretchFileToScreen(skin, path);
    }
    if (!IsCompleteBitmapFile(path)) {
        return nullptr;
    }
    // No LR_CREATEDIBSECTION: the panel is wanted as a bitmap in the screen's own format, so that
    // painting is a plain copy, and the skin's files are run-length encoded, which the system
    // documents for device-dependent bitmaps only; a DIB section is made from uncompressed
    // formats, so with the flag such a file may fail to load on Windows (Wine decodes it anyway).
    HANDLE loaded =
        LoadImageA(instance, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (loaded == nullptr) {
        return nullptr;
    }
    return FitBitmapToScreen(skin, static_cast<HBITMAP>(loaded));
}

// A picture fitted inside the screen at its own shape stands on black. COLORONCOLOR drops whole
// rows and columns when shrinking instead of combining them, which would darken the picture and
// thin its shapes; it also keeps the template's black and non-black apart, so the traced shapes
// match the stretched pictures pixel for pixel. Enlarging looks the same in every mode.
static bool PrepareStretch(HDC targetDc, int targetWidth, int targetHeight, const RECT& placed)
{
    const bool whole = placed.left == 0 && placed.top == 0 && placed.right == targetWidth &&
                       placed.bottom == targetHeight;
    if (!whole && !PatBlt(targetDc, 0, 0, targetWidth, targetHeight, BLACKNESS)) {
        return false;
    }
    SetStretchBltMode(targetDc, COLORONCOLOR);
    return true;
}

// Copies the whole of loaded onto the whole of fitted. A bitmap that could not be selected would
// leave the copy reading or writing the DC's stock bitmap: that counts as a failed copy. The
// selections go back before this returns, target first.
static bool StretchOnto(HDC targetDc, HBITMAP fitted, int targetWidth, int targetHeight,
                        const RECT& placed, HDC sourceDc, HBITMAP loaded, int sourceWidth,
                        int sourceHeight)
{
    Selection source(sourceDc, loaded);
    Selection target(targetDc, fitted);
    if (!source.Succeeded() || !target.Succeeded() ||
        !PrepareStretch(targetDc, targetWidth, targetHeight, placed)) {
        return false;
    }
    return StretchBlt(targetDc, placed.left, placed.top, placed.right - placed.left,
                      placed.bottom - placed.top, sourceDc, 0, 0, sourceWidth, sourceHeight,
                      SRCCOPY) != 0;
}

// Makes a screen-sized bitmap in *fitted and stretches loaded onto it; true when the copy was
// made. *fitted may be set even when it was not, for the caller to delete: every DC is deleted by
// its guard when this returns, and only then may the bitmaps it held be deleted.
static bool StretchIntoNewBitmap(const Skin* skin, HBITMAP loaded, int width, int height,
                                 HBITMAP* fitted)
{
    ScreenDc screen;
    MemoryDc source(screen.Get());
    MemoryDc target(source.Get() != nullptr ? screen.Get() : nullptr);
    // Compatible with the screen, not with a memory DC, whose bitmap would be monochrome.
    *fitted = target.Get() != nullptr
                  ? CreateCompatibleBitmap(screen.Get(), skin->screenWidth, skin->screenHeight)
                  : nullptr;
    screen.Release();
    RECT placed;
    GetPlacement(skin, &placed);
    return *fitted != nullptr &&
           StretchOnto(target.Get(), *fitted, skin->screenWidth, skin->screenHeight, placed,
                       source.Get(), loaded, width, height);
}

// A bitmap stretched to the screen becomes the panel at the screen's size; a failed stretch
// leaves nothing behind, whatever it had made.
static HBITMAP AdoptScreenSizedBitmap(Skin* skin, bool copied, HBITMAP fitted)
{
    if (!copied) {
        if (fitted != nullptr) {
            DeleteObject(fitted);
        }
        return nullptr;
    }
    skin->paintWidth = skin->screenWidth;
    skin->paintHeight = skin->screenHeight;
    return fitted;
}

// Stretches the loaded bitmap onto a new screen-sized one. The loaded bitmap is deleted on every
// path: once stretching was attempted it never survives.
static HBITMAP StretchToScreen(Skin* skin, HBITMAP loaded, int width, int height)
{
    HBITMAP fitted = nullptr;
    const bool copied = StretchIntoNewBitmap(skin, loaded, width, height, &fitted);
    DeleteObject(loaded);
    return AdoptScreenSizedBitmap(skin, copied, fitted);
}

HBITMAP FitBitmapToScreen(Skin* skin, HBITMAP bitmap)
{
    if (bitmap == nullptr) {
        return nullptr;
    }
    BITMAP info;
    ZeroMemory(&info, sizeof info);
    if (skin == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) {
        DeleteObject(bitmap);
        return nullptr;
    }
    if (FillsScreen(skin) && info.bmWidth == skin->screenWidth && info.bmHeight == skin->screenHeight) {
        skin->paintWidth = skin->screenWidth;
        skin->paintHeight = skin->screenHeight;
        return bitmap;
    }
    return StretchToScreen(skin, bitmap, info.bmWidth, info.bmHeight);
}

// A size the skin names, covering the whole screen: its files are drawn as they are, the loaded
// bitmap kept as the panel whenever it has the screen's size. Without a record the fitting
// refuses the bitmap.
static bool IsServedAtOwnSize(const Skin* skin)
{
    if (skin == nullptr) {
        return true;
    }
    int width = 0;
    int height = 0;
    GetServedSize(skin, &width, &height);
    return width == skin->screenWidth && height == skin->screenHeight && FillsScreen(skin);
}

// Makes a screen-sized bitmap in *fitted and stretches the file's pixels straight onto it; true
// when the copy was made. *fitted may be set even when it was not, for the caller to delete once
// the DC guards are gone. Same stretch as from a loaded bitmap, pixel for pixel: nearest pixel,
// COLORONCOLOR, black around a picture kept at its own shape.
static bool StretchBitsIntoNewBitmap(const Skin* skin, const BitmapFileBits& file,
                                     HBITMAP* fitted)
{
    ScreenDc screen;
    MemoryDc target(screen.Get());
    *fitted = target.Get() != nullptr
                  ? CreateCompatibleBitmap(screen.Get(), skin->screenWidth, skin->screenHeight)
                  : nullptr;
    screen.Release();
    if (*fitted == nullptr) {
        return false;
    }
    Selection selected(target.Get(), *fitted);
    RECT placed;
    GetPlacement(skin, &placed);
    if (!selected.Succeeded() ||
        !PrepareStretch(target.Get(), skin->screenWidth, skin->screenHeight, placed)) {
        return false;
    }
    const int lines = StretchDIBits(target.Get(), placed.left, placed.top,
                                    placed.right - placed.left, placed.bottom - placed.top, 0, 0,
                                    file.width, file.height, file.pixels, file.info,
                                    DIB_RGB_COLORS, SRCCOPY);
    // The rows copied; 0 or GDI_ERROR (-1 as an int) when the stretch failed.
    return lines > 0;
}

// Loading a picture of the served size and then stretching it into a second bitmap costs two
// screen-sized copies where one does: this reads the checked file into memory and stretches its
// pixels onto the screen-sized panel at once.
static HBITMAP StretchFileToScreen(Skin* skin, const char* path)
{
    BitmapFileBits file;
    if (!ReadCompleteBitmapFile(path, &file)) {
        return nullptr;
    }
    HBITMAP fitted = nullptr;
    const bool copied = StretchBitsIntoNewBitmap(skin, file, &fitted);
    FreeBitmapFileBits(&file);
    return AdoptScreenSizedBitmap(skin, copied, fitted);
}
