// The menu window's procedure and its message handlers.
#pragma once

#include "actions/input_state.h"

#include <windows.h>

extern const char applicationKey[];

enum {
    ActivationTimerId = 4097,
    ActivationPeriodMs = 10000,
    AgentLookups = 6,
    AgentPauseMs = 1000,
    MenuQuitCode = 18,
};

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Looks for the remote-control agent's window up to AgentLookups times, pausing AgentPauseMs
// after each failed lookup. The two steps are parameters so that tests can count them.
typedef HWND (*AgentLookup)();
typedef void (*AgentPause)(DWORD milliseconds);
int WaitForAgent(AgentLookup lookup, AgentPause pause);
HWND FindAgentWindow();

int SelectProfileUser(HWND window);
