// tileskin.exe [--reg FILE] [--machine] [--no-restart] TILES.INI
// tileskin.exe --reset [--no-restart]
// tileskin.exe --apps                  (the names App= accepts, each with what it runs)
// tileskinw.exe --edit | --apply       (the Start menu's entries; no console, the outcome shown in
//                                       a window)
//
// Reads the tiles file, draws the skin into a folder of skins, and writes the settings that name
// it. A person's own skin goes to their own folder (tileskin/personal_folder.h), named by absolute
// paths, and needs no administrator; a skin for every user of the PC (--machine) or for a .reg
// file to deploy (--reg) goes to skins\<Name>\ in the program's folder, named relative to it.
// Order matters: every file is in place before the first setting is written, and a failure at any
// step puts back what the earlier steps changed. Arguments and paths are wide throughout, so a
// file or folder named in any script is found.
#include "skin/skin.h"
#include "tileskin/apps.h"
#include "tileskin/elevation.h"
#include "tileskin/personal_folder.h"
#include "tileskin/settings.h"
#include "tileskin/skin_folder.h"
#include "tileskin/tileskin.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Options {
    std::wstring tilesPath;
    std::wstring regPath;
    bool machine;
    bool noRestart;
    bool defaultSkin;
    bool reset;
    bool edit;
    bool apply;
    bool apps;
    std::wstring elevatedPart;  // the messages file, when this run is the elevated part
    std::vector<std::wstring> arguments;  // as given, for the elevated part
};

// The elevated part's messages go to the file its unelevated starter reads: its own console is
// hidden, and may belong to another account.
HANDLE messagesFile = INVALID_HANDLE_VALUE;

// tileskinw.exe, the same program built without a console for the Start menu: a person never
// needs a command prompt. What it says is gathered and shown in one window at the end.
#ifdef TILESKIN_WINDOWED
const bool windowed = true;
#else
const bool windowed = false;
#endif
std::wstring shown;

// The program folder's skins\Default is the installer's: only the build, making the skin the
// installer ships, may write it. Anyone else's "Default" would stand under the installer's
// settings for every account, and an upgrade or uninstall would replace or remove it.
const char installerSkinName[] = "Default";

