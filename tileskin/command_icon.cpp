// The icon a command tile shows when Icon says nothing: the one a person expects of what the
// command starts. Every source may come up empty (a program without icons, a scheme nobody
// registered, a shell that draws no apps); the tile then keeps its action's glyph.
#include "tileskin/tileskin.h"

#include "osmant/command_line.h"
#include "tileskin/apps.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

const wchar_t appsFolderPrefix[] = L"shell:AppsFolder\\";
const size_t appsFolderPrefixLength = sizeof appsFolderPrefix / sizeof appsFolderPrefix[0] - 1;

// The largest number an icon's index is written with: resource numbers end at 65535, and no file
// holds more icons than that.
const int maxIconIndexDigits = 5;

bool StartsWith(const std::wstring& text, const wchar_t* prefix, size_t length)
{
    return text.size() >= length && _wcsnicmp(text.c_str(), prefix, length) == 0;
}

std::wstring Trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t");
    const size_t last = text.find_last_not_of(L" \t");
    return first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
}

// "-3", "+12", "7": nothing else, and no more digits than an index has.
bool ParseIndex(const std::wstring& text, int* index)
{
    size_t i = text.empty() || (text[0] != L'-' && text[0] != L'+') ? 0 : 1;
    const size_t digits = text.size() - i;
    if (digits == 0 || digits > static_cast<size_t>(maxIconIndexDigits)) {
        return false;
    }
    int value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') {
            return false;
        }
        value = value * 10 + (text[i] - L'0');
    }
    *index = text[0] == L'-' ? -value : value;
    return true;
}

// An icon location as the registry writes one: "file,index", the file perhaps quoted, perhaps
// with %SystemRoot% and the like even in a plain string value (the shell expands both kinds),
// perhaps a bare name of the system folder ("shell32.dll,-4"). Anything else is no location:
// an index that is not a number picks no icon rather than a guessed one.
bool ParseIconLocation(const std::wstring& written, std::wstring* file, int* index)
{
    const std::wstring text = Trimmed(written);
    std::wstring name;
    std::wstring rest;
    if (!text.empty() && text[0] == L'"') {
        const size_t close = text.find(L'"', 1);
        if (close == std::wstring::npos) {
            return false;
        }
        name = text.substr(1, close - 1);
        rest = Trimmed(text.substr(close + 1));
        if (!rest.empty() && rest[0] != L',') {
            return false;
        }
    } else {
        const size_t comma = text.rfind(L',');
        name = Trimmed(text.substr(0, comma));
        rest = comma == std::wstring::npos ? std::wstring() : text.substr(comma);
    }
    *index = 0;
    if (!rest.empty() && !ParseIndex(Trimmed(rest.substr(1)), index)) {
        return false;
    }
    wchar_t expanded[MAX_PATH];
    const DWORD size = ExpandEnvironmentStringsW(name.c_str(), expanded, MAX_PATH);
    if (name.empty() || size == 0 || size > MAX_PATH) {
        return false;
    }
    if (PathIsRelativeW(expanded)) {
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH || std::wcspbrk(expanded, L"\\/:") != nullptr) {
            return false;
        }
        *file = std::wstring(system) + L"\\" + expanded;
    } else {
        *file = expanded;
    }
    return true;
}

bool LoadIconLocation(const std::wstring& file, int index, TileIcon* icon)
{
    char ignored[8];
    return LoadTileIconFile(Utf8Of(file).c_str(), index, icon, ignored, sizeof ignored) == 1;
}

void LoadProgramIconOf(const std::wstring& program, TileIcon* icon)
{
    if (!program.empty()) {
        LoadProgramIcon(Utf8Of(program).c_str(), icon);
    }
}

// The icon a scheme's class declares, read as any value another program may have written: of
// any type, any length, without its terminator. Only a string that fits a path is taken.
bool DeclaredIcon(const std::wstring& scheme, std::wstring* text)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (scheme + L"\\DefaultIcon").c_str(), 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t value[MAX_PATH + 16] = {};
    DWORD size = sizeof value - sizeof value[0];
    DWORD type = REG_NONE;
    const LONG read =
        RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    value[size / sizeof value[0]] = L'\0';
    *text = value;
    return !text->empty();
}

