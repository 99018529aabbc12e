#include "skincheck/skincheck.h"

#include "skin/skin.h"

int CountButtons()
{
    char name[KeyCapacity];
    int count = 0;
    while (count < 1000 && EnumerateButtonName(count, name)) {
        ++count;
    }
    return count;
}
