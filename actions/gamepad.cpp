#include "actions/gamepad.h"
#include "actions/rest.h"

#include "actions/focus.h"
#include "actions/input_state.h"
#include "actions/menu_platform.h"
#include "actions/system_library.h"

Gamepads gamepads = {};

// Windows 8 and later have xinput1_4.dll; Windows 7 has xinput9_1_0.dll. A PC with neither runs
// the menu without gamepads.
int LoadGamepadLibrary(Gamepads* pads)
{
    if (pads->libraryTried) {
        return pads->readState != nullptr;
    }
    pads->libraryTried = 1;
    HMODULE library = LoadSystemLibrary("xinput1_4.dll");
    if (library == nullptr) {
        library = LoadSystemLibrary("xinput9_1_0.dll");
    }
    if (library == nullptr) {
        return 0;
    }
    FARPROC reader = GetProcAddress(library, "XInputGetState");
    if (reader == nullptr) {
        FreeLibrary(library);
        return 0;
    }
    pads->library = library;
    pads->readState = reinterpret_cast<GamepadStateReader>(reinterpret_cast<void*>(reader));
    return 1;
}

void FreeGamepadLibrary(Gamepads* pads)
{
    if (pads->library != nullptr) {
        FreeLibrary(pads->library);
    }
    *pads = Gamepads();
}

static int IsDue(DWORD now, DWORD at)
{
    // Signed difference, so that the tick count's wrap after 49 days changes nothing.
    return static_cast<LONG>(now - at) >= 0;
}

void ScheduleEmptySlots(Gamepads* pads, DWORD now)
{
    for (int slot = 0; slot < GamepadSlots; ++slot) {
        if (!pads->slots[slot].connected) {
            pads->slots[slot].nextProbe =
                now + (slot + 1) * (GamepadEmptySlotProbeMs / GamepadSlots);
        }
    }
}

enum {
    DpadButtons = XINPUT_GAMEPAD_DPAD_UP | XINPUT_GAMEPAD_DPAD_DOWN | XINPUT_GAMEPAD_DPAD_LEFT |
                  XINPUT_GAMEPAD_DPAD_RIGHT
};

// Called with the D-pad buttons pressed since the last read only: a thumb rolling from Right
// through Right+Down back to Right presses Down once and Right never again.
static int DpadDirection(WORD buttons)
{
    if (buttons & XINPUT_GAMEPAD_DPAD_UP) {
        return FocusUp;
    }
    if (buttons & XINPUT_GAMEPAD_DPAD_DOWN) {
        return FocusDown;
    }
    if (buttons & XINPUT_GAMEPAD_DPAD_LEFT) {
        return FocusLeft;
    }
    if (buttons & XINPUT_GAMEPAD_DPAD_RIGHT) {
        return FocusRight;
    }
    return -1;
}

static int StickReach(SHORT x, SHORT y)
{
    int ax = x < 0 ? -x : x;
    int ay = y < 0 ? -y : y;
    return ax > ay ? ax : ay;
}

static int StickAxisDirection(SHORT x, SHORT y)
{
    int ax = x < 0 ? -x : x;
    int ay = y < 0 ? -y : y;
    if (ax >= ay) {
        return x > 0 ? FocusRight : FocusLeft;
    }
    return y > 0 ? FocusUp : FocusDown;
}

// A held push lasts until the stick is back inside the release zone, whatever way it rolls, so a
// diagonal sweep is one move, not two.
static int StickDirection(SHORT x, SHORT y, int held)
{
    int reach = StickReach(x, y);
    if (held != -1 && reach > GamepadStickRelease) {
        return held;
    }
    if (reach < GamepadStickPush) {
        return -1;
    }
    return StickAxisDirection(x, y);
}

static void ForgetSlot(GamepadSlot* slot, DWORD now)
{
    slot->connected = 0;
    slot->heldDirection = -1;
    slot->aHeld = 0;
    slot->dpadHeld = 0;
    slot->baseline = 0;
    slot->nextProbe = now + GamepadEmptySlotProbeMs;
}

