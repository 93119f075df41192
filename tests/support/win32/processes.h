// Processes for the Windows test programs: a started program that is ended with the
// object, a command line run to its end, and waiting for a condition.
#pragma once

#include <windows.h>

#include <functional>
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
  // GetLastError of a start that failed, else 0.
  DWORD start_error() const { return start_error_; }
  DWORD pid() const { return pid_; }
  // Waits for the exit; returns the exit code, or -1 after the timeout.
  long WaitExit(DWORD ms = 10000);

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  DWORD start_error_ = 0;
};

// A program started by the shell: a shortcut or a document opened with a verb. The shell
// may start it without handing its process back (Wine does so for a shortcut); the
// process is then taken from the window it shows. Terminated, if it still runs, when
// the object goes.
class ShellStarted {
 public:
  ShellStarted(const std::string& file, const char* verb);
  ~ShellStarted();
  ShellStarted(const ShellStarted&) = delete;
  ShellStarted& operator=(const ShellStarted&) = delete;
  bool launched() const { return launched_; }
  DWORD pid() const { return pid_; }  // 0 until known
  // Waits for a visible window with this title and control: of the started process when
  // it is known, else of any process, whose process it then takes.
  HWND WaitForWindow(const char* title, int control, DWORD ms);
  // The exit code, or -1 when the process is not known or has not ended within ms.
  long WaitExit(DWORD ms = 30000);

 private:
  bool launched_ = false;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// An argument as a command line carries it: quoted when it is empty or holds a blank,
// a tab or a quote.
std::string QuoteArgument(const std::string& arg);

// Runs a command line (the program is looked up as CreateProcess does) and returns its
// exit code, or -1 when it did not start or did not end within ms.
long RunCommand(const std::string& command_line, DWORD ms = 30000);

// Polls the condition every 20 ms until it holds or ms have passed; its last answer.
bool Eventually(const std::function<bool()>& condition, DWORD ms = 10000);