// Text for the person: to the console as wide text when there is one, otherwise UTF-8, so that a
// label in any script survives a redirection.
void SayTo(DWORD stream, const std::wstring& text)
{
    const std::wstring line = text + L"\r\n";
    if (windowed && messagesFile == INVALID_HANDLE_VALUE) {
        shown += line;
        return;
    }
    HANDLE out = messagesFile != INVALID_HANDLE_VALUE ? messagesFile : GetStdHandle(stream);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size > 0) {
        std::string bytes(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &bytes[0],
                            size, nullptr, nullptr);
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

void Say(const std::wstring& text)
{
    SayTo(STD_ERROR_HANDLE, text);
}

void SayIfAny(const std::wstring& text)
{
    if (!text.empty()) {
        Say(text);
    }
}

void SayProblem(const Problem& problem)
{
    const std::wstring where =
        problem.line > 0 ? problem.file + L", line " + std::to_wstring(problem.line)
                         : problem.file;
    Say(where + L": " + problem.what);
}

std::wstring ProgramFolder()
{
    wchar_t path[32768] = {};
    const DWORD size = GetModuleFileNameW(nullptr, path, 32768);
    if (size == 0 || size >= 32768) {
        return std::wstring();
    }
    return FolderOf(std::wstring(path));
}

std::wstring ProgramPath()
{
    wchar_t path[32768] = {};
    const DWORD size = GetModuleFileNameW(nullptr, path, 32768);
    return size == 0 || size >= 32768 ? std::wstring() : std::wstring(path);
}

int Usage(const std::wstring& folder)
{
    Say(L"usage: tileskin.exe [--reg FILE] [--machine] [--no-restart] TILES.INI\r\n"
        L"  Makes a skin of six tiles from TILES.INI, yours alone: its pictures go to your own "
        L"folder, its settings to your own settings. No administrator is needed.\r\n"
        L"  --reg FILE    write the settings into FILE (a .reg file to deploy) instead; the "
        L"pictures go to skins\\<Name>\\ in the program's folder\r\n"
        L"  --machine     make the skin for every user of this PC: pictures in the program's "
        L"folder, settings machine-wide (Windows asks for an administrator)\r\n"
        L"  --no-restart  leave a running menu as it is\r\n"
        L"tileskin.exe --reset [--no-restart]\r\n"
        L"  Removes your own skin settings, so that the machine's skin shows again.\r\n"
        L"tileskin.exe --apps\r\n"
        L"  Lists the names a tile's App= accepts, one a line: the name, a tab, what it runs.\r\n"
        L"Start from the example: copy " + folder + L"default-tiles.ini into your "
        L"Documents, change it, and run tileskin on the copy.");
    return ExitBadInput;
}

bool ParseOptions(int argc, wchar_t** argv, Options* options)
{
    *options = Options();
    options->arguments.assign(argv + 1, argv + argc);
    for (int i = 1; i < argc; ++i) {
        const std::wstring word = argv[i];
        if (lstrcmpiW(word.c_str(), L"--reg") == 0 && i + 1 < argc && options->regPath.empty()) {
            options->regPath = argv[++i];
        } else if (lstrcmpiW(word.c_str(), elevatedPartOption) == 0 && i + 1 < argc &&
                   options->elevatedPart.empty()) {
            options->elevatedPart = argv[++i];
        } else if (lstrcmpiW(word.c_str(), L"--machine") == 0) {
            options->machine = true;
        } else if (lstrcmpiW(word.c_str(), L"--no-restart") == 0) {
            options->noRestart = true;
        } else if (lstrcmpiW(word.c_str(), L"--default-skin") == 0) {
            options->defaultSkin = true;
        } else if (lstrcmpiW(word.c_str(), L"--reset") == 0) {
            options->reset = true;
        } else if (lstrcmpiW(word.c_str(), L"--edit") == 0) {
            options->edit = true;
        } else if (lstrcmpiW(word.c_str(), L"--apply") == 0) {
            options->apply = true;
        } else if (lstrcmpiW(word.c_str(), L"--apps") == 0) {
            options->apps = true;
        } else if (word.compare(0, 2, L"--") != 0 && options->tilesPath.empty() && !word.empty()) {
            options->tilesPath = word;
        } else {
            return false;
        }
    }
    if (options->reset || options->edit || options->apply || options->apps) {
        return options->tilesPath.empty() && options->regPath.empty() && !options->machine &&
               options->reset + options->edit + options->apply + options->apps == 1;
    }
    return !options->tilesPath.empty();
}

void RestartUnlessAsked(const Options& options, const wchar_t* done)
{
    if (options.noRestart) {
        return;
    }
    std::string restartError;
    const RestartResult restarted = RestartRunningMenu(&restartError);
    if (restarted == RestartFailed) {
        Say(WideFromAnsi(restartError));
    } else if (restarted == RestartDone) {
        Say(done);
    }
}

// The person's own tiles file: Documents\Tilebox\My tiles.ini. The known folder follows a
// Documents folder moved elsewhere (to OneDrive, say), as every program's Documents does.
std::wstring PersonalTilesFile()
{
    PWSTR documents = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr,
                                       &documents))) {
        path = std::wstring(documents) + L"\\Tilebox\\My tiles.ini";
    }
    CoTaskMemFree(documents);
    return path;
}

// Opens the person's tiles file in their editor, made from the example on first use. The
// editor is the one the system gives .ini files to edit in, or Notepad, which every PC has.
int EditTiles()
{
    const std::wstring path = PersonalTilesFile();
    if (path.empty()) {
        Say(L"your Documents folder cannot be found");
        return ExitBadInput;
    }
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const std::wstring example = ProgramFolder() + L"default-tiles.ini";
        CreateDirectoryW(FolderOf(path).c_str(), nullptr);
        if (!CopyFileW(example.c_str(), path.c_str(), TRUE)) {
            Say(L"cannot copy the example \"" + example + L"\" to \"" + path + L"\" (error " +
                std::to_wstring(GetLastError()) + L")");
            return ExitBadInput;
        }
        // A copy keeps the attributes of a file that is read-only where the program stands; the
        // person's own copy is theirs to change.
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    const std::wstring quoted = L"\"" + path + L"\"";
    if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"edit", path.c_str(), nullptr, nullptr,
                                                SW_SHOWNORMAL)) <= 32 &&
        reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, L"notepad.exe", quoted.c_str(),
                                                nullptr, SW_SHOWNORMAL)) <= 32) {
        Say(L"no editor could open \"" + path + L"\"; open it in Notepad yourself");
        return ExitBadInput;
    }
    return ExitMade;
}

// One app a line, the name and what it runs parted by a tab, which no file name holds: to the
// standard output, so that the list can be searched or copied from a file.
int ListAppNames()
{
    for (const AppEntry& app : ListApps()) {
        SayTo(STD_OUTPUT_HANDLE, app.name + L"\t" + app.command);
    }
    return ExitMade;
}

int ResetSkin(const Options& options)
{
    bool removed = false;
    std::wstring error;
    const WriteResult result = ResetPersonalSettings(&removed, &error);
    if (result != WriteDone) {
        Say(error);
        return ExitBadInput;
    }
    // The pictures stay in the person's folder: they are theirs, and a skin made again reuses it.
    Say(removed ? L"your own skin settings were removed: the machine's skin shows again"
                : L"you had no skin settings of your own: the machine's skin already shows");
    RestartUnlessAsked(options, L"the running menu was started again with the machine's skin");
    return ExitMade;
}

