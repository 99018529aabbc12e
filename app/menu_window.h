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

// Looks for the remote-control agent's window up to `lookups` times (AgentLookups by default),
// pausing AgentPauseMs after each failed lookup; 0 looks for nothing and returns 0. The two steps
// are parameters so that tests can count them.
typedef HWND (*AgentLookup)();
typedef void (*AgentPause)(DWORD milliseconds);
int WaitForAgentLookups(int lookups, AgentLookup lookup, AgentPause pause);
// The lookups "Agent Wait" (a DWORD under the application key, in seconds) allows: AgentLookups
// when it is absent or unreadable, at most MostAgentLookups.
int ReadAgentLookups();
enum { MostAgentLookups = 60 };
extern const char agentWaitName[];
HWND FindAgentWindow();

int SelectProfileUser(HWND window);
// What the menu does before its window exists: selects the profile user, then waits for the
// agent as "Agent Wait" allows.
void PrepareMenu();
