// The buttons' actions: what the menu reads when a button is released. These settings do not
// depend on the resolution mode, so they are checked once.
#include "skincheck/skincheck.h"

#include "actions/button_actions.h"
#include "outside/kivrel.h"

namespace {

const char section[] = "actions";

bool IsKnownCode(DWORD code)
{
    switch (code) {
    case RemoteCodeBrowser:
    case RemoteCodeMail:
    case RemoteCodeCdPlayer:
    case RemoteCodeDvdPlayer:
    case RemoteCodeCloseMenu:
    case RemoteCodeCommand:
    case RemoteCodeSleep:
    case RemoteCodeRestart:
    case RemoteCodeShutDown:
        return true;
    default:
        return false;
    }
}

// The command as the action reads it; a text too long for its buffer is told apart from a missing
// one, since the store refuses both alike.
void CheckCommand(Report* report, const char* keyPath, DWORD code)
{
    char command[KeyCapacity];
    ZeroMemory(command, sizeof command);
    if (Kivrel_GetProfileString(keyPath, "Command", command, sizeof command) != 0 &&
        command[0] != '\0') {
        return;
    }
    char longer[2048];
    ZeroMemory(longer, sizeof longer);
    if (Kivrel_GetProfileString(keyPath, "Command", longer, sizeof longer) != 0 &&
        longer[0] != '\0') {
        ReportProblem(report, section, true,
                      "%s: Command: longer than the %d characters the menu reads", keyPath,
                      KeyCapacity - 1);
        return;
    }
    if (code == RemoteCodeCommand) {
        ReportProblem(report, section, true,
                      "%s: Command: missing or empty: remote code 61456 runs it, so the button "
                      "does nothing",
                      keyPath);
    } else {
        ReportProblem(report, section, false,
                      "%s: Command: missing or empty: remote code 1714 falls back to it when no "
                      "DVD player starts, and then does nothing",
                      keyPath);
    }
}

void CheckAction(Report* report, const char* name)
{
    char keyPath[KeyCapacity];
    if (!BuildButtonKeyPath(keyPath, name)) {
        return; // reported with the mode's buttons
    }
    DWORD code = 0;
    if (Kivrel_GetProfileDWord(keyPath, "Remote Code", &code) == 0) {
        ReportProblem(report, section, true,
                      "%s: Remote Code: missing or not a DWORD: the button does nothing", keyPath);
        return;
    }
    if (!IsKnownCode(code)) {
        ReportProblem(report, section, true,
                      "%s: Remote Code: %lu is not a known code (320, 321, 1713, 1714, 39321, "
                      "39322, 39323, 39324, 61456): the button does nothing",
                      keyPath, static_cast<unsigned long>(code));
        return;
    }
    if (code == RemoteCodeDvdPlayer || code == RemoteCodeCommand) {
        CheckCommand(report, keyPath, code);
    }
}

} // namespace

void CheckActions(Report* report)
{
    char name[KeyCapacity];
    for (int index = 0; index < ButtonsUsed && EnumerateButtonName(index, name); ++index) {
        CheckAction(report, name);
    }
}