COLORREF FromRgb(unsigned long rgb)
{
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

TileColours ColoursOf(const TilesFile& tiles)
{
    TileColours colours = {};
    DefaultTileColours(tiles.light ? 1 : 0, &colours);
    COLORREF* slots[skinColourCount] = {&colours.background, &colours.tile, &colours.label,
                                        &colours.litTile, &colours.litLabel};
    for (int i = 0; i < skinColourCount; ++i) {
        if (tiles.colours[i].given) {
            *slots[i] = FromRgb(tiles.colours[i].rgb);
        }
    }
    return colours;
}

int NoRights(const std::wstring& error, bool machine)
{
    Say(error);
    if (!machine) {
        // A person's own folder and settings are theirs: a refusal there is no matter of rights
        // an administrator could lend, and running elevated would write another account's tree.
        Say(L"Your own skin's folder or settings refused this account; nothing was changed.");
        return ExitBadInput;
    }
    // Reached with an administrator's token (or as the elevated part): Windows has already been
    // asked, so the account itself lacks the rights.
    Say(L"The machine-wide settings and the program's folder need an administrator, and they "
        L"refused this account: ask an administrator of this PC to make the skin for every "
        L"user, or make it for yourself alone without --machine.");
    return ExitNoRights;
}

// Where the pictures go (ending in a backslash) and how the settings name that folder: relative
// to the program's folder for a skin of the program's folder, absolute for a person's own.
struct SkinPlace {
    std::wstring skins;
    std::string valuePrefix;
};

bool ChoosePlace(const Options& options, const std::wstring& programFolder,
                 const std::string& skinName, SkinPlace* place)
{
    if (options.machine || !options.regPath.empty()) {
        if (lstrcmpiA(skinName.c_str(), installerSkinName) == 0 && !options.defaultSkin) {
            Say(L"the name \"Default\" belongs to the skin the installer ships, which every "
                L"account starts from: give your skin another Name");
            return false;
        }
        place->skins = programFolder + L"skins\\";
        place->valuePrefix = "skins\\";
    } else {
        SkinsFolder personal;
        std::wstring error;
        if (!PersonalSkinsFolder(&personal, &error)) {
            Say(error);
            return false;
        }
        place->skins = personal.wide + L"\\";
        place->valuePrefix = personal.ansi + "\\";
    }
    // The menu reads a picture's value into 255 characters; a longer one would load nothing.
    size_t longest = 0;
    for (int index = 0; index < TileSkinSizeCount(); ++index) {
        int width = 0;
        int height = 0;
        GetTileSkinSize(index, &width, &height);
        for (const std::string& file : {NormalFileName(width, height),
                                        SelectedFileName(width, height),
                                        TemplateFileName(width, height)}) {
            longest = std::max(longest, file.size());
        }
    }
    if (place->valuePrefix.size() + skinName.size() + 1 + longest > 255) {
        Say(L"the folder \"" + place->skins + L"\" is too long for the 255 "
            L"characters the menu reads in a picture's name: choose a shorter Name");
        return false;
    }
    return true;
}

int MakeSkin(const Options& options)
{
    // Told by the person's own process: the elevated part may run as another account.
    if (options.machine && options.regPath.empty() && options.elevatedPart.empty() &&
        HasPersonalSkinSettings()) {
        Say(L"note: your own skin settings stand over the machine's skin, so you will not see it; "
            L"tileskin --reset removes them");
    }
    if (NeedsElevatedPart(options.machine, options.regPath.empty(),
                          !options.elevatedPart.empty())) {
        const int made = RunElevatedPart(ProgramPath(), options.arguments, Say);
        if (made == ExitMade) {
            RestartUnlessAsked(options, L"the running menu was started again with the new skin");
        }
        return made;
    }
    const std::wstring folder = ProgramFolder();
    TilesFile tiles;
    Problem problem;
    if (!LoadTilesFile(options.tilesPath, &tiles, &problem)) {
        SayProblem(problem);
        return ExitBadInput;
    }
    if (!ResolveApps(options.tilesPath, &tiles, &problem)) {
        SayProblem(problem);
        return ExitBadInput;
    }
    PreparedTile prepared[6];
    if (!PrepareTiles(options.tilesPath, tiles, prepared, &problem)) {
        SayProblem(problem);
        return ExitBadInput;
    }
    std::string skinName;
    for (wchar_t c : tiles.name) {
        skinName.push_back(static_cast<char>(c));  // ASCII by the tiles file's rules
    }
    std::vector<std::string> existing;
    if (!ReadButtonKeys(options.machine, &existing)) {
        FreePreparedTiles(prepared);
        Say(L"cannot read the settings' button keys");
        return ExitBadInput;
    }
    std::vector<std::string> labels;
    for (int i = 0; i < tileCount; ++i) {
        labels.push_back(prepared[i].keyLabel);
    }
    const std::vector<std::string> keys = ChooseButtonKeys(existing, labels);
    SkinPlace place;
    if (!ChoosePlace(options, folder, skinName, &place)) {
        FreePreparedTiles(prepared);
        return ExitBadInput;
    }

    TileFace faces[6];
    for (int i = 0; i < tileCount; ++i) {
        faces[i].label = tiles.tiles[i].label.c_str();
        faces[i].icon = prepared[i].icon.pixels != nullptr ? &prepared[i].icon : nullptr;
        faces[i].glyph = static_cast<TileGlyph>(tiles.tiles[i].action);
    }
    char message[512] = {};
    if (!LoadTileFont(Utf8Of(folder).c_str(), message, sizeof message)) {
        FreePreparedTiles(prepared);
        Say(WideOfUtf8(message));
        return ExitBadInput;
    }
    std::wstring error;
    SkinFolder skin;
    FolderResult begun = BeginSkinFolder(place.skins, skinName, &skin, &error);
    std::vector<DrawnSize> sizes;
    const bool drawn = begun == FolderDone && DrawSkinSizes(skin, ColoursOf(tiles), faces, &sizes,
                                                            &error);
    UnloadTileFont();
    FreePreparedTiles(prepared);
    if (begun == FolderDenied) {
        return NoRights(error, options.machine);
    }
    if (begun != FolderDone || !drawn) {
        if (begun == FolderDone) {
            SayIfAny(AbandonSkinFolder(&skin));
        }
        Say(error);
        return ExitBadInput;
    }
    const FolderResult installed = InstallSkinFolder(&skin, &error);
    if (installed != FolderDone) {
        if (installed == FolderDenied) {
            return NoRights(error, options.machine);
        }
        Say(error);
        return ExitBadInput;
    }

    std::vector<SettingValue> values =
        SkinSettings(place.valuePrefix + skinName + "\\", tiles, prepared, keys, sizes);
    // In a .reg file too: the file is made on this PC for PCs set up like it.
    for (const std::string& stale : StalePanelValues(options.machine, values)) {
        AddString(&values, "Panel", stale, std::wstring());
    }
    WriteResult written;
    if (options.regPath.empty()) {
        std::string registryError;
        written = WriteRegistry(options.machine, values, &registryError);
        error = WideFromAnsi(registryError);
    } else {
        written = WriteRegFile(options.regPath, options.machine, values, &error);
    }
    if (written != WriteDone) {
        SayIfAny(AbandonSkinFolder(&skin));
        if (written == WriteDenied) {
            return NoRights(error, options.machine);
        }
        Say(error);
        return ExitBadInput;
    }
    SayIfAny(KeepSkinFolder(&skin));
    Say(L"made the skin \"" + tiles.name + L"\" in " + skin.target +
        (options.regPath.empty() ? L"; settings written" : L"; settings in " + options.regPath));

    if (options.regPath.empty()) {
        RestartUnlessAsked(options, L"the running menu was started again with the new skin");
    }
    return ExitMade;
}

}  // namespace

