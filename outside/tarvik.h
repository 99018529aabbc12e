// Finding the window of a running program. Tarvik.dll. See tarvik/README.md.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// The visible top-level window of a running process whose program is the one the text names,
// or null when none runs (and for a null or empty text).
// The text is a program file or a whole command line: a quoted program ends at its closing
// quotation mark; an unquoted one with blanks is resolved as Osmant_ExecuteCommand resolves it
// when starting it (the longest existing path, a missing program never a shorter one); arguments
// are ignored; environment strings are expanded.
// A text with a path (a backslash, slash or drive) is compared with the process's full program
// path as a whole; a bare name only with its file name ("Recorder" also matches
// "recorder.exe"). Comparisons ignore case.
// Only windows the user can switch to count: visible, without an owner, not tool windows, not
// cloaked (DWMWA_CLOAKED), and not the shell's own (the desktop, GetShellWindow, and the
// taskbars). The one highest in the z-order is returned; a program with no such window gives
// null. A URL ("shell:AppsFolder\<id>") and explorer.exe with any argument ("explorer.exe D:\")
// give null at once: every folder window is the shell's explorer's, whatever folder it shows, so
// such a command counts as never running and is started.
HWND TARVIK_GetWindowHandleFromExecutableFile(const char* executableOrCommandLine);

#ifdef __cplusplus
}
#endif
