#include "skin/skin.h"

#include "outside/kivrel.h"

static bool IsEmpty(const char* text)
{
    return text == nullptr || text[0] == '\0';
}

// The directory and the file name joined by plain concatenation. A pair that does not fit is
// refused: a path cut short would name some other file, which might even exist.
static int JoinPath(char* path, int capacity, const char* directory, const char* fileName)
{
    const int directoryLength = lstrlenA(directory);
    const int fileLength = lstrlenA(fileName);
    if (directoryLength + fileLength >= capacity) {
        return 0;
    }
    CopyMemory(path, directory, directoryLength);
    CopyMemory(path + directoryLength, fileName, fileLength + 1);
    return 1;
}

// Bytes of pixel data that the headers promise, or 0 when they make no sense. Rows of packed
// formats are padded to 32 bits; compressed data states its own size.
static DWORD PromisedPixelBytes(LONG width, LONG height, WORD bitCount, DWORD compression,
                                DWORD sizeImage)
{
    if (width <= 0 || height == 0 || bitCount == 0 || bitCount > 32) {
        return 0;
    }
    if (compression != BI_RGB && compression != BI_BITFIELDS) {
        return sizeImage;
    }
    const long long signedRows = height;
    const unsigned long long rows =
        static_cast<unsigned long long>(signedRows < 0 ? -signedRows : signedRows);
    const unsigned long long stride =
        (static_cast<unsigned long long>(width) * bitCount + 31) / 32 * 4;
    const unsigned long long bytes = stride * rows;
    return bytes > 0xFFFFFFFFull ? 0 : static_cast<DWORD>(bytes);
}

// True when the file holds a whole bitmap: its headers and all the pixel data they promise. The
// system's loader accepts a file cut short and reads past its end, so a truncated panel would
// load as garbage instead of failing.
static bool IsCompleteBitmapFile(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BYTE headers[sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)];
    ZeroMemory(headers, sizeof headers);
    DWORD read = 0;
    const DWORD fileSize = GetFileSize(file, nullptr);
    const BOOL ok = ReadFile(file, headers, sizeof headers, &read, nullptr);
    CloseHandle(file);
    const DWORD fileHeaderSize = sizeof(BITMAPFILEHEADER);
    if (!ok || fileSize == INVALID_FILE_SIZE || read < fileHeaderSize + sizeof(DWORD)) {
        return false;
    }
    BITMAPFILEHEADER fileHeader;
    CopyMemory(&fileHeader, headers, sizeof fileHeader);
    DWORD infoSize = 0;
    CopyMemory(&infoSize, headers + fileHeaderSize, sizeof infoSize);
    if (fileHeader.bfType != 0x4D42) {  // "BM"
        return false;
    }
    DWORD pixelBytes = 0;
    if (infoSize == sizeof(BITMAPCOREHEADER) && read >= fileHeaderSize + infoSize) {
        BITMAPCOREHEADER core;
        CopyMemory(&core, headers + fileHeaderSize, sizeof core);
        pixelBytes = PromisedPixelBytes(core.bcWidth, core.bcHeight, core.bcBitCount, BI_RGB, 0);
    } else if (infoSize >= sizeof(BITMAPINFOHEADER) &&
               read >= fileHeaderSize + sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER info;
        CopyMemory(&info, headers + fileHeaderSize, sizeof info);
        pixelBytes = PromisedPixelBytes(info.biWidth, info.biHeight, info.biBitCount,
                                        info.biCompression, info.biSizeImage);
    }
    const unsigned long long dataStart = fileHeader.bfOffBits;
    return pixelBytes != 0 && dataStart >= fileHeaderSize + infoSize &&
           dataStart + pixelBytes <= fileSize;
}

