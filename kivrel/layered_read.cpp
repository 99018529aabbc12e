// Reading one value from one open key, as 8-bit text, wide text or a number, and the layered
// reads made of them.
#include "kivrel/layered_read.h"

#include <vector>

namespace kivrel {

namespace {

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

// A string value as UTF-16. As for the 8-bit form, stored data need not be terminated, so it is
// read into a copy with room for a terminator of its own; the settings' strings fit on the stack.
ReadResult ReadWideStringValue(HKEY key, const wchar_t* valueName, wchar_t* buffer,
                               int bufferSize)
{
    std::vector<wchar_t> data(260);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
    LONG status = Noted(RegQueryValueExW(key, valueName, nullptr, &type,
                                         reinterpret_cast<BYTE*>(data.data()), &size));
    if (status == ERROR_MORE_DATA) {
        data.assign(size / sizeof(wchar_t) + 2, L'\0');
        size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
        status = Noted(RegQueryValueExW(key, valueName, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &size));
    }
    if (status == ERROR_FILE_NOT_FOUND) {
        return ReadMissing;
    }
    buffer[0] = L'\0';
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return ReadUnusable;
    }
    data[size / sizeof(wchar_t)] = L'\0';
    const wchar_t* text = data.data();
    std::vector<wchar_t> expanded;
    if (type == REG_EXPAND_SZ) {
        const DWORD needed = ExpandEnvironmentStringsW(text, nullptr, 0);
        expanded.assign(needed + 1, L'\0');
        if (needed == 0 || ExpandEnvironmentStringsW(text, expanded.data(), needed + 1) == 0) {
            return ReadUnusable;
        }
        text = expanded.data();
    }
    const int length = lstrlenW(text);
    if (length >= bufferSize) {
        return ReadUnusable;
    }
    CopyMemory(buffer, text, (length + 1) * sizeof(wchar_t));
    return ReadOk;
}

} // namespace

ReadResult ReadLayeredString(const char* keyPath, const char* valueName, char* buffer,
                             int bufferSize, int searchMachineTree)
{
    return ReadLayered(keyPath, searchMachineTree, [&](HKEY key) {
        return ReadStringValue(key, valueName, buffer, bufferSize);
    });
}

ReadResult ReadLayeredWideString(const char* keyPath, const char* valueName, wchar_t* buffer,
                                 int bufferSize, int searchMachineTree)
{
    // Value names are the program's own, in the 8-bit form every other read takes them in.
    wchar_t wideName[keyNameCapacity * 2];
    if (MultiByteToWideChar(CP_ACP, 0, valueName, -1, wideName, keyNameCapacity * 2) == 0) {
        buffer[0] = L'\0';
        return ReadUnusable;
    }
    return ReadLayered(keyPath, searchMachineTree, [&](HKEY key) {
        return ReadWideStringValue(key, wideName, buffer, bufferSize);
    });
}

ReadResult ReadLayeredDWord(const char* keyPath, const char* valueName, DWORD* value)
{
    return ReadLayered(keyPath, 1, [&](HKEY key) { return ReadDWordValue(key, valueName, value); });
}

} // namespace kivrel
