// Drives the programs' real windows from a test: start a program, find its windows by
// title, read and set control texts, press buttons and keys, wait for the exit code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A started program; terminated (if still running) when the object goes.
class Program {
 public:
  // exe: a file name beside the test program, or a full path. args are quoted as needed.
  Program(const std::string& exe, const std::vector<std::string>& args);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  bool started() const { return process_ != nullptr; }
  DWORD pid() const { return pid_; }
  // Waits for the exit; returns the exit code, or -1 after the timeout.
  long WaitExit(DWORD ms = 10000);

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// The folder of the running test program, with a trailing backslash.
std::string TestProgramFolder();
// True when a file or folder is at path.
bool Exists(const std::string& path);

// A visible top-level window of the process (0: any) with exactly this title,
// polled every 50 ms; nullptr after the timeout.
HWND WaitForWindow(const std::string& title, DWORD pid, DWORD ms = 10000);
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
