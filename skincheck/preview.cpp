// The preview picture: the unlit panel as the menu would paint it, with each traced region
// tinted in a colour of its own, outlined, and labelled with its index and remote code.
#include "skincheck/skincheck.h"

#include "outside/kivrel.h"
#include "skin/gdi_guards.h"

namespace {

const COLORREF tints[ButtonsUsed] = {RGB(255, 64, 64),  RGB(64, 255, 64),  RGB(64, 128, 255),
                                     RGB(64, 255, 255), RGB(255, 255, 64), RGB(255, 160, 64)};

// Owns a GDI object for the length of one function. Declared before the DCs it is selected into,
// it goes after them: its selection is undone and its DC deleted before the object itself.
class OwnedObject {
  public:
    explicit OwnedObject(HGDIOBJ object) : handle(object) {}
    ~OwnedObject()
    {
        if (handle != nullptr) {
            DeleteObject(handle);
        }
    }
    OwnedObject(const OwnedObject&) = delete;
    OwnedObject& operator=(const OwnedObject&) = delete;
    HGDIOBJ Get() const
    {
        return handle;
    }

  private:
    HGDIOBJ handle;
};

int RowBytes(int width)
{
    return (width * 3 + 3) & ~3;
}

// A 24-bit bottom-up section, the layout a BMP file stores, so its bits can be written as they
// are.
HBITMAP CreatePreviewSection(HDC screen, int width, int height, BYTE** bits)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = static_cast<BYTE*>(pixels);
    return section;
}

// Blends the tint into every pixel of the region that lies on the picture, half and half.
void TintRegion(BYTE* bits, int width, int height, HRGN region, COLORREF tint)
{
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size == 0) {
        return;
    }
    RGNDATA* data = static_cast<RGNDATA*>(HeapAlloc(GetProcessHeap(), 0, size));
    if (data == nullptr) {
        return;
    }
    if (GetRegionData(region, size, data) == size) {
        const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
        for (DWORD r = 0; r < data->rdh.nCount; ++r) {
            const int left = rects[r].left < 0 ? 0 : rects[r].left;
            const int right = rects[r].right > width ? width : rects[r].right;
            const int top = rects[r].top < 0 ? 0 : rects[r].top;
            const int bottom = rects[r].bottom > height ? height : rects[r].bottom;
            for (int y = top; y < bottom; ++y) {
                BYTE* row = bits + static_cast<size_t>(height - 1 - y) * RowBytes(width);
                for (int x = left; x < right; ++x) {
                    BYTE* pixel = row + x * 3;
                    pixel[0] = static_cast<BYTE>((pixel[0] + GetBValue(tint)) / 2);
                    pixel[1] = static_cast<BYTE>((pixel[1] + GetGValue(tint)) / 2);
                    pixel[2] = static_cast<BYTE>((pixel[2] + GetRValue(tint)) / 2);
                }
            }
        }
    }
    HeapFree(GetProcessHeap(), 0, data);
}

void LabelRegion(HDC dc, HRGN region, int index, const char* name)
{
    char keyPath[KeyCapacity];
    DWORD code = 0;
    if (BuildButtonKeyPath(keyPath, name)) {
        Kivrel_GetProfileDWord(keyPath, "Remote Code", &code);
    }
    char label[64];
    const int length =
        snprintf(label, sizeof label, " %d: %lu ", index, static_cast<unsigned long>(code));
    RECT box;
    GetRgnBox(region, &box);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, label, length, &extent);
    const int x = (box.left + box.right - extent.cx) / 2;
    const int y = (box.top + box.bottom - extent.cy) / 2;
    TextOutA(dc, x, y, label, length);
}

// Tints first and outlines after, highest index first, so that where regions overlap the button
// that wins the press (the lower index) is the one on top.
void DrawButtons(HDC dc, BYTE* bits, int width, int height, const TracedButton* buttons, int count)
{
    GdiFlush();
    for (int index = count - 1; index >= 0; --index) {
        if (buttons[index].region != nullptr) {
            TintRegion(bits, width, height, buttons[index].region, tints[index]);
        }
    }
    HBRUSH outline = CreateSolidBrush(previewOutline);
    if (outline != nullptr) {
        for (int index = count - 1; index >= 0; --index) {
            if (buttons[index].region != nullptr) {
                FrameRgn(dc, buttons[index].region, outline, 2, 2);
            }
        }
        DeleteObject(outline);
    }
    Selection font(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, RGB(255, 255, 255));
    for (int index = count - 1; index >= 0; --index) {
        if (buttons[index].region != nullptr) {
            LabelRegion(dc, buttons[index].region, index, buttons[index].name);
        }
    }
    GdiFlush();
}

int WriteBitmapFile(const char* path, const BYTE* bits, int width, int height)
{
    const DWORD imageSize = static_cast<DWORD>(RowBytes(width)) * height;
    BITMAPFILEHEADER fileHeader;
    ZeroMemory(&fileHeader, sizeof fileHeader);
    BITMAPINFOHEADER info;
    ZeroMemory(&info, sizeof info);
    fileHeader.bfType = 0x4D42; // "BM"
    fileHeader.bfOffBits = sizeof fileHeader + sizeof info;
    fileHeader.bfSize = fileHeader.bfOffBits + imageSize;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = imageSize;
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, &fileHeader, sizeof fileHeader, &written, nullptr) &&
              written == sizeof fileHeader;
    ok = ok && WriteFile(file, &info, sizeof info, &written, nullptr) && written == sizeof info;
    ok = ok && WriteFile(file, bits, imageSize, &written, nullptr) && written == imageSize;
    CloseHandle(file);
    return ok ? 1 : 0;
}

} // namespace

int WritePreview(const char* path, HBITMAP normalBitmap, int width, int height,
                 const TracedButton* buttons, int count)
{
    ScreenDc screen;
    BYTE* bits = nullptr;
    OwnedObject section(CreatePreviewSection(screen.Get(), width, height, &bits));
    MemoryDc source(screen.Get());
    MemoryDc target(screen.Get());
    Selection panel(source.Get(), normalBitmap);
    Selection picture(target.Get(), section.Get());
    if (bits == nullptr || !panel.Succeeded() || !picture.Succeeded() ||
        !BitBlt(target.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY)) {
        return 0;
    }
    DrawButtons(target.Get(), bits, width, height, buttons, count);
    return WriteBitmapFile(path, bits, width, height);
}
