// A small skin made by the tests themselves: for each resolution mode a normal panel, a selected
// panel and a region template (24-bit BMP files), six elliptic buttons in a 3 x 2 grid, and the
// settings that name them.
#pragma once

#include <windows.h>

#include <string>

namespace testskin {

// Colours of the panels, as the screen shows them (0x00BBGGRR).
const COLORREF normalBackground = RGB(20, 30, 60);
const COLORREF normalButton = RGB(90, 90, 90);
const COLORREF selectedBackground = RGB(60, 20, 20);
const COLORREF selectedButton = RGB(250, 200, 0);

// Mode 0, 1, 2 for 640x480, 800x600, 1024x768.
int ModeWidth(int mode);
int ModeHeight(int mode);

// Button index's rectangle (inclusive right and bottom) at the mode's screen size.
RECT ButtonRect(int mode, int index);
// A point well inside the button's ellipse, and a point in its rectangle's corner, outside it.
POINT ButtonCentre(int mode, int index);
POINT ButtonCorner(int mode, int index);
// "left,top,right,bottom".
std::string RectangleText(int mode, int index);
// Button names as the settings have them: "Button 0" .. "Button 5".
std::string ButtonName(int index);
// File names relative to the program's folder: "testskin\normal1.bmp" and so on.
std::string NormalFile(int mode);
std::string SelectedFile(int mode);
std::string TemplateFile(int mode);

// Writes the nine bitmaps below directory (which ends in a backslash); true on success.
bool WriteFiles(const std::string& directory);

// Writes a 24-bit bitmap file of width x height whose pixel (x, y) is colourAt(x, y).
typedef COLORREF (*PixelColour)(int mode, int x, int y);
bool WriteBitmap(const std::string& path, int mode, int width, int height, PixelColour colourAt);

// The settings under a registry root's Software\Velnor\Tilebox (HKCU or HKLM), with the given
// remote code for every button (0: no action).
void WriteSettings(HKEY root, DWORD remoteCode);
void DeleteSettings(HKEY root);

}  // namespace testskin
