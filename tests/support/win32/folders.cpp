// Folders for the Windows test programs (see folders.h).
#include "tests/support/win32/folders.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/win32/files.h"

std::string TemporaryFolder() {
  char path[MAX_PATH] = "";
  const DWORD n = GetTempPathA(sizeof path, path);
  return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

std::string TestProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string program(path, n < sizeof path ? n : 0);
  return program.substr(0, program.find_last_of('\\') + 1);
}

std::string SystemFolder() {
  char path[MAX_PATH] = "";
  const UINT n = GetSystemDirectoryA(path, sizeof path);
  return n < sizeof path ? std::string(path, n) : std::string();
}

std::string WindowsFolder() {
  char path[MAX_PATH] = "";
  const UINT n = GetWindowsDirectoryA(path, sizeof path);
  return n < sizeof path ? std::string(path, n) : std::string();
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = "";
  return SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? path : "";
}

std::string UnixToWindows(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

ScratchFolder::ScratchFolder(const std::string& name)
    : path_(TemporaryFolder() + name + "_" + std::to_string(GetCurrentProcessId()) + "\\") {
  RemoveTree(path_);
  if (!CreateDirectoryA(path_.c_str(), nullptr)) ADD_FAILURE() << "cannot make " << path_;
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }
