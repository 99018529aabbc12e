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

int IsCloseCommandWord(const char* commandTail)
{
    return lstrcmpiA(commandTail, "Close") == 0 || lstrcmpiA(commandTail, "Destroy") == 0;
}
