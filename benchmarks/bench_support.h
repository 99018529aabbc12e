// What every figure needs: the clock, medians, the display, the screen's pixels, programs started
// and ended by their id, and the table the run prints at its end.
#pragma once

#include <windows.h>

#include <vector>

// Milliseconds on the performance counter.
double NowMs();
// The middle sample (the mean of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> samples);

// The folder of the running program, with its trailing backslash; tilebox.exe, floor_start.exe,
// fake_agent.exe and the default skin stand there too.
void GetBinDir(char* directory, DWORD capacity);
// directory + name into path; false when it does not fit.
bool JoinBinPath(char* path, DWORD capacity, const char* name);

// Switches the display and waits until the screen reports the new size.
bool SetDisplayMode(int width, int height);
// Bytes per pixel of the screen's format, which the menu's bitmaps take.
int ScreenBytesPerPixel();

// Polls the screen's pixel until it is (or is no longer) colour. The time of the read that saw
// it is stored in seenAtMs when given.
bool WaitForScreenPixel(int x, int y, COLORREF colour, DWORD timeoutMs, double* seenAtMs);
bool WaitForScreenPixelNot(int x, int y, COLORREF colour, DWORD timeoutMs);

struct Program {
    PROCESS_INFORMATION info;
    bool started;
};

bool StartProgram(Program* program, const char* commandLine);
// The visible top-level window of the class that belongs to the program, or null.
HWND FindProgramWindow(const Program* program, const char* className);
// Closes the program's window of the class, waits for the process, ends it by its id if it does
// not go, and closes its handles.
void EndProgram(Program* program, const char* className);

// One line of the final table. goalRatio is the largest ratio that passes; a row with a limit
// passes only when its median also stays below that absolute limit (0 for none). A row with no
// floor (goalRatio 0) has the limit alone as its goal, and passes at the limit itself.
struct FigureRow {
    char figure[64];
    char unit[8];
    double median;
    double floorMedian;
    double goalRatio;
    double limit;
    bool measured;
};

void AddRow(const char* figure, const char* unit, double median, double floorMedian,
            double goalRatio, bool measured);
void AddRowWithLimit(const char* figure, const char* unit, double median, double floorMedian,
                     double goalRatio, double limit, bool measured);
void AddLimitRow(const char* figure, const char* unit, double median, double limit, bool measured);
// A line printed under the table: how a figure was taken, what Wine reports, why a goal missed.
void AddNote(const char* format, ...);
// A line of the region-tracing curve, printed after the notes.
void AddCurveLine(const char* format, ...);
// Prints the table; the number of figures that could not be measured, each a failure of the run.
int PrintTable();
