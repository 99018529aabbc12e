// A registry export (.reg file) loaded into a private application key for the length of a check.
#pragma once

#include <windows.h>

// Parses the .reg file (REGEDIT4 or version 5.00, ANSI or UTF-16LE) and writes the keys and values
// it holds below the application key Software\Velnor\Tilebox of HKEY_CURRENT_USER or
// HKEY_LOCAL_MACHINE into HKEY_CURRENT_USER\Software\<applicationKey>, which must not exist yet.
// Keys of both roots land in the one copy, later lines winning. Keys elsewhere are skipped and
// counted in *skippedKeys. Returns 1 on success; on failure writes a one-line reason into error
// (and leaves whatever was written for DeleteSettingsCopy).
int ImportRegFile(const char* path, const char* applicationKey, int* skippedKeys, char* error,
                  int errorCapacity);

// Removes HKEY_CURRENT_USER\Software\<applicationKey> with everything below it.
void DeleteSettingsCopy(const char* applicationKey);
