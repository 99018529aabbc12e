// The apps of the Start menu and of the shell's apps folder, and the choice of one by its name.
#include "tileskin/apps.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <shlwapi.h>

#include <algorithm>

namespace {

std::wstring Folded(const std::wstring& text)
{
    std::wstring folded = text;
    if (!folded.empty()) {
        // The system's own folding, as Explorer compares names, for every script.
        CharLowerBuffW(&folded[0], static_cast<DWORD>(folded.size()));
    }
    return folded;
}

bool EndsWithLnk(const std::wstring& name)
{
    return name.size() > 4 && Folded(name.substr(name.size() - 4)) == L".lnk";
}

// A shortcut's target and arguments; false for a shortcut to no file (a shell item, or an
// installer's advertised entry), which has no program a command line could name.
bool ReadShortcut(const std::wstring& path, AppEntry* app, std::wstring* arguments)
{
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    IPersistFile* file = nullptr;
    bool read = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t raw[MAX_PATH] = {};
        wchar_t args[INFOTIPSIZE] = {};
        // The raw path, expanded here: a shortcut may keep %ProgramFiles% in it, and the tile's
        // command names the program this PC has.
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
            link->GetPath(raw, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK && raw[0] != L'\0' &&
            SUCCEEDED(link->GetArguments(args, INFOTIPSIZE))) {
            wchar_t expanded[MAX_PATH] = {};
            const DWORD size = ExpandEnvironmentStringsW(raw, expanded, MAX_PATH);
            if (size > 0 && size <= MAX_PATH) {
                app->program = expanded;
                *arguments = args;
                read = true;
            }
            // The icon the Start menu shows for the shortcut, when it declares one.
            wchar_t icon[MAX_PATH] = {};
            int index = 0;
            if (read && SUCCEEDED(link->GetIconLocation(icon, MAX_PATH, &index)) &&
                icon[0] != L'\0' &&
                ExpandEnvironmentStringsW(icon, expanded, MAX_PATH) - 1 < MAX_PATH - 1) {
                app->iconFile = expanded;
                app->iconIndex = index;
            }
        }
        file->Release();
    }
    link->Release();
    return read;
}

// Shortcuts in the folder and below it; depth keeps a folder linked into itself from looping.
void ListShortcuts(const std::wstring& folder, int depth, std::vector<AppEntry>* apps)
{
    if (depth > 8) {
        return;
    }
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        const std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != L"." && name != L".." &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                ListShortcuts(path, depth + 1, apps);
            }
        } else if (EndsWithLnk(name)) {
            AppEntry app = {};
            std::wstring arguments;
            if (ReadShortcut(path, &app, &arguments)) {
                app.name = name.substr(0, name.size() - 4);
                app.command = ShortcutCommand(app.program, arguments);
                apps->push_back(app);
            }
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void ListStartMenu(REFKNOWNFOLDERID id, std::vector<AppEntry>* apps)
{
    PWSTR folder = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &folder))) {
        ListShortcuts(folder, 0, apps);
    }
    CoTaskMemFree(folder);
}

std::wstring NameOf(IShellFolder* folder, PCUITEMID_CHILD child, SHGDNF flags)
{
    STRRET name = {};
    PWSTR text = nullptr;
    std::wstring result;
    if (SUCCEEDED(folder->GetDisplayNameOf(child, flags, &name)) &&
        SUCCEEDED(StrRetToStrW(&name, child, &text))) {
        result = text;
    }
    CoTaskMemFree(text);
    return result;
}

bool ListAppsFolderOfShell(std::vector<AppsFolderItem>* items)
{
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(SHGetKnownFolderIDList(FOLDERID_AppsFolder, 0, nullptr, &list))) {
        return false;
    }
    IShellFolder* desktop = nullptr;
    IShellFolder* folder = nullptr;
    IEnumIDList* children = nullptr;
    bool listed = false;
    if (SUCCEEDED(SHGetDesktopFolder(&desktop)) &&
        SUCCEEDED(desktop->BindToObject(list, nullptr, IID_IShellFolder,
                                        reinterpret_cast<void**>(&folder))) &&
        folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &children) == S_OK &&
        children != nullptr) {
        listed = true;
        PITEMID_CHILD child = nullptr;
        while (children->Next(1, &child, nullptr) == S_OK) {
            AppsFolderItem item;
            item.parsingName = NameOf(folder, child, SHGDN_INFOLDER | SHGDN_FORPARSING);
            item.name = NameOf(folder, child, SHGDN_NORMAL);
            items->push_back(item);
            CoTaskMemFree(child);
        }
    }
    if (children != nullptr) {
        children->Release();
    }
    if (folder != nullptr) {
        folder->Release();
    }
    if (desktop != nullptr) {
        desktop->Release();
    }
    CoTaskMemFree(list);
    return listed;
}

