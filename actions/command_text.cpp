#include "actions/button_actions.h"

enum { CommandTextCapacity = 256 };

// Returns the position where the scan stopped: the last backslash, or 0 when the scan reached
// the second character without meeting one.
static int TrimFromEnd(char* text)
{
    int length = lstrlenA(text);
    for (int i = length - 1; i >= 1; --i) {
        char c = text[i];
        if (c == '\\') {
            return i;
        }
        if (c == ' ' || c == '"' || c == '%') {
            text[i] = '\0';
        }
    }
    return 0;
}

void TrimCommandTail(char* text)
{
    TrimFromEnd(text);
}

int GetCommandFileName(const char* commandLine, char* name)
{
    char working[CommandTextCapacity];
    ZeroMemory(working, sizeof working);
    lstrcpynA(working, commandLine, sizeof working);
    int stop = TrimFromEnd(working);
    // After a backslash the name starts behind it; without one it starts at the second character,
    // which drops the opening quotation mark of a quoted program.
    lstrcpynA(name, working + stop + 1, CommandTextCapacity);
    return 1;
}
