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
//
// The kept keys live in kept_keys.cpp, the reads of one value through them in layered_read.cpp;
// this file holds the exported operations and the enumerations.
#include "outside/kivrel.h"

#include "kivrel/layered_read.h"

using namespace kivrel;

namespace {

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
        BeginRead();
        int listed = ListSubKeys(keyPath, searchMachineTree);
        if (!ReadAgainOnFreshKeys(attempt)) {
            if (SawDeletedKey()) {
                ForgetEnumeration();
                return 0;
            }
            return listed;
        }
    }
}
} // namespace

// The store's own order of key names, for programs that must name keys so that the menu reads
// them in a chosen order.
extern "C" int Kivrel_CompareKeyNames(const char* first, const char* second)
{
    if (first == nullptr || second == nullptr) {
        return first == second ? 0 : (first == nullptr ? -1 : 1);
    }
    return CompareKeyNames(first, second);
}

extern "C" int Kivrel_SetUserProfileInfo(const char* userName, const char* applicationKey)
{
    ForgetEnumeration();
    return SelectProfile(userName, applicationKey);
}

extern "C" int Kivrel_GetProfileStringEx(const char* keyPath, const char* valueName, char* buffer,
                                         int bufferSize, int searchMachineTree,
                                         const char* defaultText, int reserved)
{
    if (buffer == nullptr || bufferSize < 1) {
        return 0;
    }
    buffer[0] = '\0';
    if (IsEmptyText(valueName) || reserved != 0 || !IsProfileSelected() || keyPath == nullptr) {
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

// The wide form reads a label in any script whole, where the 8-bit form would give "?" for each
// character outside this PC's code page. Key paths and value names stay 8-bit: they are the
// program's own names.
extern "C" int Kivrel_GetProfileStringW(const char* keyPath, const char* valueName,
                                        wchar_t* buffer, int bufferSize)
{
    if (buffer == nullptr || bufferSize < 1) {
        return 0;
    }
    buffer[0] = L'\0';
    if (IsEmptyText(valueName) || !IsProfileSelected() || keyPath == nullptr) {
        return 0;
    }
    return ReadLayeredWideString(keyPath, valueName, buffer, bufferSize, 1) == ReadOk ? 1 : 0;
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
        BeginRead();
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
