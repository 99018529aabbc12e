#include "skincheck/reg_file.h"

#include "outside/application_key.h"

#include <cstdio>

namespace {

const char tileboxPath[] = TILEBOX_SETTINGS_PATH;
const DWORD largestFile = 16 * 1024 * 1024;
const int keyPathCapacity = 512;

// Everything the parser carries from line to line.
struct ImportState {
    const char* applicationKey;
    int version; // 4 or 5; 0 until the header line was read
    HKEY key;    // the open key of the current section; null when it is skipped
    int skippedKeys;
    int lineNumber;
    char* error;
    int errorCapacity;
};

// Keeps the bytes of the heap buffer it owns until it goes.
class HeapText {
  public:
    explicit HeapText(DWORD size)
        : data(static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size)))
    {
    }
    ~HeapText()
    {
        if (data != nullptr) {
            HeapFree(GetProcessHeap(), 0, data);
        }
    }
    HeapText(const HeapText&) = delete;
    HeapText& operator=(const HeapText&) = delete;
    char* data;
};

bool Fail(ImportState* state, const char* text)
{
    if (state->lineNumber > 0) {
        snprintf(state->error, state->errorCapacity, "line %d: %s", state->lineNumber, text);
    } else {
        snprintf(state->error, state->errorCapacity, "%s", text);
    }
    return false;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}

const char* SkipSpaces(const char* p)
{
    while (IsSpace(*p)) {
        ++p;
    }
    return p;
}

bool StartsWithNoCase(const char* text, const char* prefix)
{
    const int length = lstrlenA(prefix);
    return lstrlenA(text) >= length && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text,
                                                      length, prefix, length) == CSTR_EQUAL;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The file's text as ANSI in a zero-terminated heap buffer. A UTF-16LE file (the format of
// version 5.00 exports) is converted in the system's code page, as the menu's strings are.
char* ReadText(const char* path, ImportState* state)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail(state, "cannot be opened");
        return nullptr;
    }
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE || size > largestFile) {
        CloseHandle(file);
        Fail(state, "is too large for a settings file");
        return nullptr;
    }
    HeapText raw(size + 2);
    DWORD read = 0;
    const BOOL ok = raw.data != nullptr && ReadFile(file, raw.data, size, &read, nullptr);
    CloseHandle(file);
    if (!ok || read != size) {
        Fail(state, "cannot be read");
        return nullptr;
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(raw.data);
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        const wchar_t* wide = reinterpret_cast<const wchar_t*>(raw.data + 2);
        const int chars = static_cast<int>((size - 2) / 2);
        const int needed =
            WideCharToMultiByte(CP_ACP, 0, wide, chars, nullptr, 0, nullptr, nullptr);
        char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, needed + 1));
        if (text == nullptr || (chars > 0 && WideCharToMultiByte(CP_ACP, 0, wide, chars, text,
                                                                 needed, nullptr, nullptr) == 0)) {
            if (text != nullptr) {
                HeapFree(GetProcessHeap(), 0, text);
            }
            Fail(state, "cannot be converted from UTF-16");
            return nullptr;
        }
        return text;
    }
    // A UTF-8 mark is passed over; the rest is taken as ANSI, like a REGEDIT4 file.
    const DWORD skip =
        size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size + 1));
    if (text == nullptr) {
        Fail(state, "is too large to read");
        return nullptr;
    }
    CopyMemory(text, raw.data + skip, size - skip);
    return text;
}

void CloseSectionKey(ImportState* state)
{
    if (state->key != nullptr) {
        RegCloseKey(state->key);
        state->key = nullptr;
    }
}

void DeleteTree(const char* path)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path);
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

