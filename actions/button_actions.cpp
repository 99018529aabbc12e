#include "actions/button_actions.h"

#include "actions/hit_test.h"
#include "actions/menu_platform.h"
#include "actions/power.h"
#include "outside/kivrel.h"
#include "outside/osmant.h"
#include "outside/tarvik.h"
#include "skin/skin.h"

const char agentWindowClassName[] = "MorvixRemoteCtrl4VelnorWndClass";

namespace {

enum { TextCapacity = 256, AppCommandLaunchMail = 15, AgentWParamBrowser = 1798 };

const char dvdVerbPath[] = "DVD\\Shell\\Play\\Command";

// An emptied working text, as every launch utility expects its buffer.
struct Text {
    char chars[TextCapacity];
    Text() { ZeroMemory(chars, sizeof chars); }
};

// The agent does the job when it runs: one post, and the menu does nothing more. Posting never
// waits, so an agent that hangs cannot hang the menu. The menu holds the right to the foreground
// while it acts on a press, and hands it on first, as the launch utilities do for a program the
// menu starts: without it, what the agent starts would open behind the menu, flashing.
int HandToAgent(UINT message, WPARAM wParam)
{
    HWND agent = FindWindowA(agentWindowClassName, nullptr);
    if (agent == nullptr) {
        return 0;
    }
    DWORD agentProcess = 0;
    if (GetWindowThreadProcessId(agent, &agentProcess) != 0 && agentProcess != 0) {
        menuPlatform.allowSetForegroundWindow(agentProcess);
    }
    PostMessageA(agent, message, wParam, 0);
    return 1;
}

int ReadCommand(const char* keyPath, Text& command)
{
    return Kivrel_GetProfileString(keyPath, "Command", command.chars, TextCapacity);
}

void StartBrowser(HWND window)
{
    if (HandToAgent(AgentMsgRemoteCode, AgentWParamBrowser)) {
        return;
    }
    Text browser;
    if (!Osmant_GetSystemDefaultBrowserFileName(browser.chars) || browser.chars[0] == '\0') {
        return;
    }
    Osmant_ExecuteCommand(window, browser.chars, 0, 0);
}

// The mail application command lets the shell open mail its own way: when no mail program is
// known, when a running one was just brought forward, and when starting one failed. The menu
// window owns the start, so a consent prompt for a mail program that needs elevation comes up in
// front of the menu rather than as a flashing button behind it.
void StartMail(HWND window)
{
    if (HandToAgent(AgentMsgRemoteCode, RemoteCodeMail)) {
        return;
    }
    Text mail;
    Osmant_GetSystemDefaultMailFileName(mail.chars);
    if (mail.chars[0] != '\0') {
        HWND running = TARVIK_GetWindowHandleFromExecutableFile(mail.chars);
        if (running != nullptr) {
            Osmant_SetWindowToForeground(running);
        } else if (Osmant_ExecuteCommand(window, mail.chars, 0, 0)) {
            return;
        }
    }
    Osmant_IssueWindowsAPPCommand(AppCommandLaunchMail, 1, 0, 0, 0);
}

// The launch text is the trimmed player text with one quotation mark appended. A trimmed text of
// 255 characters leaves no room for it: the player is then not started rather than started with
// a cut command line.
void StartCdPlayer(HWND window)
{
    if (HandToAgent(AgentMsgCdPlayer, 0)) {
        return;
    }
    Text player, working, launch;
    Osmant_GetDefaultPlayerFileNameByExtName("CDA", player.chars, TextCapacity);
    lstrcpynA(working.chars, player.chars, TextCapacity);
    TrimCommandTail(working.chars);
    int launchFits = lstrlenA(working.chars) + 1 < TextCapacity;
    if (launchFits) {
        lstrcpynA(launch.chars, working.chars, TextCapacity);
        lstrcatA(launch.chars, "\"");
    }
    HWND running = TARVIK_GetWindowHandleFromExecutableFile(player.chars);
    if (running != nullptr) {
        Osmant_SetWindowToForeground(running);
    } else if (launchFits) {
        Osmant_ExecuteCommand(window, launch.chars, 0, 0);
    }
}

// The registered player, unless it is the system's own DVD program, which gives way to the
// player registered for video files; the button's command is the last resort.
int StartRegisteredDvdPlayer(HWND window)
{
    Text player;
    Osmant_GetSystemDefaultPlayerFileName(dvdVerbPath, player.chars);
    if (player.chars[0] == '\0') {
        return 0;
    }
    Text name;
    GetCommandFileName(player.chars, name.chars);
    if (lstrcmpiA(name.chars, "dvdplay.exe") == 0) {
        player.chars[0] = '\0';
        Osmant_GetDefaultPlayerFileNameByExtName("MPG", player.chars, TextCapacity);
    }
    // The trimmed copy is the launch text itself: nothing is appended on this path.
    Text launch;
    lstrcpynA(launch.chars, player.chars, TextCapacity);
    TrimCommandTail(launch.chars);
    return Osmant_ExecuteCommand(window, launch.chars, 0, 0);
}

void StartDvdPlayer(HWND window, const char* keyPath)
{
    if (HandToAgent(AgentMsgDvdPlayer, 0)) {
        return;
    }
    if (StartRegisteredDvdPlayer(window)) {
        return;
    }
    // The read's result is not needed: a value that cannot be read leaves the text empty.
    Text command;
    ReadCommand(keyPath, command);
    if (command.chars[0] == '\0') {
        return;
    }
    HWND running = TARVIK_GetWindowHandleFromExecutableFile(command.chars);
    if (running != nullptr) {
        Osmant_SetWindowToForeground(running);
    } else {
        Osmant_ExecuteCommand(window, command.chars, 0, 0);
    }
}

// The command runs only where a default browser is known; a browser that was already running is
// brought back in front of what the command opened.
void RunCommand(HWND window, const char* keyPath)
{
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (HandToAgent(AgentMsgRemoteCode, RemoteCodeCommand)) {
        return;
    }
    Text command;
    if (!ReadCommand(keyPath, command) || command.chars[0] == '\0') {
        return;
    }
    Text browser;
    if (!Osmant_GetSystemDefaultBrowserFileName(browser.chars) || browser.chars[0] == '\0') {
        return;
    }
    HWND runningBrowser = TARVIK_GetWindowHandleFromExecutableFile(browser.chars);
    Osmant_ExecuteCommand(window, command.chars, 0, 0);
    if (runningBrowser != nullptr) {
        Osmant_SetWindowToForeground(runningBrowser);
    }
}

}  // namespace

