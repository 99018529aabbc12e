// Gamepad polling with no controller connected: what the menu's poll schedule costs a second,
// from the real XInput library's time for one question to an empty slot, against a poll that asks
// all four slots at every tick of the connected rate.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"

#include "actions/gamepad.h"

enum { GamepadRuns = 31, ScheduleSeconds = 60 };

static GamepadStateReader realReader = nullptr;
static long readerCalls = 0;

static DWORD WINAPI CountingReader(DWORD slot, XINPUT_STATE* state)
{
    ++readerCalls;
    return realReader(slot, state);
}

// The first slot that answers "not connected", or -1 when a controller sits in every slot.
static int FindEmptySlot()
{
    for (DWORD slot = 0; slot < GamepadSlots; ++slot) {
        XINPUT_STATE state = {};
        if (realReader(slot, &state) == ERROR_DEVICE_NOT_CONNECTED) {
            return static_cast<int>(slot);
        }
    }
    return -1;
}

static double TimeEmptySlotMs(int slot)
{
    std::vector<double> samples;
    for (int run = 0; run < GamepadRuns; ++run) {
        XINPUT_STATE state = {};
        const double start = NowMs();
        realReader(slot, &state);
        samples.push_back(NowMs() - start);
    }
    return Median(samples);
}

// The menu's own routine run on a clock of its own for ScheduleSeconds, ticking at the period it
// asks for: how many questions and ticks a second it makes with no controller.
static void CountSchedule(Gamepads* pads, double* callsPerSecond, double* ticksPerSecond)
{
    pads->readState = CountingReader;
    readerCalls = 0;
    DWORD now = 0;
    ScheduleEmptySlots(pads, now);
    long ticks = 0;
    int commands[GamepadCommandCapacity];
    while (now < ScheduleSeconds * 1000u) {
        now += GamepadPollPeriod(pads);
        ReadGamepadCommands(pads, now, commands, GamepadCommandCapacity);
        ++ticks;
    }
    *callsPerSecond = static_cast<double>(readerCalls) / ScheduleSeconds;
    *ticksPerSecond = static_cast<double>(ticks) / ScheduleSeconds;
}

// A tick at which no slot is due: the routine's own overhead.
static double TimeIdleTickMs(Gamepads* pads)
{
    std::vector<double> samples;
    int commands[GamepadCommandCapacity];
    for (int run = 0; run < GamepadRuns; ++run) {
        ScheduleEmptySlots(pads, 0);
        const double start = NowMs();
        ReadGamepadCommands(pads, 1, commands, GamepadCommandCapacity);
        samples.push_back(NowMs() - start);
    }
    return Median(samples);
}

void RunGamepadFigure()
{
    Gamepads pads = {};
    bool ok = LoadGamepadLibrary(&pads) != 0;
    realReader = pads.readState;
    int slot = ok ? FindEmptySlot() : -1;
    ok = ok && slot != -1;
    double callMs = 0.0, callsPerSecond = 0.0, ticksPerSecond = 0.0, tickMs = 0.0;
    if (ok) {
        callMs = TimeEmptySlotMs(slot);
        CountSchedule(&pads, &callsPerSecond, &ticksPerSecond);
        tickMs = TimeIdleTickMs(&pads);
    }
    // Microseconds of CPU a second.
    const double menuUs = (callsPerSecond * callMs + ticksPerSecond * tickMs) * 1000.0;
    const double naiveUs = (1000.0 / GamepadConnectedPollMs) * GamepadSlots * callMs * 1000.0;
    AddRow("Gamepad poll, no controller", "us/s", menuUs, naiveUs, 0.1, ok);
    if (!ok) {
        AddNote("Gamepad poll: no XInput library could be loaded, or every slot has a "
                "controller; not measured.");
    } else {
        AddNote("Gamepad poll: one XInputGetState on an empty slot takes %.4f ms here (median of "
                "%d). With no controller the menu's timer ticks %.1f times a second and asks %.2f "
                "empty slots a second (its own routine on a clock of its own over %d s); a tick "
                "with nothing due costs %.5f ms. Floor column: a poll of all four slots every "
                "%d ms, the connected rate. On Windows an empty slot costs far more than under "
                "Wine, which is why the menu asks each one only every %d ms.",
                callMs, GamepadRuns, ticksPerSecond, callsPerSecond, ScheduleSeconds, tickMs,
                GamepadConnectedPollMs, GamepadEmptySlotProbeMs);
    }
    pads.readState = realReader;
    FreeGamepadLibrary(&pads);
}
