// The skin's folder below the program's: drawn whole into a new folder, then moved into place, so
// that the menu never meets a half-made skin and a failure leaves the previous one untouched.
#pragma once

#include "tileskin/draw/tile_draw.h"

#include <windows.h>

#include <string>
#include <vector>

struct DrawnSize {
    int width;
    int height;
    RECT rects[6];
};

enum FolderResult { FolderDone, FolderDenied, FolderFailed };

// The file names of one size's pictures inside a skin's folder.
std::string NormalFileName(int width, int height);
std::string SelectedFileName(int width, int height);
std::string TemplateFileName(int width, int height);
std::wstring WideName(const std::string& ascii);

// Paths are wide: the file calls take any folder a person has.
struct SkinFolder {
    std::wstring skins;     // the folder of skins (ends with a backslash)
    std::wstring target;    // <skins><Name>
    std::wstring work;      // where the new pictures are drawn
    std::wstring previous;  // where the previous skin of that name waits until the settings are in
    bool hadPrevious;
    bool installed;
};

// Makes the work folder inside skinsFolder (the program's skins\ or the person's own, ending in
// a backslash). FolderDenied when that folder cannot be written.
FolderResult BeginSkinFolder(const std::wstring& skinsFolder, const std::string& name,
                             SkinFolder* folder, std::wstring* error);

// Draws every size into the work folder.
bool DrawSkinSizes(const SkinFolder& folder, const TileColours& colours, const TileFace faces[6],
                   std::vector<DrawnSize>* sizes, std::wstring* error);

// Puts the work folder in place of skins\<Name>, keeping the previous one aside.
FolderResult InstallSkinFolder(SkinFolder* folder, std::wstring* error);

// After the settings are written: the previous skin goes. After a failure: the new one goes and
// the previous one comes back.
void KeepSkinFolder(SkinFolder* folder);
void AbandonSkinFolder(SkinFolder* folder);
