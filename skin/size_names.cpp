#include "skin/skin.h"
#include "skin/skin_limits.h"

#include <cstdio>

const char* const skinValueNames[12] = {
    "Rectangle Mode 1",       "Rectangle Mode 2",       "Rectangle Mode 3",
    "Normal Bitmap Mode 1",   "Normal Bitmap Mode 2",   "Normal Bitmap Mode 3",
    "Selected Bitmap Mode 1", "Selected Bitmap Mode 2", "Selected Bitmap Mode 3",
    "Region Template Mode 1", "Region Template Mode 2", "Region Template Mode 3",
};

// The words in front of the size in every value name, in group order; skinValueNames holds the
// same names with the classic sizes' "Mode N" behind them.
static const char* const groupWords[SkinValueGroupCount] = {
    "Rectangle",
    "Normal Bitmap",
    "Selected Bitmap",
    "Region Template",
};

static const SIZE classicSizes[3] = {{640, 480}, {800, 600}, {1024, 768}};

static int ClassicMode(int width, int height)
{
    for (int mode = 0; mode < 3; ++mode) {
        if (classicSizes[mode].cx == width && classicSizes[mode].cy == height) {
            return mode;
        }
    }
    return -1;
}

int IsAcceptedScreenSize(int width, int height)
{
    return width >= MinScreenWidth && width <= MaxScreenWidth && height >= MinScreenHeight &&
                   height <= MaxScreenHeight
               ? 1
               : 0;
}

int FormatSkinValueName(int width, int height, int group, char* name)
{
    name[0] = '\0';
    if (group < 0 || group >= SkinValueGroupCount || !IsAcceptedScreenSize(width, height)) {
        return 0;
    }
    const int mode = ClassicMode(width, height);
    if (mode >= 0) {
        lstrcpynA(name, skinValueNames[group * 3 + mode], SkinValueNameCapacity);
        return 1;
    }
    const int length =
        snprintf(name, SkinValueNameCapacity, "%s %dx%d", groupWords[group], width, height);
    return length > 0 && length < SkinValueNameCapacity ? 1 : 0;
}

// A decimal number as the names write it: one to five digits, no sign, no leading zero. Returns
// the characters it took, 0 when the text does not start with such a number.
static int ReadDimension(const char* text, int* value)
{
    if (text[0] < '1' || text[0] > '9') {
        return 0;
    }
    int length = 0;
    int number = 0;
    while (text[length] >= '0' && text[length] <= '9') {
        if (length == 5) {
            return 0;
        }
        number = number * 10 + (text[length] - '0');
        ++length;
    }
    *value = number;
    return length;
}

// True when text begins with start, compared without regard to case, as the registry compares
// value names. The comparison reads as many characters as it is told, so a text shorter than
// start is answered first.
static bool BeginsWith(const char* text, const char* start)
{
    const int length = lstrlenA(start);
    return lstrlenA(text) >= length &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text, length, start, length) ==
               CSTR_EQUAL;
}

// The group whose words, followed by one blank, begin the name; -1 for none.
static int MatchGroup(const char* name, const char** rest)
{
    for (int group = 0; group < SkinValueGroupCount; ++group) {
        const int length = lstrlenA(groupWords[group]);
        if (BeginsWith(name, groupWords[group]) && name[length] == ' ') {
            *rest = name + length + 1;
            return group;
        }
    }
    return -1;
}

static int ReadClassicMode(const char* rest)
{
    if (!BeginsWith(rest, "Mode ")) {
        return -1;
    }
    const char digit = rest[5];
    return digit >= '1' && digit <= '3' && rest[6] == '\0' ? digit - '1' : -1;
}

int ParseSkinValueName(const char* name, int* group, int* width, int* height)
{
    if (name == nullptr) {
        return NotASkinName;
    }
    const char* rest = nullptr;
    *group = MatchGroup(name, &rest);
    if (*group < 0) {
        return NotASkinName;
    }
    const int mode = ReadClassicMode(rest);
    if (mode >= 0) {
        *width = classicSizes[mode].cx;
        *height = classicSizes[mode].cy;
        return ClassicSizeName;
    }
    // The menu asks for the size written one way, lowercase x and no padding. The registry finds
    // value names without regard to case, so a capital X is read all the same; padding is not.
    int w = 0;
    int h = 0;
    const int widthLength = ReadDimension(rest, &w);
    if (widthLength == 0 || (rest[widthLength] != 'x' && rest[widthLength] != 'X')) {
        return UnreadableSizeName;
    }
    const int heightLength = ReadDimension(rest + widthLength + 1, &h);
    if (heightLength == 0 || rest[widthLength + 1 + heightLength] != '\0') {
        return UnreadableSizeName;
    }
    *width = w;
    *height = h;
    if (ClassicMode(w, h) >= 0) {
        return ClassicSizeAsOther;
    }
    return IsAcceptedScreenSize(w, h) ? OtherSizeName : UnacceptedSizeName;
}
