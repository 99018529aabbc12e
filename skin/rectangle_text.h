// The text of a button's rectangle setting: "left,top,right,bottom".
#pragma once

#include <windows.h>

// Fills rect from the first four comma-separated fields of text and returns 1; returns 0 and
// leaves rect untouched when text is null or holds fewer than four fields. Empty fields do not
// count (",,10,,20" has two fields); fields after the fourth are ignored. Each field converts like
// an unsigned decimal number whose 32 bits are taken as signed, so "-5" gives -5, a field without
// leading digits gives 0 and an overlong number gives -1 (4294967295).
int ParseButtonRectangle(const char* text, RECT* rect);

// The same under the given ANSI code page (CP_ACP for the system's), whose double-byte
// characters are never split at a comma. Exposed for tests.
int ParseButtonRectangleInCodePage(const char* text, UINT codePage, RECT* rect);

// The unsigned decimal conversion of one field of `length` bytes. Exposed for tests.
unsigned int ConvertRectangleField(const char* field, int length);
