// The check a panel bitmap file passes before the system's loader sees it. The loader is lenient
// in ways that would turn a damaged or hostile file into a garbage picture or a huge allocation,
// so everything it would trust is checked here first, within the limits of skin/skin_limits.h.
#include "skin/bitmap_file.h"

#include "skin/skin_limits.h"

// What the info header of a bitmap file declares, whichever of its versions the file uses.
struct BitmapLayout {
    LONG width;
    LONG height;
    WORD bitCount;
    DWORD compression;
    DWORD sizeImage;
    DWORD colorsUsed;
    bool coreHeader;
};

// The pairs of depth and compression that bitmap files are defined for. The loader of some
// platforms makes a picture of garbage out of any other pair instead of failing.
static bool IsKnownFormat(const BitmapLayout& layout)
{
    const WORD bits = layout.bitCount;
    switch (layout.compression) {
    case BI_RGB:
        return bits == 1 || bits == 4 || bits == 8 || bits == 24 ||
               (!layout.coreHeader && (bits == 16 || bits == 32));
    case BI_BITFIELDS:
        return bits == 16 || bits == 32;
    case BI_RLE8:
        return bits == 8 && layout.height > 0;
    case BI_RLE4:
        return bits == 4 && layout.height > 0;
    default:
        return false;
    }
}

// Bytes between the info header and the pixel data: the colour table, and the three masks that
// follow a plain info header with bit fields. False when the declared colour count cannot be.
static bool ColourTableBytes(const BitmapLayout& layout, DWORD infoSize, DWORD* bytes)
{
    DWORD entries = 0;
    if (layout.bitCount <= 8) {
        const DWORD most = 1u << layout.bitCount;
        if (layout.colorsUsed > most) {
            return false;
        }
        entries = layout.colorsUsed != 0 ? layout.colorsUsed : most;
    }
    *bytes = entries * (layout.coreHeader ? 3 : 4);
    if (layout.compression == BI_BITFIELDS && infoSize == sizeof(BITMAPINFOHEADER)) {
        *bytes += 3 * sizeof(DWORD);
    }
    return true;
}

// Bytes of pixel data that the headers promise, or 0 when they make no sense or declare more than
// MaxBitmapPixels pixels, which for run-length data is its decoded size. Rows of packed formats
// are padded to 32 bits; compressed data states its own size.
static DWORD PromisedPixelBytes(const BitmapLayout& layout)
{
    if (layout.width <= 0 || layout.height == 0 || !IsKnownFormat(layout)) {
        return 0;
    }
    const long long signedRows = layout.height;
    const long long rows = signedRows < 0 ? -signedRows : signedRows;
    if (rows > MaxBitmapPixels / layout.width) {
        return 0;
    }
    if (layout.compression == BI_RLE8 || layout.compression == BI_RLE4) {
        return layout.sizeImage;
    }
    const unsigned long long stride =
        (static_cast<unsigned long long>(layout.width) * layout.bitCount + 31) / 32 * 4;
    const unsigned long long bytes = stride * static_cast<unsigned long long>(rows);
    return bytes > 0xFFFFFFFFull ? 0 : static_cast<DWORD>(bytes);
}

// True when run-length data stays inside the picture and ends with its end-of-picture mark. The
// system's decoder quietly clips runs that overshoot a row or the picture and accepts data that
// just stops, so a damaged panel would load as a damaged picture instead of failing.
static bool IsSoundRunLength(const BYTE* data, DWORD size, const BitmapLayout& layout)
{
    long long x = 0;
    long long y = 0;
    DWORD i = 0;
    while (size - i >= 2) {
        const BYTE count = data[i];
        const BYTE code = data[i + 1];
        i += 2;
        if (count != 0) { // a run of one value
            x += count;
        } else if (code == 0) { // end of row
            x = 0;
            ++y;
        } else if (code == 1) { // end of picture
            return y <= layout.height;
        } else if (code == 2) { // move right and up
            if (size - i < 2) {
                return false;
            }
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else { // literal pixels, padded to a 16-bit boundary
            const DWORD bytes = layout.bitCount == 8 ? code : (code + 1u) / 2;
            const DWORD padded = (bytes + 1) & ~1u;
            if (size - i < padded) {
                return false;
            }
            i += padded;
            x += code;
        }
        if (x > layout.width || y > layout.height || (y == layout.height && x > 0)) {
            return false;
        }
    }
    return false;
}

static bool ReadRunLengthData(HANDLE file, DWORD dataStart, const BitmapLayout& layout)
{
    BYTE* data = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, layout.sizeImage));
    if (data == nullptr) {
        return false;
    }
    DWORD read = 0;
    const bool ok =
        SetFilePointer(file, static_cast<LONG>(dataStart), nullptr, FILE_BEGIN) == dataStart &&
        ReadFile(file, data, layout.sizeImage, &read, nullptr) && read == layout.sizeImage &&
        IsSoundRunLength(data, read, layout);
    HeapFree(GetProcessHeap(), 0, data);
    return ok;
}

