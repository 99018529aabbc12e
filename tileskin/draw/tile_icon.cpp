// Icons from files: pictures (.ico, .png, .bmp) and the icons inside programs and libraries, all
// decoded by the system's imaging component. It ships with Windows and with Wine, decodes every
// kind of icon a person has (icons whose images are PNG included) and is loaded by COM from the
// system folder, never from beside the program. Each file is checked for its kind's outline
// before the decoder sees it, so a damaged file gets a message that says what is wrong.
#include "tileskin/draw/tile_draw.h"
#include "tileskin/draw/tile_picture.h"

#include <wincodec.h>

#include <cstring>
#include <vector>

namespace {

// Larger than any icon or picture a tile needs; bounds what a file can make this program read
// and allocate.
const DWORD maxIconFileBytes = 32u * 1024 * 1024;
const UINT maxIconSide = 2048;

const CLSID wicFactoryClass = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
// Straight (not premultiplied) blue, green, red, alpha: a TileIcon's pixels as they lie in memory.
const GUID straightBgra = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};

template <class T> void Release(T*& object)
{
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

enum PictureKind { NotAPicture, IcoFile, PngFile, BmpFile };

PictureKind KindByEnding(const char* path)
{
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr || std::strpbrk(dot, "\\/") != nullptr) {
        return NotAPicture;
    }
    if (lstrcmpiA(dot, ".ico") == 0) {
        return IcoFile;
    }
    if (lstrcmpiA(dot, ".png") == 0) {
        return PngFile;
    }
    return lstrcmpiA(dot, ".bmp") == 0 ? BmpFile : NotAPicture;
}

// Says why a file cannot be opened in the words a person acts on: it is not there, or it is
// there and cannot be read.
bool CheckReadable(const char* path, char* error, int errorSize)
{
    WCHAR wide[widePathCapacity];
    const DWORD attributes =
        WidePath(path, wide) ? GetFileAttributesW(wide) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
            code == ERROR_INVALID_NAME || code == ERROR_BAD_NETPATH) {
            SetError(error, errorSize, "icon %s: the file is missing", path);
        } else {
            SetError(error, errorSize, "icon %s: the file cannot be read (system error %lu)", path,
                     code);
        }
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        SetError(error, errorSize, "icon %s: this is a folder, not a file", path);
        return false;
    }
    return true;
}

bool ReadWholeFile(const char* path, std::vector<BYTE>* bytes, char* error, int errorSize)
{
    WCHAR wide[widePathCapacity];
    HANDLE file = WidePath(path, wide) ? CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                       : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        SetError(error, errorSize, "icon %s: the file cannot be read (system error %lu)", path,
                 GetLastError());
        return false;
    }
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && (size.QuadPart == 0 || size.QuadPart > maxIconFileBytes)) {
        CloseHandle(file);
        SetError(error, errorSize, "icon %s: the file is damaged (%s)", path,
                 size.QuadPart == 0 ? "it is empty" : "it is far too large for an icon");
        return false;
    }
    DWORD read = 0;
    if (ok) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        ok = ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
             read == bytes->size();
    }
    const DWORD code = GetLastError();
    CloseHandle(file);
    if (!ok) {
        SetError(error, errorSize, "icon %s: the file cannot be read (system error %lu)", path,
                 code);
    }
    return ok;
}

DWORD ReadWord(const BYTE* at)
{
    return static_cast<DWORD>(at[0] | at[1] << 8);
}

DWORD ReadLong(const BYTE* at)
{
    return ReadWord(at) | ReadWord(at + 2) << 16;
}

