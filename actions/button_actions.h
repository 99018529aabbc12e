// What a released button does, by its remote code.
#pragma once

#include <windows.h>

// The remote-control agent's window class: the menu waits for it at start and hands it requests.
extern const char agentWindowClassName[];

enum RemoteCode {
    RemoteCodeBrowser = 320,
    RemoteCodeMail = 321,
    RemoteCodeCdPlayer = 1713,
    RemoteCodeDvdPlayer = 1714,
    RemoteCodeCloseMenu = 39321,
    RemoteCodeCommand = 61456,
    // The power tiles, beside Close: like it, the menu does them itself, since the agent has no
    // message for them.
    RemoteCodeSleep = 39322,
    RemoteCodeRestart = 39323,
    RemoteCodeShutDown = 39324,
};

enum AgentMessage {
    AgentMsgRemoteCode = WM_USER + 4,
    AgentMsgCdPlayer = WM_USER + 1200,
    AgentMsgDvdPlayer = WM_USER + 1201,
};

// WM_LBUTTONUP: the release feedback, then the action of the button under the point.
LRESULT RunButtonAction(HWND window, WPARAM wParam, LPARAM lParam);

// Performs the action of button `index` of the current skin.
void PerformButtonAction(HWND window, int index);

// Ends a command line at the first space, quotation mark or percent sign after its last
// backslash (the first character is never examined). In place.
void TrimCommandTail(char* text);

// The program's file name from a command line, into a 256-byte buffer. Returns 1.
int GetCommandFileName(const char* commandLine, char* name);
