// Finding the default browser, mail program and players in the system's registrations.
#include "outside/osmant.h"
#include "osmant/command_line.h"
#include "osmant/platform.h"

#include <cstdio>

namespace {

// Buffers handed over without a size hold 255 characters and the terminator.
const int kUnsizedBuffer = 256;
// Room for any registered value we are prepared to read; longer values cannot fit the
// callers' buffers anyway.
const int kValueRoom = 2048;

const char kUserClasses[] = "Software\\Classes\\";
const char kUrlChoices[] = "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\";
const char kFileChoices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

// Reads a text value (null name: the default value) whole. REG_EXPAND_SZ values are expanded,
// as the shell does before it uses them. Empty values count as absent.
int ReadText(HKEY root, const char* keyPath, const char* valueName, char* out, int outSize)
{
    out[0] = '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return 0;
    }
    char raw[kValueRoom + 1];
    DWORD type = 0;
    DWORD size = kValueRoom;
    LONG status = RegQueryValueExA(key, valueName, nullptr, &type,
                                   reinterpret_cast<BYTE*>(raw), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return 0;
    }
    // Stored text need not carry its terminator.
    raw[size] = '\0';
    int copied = type == REG_EXPAND_SZ ? ExpandWhole(out, outSize, raw)
                                       : CopyWhole(out, outSize, raw);
    if (!copied || out[0] == '\0') {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

int JoinPath(char* out, int outSize, const char* first, const char* second, const char* third)
{
    int length = std::snprintf(out, static_cast<size_t>(outSize), "%s%s%s", first, second, third);
    if (length < 0 || length >= outSize) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

// A value under HKEY_CLASSES_ROOT. The user's own classes are asked first: Windows merges them
// into HKEY_CLASSES_ROOT with that precedence, and systems that do not merge still honour them.
int ReadClassText(const char* classPath, char* out, int outSize)
{
    char userPath[kValueRoom];
    if (JoinPath(userPath, sizeof userPath, kUserClasses, classPath, "") &&
        ReadText(HKEY_CURRENT_USER, userPath, nullptr, out, outSize)) {
        return 1;
    }
    return ReadText(HKEY_CLASSES_ROOT, classPath, nullptr, out, outSize);
}

// The command line of a verb ("open", "play") of a class (a ProgID, a scheme or ".ext").
int ReadVerbCommand(const char* className, const char* verb, char* out, int outSize)
{
    char path[kValueRoom];
    int length = std::snprintf(path, sizeof path, "%s\\shell\\%s\\command", className, verb);
    return length > 0 && length < static_cast<int>(sizeof path) &&
           ReadClassText(path, out, outSize);
}

// A player class's command: its play verb where it has one, else its open verb.
int ReadPlayerVerbCommand(const char* className, char* out, int outSize)
{
    return ReadVerbCommand(className, "play", out, outSize) ||
           ReadVerbCommand(className, "open", out, outSize);
}

// A name with a blank goes out in quotation marks. Callers hand the name on as a command line (to
// Osmant_ExecuteCommand, to the window finder), and unquoted it would be split again by the rule
// for unquoted text: "C:\Apps\My Browser\..\Web\browser.exe" would start "C:\Apps\My.exe".
int CopyProgramName(char* fileName, int fileNameSize, const char* name)
{
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == ' ' || *p == '\t') {
            return JoinPath(fileName, fileNameSize, "\"", name, "\"");
        }
    }
    return CopyWhole(fileName, fileNameSize, name);
}

// The program file that a command line starts, as written, in quotation marks when it has a
// blank. A program that does not exist is none: a registration left behind by an uninstalled
// browser must not make the browser's button start whatever a shorter path names. A bare name
// without blanks passes, since the shell may know it from App Paths.
int ProgramOfCommand(const char* commandLine, char* fileName, int fileNameSize)
{
    char expanded[kValueRoom];
    CommandProgram program;
    fileName[0] = '\0';
    if (!ExpandWhole(expanded, sizeof expanded, commandLine) ||
        !FindCommandProgram(expanded, &program)) {
        return 0;
    }
    if (program.path[0] == '\0' && (IsPathName(program.name) || !ShellMayOpenUnfound(program))) {
        return 0;
    }
    return program.name[0] != '\0' && CopyProgramName(fileName, fileNameSize, program.name);
}

// The handler of a URL scheme: the user's choice where the system records one, else the
// scheme's own class. Gives the handler's command line.
int ReadSchemeCommand(const char* scheme, char* out, int outSize)
{
    char choicePath[kValueRoom];
    char progId[kValueRoom];
    if (JoinPath(choicePath, sizeof choicePath, kUrlChoices, scheme, "\\UserChoice") &&
        ReadText(HKEY_CURRENT_USER, choicePath, "ProgId", progId, sizeof progId) &&
        ReadVerbCommand(progId, "open", out, outSize)) {
        return 1;
    }
    return ReadVerbCommand(scheme, "open", out, outSize);
}

// What the shell says about a scheme's default handler.
enum ShellAnswer { ShellHasNoAnswer, ShellNamedHandler, ShellHandlerUnusable };

// The shell resolves a scheme's default handler as the system does when a link is opened: the
// user's choice wherever this version of the system keeps it, per-user and machine classes
// merged. A handler with a command gives the program of that command, found by the same rule
// as everywhere here (the shell's own program-file answer splits an unquoted path at the first
// blank that names a file). A packaged handler has no command, only an application id;
// "shell:AppsFolder\<id>" is the target through which the shell opens that very app, and
// Osmant_ExecuteCommand hands such a text to the shell. A handler whose name does not fit the
// caller's buffer, or whose program does not exist, is a failure, not a reason to pick another
// program.
ShellAnswer AskShellForHandler(const char* scheme, char* fileName, int fileNameSize)
{
    char text[kValueRoom];
    DWORD size = sizeof text;
    text[0] = '\0';
    const ASSOCF flags = kAssocIsProtocol | ASSOCF_NOTRUNCATE;
    if (SUCCEEDED(osmantPlatform.assocQueryString(flags, ASSOCSTR_COMMAND, scheme, nullptr, text,
                                                  &size)) &&
        text[0] != '\0') {
        return ProgramOfCommand(text, fileName, fileNameSize) ? ShellNamedHandler
                                                              : ShellHandlerUnusable;
    }
    size = sizeof text;
    text[0] = '\0';
    if (SUCCEEDED(
            osmantPlatform.assocQueryString(flags, kAssocAppId, scheme, nullptr, text, &size)) &&
        text[0] != '\0') {
        return JoinPath(fileName, fileNameSize, "shell:AppsFolder\\", text, "")
                   ? ShellNamedHandler
                   : ShellHandlerUnusable;
    }
    fileName[0] = '\0';
    return ShellHasNoAnswer;
}

// The mail client registered with the system: the name under Clients\Mail (the user's choice
// first) and that client's open command, which clients register machine-wide as a rule.
int ReadMailClientCommand(char* out, int outSize)
{
    const char clients[] = "Software\\Clients\\Mail";
    const HKEY nameRoots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    const HKEY commandRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
    char clientName[kValueRoom];
    char commandPath[kValueRoom];
    for (HKEY nameRoot : nameRoots) {
        if (!ReadText(nameRoot, clients, nullptr, clientName, sizeof clientName) ||
            !JoinPath(commandPath, sizeof commandPath, "Software\\Clients\\Mail\\", clientName,
                      "\\shell\\open\\command")) {
            continue;
        }
        for (HKEY commandRoot : commandRoots) {
            if (ReadText(commandRoot, commandPath, nullptr, out, outSize)) {
                return 1;
            }
        }
    }
    return 0;
}

// The class that handles files of an extension: the user's choice, else the extension key's
// ProgID. A class that names no command of its own leaves the extension key itself.
int ReadExtensionCommand(const char* dottedExt, char* out, int outSize)
{
    char choicePath[kValueRoom];
    char progId[kValueRoom];
    if (JoinPath(choicePath, sizeof choicePath, kFileChoices, dottedExt, "\\UserChoice") &&
        ReadText(HKEY_CURRENT_USER, choicePath, "ProgId", progId, sizeof progId) &&
        ReadPlayerVerbCommand(progId, out, outSize)) {
        return 1;
    }
    if (ReadClassText(dottedExt, progId, sizeof progId) &&
        ReadPlayerVerbCommand(progId, out, outSize)) {
        return 1;
    }
    return ReadPlayerVerbCommand(dottedExt, out, outSize);
}

// "CDA" or ".cda" as ".CDA"/".cda": one extension, no path, no blanks.
int DottedExtension(const char* ext, char* out, int outSize)
{
    out[0] = '\0';
    if (ext == nullptr) {
        return 0;
    }
    if (ext[0] == '.') {
        ++ext;
    }
    if (ext[0] == '\0') {
        return 0;
    }
    for (const char* p = ext; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == '.' || *p == ' ') {
            return 0;
        }
    }
    return JoinPath(out, outSize, ".", ext, "");
}

}  // namespace

