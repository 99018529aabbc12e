// What the end-to-end reliability tests ask of a running menu from outside: its resource
// figures, whether it answers at once, and a marker that tells when its queue has drained.
#pragma once

#include <windows.h>

#include <string>

namespace reliability {

struct MenuFigures {
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    DWORD handles = 0;
    SIZE_T pagefile = 0;
    SIZE_T workingSet = 0;
};

MenuFigures MeasureMenu(DWORD pid);
std::string Describe(const MenuFigures& figures);

// Milliseconds the window took to answer a sent WM_NULL, or -1 when it did not within limitMs.
int AnswerTime(HWND window, DWORD limitMs);

// Posted input is handled in order, so a press posted after a batch lights its button only once
// the whole batch was handled. Presses on button index's centre and waits for it to light, then
// releases it and waits for it to go dark. False when either did not show within timeoutMs.
bool DrainWithMarker(HWND window, int mode, int index, DWORD timeoutMs);

// One press-and-release posted to the window at the button's centre.
void PostClick(HWND window, int mode, int index);

}  // namespace reliability
