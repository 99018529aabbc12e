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

// The capture brings the release to the menu wherever the pointer is let go, so a press always
// ends here: with its release, or with WM_CAPTURECHANGED when something takes the mouse away.
LRESULT PressButton(HWND window, WPARAM, LPARAM lParam)
{
    if (menuActive == 0) {
        return 0;
    }
    // Any press takes the focus light away first, so that while the button is held it is the
    // only one lit.
    HideFocus(window);
    buttonPress.abandoned = 0;
    SetCapture(window);
    POINT point = MessagePoint(window, lParam);
    int index = HitTestButtons(window, point.x, point.y);
    if (index == -1) {
        return 0;
    }
    currentSkin->pressed = 1;
    buttonPress.index = index;
    InvalidateRgn(window, currentSkin->buttons[index].region, FALSE);
    UpdateWindow(window);
    return 0;
}

// The press is forgotten before the capture goes, so that the WM_CAPTURECHANGED it sends finds
// none, and the panel is back to unlit on screen before any action starts a program over it.
static void EndPress(HWND window, int abandoned)
{
    buttonPress.index = -1;
    buttonPress.abandoned = abandoned;
    if (currentSkin != nullptr) {
        currentSkin->pressed = 0;
    }
    if (GetCapture() == window) {
        ReleaseCapture();
    }
    InvalidateRgn(window, nullptr, FALSE);
    UpdateWindow(window);
}

void AbandonPress(HWND window)
{
    if (menuActive == 0 || buttonPress.index == -1) {
        return;
    }
    EndPress(window, 1);
}

int ReleaseButton(HWND window, LPARAM lParam)
{
    if (menuActive == 0) {
        return -1;
    }
    const int abandoned = buttonPress.abandoned;
    EndPress(window, 0);
    if (abandoned) {
        return -1;
    }
    POINT point = MessagePoint(window, lParam);
    return HitTestButtons(window, point.x, point.y);
}

HRGN LitButtonRegion(const Skin* skin)
{
    if (skin != nullptr && skin->pressed && buttonPress.index >= 0 &&
        buttonPress.index < skin->buttonCount && skin->buttons != nullptr) {
        return skin->buttons[buttonPress.index].region;
    }
    return FocusLitRegion(skin);
}
