#include <windows.h>

#include "app/command_tail.h"
#include "app/entry.h"

// The tail that the C runtime hands us is not the one we compare: it treats bytes above 127 as
// signed and does not follow double-byte characters inside a quoted program name. The menu takes
// its own from the whole command line instead.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunMenuProcess(instance, GetCommandTail(GetCommandLineA()));
}
