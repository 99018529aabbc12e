// Stands in for xinput1_4.dll in end-to-end tests: XInputGetState answers from the control block
// that the test fills (tests/helpers/fake_xinput.h) and counts every call per slot. Placed
// beside the program and chosen over Wine's own with WINEDLLOVERRIDES="xinput1_4=n".
#include "tests/helpers/fake_xinput.h"

static FakeXInputBlock* OpenBlock()
{
    static FakeXInputBlock* block = nullptr;
    if (block == nullptr) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, FAKE_XINPUT_BLOCK_NAME);
        if (mapping != nullptr) {
            // The view keeps the block alive; the handle is not needed after it.
            block = static_cast<FakeXInputBlock*>(
                MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FakeXInputBlock)));
            CloseHandle(mapping);
        }
    }
    return block;
}

extern "C" __declspec(dllexport) DWORD WINAPI XInputGetState(DWORD slot, XINPUT_STATE* state)
{
    FakeXInputBlock* block = OpenBlock();
    if (slot >= 4 || state == nullptr) {
        return ERROR_BAD_ARGUMENTS;
    }
    if (block == nullptr) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    InterlockedIncrement(&block->calls[slot]);
    if ((block->connectedSlots & (1 << slot)) == 0) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    ZeroMemory(state, sizeof *state);
    state->dwPacketNumber = static_cast<DWORD>(block->calls[slot]);
    state->Gamepad = block->pads[slot];
    return ERROR_SUCCESS;
}
