// The profile store over the Windows registry. The rules it follows are written in
// outside/kivrel.h and in the README's section on the profile store.
#include "outside/kivrel.h"

#include <sddl.h>

namespace {

// Registry key paths are limited to 255 characters per name, but a path of several names may be
// longer; 512 leaves room for "Software\", the application key and any key path the menu builds.
const int fullPathCapacity = 512;
const int applicationKeyCapacity = 256;

struct ProfileSelection {
    int selected;
    HKEY userRoot;       // HKEY_CURRENT_USER, an opened HKEY_USERS\<SID>, or null
    int userRootOpened;  // 1 when userRoot was opened here and must be closed
    char softwareKey[applicationKeyCapacity + 16];  // "Software\<application key>"
};

ProfileSelection selection = {};

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

int BuildFullPath(const char* keyPath, char* fullPath)
{
    fullPath[0] = '\0';
    return AppendBounded(fullPath, fullPathCapacity, selection.softwareKey) &&
           AppendBounded(fullPath, fullPathCapacity, "\\") &&
           AppendBounded(fullPath, fullPathCapacity, keyPath);
}

// Opens keyPath in the user's tree, or, when the user's tree lacks it and the caller allows it,
// in the machine-wide tree. Null when neither has it.
HKEY OpenSettingsKey(const char* keyPath, int searchMachineTree)
{
    if (!selection.selected || IsEmptyText(keyPath)) {
        return nullptr;
    }
    char fullPath[fullPathCapacity];
    if (!BuildFullPath(keyPath, fullPath)) {
        return nullptr;
    }
    HKEY key = nullptr;
    if (selection.userRoot != nullptr &&
        RegOpenKeyExA(selection.userRoot, fullPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        return key;
    }
    if (searchMachineTree &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, fullPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        return key;
    }
    return nullptr;
}

enum ReadResult { ReadOk, ReadMissing, ReadUnusable };

// Reads a REG_SZ or REG_EXPAND_SZ value into buffer. The registry does not promise that stored
// string data is terminated, so the data is read into a working copy one byte longer and
// terminated there before it is used.
ReadResult ReadStringValue(HKEY key, const char* valueName, char* buffer, int bufferSize)
{
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        return ReadMissing;
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return ReadUnusable;
    }
    HANDLE heap = GetProcessHeap();
    char* data = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, size + 1));
    if (data == nullptr) {
        return ReadUnusable;
    }
    DWORD readSize = size;
    ReadResult result = ReadUnusable;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data),
                         &readSize) == ERROR_SUCCESS &&
        readSize <= size) {
        data[readSize] = '\0';
        if (type == REG_SZ) {
            result = CopyBounded(buffer, bufferSize, data) ? ReadOk : ReadUnusable;
        } else {
            DWORD needed = ExpandEnvironmentStringsA(data, buffer, bufferSize);
            // needed counts the terminator; 0 is a failure, more than the buffer a cut text.
            result = needed != 0 && needed <= static_cast<DWORD>(bufferSize) ? ReadOk
                                                                              : ReadUnusable;
        }
    }
    HeapFree(heap, 0, data);
    if (result != ReadOk) {
        buffer[0] = '\0';
    }
    return result;
}

}  // namespace

extern "C" int Kivrel_SetUserProfileInfo(const char* userName, const char* applicationKey)
{
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
    if (IsEmptyText(valueName) || reserved != 0) {
        return 0;
    }
    ReadResult result = ReadMissing;
    HKEY key = OpenSettingsKey(keyPath, searchMachineTree);
    if (key != nullptr) {
        result = ReadStringValue(key, valueName, buffer, bufferSize);
        RegCloseKey(key);
    }
    if (result == ReadMissing && defaultText != nullptr && selection.selected &&
        !IsEmptyText(keyPath)) {
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
    if (index < 0) {
        return 0;
    }
    HKEY key = OpenSettingsKey(keyPath, searchMachineTree);
    if (key == nullptr) {
        return 0;
    }
    DWORD size = capacity;
    LONG status = RegEnumKeyExA(key, static_cast<DWORD>(index), name, &size, nullptr, nullptr,
                                nullptr, nullptr);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || size >= capacity) {
        name[0] = '\0';
        return 0;
    }
    name[size] = '\0';
    *nameSize = size;
    return 1;
}

extern "C" int Kivrel_GetProfileDWord(const char* keyPath, const char* valueName, DWORD* value)
{
    if (value == nullptr || IsEmptyText(valueName)) {
        return 0;
    }
    HKEY key = OpenSettingsKey(keyPath, 1);
    if (key == nullptr) {
        return 0;
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    LONG status = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                                   &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) {
        return 0;
    }
    *value = data;
    return 1;
}
