// Just enough of the Win32 API for the menu's text routines and the launch library's program
// finding to build natively for Linux, so that they can run under libFuzzer with the sanitizers
// that mingw lacks. The routines' own source files are compiled unchanged against this.
//
// The string routines follow the platform's documented behaviour in the points the text code
// relies on: lstrcpynA always terminates and writes nothing for a size of 0; lstrlenA of null is
// 0; CharNextExA steps over a lead byte and its trail byte together, but never past the
// terminator. Lead bytes are those of code pages 932 (Japanese) and 936/949/950 (Chinese,
// Korean); CP_ACP stands for a single-byte code page, as on a Western system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef LONG_PTR LRESULT;
typedef LONG_PTR LPARAM;
typedef UINT_PTR WPARAM;
typedef struct StandInWindow* HWND;
typedef void* HANDLE;
typedef size_t SIZE_T;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

#define CP_ACP 0
#define MAX_PATH 260
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80
#define HEAP_ZERO_MEMORY 0x08
#define WM_USER 0x0400
#define ZeroMemory(p, n) std::memset((p), 0, (n))
#define CopyMemory(d, s, n) std::memcpy((d), (s), (n))

inline BOOL SetRect(RECT* rect, int left, int top, int right, int bottom)
{
    if (rect == nullptr) {
        return 0;
    }
    rect->left = left;
    rect->top = top;
    rect->right = right;
    rect->bottom = bottom;
    return 1;
}

inline int lstrlenA(const char* text)
{
    return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

inline char* lstrcpynA(char* target, const char* source, int size)
{
    if (target == nullptr || source == nullptr) {
        return nullptr;
    }
    char* d = target;
    while (size > 1 && *source != '\0') {
        *d++ = *source++;
        --size;
    }
    if (size > 0) {
        *d = '\0';
    }
    return target;
}

// Case-insensitive for the ASCII letters only: the menu compares against plain English words.
// The platform's linguistic rules (ignorable characters such as the soft hyphen) are not
// modelled; the command-line corpus checks them under Wine.
inline int lstrcmpiA(const char* a, const char* b)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a != nullptr ? a : "");
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b != nullptr ? b : "");
    for (;; ++p, ++q) {
        int x = (*p >= 'A' && *p <= 'Z') ? *p + 32 : *p;
        int y = (*q >= 'A' && *q <= 'Z') ? *q + 32 : *q;
        if (x != y || x == 0) {
            return x < y ? -1 : x > y ? 1 : 0;
        }
    }
}

inline BOOL IsDBCSLeadByteEx(UINT codePage, BYTE c)
{
    switch (codePage) {
    case 932:
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950:
        return c >= 0x81 && c <= 0xFE;
    default:
        return 0;
    }
}

inline char* CharNextExA(WORD codePage, const char* p, DWORD)
{
    if (*p == '\0') {
        return const_cast<char*>(p);
    }
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(*p)) && p[1] != '\0') {
        return const_cast<char*>(p + 2);
    }
    return const_cast<char*>(p + 1);
}

inline char* lstrcatA(char* target, const char* source)
{
    return std::strcat(target, source);
}

// One heap, the C library's, so that the sanitizers watch every block.
inline HANDLE GetProcessHeap()
{
    return nullptr;
}

inline void* HeapAlloc(HANDLE, DWORD flags, SIZE_T size)
{
    return (flags & HEAP_ZERO_MEMORY) != 0 ? std::calloc(size, 1) : std::malloc(size);
}

inline BOOL HeapFree(HANDLE, DWORD, void* block)
{
    std::free(block);
    return 1;
}

// No environment here: the text comes back as it is, with the count the platform reports
// (terminator included, or the room needed when it does not fit).
inline DWORD ExpandEnvironmentStringsA(const char* source, char* target, DWORD size)
{
    const DWORD needed = static_cast<DWORD>(std::strlen(source)) + 1;
    if (needed <= size) {
        std::memcpy(target, source, needed);
    }
    return needed;
}

// The file system. Declared only: a fuzz target whose routine asks about files defines these
// over a fake file system of its own, so that nothing reaches the real disk.
DWORD GetFileAttributesA(const char* name);
DWORD GetFullPathNameA(const char* name, DWORD size, char* path, char** filePart);
DWORD SearchPathA(const char* folders, const char* name, const char* extension, DWORD size,
                  char* path, char** filePart);
