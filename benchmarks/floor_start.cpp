// The least a Win32 program does to put a full-screen picture on the screen: load one bitmap
// file, cover the screen with a topmost window and copy the picture into it. The benchmarks time
// its start against the menu's.
//
//   floor_start.exe --skin NORMAL SELECTED TEMPLATE RECTS
//                                 the menu's start without the menu: loads the three panel files,
//                                 traces the six buttons of RECTS ("l,t,r,b;l,t,r,b;..." as in
//                                 the settings) the way the tracing rule allows at the least (see
//                                 floor_trace.h), then shows SELECTED, the lit panel
//   floor_start.exe BITMAPFILE    shows the picture until the window is closed
//   floor_start.exe --blank       loads nothing and paints black: the same kind of process and
//                                 window without any picture, the baseline for the menu's memory.
//                                 It loads none of the menu's three libraries (Kivrel, Osmant,
//                                 Tarvik): what they hold counts as the menu's own
//   floor_start.exe --with-shell (any of the above)
//                                 loads ole32 and shell32 first, as the menu's launch library
//                                 imports them, to show what they add to a start
//   floor_start.exe --fit L,T,R,B --skin ...
//                                 a size the skin does not name: each of the three pictures is
//                                 stretched onto a screen-sized bitmap at L,T,R,B (black around),
//                                 the one stretch per picture that screen needs, and RECTS are
//                                 the blocks as mapped onto the screen
#include "benchmarks/floor_trace.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

static const char floorClassName[] = "TileboxFloorWndClass";
static HBITMAP picture = nullptr;
// Held while the picture shows, as the menu holds its unlit panel and its template.
static HBITMAP otherPanels[2] = {};

enum { MostBlocks = 6 };

static HBITMAP LoadPicture(const char* file)
{
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, file, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
}

// "l,t,r,b;l,t,r,b;...": up to MostBlocks blocks; the count read, or -1 for a text that is not
// such a list.
static int ParseBlocks(const char* text, RECT* blocks)
{
    int count = 0;
    const char* p = text;
    while (*p != '\0' && count < MostBlocks) {
        LONG* fields[4] = {&blocks[count].left, &blocks[count].top, &blocks[count].right,
                           &blocks[count].bottom};
        for (int i = 0; i < 4; ++i) {
            char* end = nullptr;
            *fields[i] = std::strtol(p, &end, 10);
            const char separator = i < 3 ? ',' : ';';
            if (end == p || (*end != separator && !(i == 3 && *end == '\0'))) {
                return -1;
            }
            p = *end == '\0' ? end : end + 1;
        }
        ++count;
    }
    return *p == '\0' ? count : -1;
}

// Each picture as the screen needs it: as loaded, or stretched onto the screen at placed.
static HBITMAP LoadScreenPicture(const char* file, const RECT* placed)
{
    if (placed == nullptr) {
        return LoadPicture(file);
    }
    return StretchFloorPicture(file, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               *placed);
}

// The three files loaded and the buttons traced; the lit panel becomes the picture. Returns
// false when a file does not load or the tracing fails.
static bool LoadSkinLeast(char** arguments, const RECT* placed)
{
    RECT blocks[MostBlocks] = {};
    const int count = ParseBlocks(arguments[3], blocks);
    otherPanels[0] = LoadScreenPicture(arguments[0], placed);
    picture = LoadScreenPicture(arguments[1], placed);
    otherPanels[1] = LoadScreenPicture(arguments[2], placed);
    return count > 0 && otherPanels[0] != nullptr && picture != nullptr &&
           otherPanels[1] != nullptr && TraceFloorButtons(otherPanels[1], blocks, count) > 0;
}

static void PaintPicture(HWND window)
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    if (target != nullptr) {
        RECT client;
        GetClientRect(window, &client);
        HDC source = picture != nullptr ? CreateCompatibleDC(target) : nullptr;
        if (source != nullptr) {
            HGDIOBJ previous = SelectObject(source, picture);
            BitBlt(target, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
            SelectObject(source, previous);
            DeleteDC(source);
        } else {
            PatBlt(target, 0, 0, client.right, client.bottom, BLACKNESS);
        }
    }
    EndPaint(window, &paint);
}

static LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintPicture(window);
        return 0;
    case WM_ERASEBKGND:
        // Like the menu: every pixel comes from the copy.
        return 1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Loads what the command line asks for; false when it cannot.
static bool LoadFromCommandLine(int argc, char** argv)
{
    if (argc < 2) {
        return false;
    }
    int first = 1;
    if (std::strcmp(argv[first], "--with-shell") == 0 && argc >= 3) {
        // Never freed: the libraries stay for the process's life, as imported ones do.
        LoadLibraryA("ole32.dll");
        LoadLibraryA("shell32.dll");
        ++first;
    }
    RECT placed = {};
    bool fitted = false;
    if (std::strcmp(argv[first], "--fit") == 0 && argc >= first + 3) {
        fitted = ParseBlocks(argv[first + 1], &placed) == 1;
        if (!fitted) {
            return false;
        }
        first += 2;
    }
    const char* mode = argv[first];
    if (std::strcmp(mode, "--skin") == 0) {
        return argc >= first + 5 && LoadSkinLeast(argv + first + 1, fitted ? &placed : nullptr);
    }
    if (std::strcmp(mode, "--blank") == 0) {
        return true;
    }
    picture = LoadPicture(mode);
    return picture != nullptr;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (!LoadFromCommandLine(__argc, __argv)) {
        return 3;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = floorClassName;
    int result = 4;
    if (RegisterClassA(&wc)) {
        HWND window = CreateWindowExA(WS_EX_TOPMOST, floorClassName, "Floor", WS_POPUP, 0, 0,
                                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                      nullptr, nullptr, instance, nullptr);
        if (window != nullptr) {
            ShowWindow(window, SW_SHOW);
            UpdateWindow(window);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                DispatchMessageA(&msg);
            }
            result = 0;
        }
    }
    for (HBITMAP bitmap : {picture, otherPanels[0], otherPanels[1]}) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
    return result;
}
