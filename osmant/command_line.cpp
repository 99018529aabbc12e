// Whole-or-nothing text copies and the program of a command line.
#include "osmant/command_line.h"

namespace {

int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int EndsWithExe(const char* text, int length)
{
    return length > 4 && lstrcmpiA(text + length - 4, ".exe") == 0;
}

int IsFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int FullPathOf(const char* name, char* path, int pathSize)
{
    DWORD length = GetFullPathNameA(name, static_cast<DWORD>(pathSize), path, nullptr);
    if (length == 0 || length >= static_cast<DWORD>(pathSize)) {
        path[0] = '\0';
        return 0;
    }
    return 1;
}

int LocatePath(const char* name, char* path, int pathSize)
{
    if (IsFile(name)) {
        return FullPathOf(name, path, pathSize);
    }
    if (ExtensionPart(name) != nullptr) {
        return 0;
    }
    char withExe[MAX_PATH];
    return WithExe(withExe, MAX_PATH, name) && IsFile(withExe) &&
           FullPathOf(withExe, path, pathSize);
}

int LocateBareName(const char* name, char* path, int pathSize)
{
    char* filePart = nullptr;
    DWORD length = SearchPathA(nullptr, name, ".exe", static_cast<DWORD>(pathSize), path,
                               &filePart);
    if (length == 0 || length >= static_cast<DWORD>(pathSize) || !IsFile(path)) {
        path[0] = '\0';
        return 0;
    }
    return 1;
}

int TakeProgram(CommandProgram* program, const char* name, int length, const char* rest)
{
    if (length <= 0 || !CopyWhole(program->name, MAX_PATH, name, length)) {
        return 0;
    }
    LocateProgram(program->name, program->path, MAX_PATH);
    program->arguments = SkipBlanks(rest);
    return 1;
}

int FindQuotedProgram(const char* text, CommandProgram* program)
{
    const char* start = text + 1;
    const char* end = start;
    while (*end != '\0' && *end != '"') {
        ++end;
    }
    const char* rest = *end == '"' ? end + 1 : end;
    return TakeProgram(program, start, static_cast<int>(end - start), rest);
}

// Where the program part of an unquoted text may end: before the first quotation mark, and
// before a lone quotation mark that closes the text.
int UnquotedLimit(const char* text)
{
    int length = lstrlenA(text);
    int firstQuote = -1;
    for (int i = 0; i < length; ++i) {
        if (text[i] == '"') {
            firstQuote = i;
            break;
        }
    }
    if (firstQuote == length - 1) {
        return length - 1;
    }
    return firstQuote >= 0 ? firstQuote : length;
}

// What follows a program that ends at position end; the dropped closing mark is no argument.
const char* RestAfter(const char* text, int end, int limit)
{
    return end == limit && text[end] == '"' && text[end + 1] == '\0' ? text + end + 1
                                                                      : text + end;
}

// Every blank-ended prefix is tried and the longest that names an existing program wins. Taking
// the shortest, as CreateProcess does with an unquoted name, would run "D:\My.exe" for
// "D:\My Browser\browser.exe": a file anyone may put at the root of a data drive.
int FindUnquotedProgram(const char* text, CommandProgram* program)
{
    int limit = UnquotedLimit(text);
    char candidate[MAX_PATH];
    char path[MAX_PATH];
    int longest = -1;
    int firstExe = -1;
    for (int i = 1; i <= limit; ++i) {
        if (i < limit && !IsBlank(text[i])) {
            continue;
        }
        if (IsBlank(text[i - 1]) || !CopyWhole(candidate, MAX_PATH, text, i)) {
            continue;
        }
        if (LocateProgram(candidate, path, MAX_PATH)) {
            longest = i;
        } else if (firstExe < 0 && EndsWithExe(candidate, i)) {
            firstExe = i;
        }
    }
    int end = longest > 0 ? longest : firstExe;
    if (end <= 0) {
        end = 0;
        while (end < limit && !IsBlank(text[end])) {
            ++end;
        }
    }
    return TakeProgram(program, text, end, RestAfter(text, end, limit));
}

}  // namespace

int CopyWhole(char* dest, int destSize, const char* source, int length)
{
    if (dest == nullptr || destSize <= 0) {
        return 0;
    }
    dest[0] = '\0';
    if (source == nullptr) {
        return 0;
    }
    if (length < 0) {
        length = lstrlenA(source);
    }
    if (length >= destSize) {
        return 0;
    }
    CopyMemory(dest, source, static_cast<SIZE_T>(length));
    dest[length] = '\0';
    return 1;
}

// The count ExpandEnvironmentStringsA reports is not a safe test of fit: the ANSI form may need
// a byte more than it says, so a text that just fits the caller's buffer could come back cut
// short or unterminated. The expansion is therefore made in a scratch buffer as large as any
// expansion can be, and copied only when it fits the caller's buffer whole.
int ExpandWhole(char* dest, int destSize, const char* source)
{
    if (dest == nullptr || destSize <= 0) {
        return 0;
    }
    dest[0] = '\0';
    if (source == nullptr) {
        return 0;
    }
    const DWORD room = 32768;
    HANDLE heap = GetProcessHeap();
    char* scratch = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, room + 1));
    if (scratch == nullptr) {
        return 0;
    }
    DWORD needed = ExpandEnvironmentStringsA(source, scratch, room);
    int copied = needed != 0 && needed <= room && CopyWhole(dest, destSize, scratch);
    HeapFree(heap, 0, scratch);
    return copied;
}

int WithExe(char* dest, int destSize, const char* name)
{
    const char exe[] = ".exe";
    if (!CopyWhole(dest, destSize, name)) {
        return 0;
    }
    if (lstrlenA(dest) + lstrlenA(exe) >= destSize) {
        dest[0] = '\0';
        return 0;
    }
    lstrcatA(dest, exe);
    return 1;
}

const char* SkipBlanks(const char* text)
{
    while (IsBlank(*text)) {
        ++text;
    }
    return text;
}

int LocateProgram(const char* name, char* path, int pathSize)
{
    path[0] = '\0';
    if (name == nullptr || name[0] == '\0') {
        return 0;
    }
    return IsPathName(name) ? LocatePath(name, path, pathSize)
                            : LocateBareName(name, path, pathSize);
}

int FindCommandProgram(const char* commandLine, CommandProgram* program)
{
    program->name[0] = '\0';
    program->path[0] = '\0';
    program->arguments = "";
    if (commandLine == nullptr) {
        return 0;
    }
    const char* text = SkipBlanks(commandLine);
    if (*text == '\0') {
        return 0;
    }
    return *text == '"' ? FindQuotedProgram(text, program) : FindUnquotedProgram(text, program);
}

const char* FileNamePart(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') {
            name = p + 1;
        }
    }
    return name;
}

const char* ExtensionPart(const char* path)
{
    const char* ext = nullptr;
    for (const char* p = FileNamePart(path); *p != '\0'; ++p) {
        if (*p == '.') {
            ext = p;
        }
    }
    return ext;
}

int IsPathName(const char* name)
{
    return FileNamePart(name) != name;
}
