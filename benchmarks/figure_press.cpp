// Press to lit at each measured size: the menu's real window procedure answering WM_LBUTTONDOWN
// on a button, which lights it through UpdateWindow's synchronous paint, against the least paint
// that lights the same button: one paint cycle of its bounding box, copied from a memory DC
// prepared beforehand. Under Wine any paint has a fixed cost larger than a whole-panel copy at
// the classic sizes, so only a floor that pays it too measures the menu's own work.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"

#include "app/app_state.h"
#include "app/menu_window.h"
#include "skin/skin.h"

#include "default_skin_layout.h"

#include <cstdio>

enum { PressRuns = 31 };

// However large the screen, a press lights within this.
static const double limitMs = 1.0;

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

// The memory DC that holds the lit panel, made before any clock starts: the one the menu keeps
// with its skin (made at the untimed first press), since a bitmap is selected into one DC at a
// time. Null when the menu has none.
static HDC LitPanelSource()
{
    return currentSkin != nullptr ? currentSkin->selectedSource : nullptr;
}

// The floor: the window's DC, one BitBlt of the whole lit panel, the DC given back.
static double TimeFullPanelCopy(HWND window)
{
    HDC source = LitPanelSource();
    if (source == nullptr) {
        return -1.0;
    }
    const double start = NowMs();
    HDC target = GetDC(window);
    BOOL copied = target != nullptr && BitBlt(target, 0, 0, currentSkin->paintWidth,
                                              currentSkin->paintHeight, source, 0, 0, SRCCOPY);
    if (target != nullptr) {
        ReleaseDC(window, target);
    }
    const double elapsed = NowMs() - start;
    // Back to the unlit panel for the next press.
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    return copied ? elapsed : -1.0;
}

// The floor's paint handler, in place of the menu's while the floor is timed: the update region's
// box copied from the lit panel, which floorSource holds selected already, and nothing more; or,
// for the clipped floor, the whole lit panel copied once through the paint DC, which the update
// region (the button's shape) clips.
static HDC floorSource = nullptr;
static WNDPROC menuProc = nullptr;
static bool floorCopiesPanel = false;

static LRESULT CALLBACK FloorPaintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    if (message != WM_PAINT) {
        return CallWindowProcA(menuProc, window, message, wParam, lParam);
    }
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    if (target != nullptr && floorCopiesPanel) {
        BitBlt(target, 0, 0, currentSkin->paintWidth, currentSkin->paintHeight, floorSource, 0, 0,
               SRCCOPY);
    } else if (target != nullptr) {
        const RECT& box = paint.rcPaint;
        BitBlt(target, box.left, box.top, box.right - box.left, box.bottom - box.top, floorSource,
               box.left, box.top, SRCCOPY);
    }
    EndPaint(window, &paint);
    return 0;
}

// A floor: one paint cycle of the button (invalidate, UpdateWindow, the copy) through
// FloorPaintProc, checked lit on the window's pixels; the memory DC that holds the lit panel is
// made before the clock starts. The box floor invalidates and copies the button's bounding box; the
// clipped floor invalidates the button's shape and copies the whole lit panel through it, as the
// menu's paint does. -1 when the button was not lit.
static double TimeFloorPaint(HWND window, int mode, int button, bool clipped)
{
    RECT box = {};
    HDC source = LitPanelSource();
    if (source == nullptr || GetRgnBox(currentSkin->buttons[button].region, &box) == ERROR) {
        return -1.0;
    }
    floorSource = source;
    floorCopiesPanel = clipped;
    menuProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FloorPaintProc)));
    const double start = NowMs();
    if (clipped) {
        InvalidateRgn(window, currentSkin->buttons[button].region, FALSE);
    } else {
        InvalidateRect(window, &box, FALSE);
    }
    UpdateWindow(window);
    const double elapsed = NowMs() - start;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(menuProc));
    const bool lit =
        WindowPixel(window, defaultSkin::buttons[button].sample[mode]) == defaultSkin::litTile;
    // Back to the unlit panel, through the menu's own paint, for the next press.
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    return lit ? elapsed : -1.0;
}

// One press on the button, timed from the dispatch of the message to the end of its paint, then
// checked on the window's pixels; the release goes to a spot on no button, which repaints the
// panel unlit and runs no action.
static double TimePress(HWND window, int mode, int button, bool* lit)
{
    const POINT spot = defaultSkin::buttons[button].sample[mode];
    const double start = NowMs();
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(spot.x, spot.y));
    const double elapsed = NowMs() - start;
    *lit = WindowPixel(window, spot) == defaultSkin::litTile;
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(2, 2));
    *lit = *lit && WindowPixel(window, spot) == defaultSkin::normalTile;
    return elapsed;
}

struct FixedCosts {
    double missMs;
    double onePixelMs;
};

// The parts of a press that do not depend on the button's size: a press on no button (dispatch,
// point mapping, six hit tests) and a paint of one pixel through the menu's paint handler
// (invalidation, UpdateWindow, BeginPaint, the choice of copies, a clipped BitBlt, EndPaint).
static FixedCosts TimeFixedCosts(HWND window, int mode)
{
    std::vector<double> miss, onePixel;
    const POINT spot = defaultSkin::buttons[0].sample[mode];
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
    return {Median(miss), Median(onePixel)};
}

