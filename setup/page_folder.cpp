// The wizard's folder page (dialog 135): the default folder under "ProgramFilesDir",
// "&Browse" to choose another, and the shown path (normalised by the frame's
// "&Install") taken as the installation folder when the page closes.
#include <windows.h>
// after windows.h
#include <shlobj.h>

#include "resources/resource.h"
#include "setup/wizard.h"
#include "setup/wizard_rules.h"

namespace {

void ShowDefaultFolder(HWND page) {
  char program_files[SETUP_PATH_SIZE] = "";
  DWORD size = sizeof program_files - 1;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &key) ==
      ERROR_SUCCESS) {
    DWORD type = 0;
    if (RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(program_files),
                         &size) != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
      size = 0;
    program_files[size < sizeof program_files ? size : sizeof program_files - 1] = '\0';
    RegCloseKey(key);
  }
  char folder[SETUP_PATH_SIZE];
  DefaultInstallFolder(program_files, folder, sizeof folder);
  SetDlgItemTextA(page, IDC_FOLDER_PATH, folder);
}

void Browse(HWND page) {
  BROWSEINFOA browse{};
  browse.hwndOwner = page;
  browse.lpszTitle = "";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  const LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  if (!chosen) return;
  char path[MAX_PATH];
  if (SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(page, IDC_FOLDER_PATH, path);
  IMalloc* shell_allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&shell_allocator))) {
    shell_allocator->Free(chosen);
    shell_allocator->Release();
  }
}

}  // namespace

INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetUpPageHeader(page, KeepWizardState(page, lparam)->heading_font, FolderSubheading().c_str(),
                      FolderBody().c_str());
      ShowDefaultFolder(page);
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_FOLDER_BROWSE && HIWORD(wparam) == BN_CLICKED) {
        Browse(page);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      if (WizardState* w = WizardStateOf(page))
        GetDlgItemTextA(page, IDC_FOLDER_PATH, w->install_folder, sizeof w->install_folder);
      return FALSE;
  }
  return PageBandMessage(page, message, wparam, lparam);
}
