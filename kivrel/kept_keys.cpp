// The keys the profile store keeps open between calls, in each tree, and the selection of whose
// tree is read. Why keys are kept, and how a kept key never hides a change, is written at the top
// of kivrel.cpp.
#include "kivrel/kept_keys.h"

#include <sddl.h>

namespace kivrel {

const int applicationKeyCapacity = 256;

struct ProfileSelection {
    int selected;
    HKEY userRoot;       // HKEY_CURRENT_USER, an opened HKEY_USERS\<SID>, or null
    int userRootOpened;  // 1 when userRoot was opened here and must be closed
    char softwareKey[applicationKeyCapacity + 16];  // "Software\<application key>"
};

ProfileSelection selection = {};

// A load reads "Panel", "Buttons" and six button keys; a few more slots let a second key path
// spelling or a skin with spare buttons stay open without evicting the load's own keys.
const int keptKeyCapacity = 16;

struct KeptKey {
    char path[keptPathCapacity];
    HKEY key;
};

// The keys kept open in one tree: its application key, null until it opened, and the key paths
// opened below it, reused in turn once every slot is taken.
struct KeptTree {
    HKEY applicationKey;
    KeptKey keys[keptKeyCapacity];
    int nextSlot;
};

KeptTree keptUser = {};
KeptTree keptMachine = {};

// Set by any registry call that found its key deleted under a kept handle.
int sawDeletedKey = 0;

int IsEmptyText(const char* text)
{
    return text == nullptr || text[0] == '\0';
}

// Copies with a bound; 0 when the text does not fit, leaving dest empty.
int CopyBounded(char* dest, int capacity, const char* source)
{
    int length = lstrlenA(source);
    if (capacity < 1 || length >= capacity) {
        if (capacity >= 1) {
            dest[0] = '\0';
        }
        return 0;
    }
    CopyMemory(dest, source, length + 1);
    return 1;
}

int AppendBounded(char* dest, int capacity, const char* source)
{
    int used = lstrlenA(dest);
    return CopyBounded(dest + used, capacity - used, source);
}

void CloseUserRoot()
{
    if (selection.userRootOpened && selection.userRoot != nullptr) {
        RegCloseKey(selection.userRoot);
    }
    selection.userRoot = nullptr;
    selection.userRootOpened = 0;
}

int IsLoggedOnUser(const char* userName)
{
    char current[257];
    DWORD size = sizeof current;
    return GetUserNameA(current, &size) && lstrcmpiA(current, userName) == 0;
}

// Another account's settings live in its hive under HKEY_USERS, present only while that user is
// logged on (or a service has loaded it).
HKEY OpenOtherUsersHive(const char* userName)
{
    BYTE sidBuffer[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sidBuffer;
    char domain[256];
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use;
    if (!LookupAccountNameA(nullptr, userName, sidBuffer, &sidSize, domain, &domainSize, &use)) {
        return nullptr;
    }
    char* sidText = nullptr;
    if (!ConvertSidToStringSidA(sidBuffer, &sidText)) {
        return nullptr;
    }
    HKEY hive = nullptr;
    if (RegOpenKeyExA(HKEY_USERS, sidText, 0, KEY_READ, &hive) != ERROR_SUCCESS) {
        hive = nullptr;
    }
    LocalFree(sidText);
    return hive;
}

// The registry's answer, remembering when it says that the key behind a kept handle is gone.
LONG Noted(LONG status)
{
    if (status == ERROR_KEY_DELETED) {
        sawDeletedKey = 1;
    }
    return status;
}

int SameText(const char* first, const char* second)
{
    while (*first != '\0' && *first == *second) {
        ++first;
        ++second;
    }
    return *first == *second;
}

void ForgetTree(KeptTree* tree)
{
    for (KeptKey& kept : tree->keys) {
        if (kept.key != nullptr) {
            RegCloseKey(kept.key);
        }
        kept.key = nullptr;
        kept.path[0] = '\0';
    }
    if (tree->applicationKey != nullptr) {
        RegCloseKey(tree->applicationKey);
    }
    tree->applicationKey = nullptr;
    tree->nextSlot = 0;
}

void ForgetKeptKeys()
{
    ForgetTree(&keptUser);
    ForgetTree(&keptMachine);
}

// A read made on kept handles that found a deleted key is made once more on keys opened afresh:
// true when the caller is to read again.
int ReadAgainOnFreshKeys(int attempt)
{
    if (!sawDeletedKey || attempt > 0) {
        return 0;
    }
    ForgetKeptKeys();
    return 1;
}

HKEY KeepKey(KeptTree* tree, const char* keyPath, HKEY key)
{
    KeptKey& slot = tree->keys[tree->nextSlot];
    if (slot.key != nullptr) {
        RegCloseKey(slot.key);
    }
    slot.key = key;
    CopyBounded(slot.path, keptPathCapacity, keyPath);
    tree->nextSlot = (tree->nextSlot + 1) % keptKeyCapacity;
    return key;
}

// Opens keyPath in one tree (a root key's Software\<application key>), or finds it kept open.
// The application key is opened first and the key path relative to it: some systems refuse a
// long path given from the root in one call (a 247-character button name makes a 255-character
// key path), though every name in it is within the registry's limits. The handle stays the
// tree's; the caller does not close it.
HKEY OpenTreeKey(HKEY root, KeptTree* tree, const char* keyPath)
{
    if (root == nullptr || !selection.selected || keyPath == nullptr) {
        return nullptr;
    }
    // A slot whose path did not fit is kept with an empty path; it must never pass for the
    // application key, which the empty path names.
    for (const KeptKey& kept : tree->keys) {
        if (kept.key != nullptr && kept.path[0] != '\0' && SameText(kept.path, keyPath)) {
            return kept.key;
        }
    }
    if (tree->applicationKey == nullptr &&
        Noted(RegOpenKeyExA(root, selection.softwareKey, 0, KEY_READ, &tree->applicationKey)) !=
            ERROR_SUCCESS) {
        tree->applicationKey = nullptr;
        return nullptr;
    }
    if (keyPath[0] == '\0') {
        return tree->applicationKey;
    }
    HKEY key = nullptr;
    if (Noted(RegOpenKeyExA(tree->applicationKey, keyPath, 0, KEY_READ, &key)) != ERROR_SUCCESS) {
        return nullptr;
    }
    return KeepKey(tree, keyPath, key);
}

TreeKeys OpenTreeKeys(const char* keyPath, int searchMachineTree)
{
    TreeKeys keys = {OpenTreeKey(selection.userRoot, &keptUser, keyPath),
                     searchMachineTree ? OpenTreeKey(HKEY_LOCAL_MACHINE, &keptMachine, keyPath)
                                       : nullptr};
    return keys;
}

int SelectProfile(const char* userName, const char* applicationKey)
{
    ForgetKeptKeys();
    CloseUserRoot();
    selection.selected = 0;
    selection.softwareKey[0] = '\0';
    if (IsEmptyText(applicationKey) ||
        !CopyBounded(selection.softwareKey, sizeof selection.softwareKey, "Software\\") ||
        !AppendBounded(selection.softwareKey, sizeof selection.softwareKey, applicationKey)) {
        selection.softwareKey[0] = '\0';
        return 0;
    }
    selection.selected = 1;
    if (IsEmptyText(userName) || IsLoggedOnUser(userName)) {
        selection.userRoot = HKEY_CURRENT_USER;
        return 1;
    }
    selection.userRoot = OpenOtherUsersHive(userName);
    selection.userRootOpened = selection.userRoot != nullptr;
    // Without the user's own hive the machine-wide defaults still serve; the caller learns that
    // the user it named was not found.
    return selection.userRoot != nullptr ? 1 : 0;
}

int IsProfileSelected()
{
    return selection.selected;
}

void BeginRead()
{
    sawDeletedKey = 0;
}

int SawDeletedKey()
{
    return sawDeletedKey;
}

} // namespace kivrel
