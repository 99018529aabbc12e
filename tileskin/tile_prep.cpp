// From the checked tiles file to what the drawing and the settings need: texts in the 8-bit form
// the menu reads, icons loaded from the files the tiles name or from what their commands start.
#include "tileskin/tileskin.h"

#include "osmant/command_line.h"
#include "tileskin/apps.h"
#include "tileskin/personal_folder.h"

#include <vector>

namespace {

bool IsAbsolute(const std::wstring& path)
{
    return (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
           (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') &&
            (path[1] == L'\\' || path[1] == L'/'));
}

// %SystemRoot% and the like expanded, then relative to the tiles file's folder, made absolute.
// The icon is read, never handed to the menu, so its name may be in any script.
bool ResolveIconPath(const std::wstring& tilesPath, const std::wstring& written,
                     std::wstring* path)
{
    std::vector<wchar_t> expanded(32768);
    const DWORD size = ExpandEnvironmentStringsW(written.c_str(), expanded.data(),
                                                 static_cast<DWORD>(expanded.size()));
    if (size == 0 || size > expanded.size()) {
        return false;
    }
    const std::wstring joined = IsAbsolute(expanded.data())
                                    ? std::wstring(expanded.data())
                                    : FolderOf(tilesPath) + expanded.data();
    std::vector<wchar_t> full(32768);
    const DWORD length = GetFullPathNameW(joined.c_str(), static_cast<DWORD>(full.size()),
                                          full.data(), nullptr);
    if (length == 0 || length >= full.size()) {
        return false;
    }
    *path = full.data();
    return true;
}

Problem ProblemAt(const std::wstring& tilesPath, int line, const std::wstring& what)
{
    return Problem{tilesPath, line, what};
}

}  // namespace

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::string Utf8Of(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0],
                            size, nullptr, nullptr);
    }
    return bytes;
}

std::wstring WideOfUtf8(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0);
    std::wstring wide(size > 0 ? static_cast<size_t>(size) : 0, L'\0');
    if (size > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &wide[0],
                            size);
    }
    return wide;
}


// Found by the launch library's own rule, so that the icon is that of the program the menu starts:
// the environment's names expanded, then a quoted program or the longest unquoted prefix.
std::string ProgramOfCommand(const std::string& command)
{
    if (IsLinkCommand(WideFromAnsi(command))) {
        return std::string();
    }
    char expanded[4096];  // the launch library's own room for an expanded command
    CommandProgram program = {};
    if (!ExpandWhole(expanded, sizeof expanded, command.c_str()) ||
        !FindCommandProgram(SkipBlanks(expanded), &program)) {
        return std::string();
    }
    return program.path;
}

namespace {

std::wstring Joined(const std::vector<std::wstring>& names, const wchar_t* between)
{
    std::wstring text;
    for (const std::wstring& name : names) {
        text += (text.empty() ? L"" : between) + name;
    }
    return text;
}

// The command an app runs, as the menu will read it: in this PC's code page, within the 255
// characters the menu reads, and naming exactly the shortcut's program by the launch rules.
bool AppCommand(const std::wstring& tilesPath, const TileSpec& tile, const AppEntry& app,
                Problem* problem)
{
    std::string ansi;
    std::string program;
    const std::wstring said = L"App: \"" + tile.app + L"\" runs " + app.command;
    if (!ExactAnsi(app.command, &ansi) || !ExactAnsi(app.program, &program)) {
        *problem = ProblemAt(tilesPath, tile.appLine,
                             said + L", which holds a character this PC's code page cannot "
                                    L"carry, and the menu reads commands in that code page");
        return false;
    }
    if (ansi.size() > 255) {
        *problem = ProblemAt(tilesPath, tile.appLine,
                             said + L", longer than the 255 characters the menu reads");
        return false;
    }
    if (!program.empty() && lstrcmpiA(ProgramOfCommand(ansi).c_str(), program.c_str()) != 0) {
        *problem = ProblemAt(tilesPath, tile.appLine,
                             said + L", and its program " + app.program +
                                 L" is missing or is not the one the menu would start from it");
        return false;
    }
    return true;
}

}  // namespace

