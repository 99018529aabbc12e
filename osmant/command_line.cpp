// Whole-or-nothing text copies and the program of a command line.
#include "osmant/command_line.h"

namespace {

int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Compares count characters of text with an ASCII type name, ignoring the case of letters.
int CompareText(const char* text, const char* type, int count)
{
    for (int i = 0; i < count; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != type[i]) {
            return 0;
        }
    }
    return 1;
}

// A name the system runs as a program: ".exe", ".com", ".bat" or ".cmd". Trailing dots do not
// hide the type: the system drops them from a file name, so "missing.exe." is "missing.exe".
int EndsWithProgramType(const char* text, int length)
{
    static const char* const types[] = {".exe", ".com", ".bat", ".cmd"};
    while (length > 0 && text[length - 1] == '.') {
        --length;
    }
    if (length <= 4) {
        return 0;
    }
    for (const char* type : types) {
        if (CompareText(text + length - 4, type, 4)) {
            return 1;
        }
    }
    return 0;
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

int IsFolder(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A segment made of dots (and blanks after them), which the system resolves as "here" or "up".
int IsDotSegment(const char* text, int start, int end)
{
    if (start >= end || text[start] != '.') {
        return 0;
    }
    for (int i = start; i < end; ++i) {
        if (text[i] != '.' && !IsBlank(text[i])) {
            return 0;
        }
    }
    return 1;
}

// Whether text[0, end) has a dot segment that begins after position blank. Such a candidate
// is a program only through the words after the program: "C:\My Browser\browser.exe x\..\..\evil"
// would run "C:\evil.exe".
int CrossesDotSegment(const char* text, int blank, int end)
{
    int start = 0;
    for (int i = 0; i <= end; ++i) {
        if (i == end || text[i] == '\\' || text[i] == '/') {
            if (start > blank && IsDotSegment(text, start, i)) {
                return 1;
            }
            start = i + 1;
        }
    }
    return 0;
}

// Whether text[0, end) names an existing folder that the text goes on into: the prefix before a
// backslash or slash, not ending in a blank (a blank before a slash begins a switch: "app /x").
int IsFolderPrefix(const char* text, int end, char* scratch)
{
    return end > 0 && !IsBlank(text[end - 1]) && CopyWhole(scratch, MAX_PATH, text, end) &&
           IsFolder(scratch);
}

// Every blank-ended prefix is tried and the longest that names an existing program (or folder)
// wins. Taking the shortest, as CreateProcess does with an unquoted name, would run "D:\My.exe"
// for "D:\My Browser\browser.exe": a file anyone may put at the root of a data drive.
// A missing program never hands the start to a shorter one, by two limits:
// - Once the text goes on into an existing folder ("D:\My Apps\" of "D:\My Apps\tool -x"), no
//   candidate that stops inside that folder's name is taken: the program is the longest existing
//   one beyond it, else the first candidate beyond it, which names nothing and starts nothing.
// - Candidates end at the first one that names a program file (a folder of that name aside):
//   what follows is its arguments, and when that file is missing it is still the program, so an
//   uninstalled "D:\My Browser\missing.exe" never hands the start to "D:\My.exe" even when its
//   folder went with it.
// Candidates and folders are taken as written: none crosses a dot segment after the first blank,
// so the words after a program never reach another one through "..".
int FindUnquotedProgram(const char* text, CommandProgram* program)
{
    int limit = UnquotedLimit(text);
    int firstBlank = 0;
    while (firstBlank < limit && !IsBlank(text[firstBlank])) {
        ++firstBlank;
    }
    char candidate[MAX_PATH];
    char path[MAX_PATH];
    int end = -1;        // the longest existing candidate so far
    int floor = 0;       // the end of the longest folder the text goes on into
    int firstBeyond = 0; // the first candidate beyond that folder, existing or not
    for (int i = 1; i <= limit; ++i) {
        const int separator = i < limit && (text[i] == '\\' || text[i] == '/');
        if (i < limit && !IsBlank(text[i]) && !separator) {
            continue;
        }
        if (CrossesDotSegment(text, firstBlank, i)) {
            break;
        }
        if (separator) {
            if (IsFolderPrefix(text, i, candidate)) {
                floor = i;
            }
            continue;
        }
        if (IsBlank(text[i - 1])) {
            continue;
        }
        if (!CopyWhole(candidate, MAX_PATH, text, i)) {
            break;
        }
        if (firstBeyond <= floor) {
            firstBeyond = i;
        }
        const int folder = IsPathName(candidate) && IsFolder(candidate);
        if (folder || LocateProgram(candidate, path, MAX_PATH)) {
            end = i;
        }
        if (!folder && EndsWithProgramType(candidate, i)) {
            end = i;
            break;
        }
    }
    if (end <= floor) {
        end = firstBeyond > floor ? firstBeyond : 0;
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

int IsUrlText(const char* text)
{
    int length = 0;
    while ((text[length] >= 'a' && text[length] <= 'z') ||
           (text[length] >= 'A' && text[length] <= 'Z') ||
           (length > 0 && ((text[length] >= '0' && text[length] <= '9') || text[length] == '+' ||
                           text[length] == '-' || text[length] == '.'))) {
        ++length;
    }
    return length >= 2 && text[length] == ':';
}

int ShellMayOpenUnfound(const CommandProgram& program)
{
    if (IsPathName(program.name)) {
        return IsFolder(program.name);
    }
    for (const char* p = program.name; *p != '\0'; ++p) {
        if (IsBlank(*p)) {
            return 0;
        }
    }
    return program.name[0] != '\0';
}
