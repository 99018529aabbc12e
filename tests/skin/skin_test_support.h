// Shared helpers of the skin's tests: bitmaps painted pixel by pixel, bitmap files written by the
// tests, a recorder of pixel reads, printers for rectangles and regions, and a fixture that owns
// the display mode, the fake settings and the application record.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/app_state.h"

bool operator==(const RECT& a, const RECT& b);
void PrintTo(const RECT& rect, std::ostream* os);

namespace skintest {

// A 32-bit top-down DIB section selected into a memory DC; every pixel starts black.
class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC Dc() const { return dc; }
    HBITMAP Bitmap() const { return bitmap; }
    void Set(int x, int y, COLORREF colour);
    // Where this canvas and another of its size first differ (as y * width + x), or -1.
    long long FirstDifference(const Canvas& other) const;
    // One string per row from the top: 'K' black, 'W' white, 'R' red.
    void Paint(const std::vector<std::string>& rows);

private:
    int width;
    int height;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    const DWORD* pixels = nullptr;
};

// A region made of the given rectangles.
HRGN RegionOf(const std::vector<RECT>& rects);
// The region's rectangles as the system reports them, "(l,t,r,b) ..." for failure messages.
std::string Describe(HRGN region);
RECT Box(HRGN region);
int RectangleCount(HRGN region);

// Replaces one system function in this program's import table for its lifetime. The skin's code
// is linked into the test program, so it calls through that table too. Original() is the real
// function, for a replacement that fails only some calls.
class ImportHook {
public:
    ImportHook(const char* dll, const char* function, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;
    bool Installed() const { return slot != nullptr; }
    void* Original() const { return original; }

private:
    void** slot = nullptr;
    void* original = nullptr;
};

// Replaces GetPixel for its lifetime and records every read.
class PixelReadRecorder {
public:
    PixelReadRecorder();
    ~PixelReadRecorder();
    PixelReadRecorder(const PixelReadRecorder&) = delete;
    PixelReadRecorder& operator=(const PixelReadRecorder&) = delete;
    bool Installed() const { return hook.Installed(); }
    const std::vector<POINT>& Reads() const;
    void Clear();

private:
    ImportHook hook;
};

// Writes a 24-bit bottom-up bitmap file whose pixel (x, y) is colourAt(x, y).
bool WriteBitmapFile(const std::string& path, int width, int height,
                     const std::function<COLORREF(int, int)>& colourAt);
bool WriteRawFile(const std::string& path, const std::string& bytes);
std::string ReadRawFile(const std::string& path);

// The six buttons of the test skin at a screen size: a 3 x 2 grid of 100 x 60 rectangles; the
// template's white shape is the rectangle shrunk by 10 pixels with its corner pixels black.
RECT ButtonRect(int width, int height, int index);
std::string RectangleText(const RECT& rect);
COLORREF TemplateColour(int width, int height, int x, int y);

inline const char* ModeDigit(int width)
{
    return width == 640 ? "1" : width == 800 ? "2" : "3";
}

// The menu's own name of a group's setting at a screen size.
std::string ValueName(int width, int height, int group);

// Owns everything a skin test changes: the fake settings and log, appState, the skin, the
// display mode (back to 1024x768 at the end) and a temporary program directory.
class SkinTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Switches the display and checks that the system reports the new size.
    void SwitchDisplay(int width, int height);
    // Writes the three panel files of the size and names them in the fake "Panel" key; bitmap
    // files have the given size (the screen size unless told otherwise).
    void WritePanel(int width, int height, int fileWidth = 0, int fileHeight = 0);
    // Six buttons "Button 0".."Button 5" with rectangles for the size.
    void AddButtons(int width, int height, int count = 6);

    AppState state = {};
    AppState* savedAppState = nullptr;
    std::string directory;
};

}  // namespace skintest
