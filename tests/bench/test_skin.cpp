#include "tests/bench/test_skin.h"

#include "tests/bench/bench.h"

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

std::string ModeDigit(int mode)
{
    return std::to_string(mode + 1);
}

}  // namespace

int ModeWidth(int mode)
{
    static const int widths[] = {640, 800, 1024};
    return widths[mode];
}

int ModeHeight(int mode)
{
    static const int heights[] = {480, 600, 768};
    return heights[mode];
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
    for (int mode = 0; mode < 3; ++mode) {
        int w = ModeWidth(mode);
        int h = ModeHeight(mode);
        if (!WriteBitmap(directory + NormalFile(mode), mode, w, h, NormalColour) ||
            !WriteBitmap(directory + SelectedFile(mode), mode, w, h, SelectedColour) ||
            !WriteBitmap(directory + TemplateFile(mode), mode, w, h, TemplateColour)) {
            return false;
        }
    }
    return true;
}

void WriteSettings(HKEY root, DWORD remoteCode)
{
    std::string panel = std::string(settingsKey) + "\\Panel";
    for (int mode = 0; mode < 3; ++mode) {
        std::string digit = ModeDigit(mode);
        bench::WriteString(root, panel, "Normal Bitmap Mode " + digit, NormalFile(mode));
        bench::WriteString(root, panel, "Selected Bitmap Mode " + digit, SelectedFile(mode));
        bench::WriteString(root, panel, "Region Template Mode " + digit, TemplateFile(mode));
    }
    for (int index = 0; index < 6; ++index) {
        std::string key = std::string(settingsKey) + "\\Buttons\\" + ButtonName(index);
        for (int mode = 0; mode < 3; ++mode) {
            bench::WriteString(root, key, "Rectangle Mode " + ModeDigit(mode),
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
