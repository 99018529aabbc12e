// Where a person's own skins live: a folder that belongs to the person, never the program's
// folder, named by a path that the 8-bit menu reads exactly.
//
// The choice, in this order:
//   1. <the person's local application data>\Velnor\Tilebox\Skins, under its long name when that
//      name survives the trip to this PC's code page and back unchanged;
//   2. the same folder under its short (8.3) name, when the long one does not (a profile named
//      with letters outside the code page, "C:\Users\Łukasz" on a Western PC) and the short one
//      does. Short names are plain ASCII, but a volume may have them turned off: the system then
//      gives the long name back, which fails the same check;
//   3. <the machine-wide data folder>\Velnor\Tilebox\Users\<the account's SID>\Skins: the
//      installer makes Users, every account may make its own folder there and only that account
//      (and administrators) may write it; a SID is plain ASCII.
// When none is exact the skin is refused: a path the menu would read as "?" names no file.
#pragma once

#include <windows.h>

#include <string>

struct SkinsFolder {
    std::wstring wide;  // as the file calls take it, without a trailing backslash
    std::string ansi;   // the same folder as the menu reads it: exact in this PC's code page
};

// GetShortPathNameW, or a stand-in for a volume without short names.
typedef DWORD(WINAPI* ShortPathFunction)(LPCWSTR longPath, LPWSTR shortPath, DWORD capacity);

// Makes the folder "Velnor\Tilebox\Skins" below personalBase (or, failing the code page,
// "Velnor\Tilebox\Users\<sid>\Skins" below sharedBase, whose "Velnor\Tilebox\Users" must exist)
// and names it. False with a message for the person when no exact 8-bit path is found.
bool ChooseSkinsFolder(const std::wstring& personalBase, const std::wstring& sharedBase,
                       const std::wstring& sid, ShortPathFunction shortPath, SkinsFolder* folder,
                       std::wstring* error);

// The same for this account: its local application data, the machine's data folder, its SID.
bool PersonalSkinsFolder(SkinsFolder* folder, std::wstring* error);

// The text in this PC's code page when it comes back from there unchanged; false otherwise.
bool ExactAnsi(const std::wstring& text, std::string* ansi);
