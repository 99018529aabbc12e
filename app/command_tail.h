// The command tail: what follows the program name on the command line.
#pragma once

#include <windows.h>

// Skips the program name and the blanks after it, the way the GUI start-up code of the platform
// does: a quoted name ends at the next quote (a double-byte character inside the quotes is kept
// whole), an unquoted one at the first character of code 32 or less; then every character of
// code 1 to 32 is skipped. Codes are compared unsigned. Returns a pointer into commandLine.
const char* GetCommandTail(const char* commandLine);

// The same under a given code page, whose lead bytes decide where a quoted name ends.
const char* GetCommandTailInCodePage(const char* commandLine, UINT codePage);

// 1 when the tail is exactly "Close" or "Destroy", in any case.
int IsCloseCommandWord(const char* commandTail);
