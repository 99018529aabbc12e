#include "tests/bench/test_skin.h"

#include "tests/bench/bench.h"

#include <algorithm>
#include <vector>

namespace testskin {

namespace {

const char settingsKey[] = "Software\\Velnor\\Tilebox";

bool InsideEllipse(const RECT& r, int x, int y)
{
    double cx = (r.left + r.right) / 2.0;
    double cy = (r.top + r.bottom) / 2.0;
    double rx = (r.right - r.left) / 2.0;
    double ry = (r.bottom - r.top) / 2.0;
    double dx = (x - cx) / rx;
    double dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

int ButtonAt(int mode, int x, int y)
{
    for (int i = 0; i < 6; ++i) {
        if (InsideEllipse(ButtonRect(mode, i), x, y)) {
            return i;
        }
    }
    return -1;
}

COLORREF NormalColour(int mode, int x, int y)
{
    return ButtonAt(mode, x, y) >= 0 ? normalButton : normalBackground;
}

COLORREF SelectedColour(int mode, int x, int y)
{
    return ButtonAt(mode, x, y) >= 0 ? selectedButton : selectedBackground;
}

COLORREF TemplateColour(int mode, int x, int y)
{
    return ButtonAt(mode, x, y) >= 0 ? RGB(255, 255, 255) : RGB(0, 0, 0);
}

// Files of the classic modes are named by the mode's digit, the others by their size.
std::string ModeDigit(int mode)
{
    return mode < 3 ? std::to_string(mode + 1)
                    : std::to_string(ModeWidth(mode)) + "x" + std::to_string(ModeHeight(mode));
}

}  // namespace

int ModeWidth(int mode)
{
    static const int widths[modeCount] = {640, 800, 1024, 1280, 1920};
    return widths[mode];
}

int ModeHeight(int mode)
{
    static const int heights[modeCount] = {480, 600, 768, 720, 1080};
    return heights[mode];
}

std::string SizeName(int mode)
{
    if (mode < 3) {
        return "Mode " + ModeDigit(mode);
    }
    return std::to_string(ModeWidth(mode)) + "x" + std::to_string(ModeHeight(mode));
}

RECT ButtonRect(int mode, int index)
{
    int w = ModeWidth(mode);
    int h = ModeHeight(mode);
    int column = index % 3;
    int row = index / 3;
    RECT r;
    r.left = column * w / 3 + w / 24;
    r.top = row * h / 2 + h / 8;
    r.right = r.left + w / 4 - 1;
    r.bottom = r.top + h / 4 - 1;
    return r;
}

POINT ButtonCentre(int mode, int index)
{
    RECT r = ButtonRect(mode, index);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT ButtonCorner(int mode, int index)
{
    RECT r = ButtonRect(mode, index);
    return POINT{r.left + 2, r.top + 2};
}

RECT ButtonBounds(int mode, int index)
{
    const RECT r = ButtonRect(mode, index);
    RECT box = {r.right, r.bottom, r.left, r.top};
    for (int y = r.top; y <= r.bottom; ++y) {
        for (int x = r.left; x <= r.right; ++x) {
            if (InsideEllipse(r, x, y)) {
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                       std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
            }
        }
    }
    return box;
}

std::string RectangleText(int mode, int index)
{
    RECT r = ButtonRect(mode, index);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

std::string ButtonName(int index)
{
    return "Button " + std::to_string(index);
}

std::string NormalFile(int mode)
{
    return "testskin\\normal" + ModeDigit(mode) + ".bmp";
}

std::string SelectedFile(int mode)
{
    return "testskin\\selected" + ModeDigit(mode) + ".bmp";
}

std::string TemplateFile(int mode)
{
    return "testskin\\template" + ModeDigit(mode) + ".bmp";
}

// True when the file is there with the size a 24-bit bitmap of width x height has: the tests'
// pictures depend only on their size, so a whole one need not be drawn again.
bool IsWritten(const std::string& path, int width, int height)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    return data.nFileSizeHigh == 0 && data.nFileSizeLow == sizeof(BITMAPFILEHEADER) +
                                                            sizeof(BITMAPINFOHEADER) +
                                                            stride * static_cast<DWORD>(height);
}

bool WriteBitmap(const std::string& path, int mode, int width, int height, PixelColour colourAt)
{
    int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
        BYTE* row = &pixels[static_cast<size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            COLORREF c = colourAt(mode, x, y);
            row[x * 3 + 0] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
    }
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;

    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(handle, &file, sizeof file, &written, nullptr) &&
              WriteFile(handle, &info, sizeof info, &written, nullptr) &&
              WriteFile(handle, pixels.data(), static_cast<DWORD>(pixels.size()), &written,
                        nullptr);
    CloseHandle(handle);
    return ok;
}

bool WriteFiles(const std::string& directory)
{
    CreateDirectoryA((directory + "testskin").c_str(), nullptr);
    for (int mode = 0; mode < modeCount; ++mode) {
        int w = ModeWidth(mode);
        int h = ModeHeight(mode);
        const std::string files[3] = {NormalFile(mode), SelectedFile(mode), TemplateFile(mode)};
        const PixelColour colours[3] = {NormalColour, SelectedColour, TemplateColour};
        for (int i = 0; i < 3; ++i) {
            if (!IsWritten(directory + files[i], w, h) &&
                !WriteBitmap(directory + files[i], mode, w, h, colours[i])) {
                return false;
            }
        }
    }
    return true;
}

void WriteSettings(HKEY root, DWORD remoteCode)
{
    std::string panel = std::string(settingsKey) + "\\Panel";
    for (int mode = 0; mode < modeCount; ++mode) {
        const std::string size = SizeName(mode);
        bench::WriteString(root, panel, "Normal Bitmap " + size, NormalFile(mode));
        bench::WriteString(root, panel, "Selected Bitmap " + size, SelectedFile(mode));
        bench::WriteString(root, panel, "Region Template " + size, TemplateFile(mode));
    }
    for (int index = 0; index < 6; ++index) {
        std::string key = std::string(settingsKey) + "\\Buttons\\" + ButtonName(index);
        for (int mode = 0; mode < modeCount; ++mode) {
            bench::WriteString(root, key, "Rectangle " + SizeName(mode),
                               RectangleText(mode, index));
        }
        bench::WriteDWord(root, key, "Remote Code", remoteCode);
    }
}

void DeleteSettings(HKEY root)
{
    bench::DeleteTree(root, settingsKey);
}

}  // namespace testskin
