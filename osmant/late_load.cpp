#include "osmant/late_load.h"

#include <cstdio>

void* LateSystemFunction(const char* library, const char* function)
{
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const int written = snprintf(path + length, MAX_PATH - length, "\\%s", library);
    if (written <= 0 || written >= static_cast<int>(MAX_PATH - length)) {
        return nullptr;
    }
    HMODULE module = LoadLibraryA(path);
    return module != nullptr ? reinterpret_cast<void*>(GetProcAddress(module, function)) : nullptr;
}