// The outline each kind must have: its signature, and for an icon file a directory whose
// images all lie inside the file. Returns the reason when it has not, or null.
const char* OutlineFault(PictureKind kind, const std::vector<BYTE>& bytes)
{
    const size_t size = bytes.size();
    const BYTE* data = bytes.data();
    if (kind == PngFile) {
        static const BYTE signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        return size < 8 + 25 || std::memcmp(data, signature, 8) != 0 ? "not a PNG picture"
                                                                     : nullptr;
    }
    if (kind == BmpFile) {
        return size < 14 + 12 || data[0] != 'B' || data[1] != 'M' ? "not a bitmap picture"
                                                                  : nullptr;
    }
    if (size < 6 || ReadWord(data) != 0 || ReadWord(data + 2) != 1 || ReadWord(data + 4) == 0) {
        return "not an icon file";
    }
    const DWORD count = ReadWord(data + 4);
    if (6 + 16ull * count > size) {
        return "its list of images is cut short";
    }
    for (DWORD i = 0; i < count; ++i) {
        const BYTE* entry = data + 6 + 16 * i;
        const unsigned long long bytesInRes = ReadLong(entry + 8);
        const unsigned long long offset = ReadLong(entry + 12);
        if (bytesInRes < 40 || offset < 6 + 16ull * count || offset + bytesInRes > size) {
            return "an image lies outside the file";
        }
    }
    return nullptr;
}

// Decodes a picture held in memory into straight 32-bit pixels; for an icon, its largest image.
bool DecodePicture(const std::vector<BYTE>& bytes, TileIcon* icon, const char** fault)
{
    *fault = "the system cannot decode it";
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    UINT frames = 0, width = 0, height = 0, best = 0;
    unsigned long long bestArea = 0;
    bool ok = SUCCEEDED(CoCreateInstance(wicFactoryClass, nullptr, CLSCTX_INPROC_SERVER,
                                         __uuidof(IWICImagingFactory),
                                         reinterpret_cast<void**>(&factory)));
    if (!ok) {
        *fault = "the system's imaging component is not available";
    }
    ok = ok && SUCCEEDED(factory->CreateStream(&stream)) &&
         SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                                static_cast<DWORD>(bytes.size()))) &&
         SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand,
                                                    &decoder)) &&
         SUCCEEDED(decoder->GetFrameCount(&frames)) && frames > 0;
    for (UINT i = 0; ok && i < frames && i < 256; ++i) {
        IWICBitmapFrameDecode* candidate = nullptr;
        if (SUCCEEDED(decoder->GetFrame(i, &candidate)) &&
            SUCCEEDED(candidate->GetSize(&width, &height)) &&
            static_cast<unsigned long long>(width) * height > bestArea) {
            bestArea = static_cast<unsigned long long>(width) * height;
            best = i;
        }
        Release(candidate);
    }
    ok = ok && bestArea != 0 && SUCCEEDED(decoder->GetFrame(best, &frame)) &&
         SUCCEEDED(frame->GetSize(&width, &height));
    if (ok && (width > maxIconSide || height > maxIconSide)) {
        *fault = "the picture is larger than 2048 pixels a side";
        ok = false;
    }
    ok = ok && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
         SUCCEEDED(converter->Initialize(frame, straightBgra, WICBitmapDitherTypeNone, nullptr, 0.0,
                                         WICBitmapPaletteTypeCustom));
    DWORD* pixels = nullptr;
    if (ok) {
        const size_t count = static_cast<size_t>(width) * height;
        pixels = static_cast<DWORD*>(HeapAlloc(GetProcessHeap(), 0, count * sizeof(DWORD)));
        ok = pixels != nullptr && SUCCEEDED(converter->CopyPixels(
                                      nullptr, width * 4, static_cast<UINT>(count * sizeof(DWORD)),
                                      reinterpret_cast<BYTE*>(pixels)));
    }
    Release(converter);
    Release(frame);
    Release(decoder);
    Release(stream);
    Release(factory);
    if (SUCCEEDED(initialised)) {
        CoUninitialize();
    }
    if (!ok) {
        if (pixels != nullptr) {
            HeapFree(GetProcessHeap(), 0, pixels);
        }
        return false;
    }
    icon->width = static_cast<int>(width);
    icon->height = static_cast<int>(height);
    icon->pixels = pixels;
    return true;
}