// The menu's window, made in this process at the current screen size and activated as the
// activation timer would; null when it did not come up.
static HWND CreateActiveMenu(HINSTANCE instance)
{
    if (!CreateMenuWindow(instance) || appState == nullptr || appState->mainWindow == nullptr ||
        currentSkin == nullptr) {
        return nullptr;
    }
    HWND window = appState->mainWindow;
    PumpMessages(300);
    SendMessageA(window, WM_TIMER, ActivationTimerId, 0);
    PumpMessages(300);
    return window;
}

static void NotePress(const defaultSkin::Mode& size, double pressMs, const FixedCosts& fixed)
{
    AddNote("Press to lit at %dx%d, where the time goes: a press on no button (dispatch and hit "
            "tests) %.3f ms; a one-pixel repaint through the menu's paint handler %.3f ms; what "
            "is left for the button's own pixels: %.3f ms.",
            size.width, size.height, fixed.missMs, fixed.onePixelMs,
            pressMs - fixed.missMs - fixed.onePixelMs);
}

// The menu's window lives for one size only: a display change keeps the window's size, and the
// press must light a button of a window that covers the screen it is measured at.
static void RunPressAt(HINSTANCE instance, int mode)
{
    const defaultSkin::Mode& size = defaultSkin::modes[mode];
    HWND window = SetDisplayMode(size.width, size.height) ? CreateActiveMenu(instance) : nullptr;
    bool ok = window != nullptr;
    if (ok) {
        bool lit = false;
        TimePress(window, mode, 0, &lit); // untimed first press
        ok = lit && TimeFullPanelCopy(window) >= 0.0;
    }
    std::vector<double> press, floor, clippedFloor, fullPanel;
    bool allLit = true;
    for (int run = 0; ok && run < PressRuns; ++run) {
        bool lit = false;
        press.push_back(TimePress(window, mode, run % 6, &lit));
        allLit = allLit && lit;
        PumpMessages(5);
        const double floorMs = TimeFloorPaint(window, mode, run % 6, false);
        PumpMessages(5);
        const double clippedMs = TimeFloorPaint(window, mode, run % 6, true);
        PumpMessages(5);
        const double fullPanelMs = TimeFullPanelCopy(window);
        ok = floorMs >= 0.0 && clippedMs >= 0.0 && fullPanelMs >= 0.0;
        floor.push_back(floorMs);
        clippedFloor.push_back(clippedMs);
        fullPanel.push_back(fullPanelMs);
        PumpMessages(5);
    }
    const FixedCosts fixed = ok ? TimeFixedCosts(window, mode) : FixedCosts{};
    char figure[64];
    std::snprintf(figure, sizeof figure, "Press to lit, %dx%d", size.width, size.height);
    AddRowWithLimit(figure, "ms", Median(press), Median(floor), 1.2, limitMs, ok && allLit);
    std::snprintf(figure, sizeof figure, "Press to lit, %dx%d, floor one clipped copy",
                  size.width, size.height);
    AddRowWithLimit(figure, "ms", Median(press), Median(clippedFloor), 1.2, limitMs,
                    ok && allLit);
    if (!ok || !allLit) {
        AddNote("Press to lit at %dx%d: the menu window did not come up, or a press (or the "
                "floor's paint) did not light its button, or the release did not unlight it.",
                size.width, size.height);
    } else {
        NotePress(size, Median(press), fixed);
        AddNote("Press to lit at %dx%d against the former floor, one full-panel BitBlt of the lit "
                "bitmap through GetDC: %.3f ms, ratio %.2f.",
                size.width, size.height, Median(fullPanel), Median(press) / Median(fullPanel));
    }
    if (window != nullptr) {
        DestroyWindow(window);
        PumpMessages(50);
    }
}

void RunPressFigure()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND agent = CreateAgentWindow(instance);
    if (agent == nullptr) {
        // Every size's rows stand in the table as not measured: a figure that could not be
        // taken fails the run, it does not drop out of the table.
        for (int mode : BenchModes()) {
            char figure[64];
            std::snprintf(figure, sizeof figure, "Press to lit, %dx%d",
                          defaultSkin::modes[mode].width, defaultSkin::modes[mode].height);
            AddRowWithLimit(figure, "ms", 0.0, 0.0, 1.2, limitMs, false);
        }
        AddNote("Press to lit: the agent's window could not be made, so no menu was created; "
                "not measured.");
        return;
    }
    RegisterMenuClass(instance);
    for (int mode : BenchModes()) {
        RunPressAt(instance, mode);
    }
    AddNote("Press to lit method: the menu's window created in this process at each size (agent "
            "window present), activated with WM_TIMER 4097; SendMessage(WM_LBUTTONDOWN) on each "
            "of the six buttons in turn, %d presses, each checked lit on the window's pixels and "
            "released off the buttons. Floor: one paint cycle of the same button's bounding box "
            "on the same window (InvalidateRect, UpdateWindow, a paint handler that copies the "
            "box with one BitBlt from the memory DC that holds the lit panel, the one the menu keeps), "
            "checked lit the same way. Floor one clipped copy: the same cycle with the button's "
            "shape invalidated (InvalidateRgn) and the whole lit panel copied with one BitBlt "
            "through the paint DC, which the shape clips: the menu's own copy, without the "
            "menu's choice of panel or its hit tests. Limit: %.0f ms at every "
            "size.",
            PressRuns, limitMs);
    DestroyWindow(agent);
}
