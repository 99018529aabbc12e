// Press to lit: the menu's real window procedure answering WM_LBUTTONDOWN on a button, which
// lights it through UpdateWindow's synchronous paint, against one full-panel copy of the lit
// bitmap to the window.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"

#include "app/app_state.h"
#include "app/menu_window.h"
#include "skin/skin.h"

#include "default_skin_layout.h"

enum { PressRuns = 31 };

static const char agentClass[] = "MorvixRemoteCtrl4VelnorWndClass";

static LRESULT CALLBACK QuietAgentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

// An agent window in this process, so that the menu's creation finds it at its first lookup.
static HWND CreateAgentWindow(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = QuietAgentProc;
    wc.hInstance = instance;
    wc.lpszClassName = agentClass;
    RegisterClassA(&wc);
    return CreateWindowExA(0, agentClass, "Agent (benchmark)", WS_POPUP, 0, 0, 1, 1, nullptr,
                           nullptr, instance, nullptr);
}

static void PumpMessages(DWORD forMs)
{
    const double until = NowMs() + forMs;
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message != WM_QUIT) {
                DispatchMessageA(&msg);
            }
        }
        Sleep(1);
    } while (NowMs() < until);
}

static COLORREF WindowPixel(HWND window, POINT spot)
{
    HDC dc = GetDC(window);
    if (dc == nullptr) {
        return CLR_INVALID;
    }
    COLORREF value = GetPixel(dc, spot.x, spot.y);
    ReleaseDC(window, dc);
    return value;
}

static LPARAM PointParam(int x, int y)
{
    return MAKELPARAM(x, y);
}

// The floor: the window's DC, one BitBlt of the whole lit panel, the DC given back. The panel is
// selected into the memory DC outside the clock, and out again afterwards, because the menu's
// own paint must be able to select it.
static double TimeFullPanelCopy(HWND window)
{
    HDC source = CreateCompatibleDC(nullptr);
    if (source == nullptr) {
        return -1.0;
    }
    HGDIOBJ previous = SelectObject(source, currentSkin->selectedBitmap);
    const double start = NowMs();
    HDC target = GetDC(window);
    BOOL copied = target != nullptr && BitBlt(target, 0, 0, currentSkin->paintWidth,
                                              currentSkin->paintHeight, source, 0, 0, SRCCOPY);
    if (target != nullptr) {
        ReleaseDC(window, target);
    }
    const double elapsed = NowMs() - start;
    SelectObject(source, previous);
    DeleteDC(source);
    // Back to the unlit panel for the next press.
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    return copied ? elapsed : -1.0;
}

// One press on the button, timed from the dispatch of the message to the end of its paint, then
// checked on the window's pixels; the release goes to a spot on no button, which repaints the
// panel unlit and runs no action.
static double TimePress(HWND window, int button, bool* lit)
{
    const POINT spot = defaultSkin::buttons[button].sample[2];
    const double start = NowMs();
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(spot.x, spot.y));
    const double elapsed = NowMs() - start;
    *lit = WindowPixel(window, spot) == defaultSkin::litTile;
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(2, 2));
    *lit = *lit && WindowPixel(window, spot) == defaultSkin::normalTile;
    return elapsed;
}

// The parts of a press that do not depend on the button's size: a press on no button (dispatch,
// point mapping, six hit tests) and a paint of one pixel through the menu's paint handler
// (invalidation, UpdateWindow, BeginPaint, the memory DC, a clipped BitBlt, EndPaint).
static void TimeFixedCosts(HWND window, double* missMs, double* onePixelMs)
{
    std::vector<double> miss, onePixel;
    const POINT spot = defaultSkin::buttons[0].sample[2];
    for (int run = 0; run < PressRuns; ++run) {
        double start = NowMs();
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(2, 2));
        miss.push_back(NowMs() - start);
        SendMessageA(window, WM_LBUTTONUP, 0, PointParam(2, 2));
        const RECT pixel = {spot.x, spot.y, spot.x + 1, spot.y + 1};
        start = NowMs();
        InvalidateRect(window, &pixel, FALSE);
        UpdateWindow(window);
        onePixel.push_back(NowMs() - start);
        PumpMessages(2);
    }
    *missMs = Median(miss);
    *onePixelMs = Median(onePixel);
}

void RunPressFigure()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    bool ok = SetDisplayMode(1024, 768);
    HWND agent = ok ? CreateAgentWindow(instance) : nullptr;
    RegisterMenuClass(instance);
    ok = agent != nullptr && CreateMenuWindow(instance) && appState != nullptr &&
         appState->mainWindow != nullptr && currentSkin != nullptr;
    HWND window = ok ? appState->mainWindow : nullptr;
    if (ok) {
        PumpMessages(300);
        // The end of the start period, as the activation timer would bring it.
        SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
        PumpMessages(300);
        bool lit = false;
        TimePress(window, 0, &lit); // untimed first press
        ok = lit && TimeFullPanelCopy(window) >= 0.0;
    }
    std::vector<double> press, floor;
    bool allLit = true;
    for (int run = 0; ok && run < PressRuns; ++run) {
        bool lit = false;
        press.push_back(TimePress(window, run % 6, &lit));
        allLit = allLit && lit;
        PumpMessages(5);
        const double floorMs = TimeFullPanelCopy(window);
        ok = floorMs >= 0.0;
        floor.push_back(floorMs);
        PumpMessages(5);
    }
    double missMs = 0.0;
    double onePixelMs = 0.0;
    if (ok) {
        TimeFixedCosts(window, &missMs, &onePixelMs);
    }
    AddRow("Press to lit, 1024x768", "ms", Median(press), Median(floor), 1.0, ok && allLit);
    if (!ok || !allLit) {
        AddNote("Press to lit: the menu window did not come up, or a press did not light its "
                "button (or the release did not unlight it).");
    } else {
        AddNote("Press to lit: the menu's window created in this process (agent window present), "
                "activated with WM_TIMER 4097; SendMessage(WM_LBUTTONDOWN) on each of the six "
                "buttons in turn, %d presses, each checked lit on the window's pixels and "
                "released off the buttons. Floor: GetDC, one 1024x768 BitBlt of the lit panel, "
                "ReleaseDC.",
                PressRuns);
        AddNote("Press to lit, where the time goes: a press on no button (dispatch and hit "
                "tests) %.3f ms; a one-pixel repaint through the menu's paint handler %.3f ms; "
                "what is left for the button's own pixels: %.3f ms.",
                missMs, onePixelMs, Median(press) - missMs - onePixelMs);
    }
    if (window != nullptr) {
        DestroyWindow(window);
        PumpMessages(50);
    }
    if (agent != nullptr) {
        DestroyWindow(agent);
    }
}
