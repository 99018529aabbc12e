// The figures the benchmark run takes, each adding its rows and notes to the final table.
#pragma once

#include <vector>

// The default skin's sizes the run measures, as indices into defaultSkin::modes: the three classic
// sizes, 1920x1080 and 3840x2160; every size the skin ships when TILEBOX_BENCH_ALL_SIZES is 1.
std::vector<int> BenchModes();

// Sizes the default skin does not name, served by its "Fit Other Sizes": 1360x768 from 1366x768
// and 4096x2160 from 3840x2160. Their floor is the serving size's floor taken at the screen size:
// a fitted size may cost what its named size costs plus one stretch per picture.
struct FittedSize {
    int width;
    int height;
    int servedMode; // index into defaultSkin::modes
};
std::vector<FittedSize> BenchFittedSizes();

// Starts fake_agent.exe, the remote-control agent's stand-in, so that the real menu starts
// without its agent wait; false when its window did not come.
bool StartAgentHelper();
void EndAgentHelper();

// The real tilebox.exe against floor_start.exe: start to first paint, and memory at each mode.
void RunStartFigure();
void RunMemoryFigures();

// In-process, with the menu's own code.
void RunLoadSkinFigures();
void RunPressFigure();
void RunGrowthCurve();
void RunGamepadFigure();
// The skin maker's drawing of every size of a skin.
void RunDrawSkinFigure();
