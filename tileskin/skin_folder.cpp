// Drawing into a new folder and moving it into place.
#include "tileskin/skin_folder.h"

namespace {

std::string SizeText(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

bool FolderExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A skin's folder holds plain files only (this program makes no sub-folders), so one level of
// removal is all a folder of ours needs.
void RemoveFlatFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

FolderResult Refused(const std::string& what, const std::string& path, std::string* error)
{
    const DWORD code = GetLastError();
    *error = "cannot " + what + " \"" + path + "\" (error " + std::to_string(code) + ")";
    return code == ERROR_ACCESS_DENIED ? FolderDenied : FolderFailed;
}

}  // namespace

std::string NormalFileName(int width, int height)
{
    return "normal-" + SizeText(width, height) + ".bmp";
}

std::string SelectedFileName(int width, int height)
{
    return "selected-" + SizeText(width, height) + ".bmp";
}

std::string TemplateFileName(int width, int height)
{
    return "template-" + SizeText(width, height) + ".bmp";
}

FolderResult BeginSkinFolder(const std::string& programFolder, const std::string& name,
                             SkinFolder* folder, std::string* error)
{
    // A skin name never holds "~", so these working names never meet a skin of that name.
    const std::string id = std::to_string(GetCurrentProcessId());
    folder->skins = programFolder + "skins\\";
    folder->target = folder->skins + name;
    folder->work = folder->skins + "~new-" + id + "-" + name;
    folder->previous = folder->skins + "~old-" + id + "-" + name;
    folder->hadPrevious = false;
    folder->installed = false;
    if (!CreateDirectoryA(folder->skins.c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        return Refused("make the folder", folder->skins, error);
    }
    if (!CreateDirectoryA(folder->work.c_str(), nullptr)) {
        return Refused("make the folder", folder->work, error);
    }
    return FolderDone;
}

bool DrawSkinSizes(const SkinFolder& folder, const TileColours& colours, const TileFace faces[6],
                   std::vector<DrawnSize>* sizes, std::string* error)
{
    sizes->clear();
    const std::string base = folder.work + "\\";
    for (int index = 0; index < TileSkinSizeCount(); ++index) {
        DrawnSize size = {};
        GetTileSkinSize(index, &size.width, &size.height);
        char message[512] = {};
        if (!DrawTileSkin(&colours, faces, size.width, size.height,
                          (base + NormalFileName(size.width, size.height)).c_str(),
                          (base + SelectedFileName(size.width, size.height)).c_str(),
                          (base + TemplateFileName(size.width, size.height)).c_str(), size.rects,
                          message, sizeof message)) {
            *error = "drawing " + SizeText(size.width, size.height) + " failed: " + message;
            return false;
        }
        sizes->push_back(size);
    }
    return true;
}

FolderResult InstallSkinFolder(SkinFolder* folder, std::string* error)
{
    if (FolderExists(folder->target)) {
        if (!MoveFileExA(folder->target.c_str(), folder->previous.c_str(), 0)) {
            const FolderResult result = Refused("move aside the skin folder", folder->target,
                                                error);
            RemoveFlatFolder(folder->work);
            return result;
        }
        folder->hadPrevious = true;
    }
    if (!MoveFileExA(folder->work.c_str(), folder->target.c_str(), 0)) {
        const FolderResult result = Refused("move into place the skin folder", folder->target,
                                            error);
        RemoveFlatFolder(folder->work);
        if (folder->hadPrevious) {
            MoveFileExA(folder->previous.c_str(), folder->target.c_str(), 0);
        }
        return result;
    }
    folder->installed = true;
    return FolderDone;
}

void KeepSkinFolder(SkinFolder* folder)
{
    if (folder->hadPrevious) {
        RemoveFlatFolder(folder->previous);
    }
}

void AbandonSkinFolder(SkinFolder* folder)
{
    if (!folder->installed) {
        RemoveFlatFolder(folder->work);
        return;
    }
    RemoveFlatFolder(folder->target);
    if (folder->hadPrevious) {
        MoveFileExA(folder->previous.c_str(), folder->target.c_str(), 0);
    }
    folder->installed = false;
}
