// Drives the programs' real windows from a test, as a user would: find the windows of a
// process by title, read and set control texts, press buttons and keys. Programs are
// started with Program (processes.h).
#pragma once

#include <windows.h>

#include <string>

// A visible top-level window of the process (0: any) with exactly this title,
// polled every 50 ms; nullptr after the timeout.
HWND WaitForWindow(const std::string& title, DWORD pid, DWORD ms = 10000);
// The same, for a window that holds the control id (a dialog, not a box of that title;
// a program's main window, not its notice of the same title).
HWND WaitForWindowWith(const std::string& title, DWORD pid, int id, DWORD ms = 10000);
// A window other than `other` (a question over a dialog of the same title): title
// nullptr takes any title, id 0 any window.
HWND WaitForOtherWindow(const char* title, DWORD pid, int id, HWND other, DWORD ms = 10000);
// The visible pop-up menu (class "#32768") of the process, polled every 50 ms for up to
// 5 s; nullptr when none opened.
HWND WaitForPopupMenu(DWORD pid);
std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::string& text);
bool ControlVisible(HWND dialog, int id);
// Clicks a button like a user (posted, so a modal box it opens does not block us).
void Click(HWND dialog, int id);
// The key goes to the window that has the focus in the dialog's thread.
void PressKey(HWND dialog, UINT virtual_key);
// The title bar's close button.
void CloseFromTitleBar(HWND window);
// Waits until the window's thread has handled everything sent before.
void Sync(HWND window);
// Rectangle in screen coordinates.
RECT WindowRect(HWND window);
RECT ControlRect(HWND dialog, int id);
