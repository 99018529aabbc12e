// The settings a skin is made of, the button keys they go under, and the two ways of writing
// them: into the registry (undone as a whole when any write fails) or into a .reg file; and the
// removal of a person's own skin settings.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

extern const char appKeyPath[];  // "Software\Velnor\Tilebox", below HKCU or HKLM

struct SettingValue {
    std::string key;    // below the application key: "Panel", "Buttons\1 Internet"
    std::string name;   // value name
    DWORD type;         // REG_SZ or REG_DWORD
    std::wstring text;  // REG_SZ: written with the wide calls, so a label keeps every character
    DWORD number;       // REG_DWORD
};

struct TilesFile;
struct PreparedTile;
struct DrawnSize;

// Every setting a skin is made of, in the order they are written: the pictures of each drawn size
// (named folder + file, folder ending in a backslash), Fit Other Sizes, and for each tile under
// its key its rectangles, remote code, command and name.
std::vector<SettingValue> SkinSettings(const std::string& folder, const TilesFile& tiles,
                                       const PreparedTile prepared[6],
                                       const std::vector<std::string>& keys,
                                       const std::vector<DrawnSize>& sizes);

void AddString(std::vector<SettingValue>* values, const std::string& key, const std::string& name,
               const std::wstring& text);
void AddDWord(std::vector<SettingValue>* values, const std::string& key, const std::string& name,
              DWORD number);

// The name of a group's value for a size, as the menu reads it ("Normal Bitmap Mode 2",
// "Rectangle 1920x1080"); empty for a size the menu never shows on.
std::string SkinValueName(int width, int height, int group);

// The sub-keys of Buttons the menu would read, in its order, at most six: the user's tree layered
// over the machine-wide one, or the machine-wide tree alone. False when the settings cannot be
// read at all.
bool ReadButtonKeys(bool machine, std::vector<std::string>* names);

// The six key names the tiles go under, in the menu's order: the keys that exist keep their
// names; missing ones are "<number> <label>". labels are the six tiles' labels in ANSI.
std::vector<std::string> ChooseButtonKeys(const std::vector<std::string>& existing,
                                          const std::vector<std::string>& labels);

// The Panel value names naming bitmaps in the target tree's view that the new skin does not set;
// each gets an empty value so pictures of another skin never mix with this one's rectangles.
std::vector<std::string> StalePanelValues(bool machine, const std::vector<SettingValue>& values);

// Results of writing: 0 written; 1 refused for want of rights; 2 failed otherwise.
enum WriteResult { WriteDone, WriteDenied, WriteFailed };

// Writes every value; on any failure puts back every value and key as it was before.
WriteResult WriteRegistry(bool machine, const std::vector<SettingValue>& values,
                          std::string* error);

// Writes the values as a .reg file (version 5.00, UTF-16), replacing the tree's Buttons key as a
// whole. The file appears complete or not at all.
WriteResult WriteRegFile(const std::wstring& path, bool machine,
                         const std::vector<SettingValue>& values, std::wstring* error);

// Whether the person's own tree holds skin settings (a Panel or Buttons key with anything in it),
// which stand over a machine-wide skin for that person.
bool HasPersonalSkinSettings();

// Removes the person's Panel and Buttons keys, everything a skin is made of, so that the
// machine-wide skin shows again; the application key's other values (Agent Wait, Home Keys) are
// not a skin's and stay. *removed tells whether there was anything to remove.
WriteResult ResetPersonalSettings(bool* removed, std::wstring* error);
