// Drawing into a new folder and moving the pictures into place, checking every step.
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

// The pictures of ours in a folder, by name; a person's other files are not listed.
std::vector<std::wstring> PicturesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                IsSkinMakerFile(found.cFileName)) {
                names.push_back(found.cFileName);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return names;
}

// Our pictures go, then the folder, which stays when anything else is in it.
void RemovePictures(const std::wstring& folder)
{
    for (const std::wstring& name : PicturesIn(folder)) {
        DeleteFileW((folder + L"\\" + name).c_str());
    }
    RemoveDirectoryW(folder.c_str());
}

FolderResult HeldBy(const std::wstring& path, std::wstring* error)
{
    *error = L"\"" + path + L"\" is open in another program: close the program that holds it and "
             L"run tileskin again";
    return FolderHeld;
}

// A refusal for want of rights is told apart from a file another program holds.
FolderResult Refused(const std::wstring& what, const std::wstring& path, std::wstring* error)
{
    const DWORD code = GetLastError();
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
        return HeldBy(path, error);
    }
    *error = L"cannot " + what + L" \"" + path + L"\" (error " + std::to_wstring(code) + L")";
    return code == ERROR_ACCESS_DENIED ? FolderDenied : FolderFailed;
}

// A file that another program holds open without letting it be deleted (an image viewer, an
// editor) cannot be replaced. Opening it for deletion, with every kind of sharing offered, fails
// exactly then, and changes nothing.
bool IsHeld(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                                        FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    const DWORD code = GetLastError();
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

bool Move(const std::wstring& from, const std::wstring& to)
{
    return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

// Puts each moved-in picture back out of the target and each set-aside one back in; every step
// that fails is told.
std::wstring Undo(SkinFolder* folder)
{
    std::wstring left;
    for (const std::wstring& name : folder->movedIn) {
        if (!DeleteFileW((folder->target + L"\\" + name).c_str())) {
            left += L"; the new picture \"" + folder->target + L"\\" + name + L"\" stayed (error " +
                    std::to_wstring(GetLastError()) + L")";
        }
    }
    folder->movedIn.clear();
    for (const std::wstring& name : folder->setAside) {
        if (!Move(folder->previous + L"\\" + name, folder->target + L"\\" + name)) {
            left += L"; the previous picture \"" + name + L"\" is still in \"" + folder->previous +
                    L"\" (error " + std::to_wstring(GetLastError()) + L")";
        }
    }
    folder->setAside.clear();
    if (left.empty()) {
        RemoveDirectoryW(folder->previous.c_str());
    }
    RemovePictures(folder->work);
    if (folder->madeTarget && !RemoveDirectoryW(folder->target.c_str())) {
        left += L"; the new folder \"" + folder->target + L"\" stayed";
    }
    return left.empty() ? left : L"putting the previous skin back was not complete" + left;
}

// Whether the run of that id still runs. Ids of ended processes are reused, so a live id may be
// another program's: its folders then wait for a later run, which does no harm.
bool IsRunning(DWORD processId)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) {
        return false;
    }
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
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

bool IsSkinMakerFile(const std::wstring& name)
{
    size_t at = 0;
    for (const wchar_t* kind : {L"normal-", L"selected-", L"template-"}) {
        if (name.compare(0, lstrlenW(kind), kind) == 0) {
            at = lstrlenW(kind);
        }
    }
    const auto digits = [&](wchar_t stop) {
        const size_t start = at;
        while (at < name.size() && name[at] >= L'0' && name[at] <= L'9') {
            ++at;
        }
        return at > start && at < name.size() && name[at++] == stop;
    };
    return at > 0 && digits(L'x') && digits(L'.') && lstrcmpiW(name.c_str() + at, L"bmp") == 0;
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
    folder->madeTarget = false;
    folder->setAside.clear();
    folder->movedIn.clear();
    folder->installed = false;
    if (!CreateDirectoryW(folder->skins.c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        return Refused(L"make the folder", folder->skins, error);
    }
    CleanLeftovers(folder->skins);
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
    const std::vector<std::wstring> previous = PicturesIn(folder->target);
    for (const std::wstring& name : previous) {
        if (IsHeld(folder->target + L"\\" + name)) {
            RemovePictures(folder->work);
            return HeldBy(folder->target + L"\\" + name, error);
        }
    }
    if (!FolderExists(folder->target)) {
        if (!CreateDirectoryW(folder->target.c_str(), nullptr)) {
            const FolderResult result = Refused(L"make the folder", folder->target, error);
            RemovePictures(folder->work);
            return result;
        }
        folder->madeTarget = true;
    }
    if (!previous.empty() && !CreateDirectoryW(folder->previous.c_str(), nullptr)) {
        const FolderResult result = Refused(L"make the folder", folder->previous, error);
        const std::wstring left = Undo(folder);
        *error += left.empty() ? L"" : L"; " + left;
        return result;
    }
    // Every picture of the previous skin is set aside, also those of sizes not drawn now: they
    // are this program's, and would otherwise stay beside the new skin unnamed.
    for (const std::wstring& name : previous) {
        if (!Move(folder->target + L"\\" + name, folder->previous + L"\\" + name)) {
            const FolderResult result = Refused(L"move aside", folder->target + L"\\" + name,
                                                error);
            const std::wstring left = Undo(folder);
            *error += left.empty() ? L"" : L"; " + left;
            return result;
        }
        folder->setAside.push_back(name);
    }
    for (const std::wstring& name : PicturesIn(folder->work)) {
        if (!Move(folder->work + L"\\" + name, folder->target + L"\\" + name)) {
            const FolderResult result = Refused(L"move into place", folder->target + L"\\" + name,
                                                error);
            const std::wstring left = Undo(folder);
            *error += left.empty() ? L"" : L"; " + left;
            return result;
        }
        folder->movedIn.push_back(name);
    }
    RemoveDirectoryW(folder->work.c_str());
    folder->installed = true;
    return FolderDone;
}

std::wstring KeepSkinFolder(SkinFolder* folder)
{
    std::wstring left;
    for (const std::wstring& name : folder->setAside) {
        if (!DeleteFileW((folder->previous + L"\\" + name).c_str())) {
            left += L"; \"" + folder->previous + L"\\" + name + L"\" stayed (error " +
                    std::to_wstring(GetLastError()) + L"): the next run removes it";
        }
    }
    folder->setAside.clear();
    RemoveDirectoryW(folder->previous.c_str());
    return left.empty() ? left : L"the previous pictures were not all removed" + left;
}

std::wstring AbandonSkinFolder(SkinFolder* folder)
{
    folder->installed = false;
    return Undo(folder);
}

void CleanLeftovers(const std::wstring& skinsFolder)
{
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((skinsFolder + L"~*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<std::wstring> names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const std::wstring& name : names) {
        // "~new-<id>-<Name>" or "~old-<id>-<Name>"; anything else is not ours.
        const bool isNew = name.compare(0, 5, L"~new-") == 0;
        const bool isOld = name.compare(0, 5, L"~old-") == 0;
        const size_t dash = name.find(L'-', 5);
        if ((!isNew && !isOld) || dash == std::wstring::npos || dash == 5 || dash + 1 >= name.size() ||
            IsRunning(wcstoul(name.c_str() + 5, nullptr, 10))) {
            continue;
        }
        const std::wstring folder = skinsFolder + name;
        if (isOld) {
            // A run ended between setting pictures aside and keeping or undoing: a picture its
            // skin's folder lacks goes back there; one the folder has again is the older one.
            const std::wstring target = skinsFolder + name.substr(dash + 1);
            for (const std::wstring& picture : PicturesIn(folder)) {
                const std::wstring home = target + L"\\" + picture;
                if (GetFileAttributesW(home.c_str()) == INVALID_FILE_ATTRIBUTES) {
                    CreateDirectoryW(target.c_str(), nullptr);
                    Move(folder + L"\\" + picture, home);
                }
            }
        }
        RemovePictures(folder);
    }
}
