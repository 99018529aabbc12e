// What a skin may ask of the menu. The limits bound what loading a skin costs, not the shape of
// its pictures or buttons: a skin author may draw any size and any button layout within them.
// The menu and the skin checker read these same constants, so the checker never passes a skin
// that the menu refuses.
#pragma once

// The screen sizes the menu shows on: anything from the smallest classic mode to 8K. The three
// classic sizes are named "Mode 1".."Mode 3" in the settings, every other one by its "WxH".
enum ScreenLimit {
    MinScreenWidth = 640,
    MinScreenHeight = 480,
    MaxScreenWidth = 7680,
    MaxScreenHeight = 4320,
};

// The most pixels a panel bitmap file may declare, whatever its format. The loader makes a bitmap
// of the declared size in the screen's format before it decodes anything, so this bounds the
// memory a file can ask for: a few bytes of run-length data could otherwise declare 65535 x 65535
// pixels, 16 GB. One picture of the largest screen is the most a panel needs, since a picture of
// any size is stretched to the screen anyway.
const long long MaxBitmapPixels = static_cast<long long>(MaxScreenWidth) * MaxScreenHeight;

// The most screen sizes a skin's "Panel" is read for when other sizes are fitted, the classic
// modes among them. The list is read at every load, so this bounds its cost; no real skin draws
// for more sizes than screens are made in.
enum { MostNamedSizes = 64 };

// The most template pixels one skin load may trace, over all six buttons together, and so the
// largest single block. Tracing reads every pixel of a block one by one while the window is
// being created, so this bounds how long a start can take. Buttons that do not overlap cannot
// cover more than the screen, so one screen of the largest size is the most a real skin needs.
const long long MaxTracedPixels = static_cast<long long>(MaxScreenWidth) * MaxScreenHeight;
