#include "actions/hit_test.h"

#include "actions/focus.h"
#include "actions/input_state.h"
#include "skin/skin.h"

enum { MenuButtonCount = 6 };

int HitTestButtons(HWND, int x, int y)
{
    const Skin* skin = currentSkin;
    if (skin == nullptr || skin->buttons == nullptr) {
        return -1;
    }
    // A loaded skin always has six buttons; the bound on buttonCount only keeps a half-built
    // table (which no active menu has) from being read past its end.
    for (int index = 0; index < MenuButtonCount && index < skin->buttonCount; ++index) {
        if (PtInRegion(skin->buttons[index].region, x, y)) {
            return index;
        }
    }
    return -1;
}

// The point of a mouse message, as signed 16-bit halves (a half of 0xFFFF is -1), mapped from
// the desktop to the window. The window covers the screen from its corner, so the point comes out
// unchanged; the mapping keeps the hit test right should that ever not hold.
static POINT MessagePoint(HWND window, LPARAM lParam)
{
    POINT point;
    point.x = static_cast<short>(LOWORD(lParam));
    point.y = static_cast<short>(HIWORD(lParam));
    MapWindowPoints(nullptr, window, &point, 1);
    return point;
}

LRESULT PressButton(HWND window, WPARAM, LPARAM lParam)
{
    if (menuActive == 0) {
        return 0;
    }
    // Any press takes the focus light away first, so that while the button is held it is the
    // only one lit: the press paints the whole update region from the lit panel.
    HideFocus(window);
    POINT point = MessagePoint(window, lParam);
    int index = HitTestButtons(window, point.x, point.y);
    if (index == -1) {
        return 0;
    }
    currentSkin->pressed = 1;
    InvalidateRgn(window, currentSkin->buttons[index].region, FALSE);
    UpdateWindow(window);
    return 0;
}

int ReleaseButton(HWND window, LPARAM lParam)
{
    if (menuActive == 0) {
        return -1;
    }
    if (currentSkin != nullptr) {
        currentSkin->pressed = 0;
    }
    // The panel is back to unlit on screen before any action starts a program over it.
    InvalidateRgn(window, nullptr, FALSE);
    UpdateWindow(window);
    POINT point = MessagePoint(window, lParam);
    return HitTestButtons(window, point.x, point.y);
}