// The private copy's path for a key of the file; false when the key lies outside the
// application key of either root.
bool MapKey(const ImportState* state, const char* fullPath, char* privatePath, int capacity)
{
    const char* slash = fullPath;
    while (*slash != '\0' && *slash != '\\') {
        ++slash;
    }
    char root[32];
    const int rootLength = static_cast<int>(slash - fullPath);
    if (*slash != '\\' || rootLength >= static_cast<int>(sizeof root)) {
        return false;
    }
    lstrcpynA(root, fullPath, rootLength + 1);
    if (lstrcmpiA(root, "HKEY_CURRENT_USER") != 0 && lstrcmpiA(root, "HKCU") != 0 &&
        lstrcmpiA(root, "HKEY_LOCAL_MACHINE") != 0 && lstrcmpiA(root, "HKLM") != 0) {
        return false;
    }
    const char* rest = slash + 1;
    const int baseLength = lstrlenA(tileboxPath);
    if (!StartsWithNoCase(rest, tileboxPath) ||
        (rest[baseLength] != '\0' && rest[baseLength] != '\\')) {
        return false;
    }
    const int length =
        snprintf(privatePath, capacity, "Software\\%s%s", state->applicationKey, rest + baseLength);
    return length > 0 && length < capacity;
}

bool ReadSection(ImportState* state, const char* line)
{
    const char* end = line + lstrlenA(line);
    while (end > line && end[-1] != ']') {
        --end;
    }
    if (end <= line + 1) {
        return Fail(state, "a key line without its closing bracket");
    }
    const char* start = line + 1;
    const bool deleting = *start == '-';
    if (deleting) {
        ++start;
    }
    char fullPath[1024];
    const int length = static_cast<int>(end - 1 - start);
    if (length <= 0 || length >= static_cast<int>(sizeof fullPath)) {
        return Fail(state, "an empty or overlong key name");
    }
    lstrcpynA(fullPath, start, length + 1);
    CloseSectionKey(state);
    char privatePath[1024];
    if (!MapKey(state, fullPath, privatePath, sizeof privatePath)) {
        ++state->skippedKeys;
        return true;
    }
    if (deleting) {
        DeleteTree(privatePath);
        return true;
    }
    if (RegCreateKeyExA(HKEY_CURRENT_USER, privatePath, 0, nullptr, 0, KEY_WRITE, nullptr,
                        &state->key, nullptr) != ERROR_SUCCESS) {
        state->key = nullptr;
        return Fail(state, "a key that cannot be created");
    }
    return true;
}

// A quoted text with the escapes \\ and \"; *p is on the opening quotation mark and ends past the
// closing one.
bool ReadQuoted(const char** p, char* out, int capacity)
{
    const char* s = *p + 1;
    int length = 0;
    while (*s != '\0' && *s != '"') {
        if (*s == '\\' && s[1] != '\0') {
            ++s;
        }
        if (length + 1 >= capacity) {
            return false;
        }
        out[length++] = *s++;
    }
    out[length] = '\0';
    if (*s != '"') {
        return false;
    }
    *p = s + 1;
    return true;
}

// Comma-separated hexadecimal bytes; the count of bytes, or -1 when the list is malformed.
int ReadHexBytes(const char* p, BYTE* out, int capacity)
{
    int count = 0;
    p = SkipSpaces(p);
    while (*p != '\0') {
        const int high = HexDigit(p[0]);
        const int low = high >= 0 ? HexDigit(p[1]) : -1;
        if (low < 0 || count >= capacity) {
            return -1;
        }
        out[count++] = static_cast<BYTE>(high * 16 + low);
        p = SkipSpaces(p + 2);
        if (*p == ',') {
            p = SkipSpaces(p + 1);
        } else if (*p != '\0') {
            return -1;
        }
    }
    return count;
}

// Version 5.00 files give the string kinds of hex(n) values in UTF-16; the menu's store reads
// them through the ANSI interface, so the copy is written in ANSI too.
int NarrowStringData(BYTE* data, int count, int capacity)
{
    const int chars = count / 2;
    if (chars == 0) {
        return 0;
    }
    wchar_t wide[4096];
    if (chars > static_cast<int>(sizeof wide / sizeof wide[0])) {
        return -1;
    }
    CopyMemory(wide, data, chars * 2);
    const int written = WideCharToMultiByte(CP_ACP, 0, wide, chars, reinterpret_cast<char*>(data),
                                            capacity, nullptr, nullptr);
    return written > 0 ? written : -1;
}

