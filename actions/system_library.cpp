#include "actions/system_library.h"

#include "actions/menu_platform.h"

#include <windows.h>

#include <cstdio>

// Libraries are loaded by their full path in the system folder: a plain name is looked for beside
// the program and in the current folder first, where anyone who can write a file would have the
// menu load theirs.
static int SystemLibraryPath(const char* name, char* path)
{
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return 0;
    }
    const int written = snprintf(path + length, MAX_PATH - length, "\\%s", name);
    return written > 0 && written < static_cast<int>(MAX_PATH - length);
}

HMODULE LoadSystemLibrary(const char* name)
{
    char path[MAX_PATH];
    if (!SystemLibraryPath(name, path)) {
        return nullptr;
    }
    return menuPlatform.loadLibraryEx(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
