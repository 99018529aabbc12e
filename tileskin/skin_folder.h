// A skin's folder: the pictures drawn whole into a new folder first, so that a failure while
// drawing leaves the skin as it was, then moved into the skin's folder file by file (a moment's
// work, before the settings name them), so that a person's own files in the folder stay. Only
// files this program makes (the names below) are ever replaced or removed.
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

// FolderHeld: a file of the skin is held open by another program (an image viewer), which is
// no matter of rights.
enum FolderResult { FolderDone, FolderDenied, FolderHeld, FolderFailed };

// The file names of one size's pictures inside a skin's folder.
std::string NormalFileName(int width, int height);
std::string SelectedFileName(int width, int height);
std::string TemplateFileName(int width, int height);
std::wstring WideName(const std::string& ascii);
// True for a name this program makes in a skin's folder: normal-, selected- or template-WxH.bmp.
bool IsSkinMakerFile(const std::wstring& name);

// Paths are wide: the file calls take any folder a person has.
struct SkinFolder {
    std::wstring skins;     // the folder of skins (ends with a backslash)
    std::wstring target;    // <skins><Name>
    std::wstring work;      // where the new pictures are drawn
    std::wstring previous;  // where the previous pictures wait until the settings are in
    bool madeTarget;                     // the skin's folder is new with this run
    std::vector<std::wstring> setAside;  // pictures moved from target to previous
    std::vector<std::wstring> movedIn;   // pictures moved from work to target
    bool installed;
};

// Makes the work folder inside skinsFolder (the program's skins\ or the person's own, ending in
// a backslash). FolderDenied when that folder cannot be written. First cleans what an interrupted
// run left there (see CleanLeftovers).
FolderResult BeginSkinFolder(const std::wstring& skinsFolder, const std::string& name,
                             SkinFolder* folder, std::wstring* error);

// Draws every size into the work folder.
bool DrawSkinSizes(const SkinFolder& folder, const TileColours& colours, const TileFace faces[6],
                   std::vector<DrawnSize>* sizes, std::wstring* error);

// Moves the new pictures into the skin's folder, setting the previous ones aside. Every picture to
// be replaced is checked first: one held by another program gives FolderHeld, naming it, and
// nothing changes. A failure later puts back what was moved (see AbandonSkinFolder).
FolderResult InstallSkinFolder(SkinFolder* folder, std::wstring* error);

// After the settings are written: the previous pictures go. After a failure: the new ones go and
// the previous ones come back. Each step is checked; a step that fails is told in the returned
// text (what was left where), empty when all went back.
std::wstring KeepSkinFolder(SkinFolder* folder);
std::wstring AbandonSkinFolder(SkinFolder* folder);

// Working folders ("~new-<id>-<Name>", "~old-<id>-<Name>") of runs that are no longer running:
// new pictures go; set-aside pictures go back where their skin's folder lacks them, else go.
void CleanLeftovers(const std::wstring& skinsFolder);
