// Fuzzes the finding of the program a command line starts (osmant/command_line.cpp) over a fake
// file system that the input itself furnishes, and checks what a start may never do: take less
// than whole words, stop inside the name of a folder that exists, stop short of a longer program
// the text names, reach a program through a ".." of the words after the program, or give a
// program that, handed on quoted, would be found as another.
//
// Input: 16 bytes of codes, then the text. The text's word and folder ends (blanks, backslashes,
// slashes, quotation marks and its end) are numbered from 0; code k, two bits of the first 16
// bytes, says what the text up to end k is: 0 nothing, 1 a file, 2 a file with ".exe" appended,
// 3 a folder. So the fuzzer chooses which of the text's own prefixes exist, which is where the
// faults lie, rather than hoping to guess a name.
#include "osmant/command_line.h"
#include "fuzz/fuzz_common.h"

#include <set>
#include <string>
#include <vector>

namespace {

const char kCurrentFolder[] = "c:\\cwd";

struct FakeFileSystem {
    std::set<std::string> files;
    std::set<std::string> folders;
};
FakeFileSystem fakeFs;

bool IsBlankChar(char c)
{
    return c == ' ' || c == '\t';
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// A path as the system resolves it: "/" as "\", relative names from the current folder, "." and
// ".." taken as text, the last name's trailing dots and blanks dropped, letters in one case.
// Empty for a name the system refuses: too long for the ANSI calls, characters no file name
// holds, a colon other than a drive's, a server path (the fake has no network).
std::string Canonical(const std::string& name)
{
    if (name.empty() || name.size() >= MAX_PATH) {
        return std::string();
    }
    const bool drive = name.size() >= 2 && name[1] == ':' &&
                       ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z'));
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 32 || std::strchr("\"<>|*?", c) != nullptr || (c == ':' && !(drive && i == 1))) {
            return std::string();
        }
    }
    if (IsSeparator(name[0]) && name.size() > 1 && IsSeparator(name[1])) {
        return std::string();
    }
    std::string root = "c:";
    std::string rest = name;
    std::vector<std::string> parts;
    if (drive) {
        root = std::string(1, static_cast<char>(name[0] | 0x20)) + ":";
        rest = name.substr(2);
        if ((rest.empty() || !IsSeparator(rest[0])) && root == "c:") {
            parts.push_back("cwd");
        }
    } else if (!IsSeparator(name[0])) {
        parts.push_back("cwd");
    }
    std::string part;
    for (size_t i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && !IsSeparator(rest[i])) {
            part += static_cast<char>(rest[i] >= 'A' && rest[i] <= 'Z' ? rest[i] | 0x20 : rest[i]);
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    while (!parts.empty()) {
        std::string& last = parts.back();
        while (!last.empty() && (last.back() == '.' || IsBlankChar(last.back()))) {
            last.pop_back();
        }
        if (!last.empty()) {
            break;
        }
        parts.pop_back();
    }
    std::string path = root;
    for (const std::string& p : parts) {
        path += "\\" + p;
    }
    return parts.empty() ? path + "\\" : path;
}

// A file or folder, and every folder above it; where one name is both, the folder stands.
void AddEntry(const std::string& name, bool folder)
{
    std::string path = Canonical(name);
    if (path.empty()) {
        return;
    }
    (folder ? fakeFs.folders : fakeFs.files).insert(path);
    for (size_t slash = path.find_last_of('\\'); slash != std::string::npos && slash > 2;
         slash = path.find_last_of('\\', slash - 1)) {
        fakeFs.folders.insert(path.substr(0, slash));
    }
}

void FurnishFileSystem(const uint8_t* codes, const std::string& text)
{
    fakeFs = FakeFileSystem();
    fakeFs.folders.insert("c:\\");
    fakeFs.folders.insert(kCurrentFolder);
    size_t start = 0;
    while (start < text.size() && (IsBlankChar(text[start]) || text[start] == '"')) {
        ++start;
    }
    int end = 0;
    for (size_t i = start + 1; i <= text.size() && end < 64; ++i) {
        if (i < text.size() && !IsBlankChar(text[i]) && !IsSeparator(text[i]) && text[i] != '"') {
            continue;
        }
        const int code = (codes[end / 4] >> (2 * (end % 4))) & 3;
        ++end;
        const std::string prefix = text.substr(start, i - start);
        if (code == 1 || code == 2) {
            AddEntry(code == 1 ? prefix : prefix + ".exe", false);
        } else if (code == 3) {
            AddEntry(prefix, true);
        }
    }
    for (const std::string& folder : fakeFs.folders) {
        fakeFs.files.erase(folder);
    }
}

DWORD CopyOut(const std::string& path, DWORD size, char* out)
{
    if (path.size() + 1 > size) {
        return static_cast<DWORD>(path.size() + 1);
    }
    std::memcpy(out, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

bool ExistsAsFile(const std::string& name)
{
    const std::string path = Canonical(name);
    return !path.empty() && fakeFs.files.count(path) != 0;
}

bool ExistsAsFolder(const std::string& name)
{
    const std::string path = Canonical(name);
    return !path.empty() && fakeFs.folders.count(path) != 0;
}

} // namespace

DWORD GetFileAttributesA(const char* name)
{
    return ExistsAsFolder(name) ? FILE_ATTRIBUTE_DIRECTORY
           : ExistsAsFile(name) ? FILE_ATTRIBUTE_NORMAL
                                : INVALID_FILE_ATTRIBUTES;
}

DWORD GetFullPathNameA(const char* name, DWORD size, char* path, char** filePart)
{
    const std::string full = Canonical(name);
    if (filePart != nullptr) {
        *filePart = nullptr;
    }
    return full.empty() ? 0 : CopyOut(full, size, path);
}

// Searches the current folder only; the extension is added to a name that has none.
DWORD SearchPathA(const char*, const char* name, const char* extension, DWORD size, char* path,
                  char** filePart)
{
    std::string file = std::string(kCurrentFolder) + "\\" + name;
    if (extension != nullptr && ExtensionPart(name) == nullptr) {
        file += extension;
    }
    if (filePart != nullptr) {
        *filePart = nullptr;
    }
    return ExistsAsFile(file) || ExistsAsFolder(file) ? CopyOut(Canonical(file), size, path) : 0;
}

namespace {

// Whether text[0, end) has a segment of dots (blanks after them allowed) that begins after the
// first blank: a name reached through the words after a program.
bool CrossesDots(const std::string& text, size_t firstBlank, size_t end)
{
    size_t start = 0;
    for (size_t i = 0; i <= end; ++i) {
        if (i < end && !IsSeparator(text[i])) {
            continue;
        }
        bool dots = start < i && text[start] == '.';
        for (size_t k = start; dots && k < i; ++k) {
            dots = text[k] == '.' || IsBlankChar(text[k]);
        }
        if (dots && start > firstBlank) {
            return true;
        }
        start = i + 1;
    }
    return false;
}

bool IsProgramType(std::string name)
{
    while (!name.empty() && name.back() == '.') {
        name.pop_back();
    }
    if (name.size() <= 4) {
        return false;
    }
    std::string type = name.substr(name.size() - 4);
    for (char& c : type) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
    }
    return type == ".exe" || type == ".com" || type == ".bat" || type == ".cmd";
}

// A name the system runs as a program, which a folder of that name is not.
bool IsProgramFile(const std::string& name)
{
    return IsProgramType(name) && !(IsPathName(name.c_str()) && ExistsAsFolder(name));
}

// A prefix that names a program or, given as a path, a folder.
bool Names(const std::string& prefix)
{
    char path[MAX_PATH];
    return (IsPathName(prefix.c_str()) && ExistsAsFolder(prefix)) ||
           LocateProgram(prefix.c_str(), path, MAX_PATH) != 0;
}

void CheckUnquoted(const std::string& text, int found, const CommandProgram& program)
{
    // The program part ends before the first quotation mark.
    size_t limit = text.find('"');
    if (limit == std::string::npos) {
        limit = text.size();
    }
    size_t firstBlank = 0;
    while (firstBlank < limit && !IsBlankChar(text[firstBlank])) {
        ++firstBlank;
    }
    // The candidates a start may take: whole words, in the ANSI calls' reach, none through "..".
    std::vector<size_t> candidates;
    std::vector<size_t> folders;
    for (size_t i = 1; i <= limit && i < MAX_PATH; ++i) {
        const bool atEnd = i == limit;
        if (!atEnd && !IsBlankChar(text[i]) && !IsSeparator(text[i])) {
            continue;
        }
        if (CrossesDots(text, firstBlank, i)) {
            break;
        }
        if (!atEnd && IsSeparator(text[i])) {
            if (!IsBlankChar(text[i - 1]) && ExistsAsFolder(text.substr(0, i))) {
                folders.push_back(i);
            }
            continue;
        }
        if (!IsBlankChar(text[i - 1])) {
            candidates.push_back(i);
        }
        if (atEnd) {
            break;
        }
    }
    if (!found) {
        // Nothing is named only when every candidate stops inside a folder that exists.
        for (size_t c : candidates) {
            bool inside = false;
            for (size_t f : folders) {
                inside = inside || f > c;
            }
            FUZZ_CHECK(inside);
        }
        return;
    }
    const std::string name = program.name;
    const size_t end = name.size();
    FUZZ_CHECK(text.compare(0, end, name) == 0);
    bool whole = false;
    for (size_t c : candidates) {
        whole = whole || c == end;
    }
    FUZZ_CHECK(whole);
    FUZZ_CHECK(!CrossesDots(text, firstBlank, end));
    if (IsProgramFile(name)) {
        return; // what follows a program file is its arguments
    }
    for (size_t f : folders) {
        FUZZ_CHECK(f < end); // never a prefix that stops inside a folder name that exists
    }
    for (size_t c : candidates) {
        if (c <= end) {
            continue;
        }
        const std::string longer = text.substr(0, c);
        FUZZ_CHECK(!Names(longer)); // never short of a longer program the text names
        // A program file ends the search and is the program, existing or not.
        FUZZ_CHECK(!IsProgramFile(longer));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t codes[16] = {};
    std::memcpy(codes, data, size < sizeof codes ? size : sizeof codes);
    const std::string text = TextOf(data, size, sizeof codes);
    FurnishFileSystem(codes, text);

    CommandProgram program;
    const int found = FindCommandProgram(text.c_str(), &program);
    const std::string trimmed = SkipBlanks(text.c_str());
    if (trimmed.empty()) {
        FUZZ_CHECK(!found);
        return 0;
    }
    if (trimmed[0] == '"') {
        const size_t close = trimmed.find('"', 1);
        const std::string inside =
            trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        FUZZ_CHECK(found == (!inside.empty() && inside.size() < MAX_PATH));
        FUZZ_CHECK(!found || inside == program.name);
    } else {
        CheckUnquoted(trimmed, found, program);
    }
    if (!found) {
        return 0;
    }
    // A program found is an existing file the name stands for, or none at all.
    if (program.path[0] != '\0') {
        FUZZ_CHECK(ExistsAsFile(program.path));
    }
    // Handed on quoted, as the default programs are, it is found again as itself and whole.
    const std::string quoted = std::string("\"") + program.name + "\"";
    CommandProgram again;
    FUZZ_CHECK(FindCommandProgram(quoted.c_str(), &again) == 1);
    FUZZ_CHECK(std::string(again.name) == program.name);
    FUZZ_CHECK(std::string(again.path) == program.path);
    FUZZ_CHECK(again.arguments[0] == '\0');
    return 0;
}