HBITMAP LoadPanelBitmap(HINSTANCE instance, Skin* skin, const char* directory, const char* key,
                        const char* valueName)
{
    if (IsEmpty(directory) || IsEmpty(key) || IsEmpty(valueName)) {
        return nullptr;
    }
    char fileName[256];
    ZeroMemory(fileName, sizeof fileName);
    if (Kivrel_GetProfileStringEx(key, valueName, fileName, sizeof fileName, 1, nullptr, 0) == 0 ||
        fileName[0] == '\0') {
        return nullptr;
    }
    // The store promises a terminated string; a buffer filled to the brim is refused anyway.
    if (fileName[sizeof fileName - 1] != '\0') {
        return nullptr;
    }
    char path[256];
    ZeroMemory(path, sizeof path);
    if (!JoinPath(path, sizeof path, directory, fileName)) {
        return nullptr;
    }
    if (!IsCompleteBitmapFile(path)) {
        return nullptr;
    }
    // No LR_CREATEDIBSECTION: the panel is wanted as a bitmap in the screen's own format, so that
    // painting is a plain copy.
    HANDLE loaded = LoadImageA(instance, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (loaded == nullptr) {
        return nullptr;
    }
    return FitBitmapToScreen(skin, static_cast<HBITMAP>(loaded));
}

// Stretches the loaded bitmap onto a new screen-sized one. The loaded bitmap is deleted on every
// path: once stretching was attempted it never survives.
static HBITMAP StretchToScreen(Skin* skin, HBITMAP loaded, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC source = screen != nullptr ? CreateCompatibleDC(screen) : nullptr;
    HDC target = source != nullptr ? CreateCompatibleDC(screen) : nullptr;
    // Compatible with the screen, not with a memory DC, whose bitmap would be monochrome.
    HBITMAP fitted =
        target != nullptr ? CreateCompatibleBitmap(screen, skin->screenWidth, skin->screenHeight)
                          : nullptr;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    if (fitted == nullptr) {
        if (target != nullptr) {
            DeleteDC(target);
        }
        if (source != nullptr) {
            DeleteDC(source);
        }
        DeleteObject(loaded);
        return nullptr;
    }
    HGDIOBJ oldSource = SelectObject(source, loaded);
    HGDIOBJ oldTarget = SelectObject(target, fitted);
    // A bitmap that could not be selected would leave the copy reading the DC's stock bitmap:
    // that counts as a failed copy, not as a panel.
    const bool selected = oldSource != nullptr && oldSource != HGDI_ERROR &&
                          oldTarget != nullptr && oldTarget != HGDI_ERROR;
    const bool copied = selected && StretchBlt(target, 0, 0, skin->screenWidth, skin->screenHeight,
                                               source, 0, 0, width, height, SRCCOPY) != 0;
    if (copied) {
        skin->paintWidth = skin->screenWidth;
        skin->paintHeight = skin->screenHeight;
    }
    // Both bitmaps go back out of their DCs before anything is deleted: a bitmap still selected
    // into a DC cannot be deleted.
    if (oldTarget != nullptr && oldTarget != HGDI_ERROR) {
        SelectObject(target, oldTarget);
    }
    if (oldSource != nullptr && oldSource != HGDI_ERROR) {
        SelectObject(source, oldSource);
    }
    DeleteDC(target);
    DeleteDC(source);
    DeleteObject(loaded);
    if (!copied) {
        DeleteObject(fitted);
        return nullptr;
    }
    return fitted;
}

HBITMAP FitBitmapToScreen(Skin* skin, HBITMAP bitmap)
{
    if (bitmap == nullptr) {
        return nullptr;
    }
    BITMAP info;
    ZeroMemory(&info, sizeof info);
    if (skin == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) {
        DeleteObject(bitmap);
        return nullptr;
    }
    if (info.bmWidth == skin->screenWidth && info.bmHeight == skin->screenHeight) {
        skin->paintWidth = skin->screenWidth;
        skin->paintHeight = skin->screenHeight;
        return bitmap;
    }
    return StretchToScreen(skin, bitmap, info.bmWidth, info.bmHeight);
}