// An icon group of a program as an icon file in memory: the group's directory holds resource
// numbers where a file holds offsets, so the images are laid out after a directory of offsets.
const char* IconFileOfGroup(HMODULE module, LPCSTR group, std::vector<BYTE>* file)
{
    HRSRC found = FindResourceA(module, group, reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const BYTE* data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    if (data == nullptr || size < 6 || ReadWord(data) != 0 || ReadWord(data + 2) != 1 ||
        ReadWord(data + 4) == 0 || 6 + 14ull * ReadWord(data + 4) > size) {
        return "its icon list is damaged";
    }
    const DWORD count = ReadWord(data + 4);
    file->assign(6 + 16 * count, 0);
    std::memcpy(file->data(), data, 6);
    for (DWORD i = 0; i < count; ++i) {
        const BYTE* entry = data + 6 + 14 * i;
        const WORD id = static_cast<WORD>(ReadWord(entry + 12));
        HRSRC image =
            FindResourceA(module, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_ICON));
        HGLOBAL imageLoaded = image != nullptr ? LoadResource(module, image) : nullptr;
        const BYTE* bytes =
            imageLoaded != nullptr ? static_cast<const BYTE*>(LockResource(imageLoaded)) : nullptr;
        const DWORD imageSize = image != nullptr ? SizeofResource(module, image) : 0;
        if (bytes == nullptr || imageSize < 40 || file->size() + imageSize > maxIconFileBytes) {
            return "an image of its icon is missing or damaged";
        }
        BYTE* out = file->data() + 6 + 16 * i;
        std::memcpy(out, entry, 8); // width, height, colours, reserved, planes, bit count
        const DWORD offset = static_cast<DWORD>(file->size());
        for (int k = 0; k < 4; ++k) {
            out[8 + k] = static_cast<BYTE>(imageSize >> (8 * k));
            out[12 + k] = static_cast<BYTE>(offset >> (8 * k));
        }
        file->insert(file->end(), bytes, bytes + imageSize);
    }
    return nullptr;
}

struct GroupSearch {
    int wanted;
    int seen;
    char name[32]; // "#123" or a name of at most 31 characters
};

BOOL CALLBACK CountGroups(HMODULE, LPCSTR, LPSTR name, LONG_PTR data)
{
    GroupSearch* search = reinterpret_cast<GroupSearch*>(data);
    if (search->seen++ != search->wanted) {
        return TRUE;
    }
    if (IS_INTRESOURCE(name)) {
        wsprintfA(search->name, "#%u", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
    } else {
        lstrcpynA(search->name, name, sizeof search->name);
    }
    return FALSE;
}

bool LoadModuleIcon(const char* path, int index, TileIcon* icon, char* error, int errorSize)
{
    // As data only: nothing of the program runs, and a program of another architecture loads.
    WCHAR wide[widePathCapacity];
    HMODULE module = WidePath(path, wide)
                         ? LoadLibraryExW(wide, nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)
                         : nullptr;
    if (module == nullptr) {
        SetError(error, errorSize,
                 "icon %s: the file is damaged or is no program or library "
                 "(system error %lu)",
                 path, GetLastError());
        return false;
    }
    GroupSearch search = {index, 0, ""};
    LPCSTR group = nullptr;
    if (index >= 0) {
        EnumResourceNamesA(module, reinterpret_cast<LPCSTR>(RT_GROUP_ICON), CountGroups,
                           reinterpret_cast<LONG_PTR>(&search));
        group = search.name[0] != '\0' ? search.name : nullptr;
    } else if (index >= -65535) {
        // A negative index names the icon by its resource number, as shortcuts do.
        group = MAKEINTRESOURCEA(-index);
    }
    std::vector<BYTE> file;
    const char* fault = nullptr;
    if (group == nullptr ||
        FindResourceA(module, group, reinterpret_cast<LPCSTR>(RT_GROUP_ICON)) == nullptr) {
        SetError(error, errorSize, "icon %s: it has no icon at index %d", path, index);
        FreeLibrary(module);
        return false;
    }
    fault = IconFileOfGroup(module, group, &file);
    FreeLibrary(module);
    if (fault == nullptr && DecodePicture(file, icon, &fault)) {
        return true;
    }
    SetError(error, errorSize, "icon %s: the file is damaged (%s)", path, fault);
    return false;
}

} // namespace

