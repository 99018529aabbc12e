// Finding the window of a running program. The matching rules are in outside/tarvik.h.
#include "outside/tarvik.h"

extern "C" HWND TARVIK_GetWindowHandleFromExecutableFile(const char* executableOrCommandLine)
{
    // Filled in with the launch utilities; until then no running program is ever found.
    (void)executableOrCommandLine;
    return nullptr;
}
