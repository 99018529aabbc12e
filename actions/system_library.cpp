#include "actions/system_library.h"

#include <windows.h>

#include <cstdio>

// Libraries are loaded by their full path in the system folder: a plain name is looked for beside
// the program and in the current folder first, where anyone who can write a file would have the
// menu load theirs.
int SystemLibraryPath(const char* name, char* path)
{
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return 0;
    }
    const int written = snprintf(path + length, MAX_PATH - length, "\\%s", name);
    return written > 0 && written < static_cast<int>(MAX_PATH - length);
}
