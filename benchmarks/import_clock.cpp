#include "benchmarks/import_clock.h"

#include "benchmarks/bench_support.h"

#include "outside/kivrel.h"

#include <windows.h>

namespace {

enum { MostClocked = 16 };

void* originals[MostClocked];
CallTally tallies[ClockedCallKinds];

template <int Slot, int Kind, typename R, typename... A>
R Clocked(A... arguments)
{
    const double start = NowMs();
    const R result = reinterpret_cast<R (*)(A...)>(originals[Slot])(arguments...);
    tallies[Kind].ms += NowMs() - start;
    ++tallies[Kind].calls;
    return result;
}

// The import slot of module that holds target, or null.
void** FindImportSlot(HMODULE module, void* target)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) {
        return nullptr;
    }
    auto* imports = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; imports->Name != 0; ++imports) {
        auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imports->FirstThunk);
        for (; thunk->u1.Function != 0; ++thunk) {
            if (reinterpret_cast<void*>(thunk->u1.Function) == target) {
                return reinterpret_cast<void**>(&thunk->u1.Function);
            }
        }
    }
    return nullptr;
}

// Puts the clock of the given slot and kind in place of function (of the type of its pointer)
// in module's imports.
template <int Slot, int Kind, typename R, typename... A>
bool Install(HMODULE module, const char* dll, const char* name, R (*)(A...))
{
    HMODULE library = GetModuleHandleA(dll);
    void* target = library != nullptr ? reinterpret_cast<void*>(GetProcAddress(library, name))
                                      : nullptr;
    void** slot = module != nullptr && target != nullptr ? FindImportSlot(module, target) : nullptr;
    if (slot == nullptr) {
        return false;
    }
    originals[Slot] = target;
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
        return false;
    }
    *slot = reinterpret_cast<void*>(&Clocked<Slot, Kind, R, A...>);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return true;
}

}  // namespace

bool InstallImportClocks()
{
    static int installed = -1;
    if (installed >= 0) {
        return installed == 1;
    }
    HMODULE program = GetModuleHandleA(nullptr);
    HMODULE store = GetModuleHandleA("Kivrel.dll");
    bool ok = Install<0, StoreCalls>(program, "Kivrel.dll", "Kivrel_GetProfileStringEx",
                                     &Kivrel_GetProfileStringEx) &&
              Install<1, StoreCalls>(program, "Kivrel.dll", "Kivrel_GetProfileDWord",
                                     &Kivrel_GetProfileDWord) &&
              Install<2, StoreCalls>(program, "Kivrel.dll", "Kivrel_EnumValueName",
                                     &Kivrel_EnumValueName) &&
              Install<3, StoreCalls>(program, "Kivrel.dll", "Kivrel_EnumKeyName",
                                     &Kivrel_EnumKeyName) &&
              // The monitor's name ("Display"), read before anything of the skin.
              Install<12, StoreCalls>(program, "Kivrel.dll", "Kivrel_GetProfileString",
                                      &Kivrel_GetProfileString) &&
              Install<4, StretchCalls>(program, "gdi32.dll", "StretchDIBits", &StretchDIBits) &&
              Install<5, StretchCalls>(program, "gdi32.dll", "StretchBlt", &StretchBlt);
    // The store's registry calls are counted where the store makes them. An import it does not
    // have (it may list values without RegEnumValueA) is no failure; none at all is.
    int registry = 0;
    registry += Install<6, RegistryCalls>(store, "advapi32.dll", "RegOpenKeyExA", &RegOpenKeyExA);
    registry +=
        Install<7, RegistryCalls>(store, "advapi32.dll", "RegQueryValueExA", &RegQueryValueExA);
    registry += Install<8, RegistryCalls>(store, "advapi32.dll", "RegCloseKey", &RegCloseKey);
    registry += Install<9, RegistryCalls>(store, "advapi32.dll", "RegEnumValueA", &RegEnumValueA);
    registry += Install<10, RegistryCalls>(store, "advapi32.dll", "RegEnumKeyExA", &RegEnumKeyExA);
    registry +=
        Install<11, RegistryCalls>(store, "advapi32.dll", "RegQueryInfoKeyA", &RegQueryInfoKeyA);
    installed = ok && registry > 0 ? 1 : 0;
    return installed == 1;
}

CallTally ReadImportClock(ClockedCalls kind)
{
    return tallies[kind];
}
