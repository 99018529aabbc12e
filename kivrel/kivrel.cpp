// The profile store over the Windows registry. The rules it follows are written in
// outside/kivrel.h and in the README's section on the profile store.
//
// What a read costs is the number of registry calls it makes, so the store keeps the keys it
// has opened (the application key and the key paths below it, in each tree) and lists a key's
// merged sub-keys once per enumeration. It remembers nothing else between calls:
//   - Values are read afresh at every call, through the kept handle, so a changed value is seen
//     at once.
//   - A key that is missing is never remembered as missing: the next read tries to open it
//     again, so a key added later is seen at the next read.
//   - A handle to a key that was deleted stays open but sees nothing new, not even the key made
//     anew under the same name. Every call on it fails with ERROR_KEY_DELETED, so a read that
//     meets that answer forgets every kept key and is made once more on keys opened afresh.
//   - Enumeration index 0 always lists the sub-keys anew; only the next index of the same key
//     path and tree choice reuses that list. A load enumerates from index 0, so it sees the
//     button keys as they are when it starts.
#include "outside/kivrel.h"

#include <sddl.h>

namespace {

const int applicationKeyCapacity = 256;
// A registry key name has at most 255 characters.
const int keyNameCapacity = 256;

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
// Room for any key path the menu builds ("Buttons\" and a name) and more; a longer path is
// still opened and read, only never found again: its slot keeps an empty path.
const int keptPathCapacity = 1024;

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

// The trees a read consults, the user's first: the machine-wide tree only when the caller
// allows it. A tree that lacks the key gives null. The handles are kept by their trees.
struct TreeKeys {
    HKEY user;
    HKEY machine;
};

TreeKeys OpenTreeKeys(const char* keyPath, int searchMachineTree)
{
    TreeKeys keys = {OpenTreeKey(selection.userRoot, &keptUser, keyPath),
                     searchMachineTree ? OpenTreeKey(HKEY_LOCAL_MACHINE, &keptMachine, keyPath)
                                       : nullptr};
    return keys;
}

// The count ExpandEnvironmentStringsA reports is not a safe test of fit: the ANSI form may need
// a byte more than it says, so a text that just fits could come back cut short. The expansion
// is made in a scratch buffer as large as any expansion can be and copied only when it fits.
int ExpandWhole(char* buffer, int bufferSize, const char* source)
{
    const DWORD room = 32768;
    HANDLE heap = GetProcessHeap();
    char* scratch = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, room + 1));
    if (scratch == nullptr) {
        return 0;
    }
    DWORD needed = ExpandEnvironmentStringsA(source, scratch, room);
    int copied = needed != 0 && needed <= room && CopyBounded(buffer, bufferSize, scratch);
    HeapFree(heap, 0, scratch);
    return copied;
}

enum ReadResult { ReadOk, ReadMissing, ReadUnusable };

// Terminated string data of the value's type into buffer, REG_EXPAND_SZ expanded.
ReadResult UseStringData(const char* data, DWORD type, char* buffer, int bufferSize)
{
    if (type == REG_SZ) {
        return CopyBounded(buffer, bufferSize, data) ? ReadOk : ReadUnusable;
    }
    if (type == REG_EXPAND_SZ) {
        return ExpandWhole(buffer, bufferSize, data) ? ReadOk : ReadUnusable;
    }
    return ReadUnusable;
}

// A value too long for ReadStringValue's own copy: its size asked first, then read into a copy
// of that size and one byte more.
ReadResult ReadLongStringValue(HKEY key, const char* valueName, char* buffer, int bufferSize)
{
    DWORD type = 0;
    DWORD size = 0;
    if (Noted(RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size)) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return ReadUnusable;
    }
    HANDLE heap = GetProcessHeap();
    char* data = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, size + 1));
    if (data == nullptr) {
        return ReadUnusable;
    }
    DWORD readSize = size;
    ReadResult result = ReadUnusable;
    if (Noted(RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data),
                               &readSize)) == ERROR_SUCCESS &&
        readSize <= size) {
        data[readSize] = '\0';
        result = UseStringData(data, type, buffer, bufferSize);
    }
    HeapFree(heap, 0, data);
    return result;
}

