// Gamepads through XInput, loaded at run time: the D-pad and the left stick move the focus, A acts.
// Polled by a timer only while the menu is active and in front.
#pragma once

#include <windows.h>

#include <xinput.h>

enum {
    GamepadTimerId = 4100,
    GamepadSlots = 4,
    // A connected controller is read often enough that a push feels immediate.
    GamepadConnectedPollMs = 60,
    // Asking an empty slot is slow on Windows (the driver looks for the device each time), so
    // with no controller the timer ticks slowly and each empty slot is asked only this often.
    GamepadIdlePollMs = 500,
    GamepadEmptySlotProbeMs = 2000,
    // The stick must travel this far for a push, and come back inside the recommended dead zone
    // before the next push counts, so that a stick resting near the edge does not repeat.
    GamepadStickPush = 16384,
    GamepadStickRelease = XINPUT_GAMEPAD_LEFT_THUMB_DEADZONE,
};

// XInputGetState's shape; the library is found at run time.
typedef DWORD(WINAPI* GamepadStateReader)(DWORD slot, XINPUT_STATE* state);

struct GamepadSlot {
    int connected;
    DWORD nextProbe;   // tick count at which an empty slot is asked again
    int heldDirection;  // the stick's FocusDirection held at the last read, or -1
    WORD dpadHeld;      // the D-pad buttons held at the last read
    int aHeld;
    int baseline;  // 0 until the first read since polling started or the controller connected
};

struct Gamepads {
    int libraryTried;
    HMODULE library;
    GamepadStateReader readState;  // null: no XInput on this PC, and no polling
    GamepadSlot slots[GamepadSlots];
    UINT timerPeriod;  // 0 while the poll timer is stopped
};

extern Gamepads gamepads;

// What one read found: a push in a FocusDirection (0-3) or GamepadCommandAct.
enum { GamepadCommandAct = 4, GamepadCommandCapacity = 2 * GamepadSlots };

// Loads xinput1_4.dll, else xinput9_1_0.dll, from the system folder, once; 1 when a reader was
// found.
int LoadGamepadLibrary(Gamepads* pads);
void FreeGamepadLibrary(Gamepads* pads);

// Has the next read of every slot record what is held rather than act on it.
void RestartGamepadBaselines(Gamepads* pads);
// Spreads the first questions to the empty slots over one probe interval from `now`.
void ScheduleEmptySlots(Gamepads* pads, DWORD now);
// Reads the slots that are due at `now` and writes the pushes and A presses since the last read
// into commands; returns how many.
int ReadGamepadCommands(Gamepads* pads, DWORD now, int* commands, int capacity);
// The timer period that the slots' state asks for.
UINT GamepadPollPeriod(const Gamepads* pads);

// Starts, retunes or stops the poll timer: it runs only while the menu is active, XInput is
// there and the window is in front.
void UpdateGamepadPolling(HWND window, int inFront);
// The poll timer's tick: reads the due slots and moves the focus or acts.
void PollGamepads(HWND window);
