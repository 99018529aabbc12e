#include "skincheck/skincheck.h"

#include "outside/kivrel.h"

static const char buttonsKey[] = "Buttons";

// The same call and the same three tests as the menu's button table, so that the checker sees
// exactly the buttons the menu would.
bool EnumerateButtonName(int index, char* name)
{
    name[0] = '\0';
    DWORD nameSize = KeyCapacity;
    const int found = Kivrel_EnumKeyName(buttonsKey, index, name, &nameSize, 1);
    name[KeyCapacity - 1] = '\0';
    return found != 0 && name[0] != '\0' && nameSize != 0;
}

bool BuildButtonKeyPath(char* keyPath, const char* name)
{
    const int length = snprintf(keyPath, KeyCapacity, "%s\\%s", buttonsKey, name);
    return length > 0 && length < KeyCapacity;
}

int CountButtons()
{
    char name[KeyCapacity];
    int count = 0;
    while (count < 1000 && EnumerateButtonName(count, name)) {
        ++count;
    }
    return count;
}
