// The profile store: per-user settings below an application key.
//
// Kivrel.dll serves the settings from the Windows registry:
//   - The application key K selects Software\K. The user's tree is
//     HKEY_CURRENT_USER\Software\K; the machine-wide tree is HKEY_LOCAL_MACHINE\Software\K.
//   - A null user name, an empty one or the name of the logged-on user selects
//     HKEY_CURRENT_USER. Any other name selects that account's hive under HKEY_USERS\<SID>
//     when the account exists and its hive is loaded; otherwise the user has no tree of its own
//     and only the machine-wide tree serves.
//   - With searchMachineTree nonzero the two trees are layered. A value is read from the user's
//     key of that path when that key holds a value of that name (of whatever type: an unusable
//     value there is a failed read); otherwise from the machine-wide key of the same path. A
//     key's sub-keys are those of both trees' keys of that path, each name once (compared
//     without regard to case; the user's spelling kept), in the registry's own order: names
//     compared code unit by code unit in upper case, as the registry keeps a key's sub-keys.
//     With searchMachineTree 0 only the user's tree counts.
//   - Key paths are opened below the application key, which is opened first: some systems
//     refuse a long path from the root in one call.
//   - Strings are REG_SZ or REG_EXPAND_SZ (expanded); a value of another type, or a string that
//     does not fit the buffer with its terminator, is a failed read: result 0, buffer emptied.
//   - An empty key path names the application key itself (the menu's "Home Keys" lives there).
//   - Every read before Kivrel_SetUserProfileInfo, and every read with a null key path, a null or
//     empty value name or buffer, or a buffer size below 1, fails cleanly with 0.
//   - Every read sees the settings as they are when it is made: a value changed, a key added or
//     deleted, even the application key deleted and made anew. The keys the store keeps open to
//     make reads cheap never hide a change (kivrel.cpp says how). Only an enumeration is one
//     snapshot: index 0 lists the merged sub-keys anew, and the next indices of the same key path
//     (index 1 after 0, 2 after 1, ...) number that list.
// All functions return nonzero on success and 0 on failure. Text is 8-bit ANSI, but for the
// wide string read.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Selects whose settings are read and under which application key ("Velnor\Tilebox").
int Kivrel_SetUserProfileInfo(const char* userName, const char* applicationKey);

// Reads a string value. searchMachineTree: nonzero serves a value missing from the user's key
// from the machine-wide key of the same path. defaultText: when not null and the value cannot be found, this text
// is given instead (when it fits) and the call succeeds. reserved: must be 0.
int Kivrel_GetProfileStringEx(const char* keyPath, const char* valueName, char* buffer,
                              int bufferSize, int searchMachineTree, const char* defaultText,
                              int reserved);

// Reads a string value as UTF-16, layered as Kivrel_GetProfileString (the machine-wide tree
// serves a value the user's key lacks), so a label in any script arrives whole. bufferSize counts
// wide characters, the terminator included; a string that does not fit is a failed read.
int Kivrel_GetProfileStringW(const char* keyPath, const char* valueName, wchar_t* buffer,
                             int bufferSize);

// The order Kivrel_EnumKeyName numbers key names in (the registry's own): below 0 when first
// comes before second, 0 for the same name in any case, above 0 after. Not a read: it needs no
// selection. A null name comes before every other.
int Kivrel_CompareKeyNames(const char* first, const char* second);

// Gives the name of sub-key number index of keyPath. *nameSize holds the capacity of name in
// characters on entry and the name's length on success (0 and an empty name on failure).
// searchMachineTree as above: nonzero numbers the merged sub-keys of both trees, 0 those of the
// user's key alone.
int Kivrel_EnumKeyName(const char* keyPath, int index, char* name, DWORD* nameSize,
                       int searchMachineTree);

// Reads a REG_DWORD value (the machine-wide key serves a value the user's key lacks). The empty
// key path reads the application key's own values ("Agent Wait").
int Kivrel_GetProfileDWord(const char* keyPath, const char* valueName, DWORD* value);

// Reads a string value (machine-wide tree searched as above, no default).
int Kivrel_GetProfileString(const char* keyPath, const char* valueName, char* buffer,
                            int bufferSize);

// Gives the name of value number index of keyPath, as Kivrel_EnumKeyName does for sub-keys,
// but position by position: the user's key's values first, then the machine-wide key's (with
// searchMachineTree nonzero). A position whose name does not fit (*nameSize on entry), or a
// machine-wide value that the user's key also holds, gives 1 with an empty name and *nameSize 0:
// skip it and go on. 0 past the last value.
int Kivrel_EnumValueName(const char* keyPath, int index, char* name, DWORD* nameSize,
                         int searchMachineTree);
#ifdef __cplusplus
}
#endif
