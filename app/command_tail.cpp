#include "app/command_tail.h"

const char* GetCommandTail(const char* commandLine)
{
    return GetCommandTailInCodePage(commandLine, CP_ACP);
}

const char* GetCommandTailInCodePage(const char* commandLine, UINT codePage)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
    if (p == nullptr) {
        return "";
    }
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            // A trail byte can be 0x22; it must not end the quoted name.
            if (IsDBCSLeadByteEx(codePage, *p) && p[1] != '\0') {
                ++p;
            }
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p > ' ') {
            ++p;
        }
    }
    while (*p != '\0' && *p <= ' ') {
        ++p;
    }
    return reinterpret_cast<const char*>(p);
}

// The lengths must match as well: lstrcmpiA compares linguistically and skips characters it
// counts as ignorable, so "Clo" soft-hyphen "se" would otherwise pass for the word.
static int IsWord(const char* text, const char* word)
{
    return lstrlenA(text) == lstrlenA(word) && lstrcmpiA(text, word) == 0;
}

int IsCloseCommandWord(const char* commandTail)
{
    return IsWord(commandTail, "Close") || IsWord(commandTail, "Destroy");
}
