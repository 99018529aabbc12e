// tileskin.exe: makes a skin from a tiles file. Exit codes: 0 made, 1 bad input or a failure,
// 2 a machine-wide skin without the rights it needs (run it as administrator).
#pragma once

#include "tileskin/draw/tile_draw.h"
#include "tileskin/tiles_file.h"

#include <windows.h>

#include <string>

enum ExitCode { ExitMade = 0, ExitBadInput = 1, ExitNoRights = 2 };

// One problem for the person: "<file>, line <n>: <what>" or "<file>: <what>".
struct Problem {
    std::wstring file;
    int line;
    std::wstring what;
};

// The tiles, ready to draw: ANSI texts for what the menu and the file calls read, icons loaded.
struct PreparedTile {
    std::string command;   // as the menu reads it; empty when the tile has none
    std::string keyLabel;  // the label in ANSI, plain characters only, for a new key's name
    TileIcon icon;         // pixels null: the glyph
};

// Reads the file and checks it; the system code page is this PC's. Paths are wide throughout the
// skin maker, so a file or folder named in any script is found.
bool LoadTilesFile(const std::wstring& path, TilesFile* tiles, Problem* problem);

// Finds the app each App= tile names (tileskin/apps.h) and makes its command the tile's, checked
// as the menu will read it. COM must be initialised.
bool ResolveApps(const std::wstring& tilesPath, TilesFile* tiles, Problem* problem);

// Converts commands, finds and loads icons. On failure the icons loaded so far are freed.
bool PrepareTiles(const std::wstring& tilesPath, const TilesFile& tiles, PreparedTile prepared[6],
                  Problem* problem);
void FreePreparedTiles(PreparedTile prepared[6]);

// The icon a Command tile without Icon shows, from what its command (as the menu reads it)
// starts; the README's tileskin section lists the sources in order. None to be had is no fault:
// the icon is left empty and the tile keeps its action's glyph. COM must be initialised.
void LoadCommandIcon(const TileSpec& tile, const std::string& command, TileIcon* icon);

// The program a command starts, when it names one that exists here; empty for links,
// addresses and programs not found.
std::string ProgramOfCommand(const std::string& command);

enum RestartResult { RestartNoneRunning, RestartDone, RestartFailed };
RestartResult RestartRunningMenu(std::string* error);

std::wstring WideFromAnsi(const std::string& text);
// UTF-8, as the drawing library takes paths and gives messages, and back.
std::string Utf8Of(const std::wstring& text);
std::wstring WideOfUtf8(const std::string& text);
// The folder of a path, with its last backslash or slash; empty for a bare name.
std::string FolderOf(const std::string& path);
std::wstring FolderOf(const std::wstring& path);