bool ResolveApps(const std::wstring& tilesPath, TilesFile* tiles, Problem* problem)
{
    std::vector<AppEntry> apps;
    bool listed = false;
    for (int i = 0; i < tileCount; ++i) {
        TileSpec& tile = tiles->tiles[i];
        if (!tile.hasApp) {
            continue;
        }
        if (!listed) {
            apps = ListApps();
            listed = true;
        }
        AppEntry app;
        std::vector<std::wstring> nearest;
        const AppMatch match = FindApp(apps, tile.app, &app, &nearest);
        if (match == AppUnknown) {
            *problem = ProblemAt(tilesPath, tile.appLine,
                                 L"App: no app is named \"" + tile.app + L"\"" +
                                     (nearest.empty() ? L"" : L"; nearest: " +
                                                                  Joined(nearest, L", ")) +
                                     L" (tileskin --apps lists them all)");
            return false;
        }
        if (match == AppAmbiguous) {
            *problem = ProblemAt(tilesPath, tile.appLine,
                                 L"App: \"" + tile.app + L"\" names apps that run different "
                                 L"commands: " + Joined(nearest, L"; ") + L". Rename one of "
                                 L"their shortcuts, or write the Command yourself");
            return false;
        }
        if (!AppCommand(tilesPath, tile, app, problem)) {
            return false;
        }
        tile.hasCommand = true;
        tile.command = app.command;
        tile.commandLine = tile.appLine;
        tile.appIcon = app.iconFile;
        tile.appIconIndex = app.iconIndex;
    }
    return true;
}

bool PrepareTiles(const std::wstring& tilesPath, const TilesFile& tiles, PreparedTile prepared[6],
                  Problem* problem)
{
    for (int i = 0; i < tileCount; ++i) {
        prepared[i] = PreparedTile();
    }
    for (int i = 0; i < tileCount; ++i) {
        const TileSpec& tile = tiles.tiles[i];
        PreparedTile& out = prepared[i];
        // A new key's name keeps the label's plain ASCII characters: key names are 8-bit text,
        // and the label itself is kept whole in the key's Name value.
        for (wchar_t c : tile.label) {
            if (c < 0x80) {
                out.keyLabel.push_back(static_cast<char>(c));
            }
        }
        if (tile.hasCommand) {
            if (!ExactAnsi(tile.command, &out.command)) {
                *problem = ProblemAt(tilesPath, tile.commandLine,
                                     L"Command: holds a character this PC's code page cannot "
                                     L"carry, and the menu reads commands in that code page");
                FreePreparedTiles(prepared);
                return false;
            }
            if (out.command.size() > 255) {
                *problem = ProblemAt(tilesPath, tile.commandLine,
                                     L"Command: longer than the 255 characters the menu reads");
                FreePreparedTiles(prepared);
                return false;
            }
        }
        char message[512] = {};
        if (tile.hasIcon && !tile.icon.empty()) {
            std::wstring path;
            if (!ResolveIconPath(tilesPath, tile.icon, &path)) {
                *problem = ProblemAt(tilesPath, tile.iconLine,
                                     L"Icon: \"" + tile.icon + L"\" is not a usable file name");
                FreePreparedTiles(prepared);
                return false;
            }
            if (!LoadTileIconFile(Utf8Of(path).c_str(), tile.iconIndex, &out.icon, message,
                                  sizeof message)) {
                *problem = ProblemAt(tilesPath, tile.iconLine,
                                     L"Icon: " + WideOfUtf8(message));
                FreePreparedTiles(prepared);
                return false;
            }
        } else if (!tile.hasIcon && tile.action == ActionCommand) {
            LoadCommandIcon(tile, out.command, &out.icon);
        }
    }
    return true;
}

void FreePreparedTiles(PreparedTile prepared[6])
{
    for (int i = 0; i < tileCount; ++i) {
        FreeTileIcon(&prepared[i].icon);
    }
}