void PerformButtonAction(HWND window, int index)
{
    if (currentSkin == nullptr || index < 0 || index >= currentSkin->buttonCount) {
        return;
    }
    // A name too long for the path leaves the button without an action rather than reading
    // some other key.
    char keyPath[TextCapacity];
    if (!BuildButtonKeyPath(keyPath, currentSkin->buttons[index].name)) {
        return;
    }
    DWORD code = 0;
    if (!Kivrel_GetProfileDWord(keyPath, "Remote Code", &code) || code == 0) {
        return;
    }
    switch (code) {
    case RemoteCodeBrowser:
        StartBrowser(window);
        break;
    case RemoteCodeMail:
        StartMail(window);
        break;
    case RemoteCodeCdPlayer:
        StartCdPlayer(window);
        break;
    case RemoteCodeDvdPlayer:
        StartDvdPlayer(window, keyPath);
        break;
    case RemoteCodeCloseMenu:
        DestroyWindow(window);
        break;
    case RemoteCodeCommand:
        RunCommand(window, keyPath);
        break;
    // A refused request leaves the menu as it was: nothing to undo, nothing to show.
    case RemoteCodeSleep:
        RequestPower(PowerSleep);
        break;
    case RemoteCodeRestart:
        RequestPower(PowerRestart);
        break;
    case RemoteCodeShutDown:
        RequestPower(PowerShutDown);
        break;
    default:
        break;
    }
}

LRESULT RunButtonAction(HWND window, WPARAM, LPARAM lParam)
{
    int index = ReleaseButton(window, lParam);
    if (index != -1) {
        PerformButtonAction(window, index);
    }
    return 0;
}