bool WriteValue(ImportState* state, const char* name, DWORD type, const BYTE* data, int size)
{
    if (state->key == nullptr) {
        return true;
    }
    if (RegSetValueExA(state->key, name, 0, type, data, size) != ERROR_SUCCESS) {
        return Fail(state, "a value that cannot be written");
    }
    return true;
}

bool ReadValue(ImportState* state, const char* line)
{
    char name[1024];
    const char* p = line;
    if (*p == '@') {
        name[0] = '\0';
        ++p;
    } else if (!ReadQuoted(&p, name, sizeof name)) {
        return Fail(state, "a value name without its closing quotation mark");
    }
    p = SkipSpaces(p);
    if (*p != '=') {
        return Fail(state, "a value name without '='");
    }
    p = SkipSpaces(p + 1);
    static BYTE data[16384];
    if (*p == '"') {
        char* text = reinterpret_cast<char*>(data);
        if (!ReadQuoted(&p, text, sizeof data)) {
            return Fail(state, "a string without its closing quotation mark");
        }
        if (*SkipSpaces(p) != '\0') {
            return Fail(state, "text after a string's closing quotation mark");
        }
        return WriteValue(state, name, REG_SZ, data, lstrlenA(text) + 1);
    }
    if (*p == '-' && *SkipSpaces(p + 1) == '\0') {
        if (state->key != nullptr) {
            RegDeleteValueA(state->key, name);
        }
        return true;
    }
    if (StartsWithNoCase(p, "dword:")) {
        p += 6;
        DWORD value = 0;
        int digits = 0;
        for (; HexDigit(*p) >= 0; ++p, ++digits) {
            value = value * 16 + static_cast<DWORD>(HexDigit(*p));
        }
        if (digits == 0 || digits > 8 || *SkipSpaces(p) != '\0') {
            return Fail(state, "a dword that is not 1 to 8 hexadecimal digits");
        }
        return WriteValue(state, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
    }
    if (StartsWithNoCase(p, "hex")) {
        p += 3;
        DWORD type = REG_BINARY;
        if (*p == '(') {
            type = 0;
            for (++p; HexDigit(*p) >= 0; ++p) {
                type = type * 16 + static_cast<DWORD>(HexDigit(*p));
            }
            if (*p != ')') {
                return Fail(state, "a hex(...) type that is not hexadecimal");
            }
            ++p;
        }
        if (*p != ':') {
            return Fail(state, "hex data without ':'");
        }
        int count = ReadHexBytes(p + 1, data, sizeof data);
        if (count < 0) {
            return Fail(state, "hex data that is not a list of bytes");
        }
        if (state->version == 5 &&
            (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
            count = NarrowStringData(data, count, sizeof data);
            if (count < 0) {
                return Fail(state, "UTF-16 string data that cannot be converted");
            }
        }
        return WriteValue(state, name, type, data, count);
    }
    return Fail(state, "a value of a kind this checker does not read");
}

bool ReadHeader(ImportState* state, const char* line)
{
    if (lstrcmpA(line, "REGEDIT4") == 0) {
        state->version = 4;
        return true;
    }
    if (lstrcmpA(line, "Windows Registry Editor Version 5.00") == 0) {
        state->version = 5;
        return true;
    }
    return Fail(state, "not a registry file: the first line is neither REGEDIT4 nor "
                       "\"Windows Registry Editor Version 5.00\"");
}

bool ReadLogicalLine(ImportState* state, const char* line)
{
    line = SkipSpaces(line);
    if (*line == '\0' || *line == ';') {
        return true;
    }
    if (state->version == 0) {
        return ReadHeader(state, line);
    }
    if (*line == '[') {
        return ReadSection(state, line);
    }
    if (*line == '"' || *line == '@') {
        return ReadValue(state, line);
    }
    return Fail(state, "a line that is neither a key nor a value");
}

// True when some '=' of the line is followed by hex data.
bool IsHexValueLine(const char* line)
{
    for (const char* p = line; *p != '\0'; ++p) {
        if (*p == '=' && StartsWithNoCase(SkipSpaces(p + 1), "hex")) {
            return true;
        }
    }
    return false;
}

// Splits the text into logical lines: a hex value continues on the next line after a trailing
// backslash, as exports write long binary data.
bool ReadLines(ImportState* state, char* text)
{
    const int length = lstrlenA(text);
    HeapText logical(length + 1);
    if (logical.data == nullptr) {
        return Fail(state, "is too large to read");
    }
    char* p = text;
    while (*p != '\0') {
        int used = 0;
        const int firstLine = state->lineNumber + 1;
        for (;;) {
            char* end = p;
            while (*end != '\0' && *end != '\n') {
                ++end;
            }
            const bool more = *end == '\n';
            char* lineEnd = end;
            while (lineEnd > p && (lineEnd[-1] == '\r' || IsSpace(lineEnd[-1]))) {
                --lineEnd;
            }
            const char* start = used > 0 ? SkipSpaces(p) : p;
            const int count = lineEnd > start ? static_cast<int>(lineEnd - start) : 0;
            CopyMemory(logical.data + used, start, count);
            used += count;
            logical.data[used] = '\0';
            ++state->lineNumber;
            p = more ? end + 1 : end;
            const bool continued =
                used > 0 && logical.data[used - 1] == '\\' && IsHexValueLine(logical.data);
            if (!continued || *p == '\0') {
                break;
            }
            logical.data[--used] = '\0';
        }
        const int lastLine = state->lineNumber;
        state->lineNumber = firstLine;
        if (!ReadLogicalLine(state, logical.data)) {
            return false;
        }
        state->lineNumber = lastLine;
    }
    if (state->version == 0) {
        return Fail(state, "is empty");
    }
    return true;
}

} // namespace

int ImportRegFile(const char* path, const char* applicationKey, int* skippedKeys, char* error,
                  int errorCapacity)
{
    ImportState state = {};
    state.applicationKey = applicationKey;
    state.error = error;
    state.errorCapacity = errorCapacity;
    error[0] = '\0';
    *skippedKeys = 0;
    char rootPath[keyPathCapacity];
    snprintf(rootPath, sizeof rootPath, "Software\\%s", applicationKey);
    HKEY root = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, rootPath, 0, KEY_READ, &root) == ERROR_SUCCESS) {
        RegCloseKey(root);
        Fail(&state, "the private settings key already exists");
        return 0;
    }
    // The application key exists even for a file without settings, so that the store reads an
    // empty tree rather than failing to select one.
    if (RegCreateKeyExA(HKEY_CURRENT_USER, rootPath, 0, nullptr, 0, KEY_WRITE, nullptr, &root,
                        nullptr) != ERROR_SUCCESS) {
        Fail(&state, "the private settings key cannot be created");
        return 0;
    }
    RegCloseKey(root);
    char* text = ReadText(path, &state);
    if (text == nullptr) {
        return 0;
    }
    const bool ok = ReadLines(&state, text);
    CloseSectionKey(&state);
    HeapFree(GetProcessHeap(), 0, text);
    *skippedKeys = state.skippedKeys;
    return ok ? 1 : 0;
}

void DeleteSettingsCopy(const char* applicationKey)
{
    char rootPath[keyPathCapacity];
    const int length = snprintf(rootPath, sizeof rootPath, "Software\\%s", applicationKey);
    // Never the real settings: only a key of the checker's own making is removed.
    if (length <= 0 || length >= static_cast<int>(sizeof rootPath) ||
        lstrcmpiA(rootPath, tileboxPath) == 0) {
        return;
    }
    DeleteTree(rootPath);
}
