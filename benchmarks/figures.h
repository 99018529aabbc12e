// The figures the benchmark run takes, each adding its rows and notes to the final table.
#pragma once

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
