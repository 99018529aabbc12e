// Stands in for xinput1_4.dll in end-to-end tests: XInputGetState answers from the control block
// that the test fills (tests/helpers/fake_xinput.h) and counts every call per slot. The test puts
// it in the system folder of its own Wine prefix and has Wine prefer it for tilebox.exe; a copy
// anywhere else only counts the calls that reach it, which must be none.
#include "tests/helpers/fake_xinput.h"

#include <cstring>

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

static bool InSystemFolder()
{
    char path[MAX_PATH] = {};
    char system[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("xinput1_4.dll"), path, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    char* slash = strrchr(path, '\\');
    return slash != nullptr && (*slash = '\0', lstrcmpiA(path, system) == 0);
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
    static const bool trusted = InSystemFolder();
    if (!trusted) {
        InterlockedIncrement(&block->strayCalls);
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
