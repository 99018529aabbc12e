// The person's skins folder and its exact 8-bit name (the choice is written in the header).
#include "tileskin/personal_folder.h"

#include <shlobj.h>
#include <sddl.h>

#include <vector>

namespace {

// Each missing level of below is made inside base, which must exist.
bool MakeFolders(const std::wstring& base, const std::wstring& below)
{
    std::wstring path = base;
    size_t start = 0;
    while (start <= below.size()) {
        const size_t slash = below.find(L'\\', start);
        const size_t end = slash == std::wstring::npos ? below.size() : slash;
        path += L"\\" + below.substr(start, end - start);
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
        start = end + 1;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ShortForm(const std::wstring& path, ShortPathFunction shortPath, std::wstring* shortened)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = shortPath(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = shortPath(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size()) {
        return false;
    }
    shortened->assign(buffer.data(), length);
    return true;
}

bool Named(const std::wstring& wide, const std::string& ansi, SkinsFolder* folder)
{
    folder->wide = wide;
    folder->ansi = ansi;
    return true;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::wstring text;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) {
        text = path;
    }
    CoTaskMemFree(path);
    return text;
}

std::wstring AccountSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return std::wstring();
    }
    std::vector<BYTE> user(256);
    DWORD size = 0;
    std::wstring text;
    if (GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()),
                            &size)) {
        LPWSTR sid = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
            text = sid;
            LocalFree(sid);
        }
    }
    CloseHandle(token);
    return text;
}

}  // namespace

bool ExactAnsi(const std::wstring& text, std::string* ansi)
{
    ansi->clear();
    if (text.empty()) {
        return true;
    }
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(),
                                         static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         &lossy);
    if (size <= 0 || lossy) {
        return false;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                        &bytes[0], size, nullptr, &lossy);
    // Back again: a code page may map a character to bytes that read as another one.
    const int back = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size,
                                         nullptr, 0);
    std::wstring again(back > 0 ? static_cast<size_t>(back) : 0, L'\0');
    if (back <= 0 || lossy ||
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, &again[0], back) !=
            back ||
        again != text) {
        return false;
    }
    *ansi = bytes;
    return true;
}

bool ChooseSkinsFolder(const std::wstring& personalBase, const std::wstring& sharedBase,
                       const std::wstring& sid, ShortPathFunction shortPath, SkinsFolder* folder,
                       std::wstring* error)
{
    std::string ansi;
    const std::wstring personal = personalBase + L"\\Velnor\\Tilebox\\Skins";
    const bool made = !personalBase.empty() && MakeFolders(personalBase, L"Velnor\\Tilebox\\Skins");
    if (made && ExactAnsi(personal, &ansi)) {
        return Named(personal, ansi, folder);
    }
    std::wstring shortened;
    if (made && ShortForm(personal, shortPath, &shortened) && ExactAnsi(shortened, &ansi)) {
        return Named(personal, ansi, folder);
    }
    const std::wstring users = sharedBase + L"\\Velnor\\Tilebox\\Users";
    const std::wstring shared = users + L"\\" + sid + L"\\Skins";
    if (!sharedBase.empty() && !sid.empty() && MakeFolders(users, sid + L"\\Skins") &&
        ExactAnsi(shared, &ansi)) {
        return Named(shared, ansi, folder);
    }
    *error = made ? L"the folder \"" + personal +
                        L"\" has no name in this PC's code page (and no short name), and \"" +
                        users + L"\" is missing or cannot be written: reinstall Tilebox"
                  : L"cannot make the folder \"" + personal + L"\" (error " +
                        std::to_wstring(GetLastError()) + L")";
    return false;
}

bool PersonalSkinsFolder(SkinsFolder* folder, std::wstring* error)
{
    return ChooseSkinsFolder(KnownFolder(FOLDERID_LocalAppData), KnownFolder(FOLDERID_ProgramData),
                             AccountSid(), GetShortPathNameW, folder, error);
}
