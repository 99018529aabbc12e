#include "actions/focus.h"

#include "actions/button_actions.h"
#include "actions/input_state.h"

enum { SideWeight = 2, MostLaidOutButtons = 32 };

static int IsFocusable(const Skin* skin, int index)
{
    return skin != nullptr && skin->buttons != nullptr && index >= 0 && index < skin->buttonCount &&
           skin->buttons[index].region != nullptr;
}

// The buttons as the arrows see them: each one's bounding box and twice its centre (which keeps
// the arithmetic in whole pixels), read once for a move. A skin has six buttons; the bound only
// keeps the record on the stack.
struct FocusLayout {
    int count;
    int usable[MostLaidOutButtons];
    RECT box[MostLaidOutButtons];
    POINT centre[MostLaidOutButtons];
};

static void ReadLayout(const Skin* skin, FocusLayout* layout)
{
    layout->count = skin->buttonCount < MostLaidOutButtons ? skin->buttonCount : MostLaidOutButtons;
    for (int index = 0; index < layout->count; ++index) {
        RECT box = {};
        layout->usable[index] =
            IsFocusable(skin, index) && GetRgnBox(skin->buttons[index].region, &box) != ERROR;
        layout->box[index] = box;
        layout->centre[index].x = box.left + box.right;
        layout->centre[index].y = box.top + box.bottom;
    }
}

// A button lies in a direction when its centre's distance along the direction is at least its
// offset across it: the quarter of the plane that the arrow points into, edges included, not the
// whole half. So a shape a pixel taller than its neighbour on a hand-drawn row is not "above" it,
// and a button exactly on a diagonal lies both ways. Among those, the nearest is the one with the
// least distance along the direction plus twice its offset across it, and the lower index wins a
// tie.
//
// Two buttons with the same centre would lie in no direction from each other; they are told
// apart by index, each later one counting as a hair further to the right and below, so that Right
// or Down leads from one to the next and Left or Up back again.
static int ConeChoice(const FocusLayout* layout, int from, FocusDirection direction)
{
    const POINT origin = layout->centre[from];
    int best = -1;
    long long bestScore = 0;
    for (int index = 0; index < layout->count; ++index) {
        if (index == from || !layout->usable[index]) {
            continue;
        }
        const POINT centre = layout->centre[index];
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
        if (along <= 0 || along < across) {
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

// Whether the cone rule leads from every button to every other. It need not: a button set
// diagonally between others (the middle of the five on a die) is nearer to none of them than
// their neighbours in line, and no arrow would ever reach it.
static int ConeReachesEveryButton(const FocusLayout* layout)
{
    for (int start = 0; start < layout->count; ++start) {
        if (!layout->usable[start]) {
            continue;
        }
        int reached[MostLaidOutButtons] = {};
        int waiting[MostLaidOutButtons];
        int waitingCount = 0;
        reached[start] = 1;
        waiting[waitingCount++] = start;
        while (waitingCount > 0) {
            const int at = waiting[--waitingCount];
            for (int way = FocusLeft; way <= FocusDown; ++way) {
                const int next = ConeChoice(layout, at, static_cast<FocusDirection>(way));
                if (next != -1 && !reached[next]) {
                    reached[next] = 1;
                    waiting[waitingCount++] = next;
                }
            }
        }
        for (int index = 0; index < layout->count; ++index) {
            if (layout->usable[index] && !reached[index]) {
                return 0;
            }
        }
    }
    return 1;
}

// Whether button `first` comes before `second` going down the screen, then across it, then by
// index.
static int ComesBefore(const FocusLayout* layout, int first, int second)
{
    const POINT a = layout->centre[first];
    const POINT b = layout->centre[second];
    if (a.y != b.y) {
        return a.y < b.y;
    }
    return a.x != b.x ? a.x < b.x : first < second;
}

// Whether button `first` comes before `second` across the screen, then by index: the order of a
// row, in which buttons with the same centre follow their indexes as the cone rule has them.
static int ComesAcross(const FocusLayout* layout, int first, int second)
{
    const LONG a = layout->centre[first].x;
    const LONG b = layout->centre[second].x;
    return a != b ? a < b : first < second;
}

// Rows from the top: a button joins the row of the one above it when its centre lies within the
// height of that row's first button, and starts the next row otherwise. row[index] is -1 for a
// button without a shape.
static void AssignRows(const FocusLayout* layout, int* row)
{
    int order[MostLaidOutButtons];
    int ordered = 0;
    for (int index = 0; index < layout->count; ++index) {
        row[index] = -1;
        if (!layout->usable[index]) {
            continue;
        }
        int place = ordered++;
        while (place > 0 && ComesBefore(layout, index, order[place - 1])) {
            order[place] = order[place - 1];
            --place;
        }
        order[place] = index;
    }
    int rows = -1;
    int rowBottom = 0;
    for (int k = 0; k < ordered; ++k) {
        const int index = order[k];
        if (rows == -1 || layout->centre[index].y >= 2 * rowBottom) {
            ++rows;
            rowBottom = layout->box[index].bottom;
        }
        row[index] = rows;
    }
}

// The rule for a layout the cone rule cannot serve whole. Left and Right step through the row in
// order across the screen; Up and Down go to the row above or below, to its button nearest across
// (the lower index on a tie). Every row leads to the next and each button of a row to the others,
// so every button is reached.
static int RowChoice(const FocusLayout* layout, int from, FocusDirection direction)
{
    int row[MostLaidOutButtons];
    AssignRows(layout, row);
    const int sideways = direction == FocusLeft || direction == FocusRight;
    const int wanted = sideways ? row[from] : row[from] + (direction == FocusDown ? 1 : -1);
    int best = -1;
    long long bestScore = 0;
    for (int index = 0; index < layout->count; ++index) {
        if (index == from || row[index] != wanted) {
            continue;
        }
        if (sideways) {
            const int after = ComesAcross(layout, from, index);
            if (after != (direction == FocusRight)) {
                continue;
            }
            // The nearest in row order: the first after, or the last before.
            if (best == -1 || ComesAcross(layout, index, best) == after) {
                best = index;
            }
            continue;
        }
        long long score = layout->centre[index].x - layout->centre[from].x;
        score = score < 0 ? -score : score;
        if (best == -1 || score < bestScore) {
            best = index;
            bestScore = score;
        }
    }
    return best;
}

// The cone rule wherever it reaches every button from every other, which it does on a grid and
// on most hand-drawn layouts; the rows otherwise, so that no button is ever out of reach.
int FindNearestButton(const Skin* skin, int from, FocusDirection direction)
{
    if (!IsFocusable(skin, from) || from >= MostLaidOutButtons) {
        return -1;
    }
    FocusLayout layout;
    ReadLayout(skin, &layout);
    if (!layout.usable[from]) {
        return -1;
    }
    return ConeReachesEveryButton(&layout) ? ConeChoice(&layout, from, direction)
                                           : RowChoice(&layout, from, direction);
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
