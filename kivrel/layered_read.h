// The profile store's layered reads: one value, of any kind, from the user's tree or, where the
// user's key lacks it, the machine-wide tree. Internal to Kivrel.dll.
#pragma once

#include "kivrel/kept_keys.h"

namespace kivrel {

enum ReadResult { ReadOk, ReadMissing, ReadUnusable };

// A value the user's key holds, of whatever type, is the user's; only a value missing there is
// read from the machine-wide key of the same path. readValue reads one value from one open key.
template <typename ReadValue>
ReadResult ReadLayered(const char* keyPath, int searchMachineTree, ReadValue readValue)
{
    for (int attempt = 0;; ++attempt) {
        BeginRead();
        TreeKeys keys = OpenTreeKeys(keyPath, searchMachineTree);
        ReadResult result = ReadMissing;
        if (keys.user != nullptr) {
            result = readValue(keys.user);
        }
        if (result == ReadMissing && keys.machine != nullptr) {
            result = readValue(keys.machine);
        }
        if (!ReadAgainOnFreshKeys(attempt)) {
            return result;
        }
    }
}


// Terminated text of a REG_SZ or REG_EXPAND_SZ value (expanded) that fits the buffer; the buffer
// is emptied on every other result.
ReadResult ReadLayeredString(const char* keyPath, const char* valueName, char* buffer,
                             int bufferSize, int searchMachineTree);
// The same as UTF-16, every character kept; bufferSize counts wide characters.
ReadResult ReadLayeredWideString(const char* keyPath, const char* valueName, wchar_t* buffer,
                                 int bufferSize, int searchMachineTree);
// A REG_DWORD of exactly four bytes.
ReadResult ReadLayeredDWord(const char* keyPath, const char* valueName, DWORD* value);

} // namespace kivrel
