// The tiles file's reader: encodings, lines, sections and keys, then the rules each value obeys.
#include "tileskin/tiles_file.h"

#include <algorithm>
#include <vector>

namespace {

const char* const sectionNames[] = {"skin", "tile 1", "tile 2", "tile 3",
                                    "tile 4", "tile 5", "tile 6"};
const int sectionCount = 7;

struct Line {
    std::wstring text;
    int number;
};

// ASCII letters only are folded: every section and key name is plain English, and folding other
// scripts would let look-alike names through.
wchar_t Fold(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

bool SameName(const std::wstring& text, const char* name)
{
    size_t i = 0;
    for (; i < text.size() && name[i] != '\0'; ++i) {
        if (Fold(text[i]) != static_cast<wchar_t>(name[i])) {
            return false;
        }
    }
    return i == text.size() && name[i] == '\0';
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

std::wstring Trim(const std::wstring& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) {
        ++first;
    }
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (; *text != '\0'; ++text) {
        wide.push_back(static_cast<wchar_t>(*text));
    }
    return wide;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. Anything else means the
// file is in the system code page, which is how an older editor saves it.
bool DecodeUtf8(const std::string& bytes, size_t start, std::wstring* text)
{
    text->clear();
    size_t i = start;
    while (i < bytes.size()) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        unsigned long code;
        int more;
        if (c < 0x80) {
            code = c;
            more = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            code = c & 0x1F;
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            code = c & 0x0F;
            more = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            code = c & 0x07;
            more = 3;
        } else {
            return false;
        }
        if (bytes.size() - i - 1 < static_cast<size_t>(more)) {
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        const unsigned long least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            text->push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            text->push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text->push_back(static_cast<wchar_t>(code));
        }
        i += 1 + more;
    }
    return true;
}

// UTF-16 with its mark; a lone surrogate is reported at its line by the caller's check.
bool DecodeUtf16(const std::string& bytes, bool bigEndian, std::wstring* text, TilesError* error)
{
    if ((bytes.size() - 2) % 2 != 0) {
        error->line = 0;
        error->what = L"the file is marked UTF-16 but ends in the middle of a character";
        return false;
    }
    text->clear();
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned char a = static_cast<unsigned char>(bytes[i]);
        const unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
        text->push_back(static_cast<wchar_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
    }
    return true;
}

bool Decode(const std::string& bytes, DecodeCodePage decode, std::wstring* text,
            TilesError* error)
{
    if (bytes.size() > maxTilesFileBytes) {
        error->line = 0;
        error->what = L"the file is larger than 64 KB; a tiles file is a page of text";
        return false;
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        return DecodeUtf16(bytes, false, text, error);
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        return DecodeUtf16(bytes, true, text, error);
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        if (!DecodeUtf8(bytes, 3, text)) {
            error->line = 0;
            error->what = L"the file is marked UTF-8 but is not valid UTF-8";
            return false;
        }
        return true;
    }
    if (DecodeUtf8(bytes, 0, text)) {
        return true;
    }
    if (bytes.find('\0') != std::string::npos || decode == nullptr || !decode(bytes, text)) {
        error->line = 0;
        error->what = L"the file is neither UTF-8, UTF-16 with a byte-order mark, nor text in "
                      L"this system's code page";
        return false;
    }
    return true;
}

// Lines end at CR LF, LF or a lone CR, as the editors people use write them.
std::vector<Line> SplitLines(const std::wstring& text)
{
    std::vector<Line> lines;
    Line current = {L"", 1};
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            lines.push_back(current);
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
            current.text.clear();
            ++current.number;
        } else {
            current.text.push_back(text[i]);
        }
    }
    lines.push_back(current);
    return lines;
}

bool Fail(TilesError* error, int line, const std::wstring& what)
{
    error->line = line;
    error->what = what;
    return false;
}

// Counts characters as a person does: a surrogate pair is one. False on a lone surrogate or a
// control character, which no label or file name can hold.
bool CountCharacters(const std::wstring& text, size_t* count)
{
    *count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
                return false;
            }
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        ++*count;
    }
    return true;
}

