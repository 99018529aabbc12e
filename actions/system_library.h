// Where the menu's late-loaded system libraries are found.
#pragma once

// Writes the full path of the system folder's file name into path (MAX_PATH characters). Returns
// 1, or 0 when the folder cannot be had or the whole path does not fit.
int SystemLibraryPath(const char* name, char* path);