// Reads a REG_SZ or REG_EXPAND_SZ value into buffer. The registry does not promise that stored
// string data is terminated, so the data is read into a working copy at least one byte longer
// than the registry may fill and terminated there before it is used. The settings' strings fit
// a copy on the stack and take one registry call; a longer value is read into one of its size.
ReadResult ReadStringValue(HKEY key, const char* valueName, char* buffer, int bufferSize)
{
    char data[520];
    DWORD type = 0;
    DWORD size = sizeof data - 1;
    LONG status = Noted(
        RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size));
    if (status == ERROR_FILE_NOT_FOUND) {
        return ReadMissing;
    }
    ReadResult result = ReadUnusable;
    if (status == ERROR_SUCCESS && size < sizeof data) {
        data[size] = '\0';
        result = UseStringData(data, type, buffer, bufferSize);
    } else if (status == ERROR_MORE_DATA) {
        result = ReadLongStringValue(key, valueName, buffer, bufferSize);
    }
    if (result != ReadOk) {
        buffer[0] = '\0';
    }
    return result;
}

// A value the user's key holds, of whatever type, is the user's; only a value missing there is
// read from the machine-wide key of the same path. readValue reads one value from one open key.
template <typename ReadValue>
ReadResult ReadLayered(const char* keyPath, int searchMachineTree, ReadValue readValue)
{
    for (int attempt = 0;; ++attempt) {
        sawDeletedKey = 0;
        TreeKeys keys = OpenTreeKeys(keyPath, searchMachineTree);
        ReadResult result = ReadMissing;
        if (keys.user != nullptr) {
            result = readValue(keys.user);
        }
        if (result == ReadMissing && keys.machine != nullptr) {
            result = readValue(keys.machine);
        }
        if (!ReadAgainOnFreshKeys(attempt)) {
            return result;
        }
    }
}

ReadResult ReadLayeredString(const char* keyPath, const char* valueName, char* buffer,
                             int bufferSize, int searchMachineTree)
{
    return ReadLayered(keyPath, searchMachineTree, [&](HKEY key) {
        return ReadStringValue(key, valueName, buffer, bufferSize);
    });
}

ReadResult ReadDWordValue(HKEY key, const char* valueName, DWORD* value)
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    LONG status = Noted(
        RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size));
    if (status == ERROR_FILE_NOT_FOUND) {
        return ReadMissing;
    }
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) {
        return ReadUnusable;
    }
    *value = data;
    return ReadOk;
}

// The registry keeps a key's sub-keys in order of their names compared without regard to case,
// code unit by code unit of the upper-case form; the merged list follows the same order.
int CompareKeyNames(const char* first, const char* second)
{
    WCHAR wideFirst[keyNameCapacity];
    WCHAR wideSecond[keyNameCapacity];
    int firstLength = MultiByteToWideChar(CP_ACP, 0, first, -1, wideFirst, keyNameCapacity);
    int secondLength = MultiByteToWideChar(CP_ACP, 0, second, -1, wideSecond, keyNameCapacity);
    if (firstLength == 0 || secondLength == 0) {
        return lstrcmpiA(first, second);
    }
    return CompareStringOrdinal(wideFirst, -1, wideSecond, -1, TRUE) - CSTR_EQUAL;
}

// Sub-key names of both trees, each name once, in the registry's order. Names live in fixed
// slots of keyNameCapacity bytes.
struct KeyNameList {
    char* names;
    int count;
    int capacity;
};

DWORD SubKeyCount(HKEY key)
{
    DWORD count = 0;
    if (key == nullptr ||
        Noted(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr)) != ERROR_SUCCESS) {
        return 0;
    }
    return count;
}

// Inserts name in order; a name already listed (in any case) keeps its first spelling, which
// is the user's when the user's tree is listed first.
void InsertKeyName(KeyNameList* list, const char* name)
{
    int position = 0;
    while (position < list->count) {
        int order = CompareKeyNames(list->names + position * keyNameCapacity, name);
        if (order == 0) {
            return;
        }
        if (order > 0) {
            break;
        }
        ++position;
    }
    if (list->count >= list->capacity) {
        return;
    }
    char* slot = list->names + position * keyNameCapacity;
    MoveMemory(slot + keyNameCapacity, slot,
               static_cast<SIZE_T>(list->count - position) * keyNameCapacity);
    CopyBounded(slot, keyNameCapacity, name);
    ++list->count;
}

