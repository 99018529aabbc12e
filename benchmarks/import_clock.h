// Clocks on calls this program, or a library it loaded, makes through its import table: the time
// spent inside them and how many were made, read around the menu's own code. They take a load
// apart where it really runs (the settings reads that LoadSkin makes, its stretches) instead of
// timing a copy of its steps beside it.
#pragma once

enum ClockedCalls {
    StoreCalls,    // the profile store's operations, from this program (Kivrel.dll)
    RegistryCalls, // the registry operations the store makes (Kivrel.dll's Reg* imports)
    StretchCalls,  // StretchDIBits and StretchBlt, from this program
    ClockedCallKinds
};

struct CallTally {
    double ms;
    long calls;
};

// Puts the clocks in the import tables, once; false when any could not be put in (the figures
// that need it then count as not measured).
bool InstallImportClocks();
CallTally ReadImportClock(ClockedCalls kind);
