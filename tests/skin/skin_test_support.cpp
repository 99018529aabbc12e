#include "tests/skin/skin_test_support.h"

#include "skin/skin.h"
#include "tests/bench/bench.h"
#include "tests/fakes/fake_outside.h"

#include <cstring>
#include <sstream>

bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != 0;
}

void PrintTo(const RECT& rect, std::ostream* os)
{
    *os << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
        << ")";
}

namespace skintest {

Canvas::Canvas(int width, int height) : width(width), height(height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    if (bitmap != nullptr && dc != nullptr) {
        std::memset(bits, 0, static_cast<size_t>(width) * height * 4);
        previous = SelectObject(dc, bitmap);
        pixels = static_cast<const DWORD*>(bits);
    }
}

Canvas::~Canvas()
{
    if (previous != nullptr) {
        SelectObject(dc, previous);
    }
    if (dc != nullptr) {
        DeleteDC(dc);
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
}

long long Canvas::FirstDifference(const Canvas& other) const
{
    GdiFlush();
    const long long count = static_cast<long long>(width) * height;
    for (long long i = 0; pixels != nullptr && other.pixels != nullptr && i < count; ++i) {
        if (pixels[i] != other.pixels[i]) {
            return i;
        }
    }
    return pixels != nullptr && other.pixels != nullptr ? -1 : 0;
}

void Canvas::Set(int x, int y, COLORREF colour)
{
    SetPixel(dc, x, y, colour);
}

void Canvas::Paint(const std::vector<std::string>& rows)
{
    for (size_t y = 0; y < rows.size(); ++y) {
        for (size_t x = 0; x < rows[y].size(); ++x) {
            char c = rows[y][x];
            COLORREF colour = c == 'W' ? RGB(255, 255, 255) : c == 'R' ? RGB(255, 0, 0) : 0;
            Set(static_cast<int>(x), static_cast<int>(y), colour);
        }
    }
}

HRGN RegionOf(const std::vector<RECT>& rects)
{
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rects) {
        HRGN part = CreateRectRgnIndirect(&r);
        CombineRgn(result, result, part, RGN_OR);
        DeleteObject(part);
    }
    return result;
}

static std::vector<RECT> RectsOf(HRGN region)
{
    std::vector<RECT> rects;
    DWORD size = GetRegionData(region, 0, nullptr);
    if (size == 0) {
        return rects;
    }
    std::vector<char> buffer(size);
    RGNDATA* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (GetRegionData(region, size, data) == 0) {
        return rects;
    }
    const RECT* r = reinterpret_cast<const RECT*>(data->Buffer);
    rects.assign(r, r + data->rdh.nCount);
    return rects;
}

std::string Describe(HRGN region)
{
    if (region == nullptr) {
        return "(no region)";
    }
    std::ostringstream os;
    for (const RECT& r : RectsOf(region)) {
        PrintTo(r, &os);
        os << " ";
    }
    return os.str();
}

RECT Box(HRGN region)
{
    RECT box = {-1, -1, -1, -1};
    GetRgnBox(region, &box);
    return box;
}

int RectangleCount(HRGN region)
{
    return static_cast<int>(RectsOf(region).size());
}

static void** FindImportSlot(void* target)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) {
        return nullptr;
    }
    auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    for (; desc->Name != 0; ++desc) {
        auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; thunk->u1.Function != 0; ++thunk) {
            if (reinterpret_cast<void*>(thunk->u1.Function) == target) {
                return reinterpret_cast<void**>(&thunk->u1.Function);
            }
        }
    }
    return nullptr;
}

static void WriteSlot(void** slot, void* value)
{
    DWORD oldProtect = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtect);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, oldProtect, &oldProtect);
}

ImportHook::ImportHook(const char* dll, const char* function, void* replacement)
{
    original = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(dll), function));
    slot = original != nullptr ? FindImportSlot(original) : nullptr;
    if (slot != nullptr) {
        WriteSlot(slot, replacement);
    }
}

ImportHook::~ImportHook()
{
    if (slot != nullptr) {
        WriteSlot(slot, original);
    }
}

// The recorder patches the import slot of GetPixel in the test program, which is where the
// statically linked skin code calls it through.
static std::vector<POINT> recordedReads;
static void* realGetPixel = nullptr;

static COLORREF WINAPI RecordingGetPixel(HDC dc, int x, int y)
{
    recordedReads.push_back(POINT{x, y});
    return reinterpret_cast<COLORREF(WINAPI*)(HDC, int, int)>(realGetPixel)(dc, x, y);
}

PixelReadRecorder::PixelReadRecorder()
    : hook("gdi32.dll", "GetPixel", reinterpret_cast<void*>(&RecordingGetPixel))
{
    realGetPixel = hook.Original();
    recordedReads.clear();
}

PixelReadRecorder::~PixelReadRecorder() = default;

const std::vector<POINT>& PixelReadRecorder::Reads() const
{
    return recordedReads;
}

void PixelReadRecorder::Clear()
{
    recordedReads.clear();
}

