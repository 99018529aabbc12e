// Finding the window of a running program. Tarvik.dll.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// The visible top-level window of a running process whose program is the one the text names:
// a full path compares the whole path, a bare name the file name, case-insensitively; a command
// line with arguments or quotes names its program. Null when none runs.
HWND TARVIK_GetWindowHandleFromExecutableFile(const char* executableOrCommandLine);

#ifdef __cplusplus
}
#endif