// Lists the count sub-keys that the key reported just before: no call is spent on learning that
// there are no more.
void AddSubKeyNames(HKEY key, DWORD count, KeyNameList* list)
{
    if (key == nullptr) {
        return;
    }
    char name[keyNameCapacity];
    for (DWORD index = 0; index < count; ++index) {
        DWORD size = keyNameCapacity;
        if (Noted(RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr)) !=
            ERROR_SUCCESS) {
            return;
        }
        name[size < static_cast<DWORD>(keyNameCapacity) ? size : keyNameCapacity - 1] = '\0';
        InsertKeyName(list, name);
    }
}

// The merged list of the enumeration under way: made anew at its index 0 and reused only for
// the next index of the same key path and tree choice.
struct Enumeration {
    KeyNameList list;
    char path[keptPathCapacity];
    int searchMachineTree;
    int lastIndex;
};

Enumeration enumeration = {};

void ForgetEnumeration()
{
    if (enumeration.list.names != nullptr) {
        HeapFree(GetProcessHeap(), 0, enumeration.list.names);
    }
    enumeration = {};
}

int ContinuesEnumeration(const char* keyPath, int index, int searchMachineTree)
{
    return enumeration.list.names != nullptr && index > 0 && index == enumeration.lastIndex + 1 &&
           enumeration.searchMachineTree == searchMachineTree &&
           SameText(enumeration.path, keyPath);
}

// Lists the merged sub-keys of keyPath as the enumeration under way; 0 when there are none or
// the list could not be made.
int ListSubKeys(const char* keyPath, int searchMachineTree)
{
    ForgetEnumeration();
    TreeKeys keys = OpenTreeKeys(keyPath, searchMachineTree);
    const DWORD userCount = SubKeyCount(keys.user);
    const DWORD machineCount = SubKeyCount(keys.machine);
    KeyNameList list = {nullptr, 0, static_cast<int>(userCount + machineCount)};
    if (list.capacity == 0) {
        return 0;
    }
    list.names = static_cast<char*>(HeapAlloc(
        GetProcessHeap(), HEAP_ZERO_MEMORY, static_cast<SIZE_T>(list.capacity) * keyNameCapacity));
    if (list.names == nullptr) {
        return 0;
    }
    AddSubKeyNames(keys.user, userCount, &list);
    AddSubKeyNames(keys.machine, machineCount, &list);
    enumeration.list = list;
    // A path too long for the record is listed all the same, only never continued.
    CopyBounded(enumeration.path, keptPathCapacity, keyPath);
    enumeration.searchMachineTree = searchMachineTree;
    return 1;
}

// ListSubKeys on keys that are not deleted: a list made through a kept handle of a deleted key
// is made once more on keys opened afresh.
int ListLiveSubKeys(const char* keyPath, int searchMachineTree)
{
    for (int attempt = 0;; ++attempt) {
        sawDeletedKey = 0;
        int listed = ListSubKeys(keyPath, searchMachineTree);
        if (!ReadAgainOnFreshKeys(attempt)) {
            if (sawDeletedKey) {
                ForgetEnumeration();
                return 0;
            }
            return listed;
        }
    }
}

ReadResult ReadLayeredDWord(const char* keyPath, const char* valueName, DWORD* value)
{
    return ReadLayered(keyPath, 1, [&](HKEY key) { return ReadDWordValue(key, valueName, value); });
}

} // namespace