// Names the system reserves for devices: a folder of that name cannot be made or is unusable.
bool IsDeviceName(const std::wstring& name)
{
    static const char* const devices[] = {"con", "prn", "aux", "nul"};
    for (const char* device : devices) {
        if (SameName(name, device)) {
            return true;
        }
    }
    if (name.size() == 4 && name[3] >= L'1' && name[3] <= L'9') {
        const std::wstring stem = name.substr(0, 3);
        return SameName(stem, "com") || SameName(stem, "lpt");
    }
    return false;
}

bool CheckName(const std::wstring& value, int line, TilesError* error)
{
    if (value.empty() || value.size() > static_cast<size_t>(maxSkinNameLength)) {
        return Fail(error, line, L"Name: must be 1 to 64 characters");
    }
    for (wchar_t c : value) {
        const bool allowed = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                             (c >= L'0' && c <= L'9') || c == L' ' || c == L'-' || c == L'_';
        if (!allowed) {
            return Fail(error, line,
                        L"Name: \"" + value + L"\" may hold only the letters A to Z, digits, "
                        L"blanks, - and _ (it names the skin's folder)");
        }
    }
    if (IsDeviceName(value)) {
        return Fail(error, line, L"Name: \"" + value + L"\" is a name Windows keeps for a device");
    }
    return true;
}

bool ParseColour(const std::wstring& value, unsigned long* rgb)
{
    if (value.size() != 7 || value[0] != L'#') {
        return false;
    }
    unsigned long result = 0;
    for (size_t i = 1; i < 7; ++i) {
        const wchar_t c = Fold(value[i]);
        int digit;
        if (c >= L'0' && c <= L'9') {
            digit = c - L'0';
        } else if (c >= L'a' && c <= L'f') {
            digit = c - L'a' + 10;
        } else {
            return false;
        }
        result = result << 4 | static_cast<unsigned long>(digit);
    }
    *rgb = result;
    return true;
}

// Windows names a monitor \\.\NAME, as the display settings list it (\\.\DISPLAY2); anything
// else could never match one, and the menu would stay on the primary monitor without a word.
bool IsDisplayName(const std::wstring& value)
{
    if (value.size() < 5 || value.size() > static_cast<size_t>(maxDisplayCharacters) ||
        value.compare(0, 4, L"\\\\.\\") != 0) {
        return false;
    }
    for (size_t i = 4; i < value.size(); ++i) {
        if (value[i] <= L' ' || value[i] >= 0x7F || value[i] == L'\\') {
            return false;
        }
    }
    return true;
}

bool SetSkinKey(const std::wstring& key, const std::wstring& value, int line, TilesFile* file,
                bool* seenName, TilesError* error)
{
    if (SameName(key, "display")) {
        file->hasDisplay = true;
        file->display = value;
        if (value.empty() || IsDisplayName(value)) {
            return true;
        }
        return Fail(error, line, L"Display: \"" + value + L"\" is not a monitor's name written "
                                 L"\\\\.\\NAME (such as \\\\.\\DISPLAY2), at most 31 characters");
    }
    static const char* const colourKeys[skinColourCount] = {"background", "tile", "label",
                                                            "lit tile", "lit label"};
    if (SameName(key, "name")) {
        *seenName = true;
        file->name = value;
        return CheckName(value, line, error);
    }
    if (SameName(key, "theme")) {
        if (SameName(value, "dark") || SameName(value, "light")) {
            file->light = SameName(value, "light");
            return true;
        }
        return Fail(error, line, L"Theme: \"" + value + L"\" is neither Dark nor Light");
    }
    for (int i = 0; i < skinColourCount; ++i) {
        if (SameName(key, colourKeys[i])) {
            file->colours[i].given = true;
            if (!ParseColour(value, &file->colours[i].rgb)) {
                return Fail(error, line,
                            key + L": \"" + value + L"\" is not a colour written #RRGGBB");
            }
            return true;
        }
    }
    return Fail(error, line, L"\"" + key + L"\" is not a key of [Skin] (Name, Theme, "
                             L"Background, Tile, Label, Lit Tile, Lit Label, Display)");
}

