// Reading gamepads: which slots are asked when, and how pushes and presses become commands, with
// a recording stand-in for XInputGetState and a clock of the test's own.
#include "actions/focus.h"
#include "actions/gamepad.h"
#include "actions/menu_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Controllers {
    bool connected[GamepadSlots] = {};
    XINPUT_GAMEPAD pads[GamepadSlots] = {};
    int calls[GamepadSlots] = {};
};
Controllers controllers;

DWORD WINAPI RecordingReader(DWORD slot, XINPUT_STATE* state)
{
    ++controllers.calls[slot];
    if (!controllers.connected[slot]) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    state->Gamepad = controllers.pads[slot];
    return ERROR_SUCCESS;
}

class GamepadRead : public ::testing::Test {
  protected:
    void SetUp() override
    {
        controllers = Controllers();
        pads.readState = RecordingReader;
        ScheduleEmptySlots(&pads, now);
    }

    // One timer tick after the period the slots ask for; the commands it gave.
    std::vector<int> Tick()
    {
        now += GamepadPollPeriod(&pads);
        int commands[GamepadCommandCapacity];
        int count = ReadGamepadCommands(&pads, now, commands, GamepadCommandCapacity);
        return std::vector<int>(commands, commands + count);
    }

    std::vector<int> TickWith(WORD buttons, SHORT x = 0, SHORT y = 0)
    {
        controllers.pads[1].wButtons = buttons;
        controllers.pads[1].sThumbLX = x;
        controllers.pads[1].sThumbLY = y;
        return Tick();
    }

    int TotalCalls() const
    {
        int total = 0;
        for (int calls : controllers.calls) {
            total += calls;
        }
        return total;
    }

    Gamepads pads = {};
    DWORD now = 0xFFFFF000u;  // close to the tick count's wrap, which must change nothing
};

using Commands = std::vector<int>;

TEST_F(GamepadRead, EmptySlotsAreAskedRarelyAndAControllerIsFoundWithinTheProbeInterval)
{
    EXPECT_EQ(static_cast<UINT>(GamepadIdlePollMs), GamepadPollPeriod(&pads));
    for (int tick = 0; tick < 20; ++tick) {  // ten seconds
        EXPECT_TRUE(Tick().empty());
    }
    for (int slot = 0; slot < GamepadSlots; ++slot) {
        EXPECT_GE(controllers.calls[slot], 4) << slot;
        EXPECT_LE(controllers.calls[slot], 6) << slot;
    }
    EXPECT_LE(TotalCalls(), 21) << "each tick asks about one empty slot";

    controllers.connected[1] = true;
    for (int tick = 0; tick < 4 && GamepadPollPeriod(&pads) == GamepadIdlePollMs; ++tick) {
        Tick();
    }
    EXPECT_EQ(static_cast<UINT>(GamepadConnectedPollMs), GamepadPollPeriod(&pads));
    int before = controllers.calls[1];
    Tick();
    EXPECT_EQ(before + 1, controllers.calls[1]) << "a connected slot is read at every tick";

    controllers.connected[1] = false;
    Tick();
    EXPECT_EQ(static_cast<UINT>(GamepadIdlePollMs), GamepadPollPeriod(&pads));

    Gamepads none = {};
    int commands[GamepadCommandCapacity];
    EXPECT_EQ(0, ReadGamepadCommands(&none, now, commands, GamepadCommandCapacity));
}

