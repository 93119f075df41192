// Processes for the Windows test programs (see processes.h).
#include "tests/support/win32/processes.h"

#include <shellapi.h>

#include "tests/support/win32/folders.h"
#include "tests/support/win32/window_driver.h"

std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

Program::Program(const std::string& exe, const std::vector<std::string>& args) {
  const std::string path = exe.find('\\') == std::string::npos ? TestProgramFolder() + exe : exe;
  std::string command = QuoteArgument(path);
  for (const std::string& arg : args) command += " " + QuoteArgument(arg);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
  } else {
    start_error_ = GetLastError();
  }
}

Program::~Program() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

long Program::WaitExit(DWORD ms) {
  if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<long>(code);
}

ShellStarted::ShellStarted(const std::string& file, const char* verb) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = verb;
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  launched_ = ShellExecuteExA(&info) != FALSE;
  if (launched_ && info.hProcess) {
    process_ = info.hProcess;
    pid_ = GetProcessId(process_);
  }
}

ShellStarted::~ShellStarted() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
  CloseHandle(process_);
}

HWND ShellStarted::WaitForWindow(const char* title, int control, DWORD ms) {
  const HWND window = WaitForWindowWith(title, pid_, control, ms);
  if (window && !process_) {
    GetWindowThreadProcessId(window, &pid_);
    process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid_);
  }
  return window;
}

long ShellStarted::WaitExit(DWORD ms) {
  if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<long>(code);
}

long RunCommand(const std::string& command_line, DWORD ms) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = command_line;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(code);
}

bool Eventually(const std::function<bool()>& condition, DWORD ms) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(20))
    if (condition()) return true;
  return condition();
}
