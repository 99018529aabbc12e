// From the checked tiles file to what the drawing and the settings need: texts in the 8-bit form
// the menu reads, icons loaded from the files the tiles name or from the programs they start.
#include "tileskin/tileskin.h"

#include "osmant/command_line.h"

#include <vector>

namespace {

// The system code page, strictly: bytes that are not a character there are not accepted.
bool DecodeSystemCodePage(const std::string& bytes, std::wstring* text)
{
    if (bytes.empty()) {
        text->clear();
        return true;
    }
    const int size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0) {
        return false;
    }
    text->assign(static_cast<size_t>(size), L'\0');
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                               static_cast<int>(bytes.size()), &(*text)[0], size) == size;
}

// The menu and the file calls read 8-bit text: a character this PC's code page lacks would reach
// them as "?", which names another file or runs another command. Refused instead.
bool ToAnsi(const std::wstring& text, std::string* ansi)
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
    ansi->assign(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                        &(*ansi)[0], size, nullptr, &lossy);
    return !lossy;
}

bool IsAbsolute(const std::string& path)
{
    return (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
           (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
            (path[1] == '\\' || path[1] == '/'));
}

// %SystemRoot% and the like expanded, then relative to the tiles file's folder, made absolute.
bool ResolveIconPath(const std::string& tilesPath, const std::string& written, std::string* path)
{
    char expanded[MAX_PATH] = {};
    const DWORD size = ExpandEnvironmentStringsA(written.c_str(), expanded, sizeof expanded);
    if (size == 0 || size > sizeof expanded) {
        return false;
    }
    const std::string joined =
        IsAbsolute(expanded) ? std::string(expanded) : FolderOf(tilesPath) + expanded;
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(joined.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        return false;
    }
    *path = full;
    return true;
}

Problem ProblemAt(const std::string& tilesPath, int line, const std::wstring& what)
{
    return Problem{WideFromAnsi(tilesPath), line, what};
}

}  // namespace

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::wstring WideFromAnsi(const std::string& text)
{
    std::wstring wide;
    DecodeSystemCodePage(text, &wide);
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

bool LoadTilesFile(const std::string& path, TilesFile* tiles, Problem* problem)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *problem = ProblemAt(path, 0, L"cannot be opened (error " +
                                          std::to_wstring(GetLastError()) + L")");
        return false;
    }
    // One byte past the limit is enough to know the file is too large.
    std::string bytes(maxTilesFileBytes + 1, '\0');
    DWORD read = 0;
    const BOOL ok = ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok) {
        *problem = ProblemAt(path, 0, L"cannot be read");
        return false;
    }
    bytes.resize(read);
    TilesError error = {};
    if (!ReadTilesFile(bytes, DecodeSystemCodePage, tiles, &error)) {
        *problem = ProblemAt(path, error.line, error.what);
        return false;
    }
    return true;
}

bool PrepareTiles(const std::string& tilesPath, const TilesFile& tiles, PreparedTile prepared[6],
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
            if (!ToAnsi(tile.command, &out.command)) {
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
            std::string written;
            std::string path;
            if (!ToAnsi(tile.icon, &written) || !ResolveIconPath(tilesPath, written, &path)) {
                *problem = ProblemAt(tilesPath, tile.iconLine,
                                     L"Icon: \"" + tile.icon + L"\" is not a usable file name");
                FreePreparedTiles(prepared);
                return false;
            }
            if (!LoadTileIconFile(path.c_str(), tile.iconIndex, &out.icon, message,
                                  sizeof message)) {
                *problem = ProblemAt(tilesPath, tile.iconLine,
                                     L"Icon: " + WideFromAnsi(message));
                FreePreparedTiles(prepared);
                return false;
            }
        } else if (!tile.hasIcon && tile.action == ActionCommand) {
            const std::string program = ProgramOfCommand(out.command);
            // A program without an icon of its own leaves the tile its glyph.
            if (!program.empty()) {
                LoadProgramIcon(program.c_str(), &out.icon);
            }
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
