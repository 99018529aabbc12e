#include "actions/focus.h"

#include "actions/button_actions.h"
#include "actions/input_state.h"

enum { SideWeight = 2 };

// Twice the centre of the region's bounding box, which keeps the arithmetic in whole pixels.
static POINT DoubledCentre(HRGN region)
{
    RECT box = {};
    GetRgnBox(region, &box);
    POINT centre = {box.left + box.right, box.top + box.bottom};
    return centre;
}

static int IsFocusable(const Skin* skin, int index)
{
    return skin != nullptr && skin->buttons != nullptr && index >= 0 && index < skin->buttonCount &&
           skin->buttons[index].region != nullptr;
}

// A button lies in a direction when its centre's distance along the direction exceeds its offset
// across it: the quarter of the plane that the arrow points into, not the whole half. So a shape
// a pixel taller than its neighbour on a hand-drawn row is not "above" it. Among those, the
// nearest is the one with the least distance along the direction plus twice its offset across
// it, and the lower index wins a tie.
//
// Two buttons with the same centre would lie in no direction from each other; they are told
// apart by index, each later one counting as a hair further to the right and below, so that Right
// or Down leads from one to the next and Left or Up back again.
int FindNearestButton(const Skin* skin, int from, FocusDirection direction)
{
    if (!IsFocusable(skin, from)) {
        return -1;
    }
    const POINT origin = DoubledCentre(skin->buttons[from].region);
    int best = -1;
    long long bestScore = 0;
    for (int index = 0; index < skin->buttonCount; ++index) {
        if (index == from || !IsFocusable(skin, index)) {
            continue;
        }
        const POINT centre = DoubledCentre(skin->buttons[index].region);
        // In eighths of a doubled pixel, so that the hair below is less than any real offset.
        long long dx = 8LL * (centre.x - origin.x);
        long long dy = 8LL * (centre.y - origin.y);
        long long along = 0;
        long long across = 0;
        switch (direction) {
        case FocusLeft:
            along = -dx, across = dy;
            break;
        case FocusRight:
            along = dx, across = dy;
            break;
        case FocusUp:
            along = -dy, across = dx;
            break;
        case FocusDown:
            along = dy, across = dx;
            break;
        }
        if (dx == 0 && dy == 0) {
            const int forward = direction == FocusRight || direction == FocusDown;
            along = forward ? index - from : from - index;
        }
        if (across < 0) {
            across = -across;
        }
        if (along <= across) {
            continue;
        }
        long long score = along + SideWeight * across;
        if (best == -1 || score < bestScore) {
            best = index;
            bestScore = score;
        }
    }
    return best;
}

// Only the buttons concerned are invalidated, without erasing; the paint lights the focused one.
static void RepaintButton(HWND window, int index)
{
    if (IsFocusable(currentSkin, index)) {
        InvalidateRgn(window, currentSkin->buttons[index].region, FALSE);
    }
}

// A screen reader speaks the button the focus lands on. The window's client object numbers the
// buttons from 1, since child 0 stands for the object itself.
static void AnnounceFocus(HWND window)
{
    NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, buttonFocus.index + 1);
}

void ShowFocus(HWND window)
{
    if (buttonFocus.index == -1) {
        buttonFocus.index = 0;
    }
    buttonFocus.shown = 1;
    RepaintButton(window, buttonFocus.index);
    UpdateWindow(window);
    AnnounceFocus(window);
}

void MoveFocus(HWND window, FocusDirection direction)
{
    if (menuActive == 0 || currentSkin == nullptr) {
        return;
    }
    if (buttonFocus.index == -1 || !buttonFocus.shown) {
        ShowFocus(window);
        return;
    }
    int next = FindNearestButton(currentSkin, buttonFocus.index, direction);
    if (next != -1) {
        FocusButton(window, next);
    }
}

int FocusButton(HWND window, int index)
{
    if (menuActive == 0 || !IsFocusable(currentSkin, index)) {
        return 0;
    }
    const int previous = buttonFocus.shown ? buttonFocus.index : -1;
    buttonFocus.index = index;
    buttonFocus.shown = 1;
    RepaintButton(window, previous);
    RepaintButton(window, index);
    UpdateWindow(window);
    AnnounceFocus(window);
    return 1;
}

void ActOnFocus(HWND window)
{
    if (menuActive == 0 || currentSkin == nullptr) {
        return;
    }
    if (buttonFocus.index == -1 || !buttonFocus.shown) {
        ShowFocus(window);
        return;
    }
    // The light stays: the action may start a program over the menu, and coming back to the
    // menu shows the same button focused.
    PerformButtonAction(window, buttonFocus.index);
}

void HideFocus(HWND window)
{
    if (!buttonFocus.shown) {
        return;
    }
    buttonFocus.shown = 0;
    RepaintButton(window, buttonFocus.index);
    UpdateWindow(window);
    // No button is focused any more: the client object itself holds the focus, and a screen
    // reader that still speaks the button would describe a light that is gone.
    NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, CHILDID_SELF);
}

HRGN FocusLitRegion(const Skin* skin)
{
    if (!buttonFocus.shown || !IsFocusable(skin, buttonFocus.index)) {
        return nullptr;
    }
    return skin->buttons[buttonFocus.index].region;
}
