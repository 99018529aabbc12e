// The skin maker's pictures: six tiles drawn for every size the default skin ships, written as
// the bitmap files the menu loads, and the icons and font they are drawn with.
//
// Every path given here is UTF-8 (plain ASCII is UTF-8 too), so a file or folder named in any
// script can be read and written; messages name the path the same way.
//
// The font: DejaVu Sans Bold (free licence, Debian's fonts-dejavu-core), shipped as the file
// named by TileFontFileName. The build copies it into the folder the programs are built in
// (build/<preset>/bin, beside tilebox.exe); LoadTileFont expects it in the folder it is given.
#pragma once
#include <windows.h>

// A tile's picture: 32-bit pixels, rows top-down, 0xAARRGGBB with straight (not premultiplied)
// alpha. Owned by whoever loaded it; FreeTileIcon releases it.
struct TileIcon { int width; int height; DWORD* pixels; };

// The built-in glyph a tile shows when it has no icon of its own.
enum TileGlyph {
    GlyphBrowser,
    GlyphMail,
    GlyphCd,
    GlyphDvd,
    GlyphCommand,
    GlyphClose,
    GlyphSleep,
    GlyphRestart,
    GlyphShutDown
};

struct TileColours { COLORREF background, tile, label, litTile, litLabel; };
struct TileFace { const wchar_t* label; const TileIcon* icon; TileGlyph glyph; };  // icon null: glyph

// The font file LoadTileFont loads from its folder, and the family it holds.
const char TileFontFileName[] = "DejaVuSans-Bold.ttf";

// Theme colours before a tiles file's own colours are laid over them (light: 0 dark, 1 light).
void DefaultTileColours(int light, TileColours* colours);

// The sizes a skin is drawn for: exactly those the default skin ships today, in a fixed order
// (the three classic sizes first, in their "Mode 1".."Mode 3" order).
int TileSkinSizeCount();
void GetTileSkinSize(int index, int* width, int* height);
// The side of a tile's icon box at the largest of those sizes: an icon loaded once for every size
// is asked for at this side, so that no size has to scale it up.
int LargestTileIconSide();

// Draws one size's three pictures (unlit panel, lit panel, template) and writes them as bitmap
// files the menu loads and its file check accepts, within skin/skin_limits.h. rects receive each
// tile's rectangle as the settings hold it (right column and bottom row included). Returns 1, or
// 0 with a message in error.
int DrawTileSkin(const TileColours* colours, const TileFace faces[6], int width, int height,
                 const char* normalPath, const char* selectedPath, const char* templatePath,
                 RECT rects[6], char* error, int errorSize);

// An icon from a file: .ico, .png or .bmp by its ending, otherwise a program or library and the
// icon at index (as "file,index" names it: from 0 the index-th icon, below 0 the icon of that
// resource number). The path is absolute. Returns 1, or 0 with a message naming what is wrong
// (missing, unreadable, damaged, no icon at that index).
int LoadTileIconFile(const char* path, int index, TileIcon* icon, char* error, int errorSize);

// A picture the system hands over as a bitmap (the shell's image of an app): 32 bits a pixel with
// premultiplied alpha, or no alpha at all, which is taken as opaque. Returns 1, or 0 when it is
// not such a bitmap or is larger than 2048 pixels a side. The bitmap stays the caller's.
int TileIconOfBitmap(HBITMAP bitmap, TileIcon* icon);

// A program's own icon (its first icon group), for a Command tile without Icon. 0: it has none.
int LoadProgramIcon(const char* programPath, TileIcon* icon);

void FreeTileIcon(TileIcon* icon);

// The private font, loaded once from the folder the program stands in (ending in a backslash)
// before the first DrawTileSkin; UnloadTileFont at the end. Returns 1, or 0 with a message.
int LoadTileFont(const char* folder, char* error, int errorSize);
void UnloadTileFont();