// A Store app keeps its logo in several sizes inside its package, which only the shell knows how
// to choose from. The icon alone, never a thumbnail of some content; a larger image than asked
// is welcome, since the drawing scales down well and up poorly.
HBITMAP AppImageOfShell(const wchar_t* parsingName, int side)
{
    IShellItemImageFactory* factory = nullptr;
    if (FAILED(SHCreateItemFromParsingName(parsingName, nullptr, IID_IShellItemImageFactory,
                                           reinterpret_cast<void**>(&factory)))) {
        return nullptr;
    }
    HBITMAP image = nullptr;
    if (FAILED(factory->GetImage(SIZE{side, side}, SIIGBF_ICONONLY | SIIGBF_BIGGERSIZEOK,
                                 &image))) {
        image = nullptr;
    }
    factory->Release();
    return image;
}

// A Store app's identity, "Publisher.App_id!App". The folder's other items are desktop programs,
// named by a path or by a program's own identity, which the Start menu's shortcuts give with
// their targets; a path is no identity the shell could start by its apps folder.
bool IsStoreApp(const AppsFolderItem& item)
{
    const size_t bang = item.parsingName.find(L'!');
    return bang != std::wstring::npos && bang > 0 && bang + 1 < item.parsingName.size() &&
           item.parsingName.find_first_of(L"\\/: \t\"") == std::wstring::npos &&
           !item.name.empty();
}

// Levenshtein distance over the folded names, in one row.
size_t EditDistance(const std::wstring& a, const std::wstring& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min(std::min(row[j] + 1, row[j - 1] + 1),
                              diagonal + (a[i - 1] == b[j - 1] ? 0 : 1));
            diagonal = above;
        }
    }
    return row[b.size()];
}

bool ByName(const AppEntry& a, const AppEntry& b)
{
    const std::wstring x = Folded(a.name);
    const std::wstring y = Folded(b.name);
    return x != y ? x < y : (a.name != b.name ? a.name < b.name : a.command < b.command);
}

}  // namespace

AppsPlatform appsPlatform = {ListAppsFolderOfShell, AppImageOfShell};

std::wstring ShortcutCommand(const std::wstring& target, const std::wstring& arguments)
{
    const bool blank = target.find_first_of(L" \t") != std::wstring::npos;
    const std::wstring program = blank ? L"\"" + target + L"\"" : target;
    return arguments.empty() ? program : program + L" " + arguments;
}

std::vector<AppEntry> ListApps()
{
    std::vector<AppEntry> apps;
    ListStartMenu(FOLDERID_StartMenu, &apps);
    ListStartMenu(FOLDERID_CommonStartMenu, &apps);
    std::vector<AppsFolderItem> items;
    // An apps folder that cannot be read (Windows 7, or Wine) has no Store apps to offer.
    if (appsPlatform.listAppsFolder(&items)) {
        for (const AppsFolderItem& item : items) {
            if (IsStoreApp(item)) {
                apps.push_back(AppEntry{item.name, L"shell:AppsFolder\\" + item.parsingName, L"",
                                        L"", 0});
            }
        }
    }
    std::sort(apps.begin(), apps.end(), ByName);
    apps.erase(std::unique(apps.begin(), apps.end(),
                           [](const AppEntry& a, const AppEntry& b) {
                               return a.name == b.name && a.command == b.command;
                           }),
               apps.end());
    return apps;
}

AppMatch FindApp(const std::vector<AppEntry>& apps, const std::wstring& name, AppEntry* found,
                 std::vector<std::wstring>* nearest)
{
    nearest->clear();
    const std::wstring wanted = Folded(name);
    std::vector<const AppEntry*> alike;
    std::vector<const AppEntry*> exact;
    for (const AppEntry& app : apps) {
        if (Folded(app.name) == wanted) {
            alike.push_back(&app);
            if (app.name == name) {
                exact.push_back(&app);
            }
        }
    }
    const std::vector<const AppEntry*>& chosen = exact.empty() ? alike : exact;
    if (!chosen.empty()) {
        bool same = true;
        for (const AppEntry* app : chosen) {
            same = same && app->command == chosen[0]->command;
        }
        if (same) {
            *found = *chosen[0];
            return AppFound;
        }
        for (size_t i = 0; i < chosen.size() && i < 5; ++i) {
            nearest->push_back(chosen[i]->name + L" = " + chosen[i]->command);
        }
        return AppAmbiguous;
    }
    // Nearest first: names that begin with what was written, then by edit distance, then by name.
    std::vector<std::pair<size_t, std::wstring>> ranked;
    for (const AppEntry& app : apps) {
        const std::wstring folded = Folded(app.name);
        const size_t prefix = folded.compare(0, wanted.size(), wanted) == 0 ? 0 : 1;
        ranked.push_back(std::make_pair(prefix * 1000000 + EditDistance(wanted, folded),
                                        app.name));
    }
    std::sort(ranked.begin(), ranked.end());
    for (const auto& entry : ranked) {
        if (nearest->size() == 5) {
            break;
        }
        if (std::find(nearest->begin(), nearest->end(), entry.second) == nearest->end()) {
            nearest->push_back(entry.second);
        }
    }
    return AppUnknown;
}