// The program the shell opens a scheme's links with: for "http", the person's default browser.
std::wstring HandlerProgram(const std::wstring& scheme)
{
    wchar_t program[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (FAILED(AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, scheme.c_str(), L"open",
                                 program, &size))) {
        return std::wstring();
    }
    return program;
}

// A link such as "steam://run/1" or "ms-settings:display": the icon its class declares, which is
// what the shell shows for it, else its handler program's own. A web address: the browser's.
void LoadLinkIcon(const std::wstring& command, TileIcon* icon)
{
    const std::wstring scheme = command.substr(0, command.find(L':'));
    if (scheme.size() > 255) { // longer than any registry key's name
        return;
    }
    // A web address shows the browser, never the icon the http class declares (a generic page
    // of the system's); https shares the browser the shell keeps under "http".
    if (_wcsicmp(scheme.c_str(), L"http") == 0 || _wcsicmp(scheme.c_str(), L"https") == 0) {
        LoadProgramIconOf(HandlerProgram(L"http"), icon);
        return;
    }
    std::wstring declared;
    std::wstring file;
    int index = 0;
    if (DeclaredIcon(scheme, &declared) && ParseIconLocation(declared, &file, &index) &&
        LoadIconLocation(file, index, icon)) {
        return;
    }
    LoadProgramIconOf(HandlerProgram(scheme), icon);
}

// The folder a command names, by the launch library's own rule, which hands such a command to
// the shell to open in a window; empty when it names none.
std::wstring FolderOfCommand(const std::string& command)
{
    char expanded[4096]; // the launch library's own room for an expanded command
    CommandProgram program = {};
    if (!ExpandWhole(expanded, sizeof expanded, command.c_str()) ||
        !FindCommandProgram(SkipBlanks(expanded), &program) || program.path[0] != '\0' ||
        !IsPathName(program.name)) {
        return std::wstring();
    }
    const DWORD attributes = GetFileAttributesA(program.name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
               ? WideFromAnsi(program.name)
               : std::wstring();
}

// Icons are taken by the file and index the shell names, never as the icon handle it could hand
// over, which is one size (32 pixels): from the file every size is read and the largest taken.
// First the icon the shell reports for this folder, which is the one its window shows (a folder
// given an icon of its own included); when that names no file, as it may for a plain folder, the
// system's folder icon. Wine names the folder icon by the first and answers the second with a
// page's icon for every kind.
void LoadFolderIcon(const std::wstring& folder, TileIcon* icon)
{
    SHFILEINFOW own = {};
    if (SHGetFileInfoW(folder.c_str(), 0, &own, sizeof own, SHGFI_ICONLOCATION) != 0 &&
        own.szDisplayName[0] != L'\0' && LoadIconLocation(own.szDisplayName, own.iIcon, icon)) {
        return;
    }
    SHSTOCKICONINFO stock = {};
    stock.cbSize = sizeof stock;
    if (SUCCEEDED(SHGetStockIconInfo(SIID_FOLDER, SHGSI_ICONLOCATION, &stock))) {
        LoadIconLocation(stock.szPath, stock.iIcon, icon);
    }
}

// A Store app has no file of its own to read an icon from: the shell draws its logo, asked for at
// the largest size any screen shows it.
void LoadAppImage(const std::wstring& command, TileIcon* icon)
{
    HBITMAP image = appsPlatform.appImage(command.c_str(), LargestTileIconSide());
    if (image != nullptr) {
        TileIconOfBitmap(image, icon);
        DeleteObject(image);
    }
}

} // namespace

void LoadCommandIcon(const TileSpec& tile, const std::string& command, TileIcon* icon)
{
    if (!tile.appIcon.empty() && LoadIconLocation(tile.appIcon, tile.appIconIndex, icon)) {
        return;
    }
    if (StartsWith(tile.command, appsFolderPrefix, appsFolderPrefixLength)) {
        LoadAppImage(tile.command, icon);
        return;
    }
    if (IsLinkCommand(tile.command)) {
        LoadLinkIcon(tile.command, icon);
        return;
    }
    const std::wstring folder = FolderOfCommand(command);
    if (!folder.empty()) {
        LoadFolderIcon(folder, icon);
    } else {
        LoadProgramIconOf(WideFromAnsi(ProgramOfCommand(command)), icon);
    }
}
