// The apps a person can name on a tile (App=Films), as Windows lists them for that person: the
// Start menu's shortcuts, the person's and the machine's, sub-folders included, and the Store
// apps of the shell's apps folder. Each becomes the command that starts it, in the form the
// menu's launch rules read back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct AppEntry {
    std::wstring name;      // as the Start menu shows it: a shortcut's file name without .lnk
    std::wstring command;   // what the tile runs
    std::wstring program;   // a shortcut's target, to check the command against; empty for a
                            // Store app, whose command is a shell link
    std::wstring iconFile;  // the icon a shortcut declares, expanded; empty: its target's
    int iconIndex;
};

// An item of the shell's apps folder as the shell tells it: its parsing name (for a Store app,
// its app identity "Publisher.App_id!App"; for a desktop program, a path or another program's
// own identity) and the name it shows.
struct AppsFolderItem {
    std::wstring parsingName;
    std::wstring name;
};

// The shell's answers the skin maker cannot see under Wine, whose apps folder holds no Store
// apps: one table, so that a test can hand in recorded answers. The program never changes it.
struct AppsPlatform {
    // Every item of the apps folder; false when the folder cannot be read.
    bool (*listAppsFolder)(std::vector<AppsFolderItem>* items);
    // The shell's picture of the item ("shell:AppsFolder\<identity>") for a side x side box, or
    // larger: a 32-bit bitmap with premultiplied alpha that the caller deletes. Null when the
    // shell has none.
    HBITMAP (*appImage)(const wchar_t* parsingName, int side);
};
extern AppsPlatform appsPlatform;

// The command that starts a shortcut's target: quoted when it holds a blank, so that the launch
// rules take exactly that program, then its arguments.
std::wstring ShortcutCommand(const std::wstring& target, const std::wstring& arguments);

// Every app, sorted by name without regard to case; one entry per name and command (the same
// shortcut in the person's and the machine's Start menu is one app). COM must be initialised.
std::vector<AppEntry> ListApps();

enum AppMatch { AppFound, AppUnknown, AppAmbiguous };

// The app a tile names: the names compared without regard to case, an exact match winning. On
// AppUnknown or AppAmbiguous, nearest holds up to five names to offer instead (for an ambiguous
// name, the clashing apps' commands).
AppMatch FindApp(const std::vector<AppEntry>& apps, const std::wstring& name, AppEntry* found,
                 std::vector<std::wstring>* nearest);