// The command line is taken wide, not through main's 8-bit arguments: there a path with a letter
// outside this PC's code page ("C:\Users\Łukasz\...") arrives changed and names no file.
int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Options options;
    const bool parsed = argv != nullptr && ParseOptions(argc, argv, &options);
    LocalFree(argv);
    if (!parsed) {
        return Usage(ProgramFolder());
    }
    if (!options.elevatedPart.empty()) {
        messagesFile = CreateFileW(options.elevatedPart.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    // The shortcuts and the apps folder are read through the shell's objects.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = ExitBadInput;
    if (options.apps) {
        result = ListAppNames();
    } else if (options.edit) {
        result = EditTiles();
    } else if (options.apply) {
        options.tilesPath = PersonalTilesFile();
        if (GetFileAttributesW(options.tilesPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
            Say(L"you have no tiles file yet: choose \"Edit my Tilebox skin\" in the Start menu "
                L"first, change it, save it, then apply it");
        } else {
            result = MakeSkin(options);
        }
    } else {
        result = options.reset ? ResetSkin(options) : MakeSkin(options);
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    if (messagesFile != INVALID_HANDLE_VALUE) {
        CloseHandle(messagesFile);
    }
    // Above the menu, which a made skin has just started again in front of everything.
    if (windowed && !shown.empty()) {
        MessageBoxW(nullptr, shown.c_str(), L"Tilebox skin",
                    MB_OK | MB_TOPMOST | MB_SETFOREGROUND |
                        (result == ExitMade ? MB_ICONINFORMATION : MB_ICONWARNING));
    }
    return result;
}
