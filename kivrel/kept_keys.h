// The profile store's kept keys: whose tree is read, and the keys opened in each tree, reused by
// every read until a read finds one deleted. Internal to Kivrel.dll.
#pragma once

#include <windows.h>

namespace kivrel {

// A registry key name has at most 255 characters.
const int keyNameCapacity = 256;
// Room for any key path the menu builds ("Buttons\" and a name) and more; a longer path is
// still opened and read, only never found again: its slot keeps an empty path.
const int keptPathCapacity = 1024;

int IsEmptyText(const char* text);
// Copies with a bound; 0 when the text does not fit, leaving dest empty.
int CopyBounded(char* dest, int capacity, const char* source);
int SameText(const char* first, const char* second);

// Selects the user's tree and the application key, forgetting every kept key; the result of
// Kivrel_SetUserProfileInfo.
int SelectProfile(const char* userName, const char* applicationKey);
int IsProfileSelected();

// The registry's answer, remembering when it says that the key behind a kept handle is gone.
LONG Noted(LONG status);

// The trees a read consults, the user's first: the machine-wide tree only when the caller
// allows it. A tree that lacks the key gives null. The handles are kept by their trees.
struct TreeKeys {
    HKEY user;
    HKEY machine;
};
TreeKeys OpenTreeKeys(const char* keyPath, int searchMachineTree);

// A read on kept handles: BeginRead before it; afterwards ReadAgainOnFreshKeys(attempt) is true,
// once, when the read met a deleted key, and every kept key has then been forgotten.
void BeginRead();
int SawDeletedKey();
int ReadAgainOnFreshKeys(int attempt);

} // namespace kivrel
