// The real system calls behind the table of actions/menu_platform.h.
#include "actions/menu_platform.h"

MenuPlatform menuPlatform = {
    GetForegroundWindow, SetForegroundWindow, AllowSetForegroundWindow, IsIconic,
    ShowWindow,          GetLastInputInfo,    SystemParametersInfoA,    RegisterHotKey,
    LoadLibraryExA,      UnregisterHotKey,    GetGUIThreadInfo,         GetTickCount,
    EnumDisplayMonitors, GetMonitorInfoA,
};
