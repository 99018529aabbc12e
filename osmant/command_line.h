// Text helpers shared by the launch utilities: whole-or-nothing copies into fixed buffers and
// finding the program that a command line starts. Linked into Osmant.dll and Tarvik.dll.
#pragma once

#include <windows.h>

// Copies the first length characters of source (all of it for -1) and the terminator into
// dest. When they do not fit, dest is left empty and the result is 0: a cut-off file name or
// command line would name something else, so it is never handed on.
int CopyWhole(char* dest, int destSize, const char* source, int length = -1);

// Expands %NAME% environment strings of source into dest, whole or not at all.
int ExpandWhole(char* dest, int destSize, const char* source);

// name with ".exe" appended, whole or not at all.
int WithExe(char* dest, int destSize, const char* name);

// The text from the first character that is neither a blank nor a tab.
const char* SkipBlanks(const char* text);

// The program a command line names.
struct CommandProgram {
    char name[MAX_PATH];      // the program as written, without quotation marks
    char path[MAX_PATH];      // the full path of the file found for it, or empty
    const char* arguments;    // into the command line: what follows the program, blanks skipped
};

// Finds the program of a command line: a quoted program runs to the closing quotation mark (or
// the end); an unquoted one is the longest blank-ended prefix that names an existing file
// (".exe" may be left off) or folder, never a shorter one. A missing program never gives way to a
// shorter one: no candidate is taken that stops inside the name of an existing folder the text
// goes on into (the first candidate beyond it is then the program, missing), and prefixes end at
// the first that names a program file (".exe", ".com", ".bat", ".cmd", trailing dots aside),
// which is the program even when it does not exist. None is taken that crosses a "." or ".."
// segment after the first blank. Failing all that, the first word. A single quotation mark that
// ends an unquoted text is dropped: trimming a quoted player command and closing it again leaves
// one there.
// Returns 1 when a program name was found.
int FindCommandProgram(const char* commandLine, CommandProgram* program);

// Finds the file a program name stands for: a path as it is or with ".exe" appended, a bare
// name along the search path. Directories are not programs. Returns 1 with its full path.
int LocateProgram(const char* name, char* path, int pathSize);

// The file name part of a path: what follows its last backslash, slash or drive colon.
const char* FileNamePart(const char* path);

// The extension of a path's file name, from its last dot ("x.tar.gz": ".gz"), or null.
const char* ExtensionPart(const char* path);

// 1 when the name contains a backslash, slash or colon, so that it is a path, not a bare name.
int IsPathName(const char* name);

// 1 for a URL: a scheme of two or more letters, digits, "+", "-" or "." (a letter first) before
// a colon, as "http:", "mailto:" or "shell:". One letter before a colon is a drive.
int IsUrlText(const char* text);

// 1 when a program that no file was found for may still go to the shell: a folder that exists
// (a path), or a bare name without blanks, which the shell may know from App Paths. A path that
// names nothing is no program: the shell would split it at a blank and might run a shorter one.
int ShellMayOpenUnfound(const CommandProgram& program);
