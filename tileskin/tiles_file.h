// The tiles file: what a person writes to describe a skin, read and checked before anything is
// drawn or written. Free of the platform except for the system code page, which the caller hands
// in, so the reader also builds natively for fuzzing.
#pragma once

#include <string>

enum TileAction {
    ActionBrowser,
    ActionMail,
    ActionCd,
    ActionDvd,
    ActionCommand,
    ActionClose,
    ActionSleep,
    ActionRestart,
    ActionShutDown,
    ActionCount
};

const int tileCount = 6;
const int maxSkinNameLength = 64;
const int maxLabelCharacters = 40;
// A monitor's device name is at most 31 characters (CCHDEVICENAME with its terminator).
const int maxDisplayCharacters = 31;
// A tiles file is a page of text; anything far larger is not one, and is refused before decoding.
const size_t maxTilesFileBytes = 64 * 1024;

struct TileSpec {
    std::wstring label;        // UTF-16, every character kept
    TileAction action;
    bool hasCommand;
    std::wstring command;      // as written, or the command of the app App names
    bool hasApp;               // App=: an app named as the Start menu shows it, found when the
    std::wstring app;          // skin is made (tileskin/apps.h)
    std::wstring appIcon;      // the icon the app's shortcut declares, when it declares one
    int appIconIndex;
    bool hasIcon;              // an Icon line, possibly empty (empty: the built-in glyph)
    std::wstring icon;         // file name as written, without the ",index"
    int iconIndex;             // 0 unless ",index" was given
    int commandLine;           // line numbers, for messages about what is found later
    int appLine;
    int iconLine;
    int sectionLine;
};

struct SkinColour {
    bool given;
    unsigned long rgb;         // 0xRRGGBB as written
};

enum SkinColourIndex { ColourBackground, ColourTile, ColourLabel, ColourLitTile, ColourLitLabel,
                       skinColourCount };

struct TilesFile {
    std::wstring name;         // the skin's folder name; ASCII by the rules below
    bool light;
    SkinColour colours[skinColourCount];
    TileSpec tiles[tileCount];
    bool hasDisplay;           // a Display line, possibly empty (empty: the primary monitor)
    std::wstring display;      // the monitor's device name, \\.\NAME
};

// Turns bytes in the system code page into UTF-16; false when they are not valid there.
typedef bool (*DecodeCodePage)(const std::string& bytes, std::wstring* text);

struct TilesError {
    int line;                  // 0: the file as a whole
    std::wstring what;
};

// Reads and checks a whole tiles file. False with the first fault in error.
bool ReadTilesFile(const std::string& bytes, DecodeCodePage decode, TilesFile* file,
                   TilesError* error);

// The remote code the menu acts on for an action.
unsigned long RemoteCodeOf(TileAction action);

// Whether the command is an address or link (a "scheme:" of two or more characters) rather than
// a program: such commands have no program to take an icon from.
bool IsLinkCommand(const std::wstring& command);
