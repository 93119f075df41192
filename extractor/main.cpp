// The self-extractor: the program at the front of every self-extracting package. It
// shows one dialog that asks for the password and a folder, and ends when it closes.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

namespace {

// The package is run from folders full of downloaded files: before anything may load a
// library, libraries come from the system folder only (where the system can say so),
// and never from the current folder.
void RestrictLibrarySearch() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto set_default = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                                        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                  : nullptr;
  if (set_default) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictLibrarySearch();
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // 1 when the package was extracted, 0 when the user quit.
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_EXTRACTOR), nullptr, MainDialogProc, 0);
  return result == 1 ? 1 : 0;
}
