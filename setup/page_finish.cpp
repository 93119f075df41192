// The wizard's finish page (dialog 132), drawn on white beside its picture: "Run
// quillnox.exe", checked at first, starts the installed program when the page closes.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "resources/resource.h"
#include "setup/wizard.h"
#include "setup/wizard_rules.h"

INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      KeepWizardState(page, lparam);
      SetDlgItemTextA(page, IDC_PAGE_BODY, FinishBody().c_str());
      CheckDlgButton(page, IDC_FINISH_RUN, BST_CHECKED);
      const HANDLE picture = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SETUP_PANEL),
                                        IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
      SendDlgItemMessageA(page, IDC_PAGE_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
      return FALSE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(wparam), RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    case WM_DESTROY: {
      const WizardState* w = WizardStateOf(page);
      if (w && IsDlgButtonChecked(page, IDC_FINISH_RUN) == BST_CHECKED) {
        char program[SETUP_PATH_SIZE];
        if (InstalledProgramPath(w->install_folder, program, sizeof program))
          ShellExecuteA(nullptr, "open", program, nullptr, w->install_folder, SW_SHOWNORMAL);
      }
      return FALSE;
    }
  }
  return FALSE;
}
