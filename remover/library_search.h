// Library loading for setup and the uninstaller, which run as administrator from
// folders that others may write to (a download folder, the temporary folder, an
// installation folder chosen by the user). Both import statically only libraries that
// the system keeps as known libraries, which it never looks for beside a program;
// first thing, they restrict the search of everything loaded later to the system
// folder, and load the common controls from there themselves.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "platform/win32/library_search.h"

// The common controls (the progress bar's class), loaded from the system folder; the
// program's manifest names the version. false when they could not be loaded.
inline bool InitProgressBarClass() {
  HMODULE controls = LoadLibraryExA("comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!controls) {  // a system that knows no search flags: the full path
    char path[MAX_PATH + 16];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (!n || n >= MAX_PATH) return false;
    lstrcatA(path, "\\comctl32.dll");
    controls = LoadLibraryA(path);
  }
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  const auto init = controls ? reinterpret_cast<InitFunction>(
                                   reinterpret_cast<void*>(GetProcAddress(controls, "InitCommonControlsEx")))
                             : nullptr;
  if (!init) return false;
  const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
  return init(&classes) != 0;
}
