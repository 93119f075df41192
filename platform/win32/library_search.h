// Library loading for the programs that start from folders others may write to (a
// download folder, the temporary folder, an installation folder chosen by the user):
// the self-extracting package, setup and the uninstaller. First thing, before anything
// may load a library, they call RestrictLibrarySearch.
#pragma once

#include <windows.h>

// Libraries from the system folder only (where the system can say so), and never from
// the current folder.
inline void RestrictLibrarySearch() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto set_default = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                                        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                  : nullptr;
  if (set_default) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
}
