// The skin checker's shared pieces: the report it writes, the settings it reads and the check of
// one resolution mode.
#pragma once

#include <windows.h>

#include "skin/skin.h"

#include <cstdio>

// Where the lines go and how many problems the current section and the whole run found. A
// section is one resolution mode, or the buttons' actions, or the settings file.
struct Report {
    FILE* out;
    int errors;
    int warnings;
    int totalErrors;
    int totalWarnings;
};

void StartSection(Report* report);
// "<section>: error: <text>" or "<section>: warning: <text>", one line.
void ReportProblem(Report* report, const char* section, bool isError, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// Any other line: summaries and notes.
void ReportLine(Report* report, const char* format, ...) __attribute__((format(printf, 2, 3)));

enum { ButtonsUsed = 6, KeyCapacity = 256, RectangleCapacity = 128 };

// The number of sub-keys of "Buttons" (counting stops at 1000).
int CountButtons();

// One button as the checker traced it.
struct TracedButton {
    char name[KeyCapacity];
    HRGN region; // owned; screen coordinates; null when it could not be traced
};

struct SizeOptions {
    int width;                    // a screen size the menu accepts
    int height;
    const char* directory;        // bitmap file names are relative to it; ends in a backslash
    const char* previewDirectory; // ends in a backslash
};

enum { SectionCapacity = 24 };

// "mode 1".."mode 3" for the classic sizes, "size 1920x1080" for the others.
void FormatSection(char* section, int width, int height);
// preview-mode1.bmp .. preview-mode3.bmp, preview-1920x1080.bmp, in the preview folder.
void FormatPreviewPath(char* path, int capacity, const SizeOptions* options);

// Checks the skin at one screen size and writes its preview. Returns 1 when the skin would load
// at that size, 0 when not. *preview: 1 written, 0 nothing to show (no normal panel), -1 not
// writable.
int CheckSize(Report* report, const SizeOptions* options, int* preview);

// The sizes other than the classic ones that "Panel" names, as the menu would read them, into
// sizes (at most capacity); value names of "Panel" and of the buttons' keys that the menu never
// reads are warned about. applicationKey is the key below Software that the settings are under.
int ListNamedSizes(Report* report, const char* applicationKey, SIZE* sizes, int capacity);

// Checks the remote codes and commands of the buttons the menu uses.
void CheckActions(Report* report);

// For each button the menu uses that both the user's tree and the machine-wide tree below
// Software\<applicationKey> have: one "sources:" line per value naming the tree it is read from.
void ReportValueSources(Report* report, const char* applicationKey);

// keyPath (relative to Software\<applicationKey>) in one tree, or null. The application key is
// opened first and the key path below it, as the profile store opens them: a long button name
// makes a path some systems refuse from the root in one call.
HKEY OpenSettingsKey(HKEY root, const char* applicationKey, const char* keyPath);

// Writes the normal panel with each traced region tinted, outlined and labelled with its index
// and remote code, as a 24-bit BMP file. 1 on success.
int WritePreview(const char* path, HBITMAP normalBitmap, int width, int height,
                 const TracedButton* buttons, int count);

// The colour that outlines every region in the preview.
const COLORREF previewOutline = RGB(255, 0, 255);

// One line per monitor: its device name (what "Display" takes), size, position in the virtual
// screen, "primary" for the primary one, and "menu" for the one the menu covers now. The count
// listed.
int ListDisplays(Report* report);