int LoadTileIconFile(const char* path, int index, TileIcon* icon, char* error, int errorSize)
{
    if (icon == nullptr) {
        SetError(error, errorSize, "no icon to load into");
        return 0;
    }
    icon->width = icon->height = 0;
    icon->pixels = nullptr;
    if (path == nullptr || path[0] == '\0') {
        SetError(error, errorSize, "icon: no file named");
        return 0;
    }
    if (!CheckReadable(path, error, errorSize)) {
        return 0;
    }
    const PictureKind kind = KindByEnding(path);
    if (kind == NotAPicture) {
        return LoadModuleIcon(path, index, icon, error, errorSize) ? 1 : 0;
    }
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(path, &bytes, error, errorSize)) {
        return 0;
    }
    const char* fault = OutlineFault(kind, bytes);
    if (fault == nullptr && DecodePicture(bytes, icon, &fault)) {
        return 1;
    }
    SetError(error, errorSize, "icon %s: the file is damaged (%s)", path, fault);
    return 0;
}

// The shell hands its images premultiplied, ready for AlphaBlend; a TileIcon holds straight alpha,
// so the colours are divided back. A bitmap whose alpha is zero throughout was drawn without
// alpha (an older program's icon), and is opaque, not invisible.
static void StraightenAlpha(DWORD* pixels, size_t count)
{
    bool anyAlpha = false;
    for (size_t i = 0; i < count && !anyAlpha; ++i) {
        anyAlpha = (pixels[i] >> 24) != 0;
    }
    for (size_t i = 0; i < count; ++i) {
        const DWORD alpha = pixels[i] >> 24;
        if (!anyAlpha) {
            pixels[i] |= 0xFF000000u;
            continue;
        }
        if (alpha == 0 || alpha == 255) {
            continue;
        }
        DWORD straight = alpha << 24;
        for (int k = 0; k < 3; ++k) {
            const DWORD c = (pixels[i] >> (8 * k) & 0xFF) * 255 + alpha / 2;
            straight |= (c / alpha > 255 ? 255 : c / alpha) << (8 * k);
        }
        pixels[i] = straight;
    }
}

int TileIconOfBitmap(HBITMAP bitmap, TileIcon* icon)
{
    if (icon == nullptr) {
        return 0;
    }
    icon->width = icon->height = 0;
    icon->pixels = nullptr;
    BITMAP shape = {};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof shape, &shape) != sizeof shape ||
        shape.bmBitsPixel != 32 || shape.bmWidth <= 0 || shape.bmHeight <= 0 ||
        shape.bmWidth > static_cast<LONG>(maxIconSide) ||
        shape.bmHeight > static_cast<LONG>(maxIconSide)) {
        return 0;
    }
    const size_t count = static_cast<size_t>(shape.bmWidth) * shape.bmHeight;
    DWORD* pixels = static_cast<DWORD*>(HeapAlloc(GetProcessHeap(), 0, count * sizeof(DWORD)));
    // Asked for top-down whichever way the bitmap lies, as a TileIcon's rows run.
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, shape.bmWidth, -shape.bmHeight, 1, 32, BI_RGB, 0, 0,
                      0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    const bool read = pixels != nullptr && dc != nullptr &&
                      GetDIBits(dc, bitmap, 0, static_cast<UINT>(shape.bmHeight), pixels, &info,
                                DIB_RGB_COLORS) == shape.bmHeight;
    if (dc != nullptr) {
        DeleteDC(dc);
    }
    if (!read) {
        if (pixels != nullptr) {
            HeapFree(GetProcessHeap(), 0, pixels);
        }
        return 0;
    }
    StraightenAlpha(pixels, count);
    icon->width = shape.bmWidth;
    icon->height = shape.bmHeight;
    icon->pixels = pixels;
    return 1;
}

int LoadProgramIcon(const char* programPath, TileIcon* icon)
{
    char ignored[8];
    return LoadTileIconFile(programPath, 0, icon, ignored, sizeof ignored);
}

void FreeTileIcon(TileIcon* icon)
{
    if (icon != nullptr && icon->pixels != nullptr) {
        HeapFree(GetProcessHeap(), 0, icon->pixels);
    }
    if (icon != nullptr) {
        icon->width = icon->height = 0;
        icon->pixels = nullptr;
    }
}