extern "C" int Kivrel_SetUserProfileInfo(const char* userName, const char* applicationKey)
{
    ForgetEnumeration();
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

extern "C" int Kivrel_GetProfileStringEx(const char* keyPath, const char* valueName, char* buffer,
                                         int bufferSize, int searchMachineTree,
                                         const char* defaultText, int reserved)
{
    if (buffer == nullptr || bufferSize < 1) {
        return 0;
    }
    buffer[0] = '\0';
    if (IsEmptyText(valueName) || reserved != 0 || !selection.selected || keyPath == nullptr) {
        return 0;
    }
    ReadResult result =
        ReadLayeredString(keyPath, valueName, buffer, bufferSize, searchMachineTree);
    if (result == ReadMissing && defaultText != nullptr) {
        return CopyBounded(buffer, bufferSize, defaultText);
    }
    return result == ReadOk ? 1 : 0;
}

extern "C" int Kivrel_GetProfileString(const char* keyPath, const char* valueName, char* buffer,
                                       int bufferSize)
{
    return Kivrel_GetProfileStringEx(keyPath, valueName, buffer, bufferSize, 1, nullptr, 0);
}

extern "C" int Kivrel_EnumKeyName(const char* keyPath, int index, char* name, DWORD* nameSize,
                                  int searchMachineTree)
{
    if (name == nullptr || nameSize == nullptr || *nameSize == 0) {
        if (nameSize != nullptr) {
            *nameSize = 0;
        }
        return 0;
    }
    DWORD capacity = *nameSize;
    name[0] = '\0';
    *nameSize = 0;
    if (index < 0 || IsEmptyText(keyPath)) {
        return 0;
    }
    if (!ContinuesEnumeration(keyPath, index, searchMachineTree) &&
        !ListLiveSubKeys(keyPath, searchMachineTree)) {
        return 0;
    }
    enumeration.lastIndex = index;
    int found = index < enumeration.list.count &&
                CopyBounded(name, static_cast<int>(capacity),
                            enumeration.list.names + index * keyNameCapacity);
    if (!found) {
        name[0] = '\0';
        return 0;
    }
    *nameSize = static_cast<DWORD>(lstrlenA(name));
    return 1;
}

// The empty key path names the application key itself, where settings of the whole program
// live; a null one is refused as everywhere.
extern "C" int Kivrel_GetProfileDWord(const char* keyPath, const char* valueName, DWORD* value)
{
    if (value == nullptr || keyPath == nullptr || IsEmptyText(valueName)) {
        return 0;
    }
    DWORD data = 0;
    if (ReadLayeredDWord(keyPath, valueName, &data) != ReadOk) {
        return 0;
    }
    *value = data;
    return 1;
}

namespace {

// The value name at position index of one key, whole into name; 0 past the key's last value. A
// name the buffer cannot hold gives 1 with an empty name, so that the numbering stays the
// registry's own.
int KeyValueName(HKEY key, DWORD index, char* name, DWORD capacity)
{
    DWORD size = capacity;
    LONG status =
        Noted(RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr));
    if (status == ERROR_MORE_DATA) {
        name[0] = '\0';
        return 1;
    }
    if (status != ERROR_SUCCESS || size >= capacity) {
        name[0] = '\0';
        return 0;
    }
    name[size] = '\0';
    return 1;
}

DWORD ValueCount(HKEY key)
{
    DWORD count = 0;
    if (key == nullptr ||
        Noted(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                               nullptr, nullptr, nullptr, nullptr)) != ERROR_SUCCESS) {
        return 0;
    }
    return count;
}

} // namespace

// Each position is one registry lookup, not a walk of the whole key: the user's values come
// first, then the machine-wide ones, and a machine-wide value the user's key also holds is
// given as a skipped position (an empty name), since the user's value stands over it.
extern "C" int Kivrel_EnumValueName(const char* keyPath, int index, char* name, DWORD* nameSize,
                                    int searchMachineTree)
{
    if (name == nullptr || nameSize == nullptr || *nameSize == 0) {
        if (nameSize != nullptr) {
            *nameSize = 0;
        }
        return 0;
    }
    const DWORD capacity = *nameSize;
    name[0] = '\0';
    *nameSize = 0;
    if (index < 0 || IsEmptyText(keyPath)) {
        return 0;
    }
    int found = 0;
    for (int attempt = 0;; ++attempt) {
        sawDeletedKey = 0;
        TreeKeys keys = OpenTreeKeys(keyPath, searchMachineTree);
        const DWORD userCount = ValueCount(keys.user);
        found = 0;
        if (static_cast<DWORD>(index) < userCount) {
            found = KeyValueName(keys.user, static_cast<DWORD>(index), name, capacity);
        } else if (keys.machine != nullptr) {
            found =
                KeyValueName(keys.machine, static_cast<DWORD>(index) - userCount, name, capacity);
            if (found && name[0] != '\0' && keys.user != nullptr &&
                Noted(RegQueryValueExA(keys.user, name, nullptr, nullptr, nullptr, nullptr)) ==
                    ERROR_SUCCESS) {
                name[0] = '\0';
            }
        }
        if (!ReadAgainOnFreshKeys(attempt)) {
            break;
        }
    }
    *nameSize = found ? static_cast<DWORD>(lstrlenA(name)) : 0;
    return found;
}
