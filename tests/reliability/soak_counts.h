// How hard the soak tests push: a quick round for every CI run, the full counts in the long run
// (TILEBOX_LONG=1 in the environment, which tools/test.sh --long sets).
#pragma once

#include <windows.h>

namespace reliability {

inline bool LongRun()
{
    char value[8] = {};
    return GetEnvironmentVariableA("TILEBOX_LONG", value, sizeof value) > 0 && value[0] == '1';
}

inline int Count(int quick, int full)
{
    return LongRun() ? full : quick;
}

}  // namespace reliability