// "file,index": the index is split off only when the text after the last comma is a whole
// number, so a file name with a comma in it still works.
void SplitIconIndex(const std::wstring& value, std::wstring* file, int* index, bool* hasIndex)
{
    *file = value;
    *index = 0;
    *hasIndex = false;
    const size_t comma = value.rfind(L',');
    if (comma == std::wstring::npos) {
        return;
    }
    const std::wstring tail = Trim(value.substr(comma + 1));
    size_t i = (!tail.empty() && tail[0] == L'-') ? 1 : 0;
    if (i == tail.size() || tail.size() - i > 5) {
        return;
    }
    int number = 0;
    for (; i < tail.size(); ++i) {
        if (tail[i] < L'0' || tail[i] > L'9') {
            return;
        }
        number = number * 10 + (tail[i] - L'0');
    }
    *file = Trim(value.substr(0, comma));
    *index = tail[0] == L'-' ? -number : number;
    *hasIndex = true;
}

bool EndsWith(const std::wstring& text, const char* ending)
{
    const std::wstring wide = Widen(ending);
    return text.size() >= wide.size() && SameName(text.substr(text.size() - wide.size()), ending);
}

bool SetTileKey(const std::wstring& key, const std::wstring& value, int line, TileSpec* tile,
                TilesError* error)
{
    static const char* const actions[ActionCount] = {"browser", "mail",  "cd",      "dvd",
                                                     "command", "close", "sleep",   "restart",
                                                     "shut down"};
    size_t characters = 0;
    if (SameName(key, "label")) {
        tile->label = value;
        if (!CountCharacters(value, &characters) || characters < 1 ||
            characters > static_cast<size_t>(maxLabelCharacters)) {
            return Fail(error, line, L"Label: must be 1 to 40 characters");
        }
        return true;
    }
    if (SameName(key, "action")) {
        for (int i = 0; i < ActionCount; ++i) {
            if (SameName(value, actions[i])) {
                tile->action = static_cast<TileAction>(i);
                return true;
            }
        }
        return Fail(error, line, L"Action: \"" + value + L"\" is not one of Browser, Mail, CD, "
                                 L"DVD, Command, Close, Sleep, Restart, Shut down");
    }
    if (SameName(key, "command")) {
        tile->hasCommand = true;
        tile->command = value;
        tile->commandLine = line;
        if (value.empty() || !CountCharacters(value, &characters)) {
            return Fail(error, line, L"Command: is empty or holds a control character");
        }
        return true;
    }
    if (SameName(key, "app")) {
        tile->hasApp = true;
        tile->app = value;
        tile->appLine = line;
        if (value.empty() || !CountCharacters(value, &characters)) {
            return Fail(error, line, L"App: is empty or holds a control character");
        }
        return true;
    }
    if (SameName(key, "icon")) {
        tile->hasIcon = true;
        tile->iconLine = line;
        bool hasIndex = false;
        SplitIconIndex(value, &tile->icon, &tile->iconIndex, &hasIndex);
        if (!CountCharacters(value, &characters)) {
            return Fail(error, line, L"Icon: holds a control character");
        }
        if (hasIndex && (EndsWith(tile->icon, ".ico") || EndsWith(tile->icon, ".png") ||
                         EndsWith(tile->icon, ".bmp"))) {
            return Fail(error, line, L"Icon: an index is for a program or library, not for \"" +
                                     tile->icon + L"\"");
        }
        return true;
    }
    return Fail(error, line, L"\"" + key + L"\" is not a key of a tile (Label, Action, Command, "
                             L"App, Icon)");
}

// The rules that concern a tile as a whole, once its section is read.
bool CheckTile(const TileSpec& tile, int number, bool seenLabel, bool seenAction,
               TilesError* error)
{
    const std::wstring section = L"[Tile " + std::to_wstring(number) + L"]";
    if (!seenLabel) {
        return Fail(error, tile.sectionLine, section + L" has no Label");
    }
    if (!seenAction) {
        return Fail(error, tile.sectionLine, section + L" has no Action");
    }
    if (tile.hasCommand && tile.hasApp) {
        return Fail(error, std::max(tile.commandLine, tile.appLine),
                    section + L": give either Command or App, not both");
    }
    if (tile.hasApp && tile.action != ActionCommand) {
        return Fail(error, tile.appLine, section + L": App is used only by Command tiles, and "
                                         L"this tile would ignore it");
    }
    if (tile.action == ActionCommand && !tile.hasCommand && !tile.hasApp) {
        return Fail(error, tile.sectionLine, section + L": Action=Command needs a Command or "
                                             L"an App");
    }
    if (tile.hasCommand && tile.action != ActionCommand && tile.action != ActionDvd) {
        return Fail(error, tile.commandLine, section + L": Command is used only by Command and "
                                             L"DVD tiles, and this tile would ignore it");
    }
    return true;
}

}  // namespace

