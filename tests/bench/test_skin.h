// A small skin made by the tests themselves: for each screen size it names a normal panel, a
// selected panel and a region template (24-bit BMP files), six elliptic buttons in a 3 x 2 grid,
// and the settings that name them. It names the three classic sizes and two of today's, and
// deliberately not 1280x1024, the size the tests use for one the skin does not name.
#pragma once

#include <windows.h>

#include <string>

namespace testskin {

// Colours of the panels, as the screen shows them (0x00BBGGRR).
const COLORREF normalBackground = RGB(20, 30, 60);
const COLORREF normalButton = RGB(90, 90, 90);
const COLORREF selectedBackground = RGB(60, 20, 20);
const COLORREF selectedButton = RGB(250, 200, 0);

// Mode 0, 1, 2 for the classic 640x480, 800x600, 1024x768; 3 and 4 for 1280x720 and 1920x1080,
// which the settings name by their size.
const int modeCount = 5;
const int mode720p = 3;
const int mode1080p = 4;
int ModeWidth(int mode);
int ModeHeight(int mode);
// The size part of the mode's setting names as the menu reads them: "Mode 3", "1920x1080".
std::string SizeName(int mode);

// Button index's rectangle (inclusive right and bottom) at the mode's screen size.
RECT ButtonRect(int mode, int index);
// A point well inside the button's ellipse, and a point in its rectangle's corner, outside it.
POINT ButtonCentre(int mode, int index);
POINT ButtonCorner(int mode, int index);
// The bounding box of the button's traced shape (exclusive right and bottom).
RECT ButtonBounds(int mode, int index);
// "left,top,right,bottom".
std::string RectangleText(int mode, int index);
// Button names as the settings have them: "Button 0" .. "Button 5".
std::string ButtonName(int index);
// File names relative to the program's folder: "testskin\normal1.bmp" and so on, by mode.
std::string NormalFile(int mode);
std::string SelectedFile(int mode);
std::string TemplateFile(int mode);

// Writes the bitmaps of every mode below directory (which ends in a backslash), skipping those
// already there whole; true on success.
bool WriteFiles(const std::string& directory);

// Writes a 24-bit bitmap file of width x height whose pixel (x, y) is colourAt(x, y).
typedef COLORREF (*PixelColour)(int mode, int x, int y);
bool WriteBitmap(const std::string& path, int mode, int width, int height, PixelColour colourAt);

// The settings under a registry root's Software\Velnor\Tilebox (HKCU or HKLM), with the given
// remote code for every button (0: no action).
void WriteSettings(HKEY root, DWORD remoteCode);
void DeleteSettings(HKEY root);

}  // namespace testskin
