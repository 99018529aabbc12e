// Drawing into a new folder and moving it into place.
#include "tileskin/skin_folder.h"

#include "tileskin/tileskin.h"

namespace {

std::string SizeText(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

bool FolderExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A skin's folder holds plain files only (this program makes no sub-folders), so one level of
// removal is all a folder of ours needs.
void RemoveFlatFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

FolderResult Refused(const std::wstring& what, const std::wstring& path, std::wstring* error)
{
    const DWORD code = GetLastError();
    *error = L"cannot " + what + L" \"" + path + L"\" (error " + std::to_wstring(code) + L")";
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

std::wstring WideName(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

FolderResult BeginSkinFolder(const std::wstring& skinsFolder, const std::string& name,
                             SkinFolder* folder, std::wstring* error)
{
    // A skin name never holds "~", so these working names never meet a skin of that name. The
    // name is plain ASCII by the tiles file's rules.
    const std::wstring id = std::to_wstring(GetCurrentProcessId());
    folder->skins = skinsFolder;
    folder->target = folder->skins + WideName(name);
    folder->work = folder->skins + L"~new-" + id + L"-" + WideName(name);
    folder->previous = folder->skins + L"~old-" + id + L"-" + WideName(name);
    folder->hadPrevious = false;
    folder->installed = false;
    if (!CreateDirectoryW(folder->skins.c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        return Refused(L"make the folder", folder->skins, error);
    }
    if (!CreateDirectoryW(folder->work.c_str(), nullptr)) {
        return Refused(L"make the folder", folder->work, error);
    }
    return FolderDone;
}

bool DrawSkinSizes(const SkinFolder& folder, const TileColours& colours, const TileFace faces[6],
                   std::vector<DrawnSize>* sizes, std::wstring* error)
{
    sizes->clear();
    const std::string base = Utf8Of(folder.work + L"\\");
    for (int index = 0; index < TileSkinSizeCount(); ++index) {
        DrawnSize size = {};
        GetTileSkinSize(index, &size.width, &size.height);
        char message[512] = {};
        if (!DrawTileSkin(&colours, faces, size.width, size.height,
                          (base + NormalFileName(size.width, size.height)).c_str(),
                          (base + SelectedFileName(size.width, size.height)).c_str(),
                          (base + TemplateFileName(size.width, size.height)).c_str(), size.rects,
                          message, sizeof message)) {
            *error = L"drawing " + WideName(SizeText(size.width, size.height)) + L" failed: " +
                     WideOfUtf8(message);
            return false;
        }
        sizes->push_back(size);
    }
    return true;
}

FolderResult InstallSkinFolder(SkinFolder* folder, std::wstring* error)
{
    if (FolderExists(folder->target)) {
        if (!MoveFileExW(folder->target.c_str(), folder->previous.c_str(), 0)) {
            const FolderResult result = Refused(L"move aside the skin folder", folder->target,
                                                error);
            RemoveFlatFolder(folder->work);
            return result;
        }
        folder->hadPrevious = true;
    }
    if (!MoveFileExW(folder->work.c_str(), folder->target.c_str(), 0)) {
        const FolderResult result = Refused(L"move into place the skin folder", folder->target,
                                            error);
        RemoveFlatFolder(folder->work);
        if (folder->hadPrevious) {
            MoveFileExW(folder->previous.c_str(), folder->target.c_str(), 0);
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
        MoveFileExW(folder->previous.c_str(), folder->target.c_str(), 0);
    }
    folder->installed = false;
}
