// The self-extractor: the program at the front of every self-extracting package. It
// shows one dialog that asks for the password and a folder, and ends when it closes.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/library_search.h"
#include "resources/resource.h"

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The package is run from folders full of downloaded files.
  RestrictLibrarySearch();
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // 1 when the package was extracted, 0 when the user quit.
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_EXTRACTOR), nullptr, MainDialogProc, 0);
  return result == 1 ? 1 : 0;
}
