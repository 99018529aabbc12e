// The launch utilities: default programs, starting command lines, the foreground.
// Osmant.dll; every function returns nonzero on success and 0 on failure. Text is 8-bit ANSI.
// Functions that are given a buffer without a size write at most 255 characters and the
// terminator (256 bytes). Every buffer is emptied first and stays empty when nothing is found;
// a result that does not fit is a failure and leaves the buffer empty, never cut short.
// Registrations under HKEY_CLASSES_ROOT are read from the user's own classes first
// (HKCU\Software\Classes), then from HKEY_CLASSES_ROOT; values of type REG_EXPAND_SZ are
// returned with their environment strings expanded. See osmant/README.md.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Brings a top-level window (of any process) to the foreground, restoring it when minimised.
// Never waits for the window's thread, so a hung program cannot freeze the caller: the restore
// and the move to the top are queued to that thread (ShowWindowAsync, SWP_ASYNCWINDOWPOS).
// Nonzero when the window is the foreground window afterwards (its restore may still be under
// way).
int Osmant_SetWindowToForeground(HWND window);

// The default web browser as the shell resolves the http protocol (AssocQueryStringA with
// ASSOCF_IS_PROTOCOL): the program file of its command, as written, with environment strings
// expanded, in quotation marks when it has a blank, so that the text is one path wherever it is
// handed on as a command line (a name with a blank fits with up to 253 characters). A program file
// that does not exist is no browser (result 0), never a shorter path that does. A packaged default
// with no program file gives "shell:AppsFolder\<application id>", a text Osmant_ExecuteCommand
// hands to the shell, which opens that app. When the shell names a handler, no other program is
// ever given instead (a name too long for the buffer is a failure). Only when the shell knows no
// handler: the open command of the class the user chose (UrlAssociations\http\UserChoice, ProgId),
// else of the http class. 256-byte buffer. Nonzero only when a name was written.
int Osmant_GetSystemDefaultBrowserFileName(char* fileName);

// The default mail program, found as the browser is for the mailto protocol; when the shell
// knows no handler: the mailto handler in the registry (the user's choice, then the mailto
// class), else the mail client registered under Software\Clients\Mail (the user's setting, then
// the machine's), taken from its shell\open\command. 256-byte buffer.
int Osmant_GetSystemDefaultMailFileName(char* fileName);

// The command line registered under HKEY_CLASSES_ROOT at verbPath (its default value), such as
// "DVD\Shell\Play\Command", placeholders ("%1") and all. 256-byte buffer.
int Osmant_GetSystemDefaultPlayerFileName(const char* verbPath, char* commandLine);

// The command line of the handler for files with the extension extName ("CDA", "MPG"; with or
// without the dot): the class the user chose (Explorer\FileExts\.ext\UserChoice), else the
// extension's ProgID, else the extension key itself; of that class its play verb where it has
// one, else its open verb. commandLineSize is the buffer's size in bytes, terminator included.
int Osmant_GetDefaultPlayerFileNameByExtName(const char* extName, char* commandLine,
                                             int commandLineSize);

// Starts a command line. Environment strings are expanded first. A URL ("scheme:...", including
// "shell:AppsFolder\<id>") and a document, folder or script go to the shell (ShellExecuteEx,
// without error boxes); a program (.exe, .com) is started directly with its arguments, and
// through the shell (which asks for consent) when it needs elevation. The program is quoted, or
// unquoted with blanks in its path: then the longest blank-ended prefix that names an existing
// program or folder, never a shorter one; ".exe" may be left off, a bare name is searched along
// the search path; no prefix is taken that stops inside the name of an existing folder the text
// goes on into; prefixes end at the first that names a program file (.exe, .com, .bat, .cmd,
// trailing dots aside) and cross no "." or ".." segment after the first blank; a lone quotation
// mark at the end of an unquoted text is ignored. A program path that names nothing (a missing
// program of any kind) starts nothing, never a shorter path. owner: the window the
// shell uses for any dialog, or null. showCommand: an SW_ value, or 0 for none (the program
// shows its window as it would from the desktop). flags: must be 0 (else refused).
// Nonzero exactly when something was started. The started program may take the foreground.
int Osmant_ExecuteCommand(HWND owner, const char* commandLine, int showCommand, int flags);

// Issues an application command as the keyboard's application keys do, so that the program in
// front or, failing that, the shell acts on it (15, APPCOMMAND_LAUNCH_MAIL, starts the mail
// program).
//   command:  an APPCOMMAND_ value, 1 to 4095.
//   device:   0 = a WM_APPCOMMAND message marked as from the keyboard (FAPPCOMMAND_KEY);
//             1 = a key press: with target 0 and a key for the command (commands 1 to 18,
//                 VK_BROWSER_BACK to VK_LAUNCH_APP2), the key is pressed and released through
//                 the input queue; otherwise as 0;
//             2 = a message marked as from the mouse (FAPPCOMMAND_MOUSE);
//             3 = a message marked as from another device (FAPPCOMMAND_OEM).
//   keys:     MK_ flags of the message (0 to 0xFFFF); not used for a key press.
//   target:   0 = where a real key would go (the foreground window, else the shell's window);
//             otherwise a window handle as an integer, which receives the message.
//   reserved: must be 0.
// Nonzero when the key was pressed or the message was delivered; 0 for refused arguments.
int Osmant_IssueWindowsAPPCommand(int command, int device, int keys, int target, int reserved);

#ifdef __cplusplus
}
#endif
