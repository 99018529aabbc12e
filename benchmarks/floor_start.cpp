// The least a Win32 program does to put a full-screen picture on the screen: load one bitmap
// file, cover the screen with a topmost window and copy the picture into it. The benchmarks time
// its start against the menu's.
//
//   floor_start.exe BITMAPFILE    shows the picture until the window is closed
//   floor_start.exe --blank       loads nothing and paints black: the same process, window and
//                                 libraries without any picture, the baseline for the menu's memory
//   floor_start.exe --with-shell BITMAPFILE
//                                 loads ole32 and shell32 first, as the menu's launch library
//                                 imports them, to show what they add to a start
#include <windows.h>

#include <cstring>

static const char floorClassName[] = "TileboxFloorWndClass";
static HBITMAP picture = nullptr;

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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc < 2) {
        return 2;
    }
    const char* file = __argv[1];
    if (std::strcmp(file, "--with-shell") == 0 && __argc >= 3) {
        // Never freed: the libraries stay for the process's life, as imported ones do.
        LoadLibraryA("ole32.dll");
        LoadLibraryA("shell32.dll");
        file = __argv[2];
    }
    if (std::strcmp(file, "--blank") != 0) {
        picture = static_cast<HBITMAP>(
            LoadImageA(nullptr, file, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
        if (picture == nullptr) {
            return 3;
        }
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
    if (picture != nullptr) {
        DeleteObject(picture);
    }
    return result;
}
