#include "benchmarks/floor_trace.h"

long TraceFloorBlock(HDC dc, const RECT& area)
{
    long runs = 0;
    for (int y = area.top; y <= area.bottom; ++y) {
        int runStart = -1;
        // The column after the block closes an open run without being read.
        for (int x = area.left; x <= area.right + 1; ++x) {
            const bool belongs = x <= area.right && GetPixel(dc, x, y) != 0;
            if (belongs && runStart < 0) {
                runStart = x;
            } else if (!belongs && runStart >= 0) {
                HRGN run = CreateRectRgn(runStart - area.left, y - area.top, x - area.left,
                                         y - area.top + 1);
                if (run == nullptr) {
                    return -1;
                }
                DeleteObject(run);
                ++runs;
                runStart = -1;
            }
        }
    }
    return runs;
}

long TraceFloorButtons(HBITMAP templateBitmap, const RECT* blocks, int count)
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return -1;
    }
    HDC templateDc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (templateDc == nullptr) {
        return -1;
    }
    HGDIOBJ previous = SelectObject(templateDc, templateBitmap);
    long runs = previous != nullptr ? 0 : -1;
    for (int i = 0; runs >= 0 && i < count; ++i) {
        const long blockRuns = TraceFloorBlock(templateDc, blocks[i]);
        runs = blockRuns >= 0 ? runs + blockRuns : -1;
    }
    if (previous != nullptr) {
        SelectObject(templateDc, previous);
    }
    DeleteDC(templateDc);
    return runs;
}

HBITMAP StretchFloorPicture(const char* path, int width, int height, const RECT& placed)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const DWORD size = GetFileSize(file, nullptr);
    BYTE* data = size != INVALID_FILE_SIZE && size > sizeof(BITMAPFILEHEADER) +
                                                        sizeof(BITMAPINFOHEADER)
                     ? static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size))
                     : nullptr;
    DWORD read = 0;
    const bool whole = data != nullptr && ReadFile(file, data, size, &read, nullptr) && read == size;
    CloseHandle(file);
    HBITMAP picture = nullptr;
    BITMAPFILEHEADER header;
    if (whole) {
        CopyMemory(&header, data, sizeof header);
    }
    if (whole && header.bfOffBits < size) {
        const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(data + sizeof header);
        const LONG rows = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight
                                                       : info->bmiHeader.biHeight;
        HDC screen = GetDC(nullptr);
        HDC target = screen != nullptr ? CreateCompatibleDC(screen) : nullptr;
        picture = target != nullptr ? CreateCompatibleBitmap(screen, width, height) : nullptr;
        if (screen != nullptr) {
            ReleaseDC(nullptr, screen);
        }
        HGDIOBJ previous = picture != nullptr ? SelectObject(target, picture) : nullptr;
        const bool covers = placed.left == 0 && placed.top == 0 && placed.right == width &&
                            placed.bottom == height;
        if (previous != nullptr && !covers) {
            PatBlt(target, 0, 0, width, height, BLACKNESS);
        }
        SetStretchBltMode(target, COLORONCOLOR);
        const int lines =
            previous != nullptr
                ? StretchDIBits(target, placed.left, placed.top, placed.right - placed.left,
                                placed.bottom - placed.top, 0, 0, info->bmiHeader.biWidth, rows,
                                data + header.bfOffBits, info, DIB_RGB_COLORS, SRCCOPY)
                : 0;
        if (previous != nullptr) {
            SelectObject(target, previous);
        }
        if (target != nullptr) {
            DeleteDC(target);
        }
        if (lines <= 0 && picture != nullptr) {
            DeleteObject(picture);
            picture = nullptr;
        }
    }
    if (data != nullptr) {
        HeapFree(GetProcessHeap(), 0, data);
    }
    return picture;
}
