#include "tests/dist/picture.h"

bool LoadPicture(const std::string& path, Picture& picture)
{
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    if (bitmap == nullptr) {
        return false;
    }
    BITMAP info = {};
    bool ok = GetObjectA(bitmap, sizeof info, &info) != 0;
    if (ok) {
        picture.width = info.bmWidth;
        picture.height = info.bmHeight;
        picture.pixels.assign(static_cast<size_t>(info.bmWidth) * info.bmHeight, 0);
        BITMAPINFO request = {};
        request.bmiHeader.biSize = sizeof request.bmiHeader;
        request.bmiHeader.biWidth = info.bmWidth;
        request.bmiHeader.biHeight = -info.bmHeight;  // top row first
        request.bmiHeader.biPlanes = 1;
        request.bmiHeader.biBitCount = 32;
        request.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        ok = screen != nullptr && GetDIBits(screen, bitmap, 0, info.bmHeight,
                                            picture.pixels.data(), &request,
                                            DIB_RGB_COLORS) == info.bmHeight;
        if (screen != nullptr) {
            ReleaseDC(nullptr, screen);
        }
    }
    DeleteObject(bitmap);
    // GetDIBits gives 0x00RRGGBB words; the screen and GetPixel speak 0x00BBGGRR.
    for (COLORREF& value : picture.pixels) {
        value = RGB(GetBValue(value), GetGValue(value), GetRValue(value));
    }
    return ok;
}

int CountShapePixels(const Picture& regionTemplate, const RECT& inclusive)
{
    int count = 0;
    for (int y = inclusive.top; y <= inclusive.bottom; ++y) {
        for (int x = inclusive.left; x <= inclusive.right; ++x) {
            if (regionTemplate.At(x, y) != RGB(0, 0, 0)) {
                ++count;
            }
        }
    }
    return count;
}