bool WriteRawFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                         &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadRawFile(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    DWORD size = GetFileSize(file, nullptr);
    bytes.resize(size);
    DWORD read = 0;
    if (size > 0) {
        ReadFile(file, &bytes[0], size, &read, nullptr);
    }
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

bool WriteBitmapFile(const std::string& path, int width, int height,
                     const std::function<COLORREF(int, int)>& colourAt)
{
    const int stride = (width * 3 + 3) & ~3;
    const DWORD pixelBytes = static_cast<DWORD>(stride) * height;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + pixelBytes;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = pixelBytes;
    std::string bytes(file.bfSize, '\0');
    std::memcpy(&bytes[0], &file, sizeof file);
    std::memcpy(&bytes[sizeof file], &info, sizeof info);
    for (int y = 0; y < height; ++y) {
        char* row = &bytes[file.bfOffBits + static_cast<size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            COLORREF c = colourAt(x, y);
            row[x * 3 + 0] = static_cast<char>(GetBValue(c));
            row[x * 3 + 1] = static_cast<char>(GetGValue(c));
            row[x * 3 + 2] = static_cast<char>(GetRValue(c));
        }
    }
    return WriteRawFile(path, bytes);
}

RECT ButtonRect(int width, int height, int index)
{
    const int left = 40 + (index % 3) * (width / 3);
    const int top = 40 + (index / 3) * (height / 2);
    return RECT{left, top, left + 99, top + 59};
}

std::string RectangleText(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

COLORREF TemplateColour(int width, int height, int x, int y)
{
    for (int i = 0; i < 6; ++i) {
        RECT r = ButtonRect(width, height, i);
        const int left = r.left + 10, top = r.top + 10, right = r.right - 10,
                  bottom = r.bottom - 10;
        if (x < left || x > right || y < top || y > bottom) {
            continue;
        }
        const bool corner = (x == left || x == right) && (y == top || y == bottom);
        return corner ? 0 : RGB(255, 255, 255);
    }
    return 0;
}

std::string ValueName(int width, int height, int group)
{
    char name[SkinValueNameCapacity];
    FormatSkinValueName(width, height, group, name);
    return name;
}

void SkinTest::SetUp()
{
    fake::Reset();
    FreeSkin();
    directory = bench::MakeTempDir("skin");
    savedAppState = appState;
    state.instance = GetModuleHandleA(nullptr);
    lstrcpynA(state.moduleDirectory, directory.c_str(), sizeof state.moduleDirectory);
    appState = &state;
}

void SkinTest::TearDown()
{
    FreeSkin();
    appState = savedAppState;
    HDC screen = GetDC(nullptr);
    const bool atDefault = GetDeviceCaps(screen, HORZRES) == 1024 &&
                           GetDeviceCaps(screen, VERTRES) == 768;
    ReleaseDC(nullptr, screen);
    if (!atDefault) {
        EXPECT_TRUE(bench::SetDisplayMode(1024, 768));
    }
}

void SkinTest::SwitchDisplay(int width, int height)
{
    ASSERT_TRUE(bench::SetDisplayMode(width, height)) << width << "x" << height;
    HDC screen = GetDC(nullptr);
    const int w = GetDeviceCaps(screen, HORZRES);
    const int h = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(width, w);
    ASSERT_EQ(height, h);
}

void SkinTest::WritePanel(int width, int height, int fileWidth, int fileHeight)
{
    if (fileWidth == 0) {
        fileWidth = width;
        fileHeight = height;
    }
    // Files of the classic sizes keep their mode's digit ("normal3.bmp"), others their size.
    int group = 0, w = 0, h = 0;
    const bool classic = ParseSkinValueName(ValueName(width, height, RectangleGroup).c_str(),
                                            &group, &w, &h) == ClassicSizeName;
    const std::string size =
        classic ? ModeDigit(width) : std::to_string(width) + "x" + std::to_string(height);
    const std::string normal = "normal" + size + ".bmp";
    const std::string selected = "selected" + size + ".bmp";
    const std::string templ = "template" + size + ".bmp";
    ASSERT_TRUE(WriteBitmapFile(directory + normal, fileWidth, fileHeight,
                                [](int, int) { return RGB(20, 30, 60); }));
    ASSERT_TRUE(WriteBitmapFile(directory + selected, fileWidth, fileHeight,
                                [](int, int) { return RGB(250, 200, 0); }));
    ASSERT_TRUE(WriteBitmapFile(directory + templ, fileWidth, fileHeight, [=](int x, int y) {
        return TemplateColour(width, height, x, y);
    }));
    fake::SetString("Panel", ValueName(width, height, NormalBitmapGroup), normal);
    fake::SetString("Panel", ValueName(width, height, SelectedBitmapGroup), selected);
    fake::SetString("Panel", ValueName(width, height, RegionTemplateGroup), templ);
}

void SkinTest::AddButtons(int width, int height, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::string name = "Button " + std::to_string(i);
        fake::AddSubKey("Buttons", name);
        fake::SetString("Buttons\\" + name, ValueName(width, height, RectangleGroup),
                        RectangleText(ButtonRect(width, height, i)));
    }
}

}  // namespace skintest
