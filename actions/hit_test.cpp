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

// The point of a mouse message, as signed 16-bit halves (a half of 0xFFFF is -1). It is already
// in the window's client coordinates, the coordinates the regions are in, wherever the window
// stands: on a monitor that is not the primary one, or moved by the system after a display
// change. Mapping it again as if it were a screen position would shift it by the window's place.
static POINT MessagePoint(LPARAM lParam)
{
    POINT point;
    point.x = static_cast<short>(LOWORD(lParam));
    point.y = static_cast<short>(HIWORD(lParam));
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
    buttonPress.received = 1;
    SetCapture(window);
    POINT point = MessagePoint(lParam);
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
static void EndPress(HWND window)
{
    buttonPress.index = -1;
    buttonPress.received = 0;
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
    if (menuActive == 0 || buttonPress.received == 0) {
        return;
    }
    EndPress(window);
}

// Input meant for another program never acts here: a release acts only when its press came to
// the menu. A game that quits on the press leaves its release to whatever window is then under
// the pointer, and that must not start the button there.
int ReleaseButton(HWND window, LPARAM lParam)
{
    if (menuActive == 0) {
        return -1;
    }
    const int received = buttonPress.received;
    EndPress(window);
    if (!received) {
        return -1;
    }
    POINT point = MessagePoint(lParam);
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
