// The uninstaller's state, shared by its entry (remover.cpp) and its window
// (remover_window.cpp): what the command line and the log asked for, the work lists,
// and the trace file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "remover/remover_rules.h"

struct RemoverState {
  bool silent = false;
  char log_path[REMOVER_PATH_SIZE] = "";   // full path of the log
  std::vector<std::uint8_t> log;           // its bytes, read before anything is removed
  int language = 0;
  char title[REMOVER_PATH_SIZE] = "";
  char install_dir[REMOVER_PATH_SIZE] = "";
  char system_dir[REMOVER_PATH_SIZE] = "";
  char group_dir[REMOVER_PATH_SIZE] = "";
  char desktop_dir[REMOVER_PATH_SIZE] = "";
  // The temporary copy's hold-backs: the original uninstaller and the folders it
  // keeps from being removed, dealt with once the original has ended.
  char origin[REMOVER_PATH_SIZE] = "";
  std::vector<std::string> held_folders;
  std::vector<std::string> files;          // code 0 records still to delete
  std::vector<std::string> folders;        // code 1 records still to remove
  std::vector<std::string> refused;        // files and folders not touched: out of scope, or behind a link
  bool restart_needed = false;             // a file goes at the next start of Windows
  bool cancelled = false;                  // "&Cancel" stopped the work
  bool complete = false;
};

// What the uninstaller may touch for this log.
inline RemovalScope ScopeOf(const RemoverState& s) {
  return RemovalScope{s.install_dir, s.system_dir, s.group_dir, s.desktop_dir};
}

// Appends one formatted line to "qlxunins.log" in the temporary folder. The file is
// written only when it is a plain file of that folder: a link, or a file that the
// folder's name leads elsewhere, gets nothing.
void Trace(const char* format, ...);

// Shows a box, or in silent mode traces its text instead. Returns MessageBoxA's value
// (IDOK in silent mode).
int RemoverBox(const RemoverState& state, HWND owner, const char* text, const char* title, UINT type);

// Runs the window (dialog 101) over state.log: 1 when the work completed.
int RunRemoverWindow(HINSTANCE instance, RemoverState& state);