static bool ReadLayout(const BYTE* info, DWORD infoSize, DWORD available, BitmapLayout* layout)
{
    ZeroMemory(layout, sizeof *layout);
    if (infoSize == sizeof(BITMAPCOREHEADER) && available >= infoSize) {
        BITMAPCOREHEADER core;
        CopyMemory(&core, info, sizeof core);
        layout->width = core.bcWidth;
        layout->height = core.bcHeight;
        layout->bitCount = core.bcBitCount;
        layout->compression = BI_RGB;
        layout->coreHeader = true;
        return true;
    }
    if (infoSize >= sizeof(BITMAPINFOHEADER) && available >= sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER header;
        CopyMemory(&header, info, sizeof header);
        layout->width = header.biWidth;
        layout->height = header.biHeight;
        layout->bitCount = header.biBitCount;
        layout->compression = header.biCompression;
        layout->sizeImage = header.biSizeImage;
        layout->colorsUsed = header.biClrUsed;
        return true;
    }
    return false;
}

// Where a checked file's parts lie and how large they are.
struct CheckedFile {
    BitmapLayout layout;
    DWORD infoSize;
    DWORD tableBytes;
    DWORD dataStart;
    DWORD pixelBytes;
};

// Reads the headers from the start of the file and checks everything but run-length data: a
// defined format and depth, a colour table that can be, and all the pixel data the headers promise
// lying inside the file.
static bool CheckHeaders(HANDLE file, CheckedFile* checked)
{
    BYTE headers[sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)];
    ZeroMemory(headers, sizeof headers);
    DWORD read = 0;
    const DWORD fileSize = GetFileSize(file, nullptr);
    const BOOL ok = ReadFile(file, headers, sizeof headers, &read, nullptr);
    const DWORD fileHeaderSize = sizeof(BITMAPFILEHEADER);
    BITMAPFILEHEADER fileHeader;
    CopyMemory(&fileHeader, headers, sizeof fileHeader);
    DWORD infoSize = 0;
    CopyMemory(&infoSize, headers + fileHeaderSize, sizeof infoSize);
    BitmapLayout layout;
    DWORD tableBytes = 0;
    bool complete =
        ok && fileSize != INVALID_FILE_SIZE && read >= fileHeaderSize + sizeof(DWORD) &&
        fileHeader.bfType == 0x4D42 && // "BM"
        ReadLayout(headers + fileHeaderSize, infoSize, read - fileHeaderSize, &layout) &&
        ColourTableBytes(layout, infoSize, &tableBytes);
    const DWORD pixelBytes = complete ? PromisedPixelBytes(layout) : 0;
    const unsigned long long dataStart = fileHeader.bfOffBits;
    complete =
        pixelBytes != 0 &&
        dataStart >= static_cast<unsigned long long>(fileHeaderSize) + infoSize + tableBytes &&
        dataStart + pixelBytes <= fileSize;
    if (complete) {
        checked->layout = layout;
        checked->infoSize = infoSize;
        checked->tableBytes = tableBytes;
        checked->dataStart = static_cast<DWORD>(dataStart);
        checked->pixelBytes = pixelBytes;
    }
    return complete;
}

static bool IsRunLength(const BitmapLayout& layout)
{
    return layout.compression == BI_RLE8 || layout.compression == BI_RLE4;
}

static HANDLE OpenForReading(const char* path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// True when the file holds a whole bitmap of a known format: its headers, its colour table and
// all the pixel data they promise. The system's loader accepts a file cut short and reads past
// its end, so a truncated panel would load as garbage instead of failing.
bool IsCompleteBitmapFile(const char* path)
{
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CheckedFile checked;
    bool complete = CheckHeaders(file, &checked);
    if (complete && IsRunLength(checked.layout)) {
        complete = ReadRunLengthData(file, checked.dataStart, checked.layout);
    }
    CloseHandle(file);
    return complete;
}

static bool ReadAt(HANDLE file, DWORD offset, BYTE* into, DWORD bytes)
{
    DWORD read = 0;
    return SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == offset &&
           ReadFile(file, into, bytes, &read, nullptr) && read == bytes;
}

// The info header and colour table go first in one block, the pixel data after them, so that the
// block is a packed picture as the system's drawing calls take it. Run-length data is checked in
// memory, the very bytes that will be drawn.
bool ReadCompleteBitmapFile(const char* path, BitmapFileBits* bits)
{
    ZeroMemory(bits, sizeof *bits);
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CheckedFile checked;
    bool complete = CheckHeaders(file, &checked);
    const unsigned long long headBytes =
        complete ? static_cast<unsigned long long>(checked.infoSize) + checked.tableBytes : 0;
    BYTE* data = complete && headBytes + checked.pixelBytes <= 0xFFFFFFFFull
                     ? static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0,
                                                    static_cast<SIZE_T>(headBytes) +
                                                        checked.pixelBytes))
                     : nullptr;
    const DWORD head = static_cast<DWORD>(headBytes);
    complete = data != nullptr && ReadAt(file, sizeof(BITMAPFILEHEADER), data, head) &&
               ReadAt(file, checked.dataStart, data + head, checked.pixelBytes) &&
               (!IsRunLength(checked.layout) ||
                IsSoundRunLength(data + head, checked.pixelBytes, checked.layout));
    CloseHandle(file);
    if (!complete) {
        if (data != nullptr) {
            HeapFree(GetProcessHeap(), 0, data);
        }
        return false;
    }
    bits->data = data;
    bits->info = reinterpret_cast<const BITMAPINFO*>(data);
    bits->pixels = data + head;
    bits->width = checked.layout.width;
    bits->height = checked.layout.height < 0 ? -checked.layout.height : checked.layout.height;
    return true;
}

void FreeBitmapFileBits(BitmapFileBits* bits)
{
    if (bits->data != nullptr) {
        HeapFree(GetProcessHeap(), 0, bits->data);
    }
    ZeroMemory(bits, sizeof *bits);
}