TEST_F(GamepadRead, EachPushMovesOnceAndEachPressOfAActsOnce)
{
    controllers.connected[1] = true;
    for (int tick = 0; tick < 4 && GamepadPollPeriod(&pads) == GamepadIdlePollMs; ++tick) {
        Tick();
    }
    ASSERT_EQ(static_cast<UINT>(GamepadConnectedPollMs), GamepadPollPeriod(&pads));

    // The D-pad: one move per push, however long it is held.
    EXPECT_EQ(Commands{FocusRight}, TickWith(XINPUT_GAMEPAD_DPAD_RIGHT));
    EXPECT_EQ(Commands{}, TickWith(XINPUT_GAMEPAD_DPAD_RIGHT));
    EXPECT_EQ(Commands{}, TickWith(0));
    EXPECT_EQ(Commands{FocusRight}, TickWith(XINPUT_GAMEPAD_DPAD_RIGHT));
    EXPECT_EQ(Commands{FocusUp}, TickWith(XINPUT_GAMEPAD_DPAD_UP));

    // A: one action per press, after the move of the same read.
    EXPECT_EQ(Commands{GamepadCommandAct}, TickWith(XINPUT_GAMEPAD_A));
    EXPECT_EQ(Commands{}, TickWith(XINPUT_GAMEPAD_A));
    EXPECT_EQ(Commands{}, TickWith(0));
    EXPECT_EQ((Commands{FocusDown, GamepadCommandAct}),
              TickWith(XINPUT_GAMEPAD_DPAD_DOWN | XINPUT_GAMEPAD_A));
    EXPECT_EQ(Commands{}, TickWith(0));

    // The stick: inside the push zone nothing moves; a push lasts until the stick is back inside
    // the release zone, whichever way it rolls meanwhile.
    EXPECT_EQ(Commands{}, TickWith(0, GamepadStickPush - 1, 0));
    EXPECT_EQ(Commands{}, TickWith(0, 0, -(GamepadStickPush - 1)));
    EXPECT_EQ(Commands{FocusRight}, TickWith(0, 30000, 2000));
    EXPECT_EQ(Commands{}, TickWith(0, GamepadStickRelease + 1, 0));
    EXPECT_EQ(Commands{}, TickWith(0, 0, 30000)) << "rolled round without letting go";
    EXPECT_EQ(Commands{}, TickWith(0, 1000, -1000));
    EXPECT_EQ(Commands{FocusDown}, TickWith(0, -3000, -32768));
    TickWith(0);

    // The D-pad rolled from Right through Right+Down back to Right: Down is the one new press.
    EXPECT_EQ(Commands{FocusRight}, TickWith(XINPUT_GAMEPAD_DPAD_RIGHT));
    EXPECT_EQ(Commands{FocusDown}, TickWith(XINPUT_GAMEPAD_DPAD_RIGHT | XINPUT_GAMEPAD_DPAD_DOWN));
    EXPECT_EQ(Commands{}, TickWith(XINPUT_GAMEPAD_DPAD_RIGHT));
}

TEST_F(GamepadRead, WhatIsHeldWhenPollingStartsOrAControllerConnectsActsOnlyOncePressedAgain)
{
    // Connected with A, Right and the stick held: recorded, not acted on, until let go.
    controllers.connected[1] = true;
    const WORD held = XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_DPAD_RIGHT;
    for (int tick = 0; tick < 4 && GamepadPollPeriod(&pads) == GamepadIdlePollMs; ++tick) {
        EXPECT_EQ(Commands{}, TickWith(held, 0, 30000));
    }
    EXPECT_EQ(Commands{}, TickWith(held, 0, 30000));
    EXPECT_EQ(Commands{}, TickWith(0));
    EXPECT_EQ((Commands{FocusRight, GamepadCommandAct}), TickWith(held));

    // Polling starts again (the menu is back in front) while A and Up are held: the same.
    RestartGamepadBaselines(&pads);
    EXPECT_EQ(Commands{}, TickWith(XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_DPAD_UP));
    EXPECT_EQ(Commands{}, TickWith(XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_DPAD_UP));
    EXPECT_EQ(Commands{}, TickWith(0));
    EXPECT_EQ(Commands{GamepadCommandAct}, TickWith(XINPUT_GAMEPAD_A));
}

TEST(GamepadLibrary, IsLoadedFromTheSystemFolderOnly)
{
    static std::string loaded;
    const MenuPlatform saved = menuPlatform;
    menuPlatform.loadLibraryEx = [](LPCSTR path, HANDLE, DWORD) -> HMODULE {
        loaded += std::string(path) + ";";
        return nullptr;
    };
    Gamepads pads = {};
    EXPECT_EQ(0, LoadGamepadLibrary(&pads));
    menuPlatform = saved;
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(std::string(system) + "\\xinput1_4.dll;" + system + "\\xinput9_1_0.dll;", loaded);
}

}  // namespace
