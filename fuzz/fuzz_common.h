// Helpers shared by the fuzz targets: the input as a terminated string, the code page picked by
// the first byte, and a check that aborts with a message libFuzzer keeps with the crash.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// The first byte picks the code page, so that the double-byte paths are explored as well.
inline UINT PickCodePage(uint8_t selector)
{
    static const UINT pages[] = {CP_ACP, 932, 936, 1252};
    return pages[selector % 4];
}

// The bytes after the first, cut at the first zero byte: what a C string of them would hold.
inline std::string TextOf(const uint8_t* data, size_t size, size_t skip)
{
    std::string text;
    for (size_t i = skip; i < size && data[i] != 0; ++i) {
        text.push_back(static_cast<char>(data[i]));
    }
    return text;
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed at %s:%d: %s\n", __FILE__, __LINE__, #condition);   \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