// What the controller holds at the first read after polling starts or after it connects was
// pressed elsewhere (the A that quit a game, a direction held in a menu): it is recorded as held,
// so that only a press that begins while the menu reads the controller acts.
static void RecordHeld(GamepadSlot* slot, const XINPUT_GAMEPAD& pad)
{
    slot->dpadHeld = pad.wButtons & DpadButtons;
    // A stick anywhere outside the release zone must come back inside it before it pushes.
    slot->heldDirection = StickReach(pad.sThumbLX, pad.sThumbLY) > GamepadStickRelease
                              ? StickAxisDirection(pad.sThumbLX, pad.sThumbLY)
                              : -1;
    slot->aHeld = (pad.wButtons & XINPUT_GAMEPAD_A) != 0;
    slot->baseline = 1;
}

void RestartGamepadBaselines(Gamepads* pads)
{
    for (int slot = 0; slot < GamepadSlots; ++slot) {
        pads->slots[slot].baseline = 0;
    }
}

int ReadGamepadCommands(Gamepads* pads, DWORD now, int* commands, int capacity)
{
    int count = 0;
    if (pads->readState == nullptr) {
        return 0;
    }
    for (int index = 0; index < GamepadSlots; ++index) {
        GamepadSlot* slot = &pads->slots[index];
        if (!slot->connected && !IsDue(now, slot->nextProbe)) {
            continue;
        }
        XINPUT_STATE state = {};
        if (pads->readState(index, &state) != ERROR_SUCCESS) {
            ForgetSlot(slot, now);
            continue;
        }
        slot->connected = 1;
        const XINPUT_GAMEPAD& pad = state.Gamepad;
        if (!slot->baseline) {
            RecordHeld(slot, pad);
            continue;
        }
        const WORD dpad = pad.wButtons & DpadButtons;
        int direction = DpadDirection(static_cast<WORD>(dpad & ~slot->dpadHeld));
        slot->dpadHeld = dpad;
        int stick = StickDirection(pad.sThumbLX, pad.sThumbLY, slot->heldDirection);
        if (direction == -1 && stick != -1 && stick != slot->heldDirection) {
            direction = stick;
        }
        slot->heldDirection = stick;
        if (direction != -1 && count < capacity) {
            commands[count++] = direction;
        }
        int aDown = (pad.wButtons & XINPUT_GAMEPAD_A) != 0;
        if (aDown && !slot->aHeld && count < capacity) {
            commands[count++] = GamepadCommandAct;
        }
        slot->aHeld = aDown;
    }
    return count;
}

UINT GamepadPollPeriod(const Gamepads* pads)
{
    for (int slot = 0; slot < GamepadSlots; ++slot) {
        if (pads->slots[slot].connected) {
            return GamepadConnectedPollMs;
        }
    }
    return GamepadIdlePollMs;
}

void UpdateGamepadPolling(HWND window, int inFront)
{
    int wanted = menuActive && inFront && IsWindow(window) && LoadGamepadLibrary(&gamepads);
    if (!wanted) {
        if (gamepads.timerPeriod != 0) {
            KillTimer(window, GamepadTimerId);
            gamepads.timerPeriod = 0;
        }
        return;
    }
    if (gamepads.timerPeriod == 0) {
        ScheduleEmptySlots(&gamepads, GetTickCount());
        RestartGamepadBaselines(&gamepads);
    }
    UINT period = GamepadPollPeriod(&gamepads);
    if (period != gamepads.timerPeriod) {
        // SetTimer with the id of a running timer replaces its period.
        gamepads.timerPeriod = SetTimer(window, GamepadTimerId, period, nullptr) ? period : 0;
    }
}

void PollGamepads(HWND window)
{
    if (gamepads.timerPeriod == 0) {
        return;
    }
    int commands[GamepadCommandCapacity];
    int count = ReadGamepadCommands(&gamepads, GetTickCount(), commands, GamepadCommandCapacity);
    if (count > 0 && WakeFromRest(window)) {
        count = 0;
    }
    for (int i = 0; i < count && IsWindow(window); ++i) {
        if (commands[i] == GamepadCommandAct) {
            ActOnFocus(window);
        } else {
            MoveFocus(window, static_cast<FocusDirection>(commands[i]));
        }
    }
    // An action may have closed the menu or put another program in front.
    UpdateGamepadPolling(window, IsWindow(window) && GetForegroundWindow() == window);
}