extern "C" int Osmant_GetSystemDefaultBrowserFileName(char* fileName)
{
    if (fileName == nullptr) {
        return 0;
    }
    fileName[0] = '\0';
    ShellAnswer answer = AskShellForHandler("http", fileName, kUnsizedBuffer);
    if (answer != ShellHasNoAnswer) {
        return answer == ShellNamedHandler;
    }
    char command[kValueRoom];
    return ReadSchemeCommand("http", command, sizeof command) &&
           ProgramOfCommand(command, fileName, kUnsizedBuffer);
}

extern "C" int Osmant_GetSystemDefaultMailFileName(char* fileName)
{
    if (fileName == nullptr) {
        return 0;
    }
    fileName[0] = '\0';
    ShellAnswer answer = AskShellForHandler("mailto", fileName, kUnsizedBuffer);
    if (answer != ShellHasNoAnswer) {
        return answer == ShellNamedHandler;
    }
    char command[kValueRoom];
    if (ReadSchemeCommand("mailto", command, sizeof command) &&
        ProgramOfCommand(command, fileName, kUnsizedBuffer)) {
        return 1;
    }
    return ReadMailClientCommand(command, sizeof command) &&
           ProgramOfCommand(command, fileName, kUnsizedBuffer);
}

extern "C" int Osmant_GetSystemDefaultPlayerFileName(const char* verbPath, char* commandLine)
{
    if (commandLine == nullptr) {
        return 0;
    }
    commandLine[0] = '\0';
    if (verbPath == nullptr || verbPath[0] == '\0' || verbPath[0] == '\\') {
        return 0;
    }
    return ReadClassText(verbPath, commandLine, kUnsizedBuffer);
}

extern "C" int Osmant_GetDefaultPlayerFileNameByExtName(const char* extName, char* commandLine,
                                                         int commandLineSize)
{
    if (commandLine == nullptr || commandLineSize <= 0) {
        return 0;
    }
    commandLine[0] = '\0';
    char dottedExt[64];
    return DottedExtension(extName, dottedExt, sizeof dottedExt) &&
           ReadExtensionCommand(dottedExt, commandLine, commandLineSize);
}
