// The real system calls behind the table of osmant/platform.h.
#include "osmant/platform.h"

OsmantPlatform osmantPlatform = {
    CreateProcessA,  ShellExecuteExA, AssocQueryStringA,   IsIconic,
    ShowWindowAsync, SetWindowPos,    SetForegroundWindow, GetForegroundWindow,
};
