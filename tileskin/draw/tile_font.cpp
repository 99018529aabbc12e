// The tiles' font, shipped beside the program and added for this process alone: the look is the
// same on every system, whatever fonts it has, and nothing is installed for other programs.
#include "tileskin/draw/tile_draw.h"
#include "tileskin/draw/tile_picture.h"

#include <cstdio>

static WCHAR loadedFont[widePathCapacity];

bool TileFontLoaded()
{
    return loadedFont[0] != L'\0';
}

int LoadTileFont(const char* folder, char* error, int errorSize)
{
    if (TileFontLoaded()) {
        return 1;
    }
    char path[MAX_PATH];
    const int length =
        std::snprintf(path, sizeof path, "%s%s", folder != nullptr ? folder : "", TileFontFileName);
    if (folder == nullptr || length < 0 || length >= static_cast<int>(sizeof path)) {
        SetError(error, errorSize, "the font's folder is too long");
        return 0;
    }
    WCHAR wide[widePathCapacity];
    const DWORD attributes =
        WidePath(path, wide) ? GetFileAttributesW(wide) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        SetError(error, errorSize, "the font %s is missing: install the program again", path);
        return 0;
    }
    if (AddFontResourceExW(wide, FR_PRIVATE, nullptr) == 0) {
        SetError(error, errorSize, "the font %s is damaged or cannot be read", path);
        return 0;
    }
    lstrcpynW(loadedFont, wide, widePathCapacity);
    return 1;
}

void UnloadTileFont()
{
    if (TileFontLoaded()) {
        RemoveFontResourceExW(loadedFont, FR_PRIVATE, nullptr);
        loadedFont[0] = L'\0';
    }
}
