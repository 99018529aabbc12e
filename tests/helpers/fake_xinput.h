// The stand-in XInput library's control block: a named shared memory block that the tests create
// and fill, and that every copy of the stand-in reads. Without the block every slot is empty.
#pragma once

#include <windows.h>

#include <xinput.h>

#define FAKE_XINPUT_BLOCK_NAME "TileboxFakeXInputControl"

struct FakeXInputBlock {
    // Bit n: slot n has a controller.
    LONG connectedSlots;
    // What each connected slot reports.
    XINPUT_GAMEPAD pads[4];
    // XInputGetState calls per slot, counted by the stand-in.
    LONG calls[4];
    // Calls that reached a copy outside the system folder, which answers "not connected".
    LONG strayCalls;
};
