// The launch utilities: default programs, starting command lines, the foreground.
// Osmant.dll; every function returns nonzero on success and 0 on failure. Text is 8-bit ANSI.
// Functions that are given a buffer without a size write at most 255 characters and the
// terminator (256 bytes); every buffer is emptied first and stays empty when nothing is found.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Brings a top-level window (of any process) to the foreground, restoring it when minimised.
int Osmant_SetWindowToForeground(HWND window);

// The program file of the default web browser (the handler of http). 256-byte buffer.
int Osmant_GetSystemDefaultBrowserFileName(char* fileName);

// The program file of the default mail program (the handler of mailto, else the system's
// registered mail client). 256-byte buffer.
int Osmant_GetSystemDefaultMailFileName(char* fileName);

// The command line registered under HKEY_CLASSES_ROOT at verbPath, such as
// "DVD\Shell\Play\Command". 256-byte buffer.
int Osmant_GetSystemDefaultPlayerFileName(const char* verbPath, char* commandLine);

// The command line of the handler for files with the extension extName ("CDA", "MPG"; with or
// without the dot): its play verb where it has one, else its open verb.
int Osmant_GetDefaultPlayerFileNameByExtName(const char* extName, char* commandLine,
                                             int commandLineSize);

// Starts a command line: a program with arguments, quoted or not, or a document or URL through
// the shell. owner: the window that owns any message the shell shows, or null.
// showCommand: 0 means SW_SHOWNORMAL, else an SW_ value. flags: must be 0.
// Nonzero exactly when something was started.
int Osmant_ExecuteCommand(HWND owner, const char* commandLine, int showCommand, int flags);

// Issues an application command (APPCOMMAND_*, 15 is APPCOMMAND_LAUNCH_MAIL) as the keyboard's
// application keys do. See osmant/README.md for the meaning of the other arguments.
int Osmant_IssueWindowsAPPCommand(int command, int device, int keys, int target, int reserved);

#ifdef __cplusplus
}
#endif
