// tileskin.exe [--reg FILE] [--machine] [--no-restart] TILES.INI
//
// Reads the tiles file, draws the skin into skins\<Name>\ beside the program, and writes the
// settings that name it. Order matters: every file is in place before the first setting is
// written, and a failure at any step puts back what the earlier steps changed.
#include "skin/skin.h"
#include "tileskin/settings.h"
#include "tileskin/skin_folder.h"
#include "tileskin/tileskin.h"

#include <cstdio>
#include <vector>

namespace {

struct Options {
    std::string tilesPath;
    std::string regPath;
    bool machine;
    bool noRestart;
};

// Text for the person: to the console as wide text when there is one, otherwise UTF-8, so that a
// label in any script survives a redirection.
void Say(const std::wstring& text)
{
    const std::wstring line = text + L"\r\n";
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
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

void SayProblem(const Problem& problem)
{
    const std::wstring where =
        problem.line > 0 ? problem.file + L", line " + std::to_wstring(problem.line)
                         : problem.file;
    Say(where + L": " + problem.what);
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD size = GetModuleFileNameA(nullptr, path, sizeof path);
    if (size == 0 || size >= sizeof path) {
        return std::string();
    }
    return FolderOf(path);
}

int Usage(const std::string& folder)
{
    Say(L"usage: tileskin.exe [--reg FILE] [--machine] [--no-restart] TILES.INI\r\n"
        L"  Makes a skin of six tiles from TILES.INI: its pictures go to skins\\<Name>\\ in the "
        L"program's folder, its settings to your own settings.\r\n"
        L"  --reg FILE    write the settings into FILE (a .reg file) instead\r\n"
        L"  --machine     aim the settings at every user of this PC (run as administrator)\r\n"
        L"  --no-restart  leave a running menu as it is\r\n"
        L"Start from the example: copy " + WideFromAnsi(folder) + L"default-tiles.ini into your "
        L"Documents, change it, and run tileskin on the copy.");
    return ExitBadInput;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    *options = Options();
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (lstrcmpiA(word.c_str(), "--reg") == 0 && i + 1 < argc && options->regPath.empty()) {
            options->regPath = argv[++i];
        } else if (lstrcmpiA(word.c_str(), "--machine") == 0) {
            options->machine = true;
        } else if (lstrcmpiA(word.c_str(), "--no-restart") == 0) {
            options->noRestart = true;
        } else if (word.compare(0, 2, "--") != 0 && options->tilesPath.empty() && !word.empty()) {
            options->tilesPath = word;
        } else {
            return false;
        }
    }
    return !options->tilesPath.empty();
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

std::string RectText(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

std::vector<SettingValue> SkinSettings(const std::string& skinName, const TilesFile& tiles,
                                       const PreparedTile prepared[6],
                                       const std::vector<std::string>& keys,
                                       const std::vector<DrawnSize>& sizes)
{
    std::vector<SettingValue> values;
    const std::string folder = "skins\\" + skinName + "\\";
    for (const DrawnSize& size : sizes) {
        AddString(&values, "Panel", SkinValueName(size.width, size.height, NormalBitmapGroup),
                  WideFromAnsi(folder + NormalFileName(size.width, size.height)));
        AddString(&values, "Panel", SkinValueName(size.width, size.height, SelectedBitmapGroup),
                  WideFromAnsi(folder + SelectedFileName(size.width, size.height)));
        AddString(&values, "Panel", SkinValueName(size.width, size.height, RegionTemplateGroup),
                  WideFromAnsi(folder + TemplateFileName(size.width, size.height)));
    }
    AddDWord(&values, "Panel", "Fit Other Sizes", 1);
    for (int i = 0; i < tileCount; ++i) {
        const std::string key = "Buttons\\" + keys[i];
        for (const DrawnSize& size : sizes) {
            AddString(&values, key, SkinValueName(size.width, size.height, RectangleGroup),
                      WideFromAnsi(RectText(size.rects[i])));
        }
        AddDWord(&values, key, "Remote Code", RemoteCodeOf(tiles.tiles[i].action));
        // Written even when empty: the user's empty value stands over a machine-wide command that
        // the button would otherwise still run.
        AddString(&values, key, "Command", WideFromAnsi(prepared[i].command));
        AddString(&values, key, "Name", tiles.tiles[i].label);
    }
    // Only when the file says it: a skin made elsewhere must not move the menu to another
    // monitor. An empty Display puts it back on the primary one.
    if (tiles.hasDisplay) {
        AddString(&values, "", "Display", tiles.display);
    }
    return values;
}

int NoRights(const std::string& error, bool machine)
{
    Say(WideFromAnsi(error));
    Say(machine ? L"The machine-wide settings and the program's folder need an administrator: "
                  L"run tileskin from a command prompt opened with \"Run as administrator\"."
                : L"The program's folder is not writable for this account (under Program Files "
                  L"it is not): run tileskin from a command prompt opened with \"Run as "
                  L"administrator\".");
    return ExitNoRights;
}

int MakeSkin(const Options& options)
{
    const std::string folder = ProgramFolder();
    TilesFile tiles;
    Problem problem;
    if (!LoadTilesFile(options.tilesPath, &tiles, &problem)) {
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

    TileFace faces[6];
    for (int i = 0; i < tileCount; ++i) {
        faces[i].label = tiles.tiles[i].label.c_str();
        faces[i].icon = prepared[i].icon.pixels != nullptr ? &prepared[i].icon : nullptr;
        faces[i].glyph = static_cast<TileGlyph>(tiles.tiles[i].action);
    }
    char message[512] = {};
    if (!LoadTileFont(folder.c_str(), message, sizeof message)) {
        FreePreparedTiles(prepared);
        Say(WideFromAnsi(message));
        return ExitBadInput;
    }
    std::string error;
    SkinFolder skin;
    FolderResult begun = BeginSkinFolder(folder, skinName, &skin, &error);
    std::vector<DrawnSize> sizes;
    const bool drawn = begun == FolderDone && DrawSkinSizes(skin, ColoursOf(tiles), faces, &sizes,
                                                            &error);
    UnloadTileFont();
    FreePreparedTiles(prepared);
    if (begun == FolderDenied) {
        return NoRights(error, options.machine);
    }
    if (!drawn) {
        if (begun == FolderDone) {
            AbandonSkinFolder(&skin);
        }
        Say(WideFromAnsi(error));
        return ExitBadInput;
    }
    const FolderResult installed = InstallSkinFolder(&skin, &error);
    if (installed != FolderDone) {
        if (installed == FolderDenied) {
            return NoRights(error, options.machine);
        }
        Say(WideFromAnsi(error));
        return ExitBadInput;
    }

    std::vector<SettingValue> values = SkinSettings(skinName, tiles, prepared, keys, sizes);
    WriteResult written;
    if (options.regPath.empty()) {
        for (const std::string& stale : StalePanelValues(options.machine, values)) {
            AddString(&values, "Panel", stale, std::wstring());
        }
        written = WriteRegistry(options.machine, values, &error);
    } else {
        written = WriteRegFile(options.regPath, options.machine, values, &error);
    }
    if (written != WriteDone) {
        AbandonSkinFolder(&skin);
        if (written == WriteDenied) {
            return NoRights(error, options.machine);
        }
        Say(WideFromAnsi(error));
        return ExitBadInput;
    }
    KeepSkinFolder(&skin);
    Say(L"made the skin \"" + tiles.name + L"\" in " + WideFromAnsi(skin.target) +
        (options.regPath.empty() ? L"; settings written"
                                 : L"; settings in " + WideFromAnsi(options.regPath)));

    if (options.regPath.empty() && !options.noRestart) {
        const RestartResult restarted = RestartRunningMenu(&error);
        if (restarted == RestartFailed) {
            Say(WideFromAnsi(error));
        } else if (restarted == RestartDone) {
            Say(L"the running menu was started again with the new skin");
        }
    }
    return ExitMade;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        return Usage(ProgramFolder());
    }
    return MakeSkin(options);
}
