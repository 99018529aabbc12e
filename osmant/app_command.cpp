// Issuing application commands (WM_APPCOMMAND) the way a keyboard's application keys do.
#include "outside/osmant.h"

namespace {

const int kDeviceMessage = 0;
const int kDeviceKeyboard = 1;
const int kDeviceMouse = 2;
const int kDeviceOem = 3;

// A hung target must not freeze the caller's window.
const UINT kSendTimeoutMs = 2000;

// The keys that a keyboard has for the first application commands, in command order:
// APPCOMMAND_BROWSER_BACKWARD (1) to APPCOMMAND_LAUNCH_APP2 (18) map onto VK_BROWSER_BACK
// (0xA6) to VK_LAUNCH_APP2 (0xB7) one for one.
WORD KeyOfCommand(int command)
{
    if (command >= APPCOMMAND_BROWSER_BACKWARD && command <= APPCOMMAND_LAUNCH_APP2) {
        return static_cast<WORD>(VK_BROWSER_BACK + (command - APPCOMMAND_BROWSER_BACKWARD));
    }
    return 0;
}

WORD DeviceFlag(int device)
{
    switch (device) {
    case kDeviceMouse:
        return FAPPCOMMAND_MOUSE;
    case kDeviceOem:
        return FAPPCOMMAND_OEM;
    default:
        return FAPPCOMMAND_KEY;
    }
}

// Window handles are 32-bit values even in 64-bit processes, so an int carries one whole; it
// is sign-extended back as the system does.
HWND WindowOfTarget(int target)
{
    if (target != 0) {
        HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(target));
        return IsWindow(window) ? window : nullptr;
    }
    HWND foreground = GetForegroundWindow();
    return foreground != nullptr ? foreground : GetShellWindow();
}

// A real key press goes to the window with the keyboard focus; its default window procedure
// turns the key into WM_APPCOMMAND, which travels up to the top-level window and from there to
// the shell, which starts the mail program, the browser, and so on. Synthesising the key keeps
// every step of that road.
int PressKey(WORD virtualKey)
{
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
        // The application keys are extended keys (their scan codes carry the E0 prefix).
        input.ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
    }
    inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

int SendAppCommand(int command, int device, int keys, int target)
{
    HWND window = WindowOfTarget(target);
    if (window == nullptr) {
        return 0;
    }
    LPARAM lParam = MAKELPARAM(static_cast<WORD>(keys),
                               static_cast<WORD>(DeviceFlag(device) | command));
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_APPCOMMAND, reinterpret_cast<WPARAM>(window), lParam,
                               SMTO_ABORTIFHUNG | SMTO_NORMAL, kSendTimeoutMs, &result) != 0;
}

}  // namespace

extern "C" int Osmant_IssueWindowsAPPCommand(int command, int device, int keys, int target,
                                             int reserved)
{
    // The command travels in the upper word of lParam below the device bits (FAPPCOMMAND_MASK).
    if (command <= 0 || command > 0x0FFF || device < kDeviceMessage || device > kDeviceOem ||
        keys < 0 || keys > 0xFFFF || reserved != 0) {
        return 0;
    }
    WORD virtualKey = KeyOfCommand(command);
    if (device == kDeviceKeyboard && target == 0 && virtualKey != 0 && PressKey(virtualKey)) {
        return 1;
    }
    return SendAppCommand(command, device, keys, target);
}