unsigned long RemoteCodeOf(TileAction action)
{
    static const unsigned long codes[ActionCount] = {320,   321,   1713,  1714, 61456,
                                                      39321, 39322, 39323, 39324};
    return codes[action];
}

bool IsLinkCommand(const std::wstring& command)
{
    size_t i = 0;
    while (i < command.size() &&
           ((Fold(command[i]) >= L'a' && Fold(command[i]) <= L'z') ||
            (i > 0 && ((command[i] >= L'0' && command[i] <= L'9') || command[i] == L'+' ||
                       command[i] == L'-' || command[i] == L'.')))) {
        ++i;
    }
    // One letter before the colon is a drive, as in C:\Games\game.exe.
    return i >= 2 && i < command.size() && command[i] == L':';
}

bool ReadTilesFile(const std::string& bytes, DecodeCodePage decode, TilesFile* file,
                   TilesError* error)
{
    *file = TilesFile();
    std::wstring text;
    if (!Decode(bytes, decode, &text, error)) {
        return false;
    }
    int section = -1;
    bool seen[sectionCount] = {};
    bool seenName = false;
    bool seenLabel[tileCount] = {};
    bool seenAction[tileCount] = {};
    std::vector<std::wstring> keysOfSection;
    for (const Line& line : SplitLines(text)) {
        const std::wstring body = Trim(line.text);
        if (body.empty() || body[0] == L';') {
            continue;
        }
        if (body[0] == L'[') {
            if (body[body.size() - 1] != L']') {
                return Fail(error, line.number, L"a section name must end with ]");
            }
            const std::wstring name = Trim(body.substr(1, body.size() - 2));
            section = -1;
            for (int i = 0; i < sectionCount; ++i) {
                if (SameName(name, sectionNames[i])) {
                    section = i;
                }
            }
            if (section < 0) {
                return Fail(error, line.number, L"[" + name + L"] is not a section of a tiles "
                                                L"file ([Skin], [Tile 1] to [Tile 6])");
            }
            if (seen[section]) {
                return Fail(error, line.number, L"[" + name + L"] appears a second time");
            }
            seen[section] = true;
            keysOfSection.clear();
            if (section > 0) {
                file->tiles[section - 1].sectionLine = line.number;
            }
            continue;
        }
        const size_t equals = body.find(L'=');
        if (equals == std::wstring::npos) {
            return Fail(error, line.number,
                        L"not a [section], a key=value line or a ; comment: \"" + body + L"\"");
        }
        const std::wstring key = Trim(body.substr(0, equals));
        const std::wstring value = Trim(body.substr(equals + 1));
        if (section < 0) {
            return Fail(error, line.number, L"\"" + key + L"\" comes before any [section]");
        }
        for (const std::wstring& earlier : keysOfSection) {
            std::wstring folded = key;
            for (wchar_t& c : folded) {
                c = Fold(c);
            }
            if (earlier == folded) {
                return Fail(error, line.number, key + L" appears a second time in its section");
            }
        }
        keysOfSection.push_back(key);
        for (wchar_t& c : keysOfSection.back()) {
            c = Fold(c);
        }
        if (section == 0) {
            if (!SetSkinKey(key, value, line.number, file, &seenName, error)) {
                return false;
            }
            continue;
        }
        TileSpec& tile = file->tiles[section - 1];
        if (!SetTileKey(key, value, line.number, &tile, error)) {
            return false;
        }
        seenLabel[section - 1] |= SameName(key, "label");
        seenAction[section - 1] |= SameName(key, "action");
    }
    if (!seen[0] || !seenName) {
        return Fail(error, 0, L"[Skin] with a Name is missing");
    }
    for (int i = 0; i < tileCount; ++i) {
        if (!seen[i + 1]) {
            return Fail(error, 0, L"[Tile " + std::to_wstring(i + 1) + L"] is missing; a skin "
                                  L"has all six tiles");
        }
        if (!CheckTile(file->tiles[i], i + 1, seenLabel[i], seenAction[i], error)) {
            return false;
        }
    }
    return true;
}
