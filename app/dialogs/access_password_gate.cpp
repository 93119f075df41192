// Start-up's access-password dialog (401): asked only when a password is set; a wrong
// password keeps it open, "Cancel" ends the program.
#include <cstdio>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/keys_ui.h"
#include "keys/access_password.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

INT_PTR CALLBACK GateProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowTextA(dialog, DisplayName());
      char text[160];
      std::snprintf(text, sizeof text, "\r\nEnter your password to run %s", DisplayName());
      SetDlgItemTextA(dialog, IDC_GATE_TEXT, text);
      SendDlgItemMessageA(dialog, IDC_GATE_PASSWORD, EM_LIMITTEXT, ACCESS_PASSWORD_MAX, 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        bool right = false;
        {
          SecretBuffer<ACCESS_PASSWORD_MAX + 1> password;
          GetDlgItemTextA(dialog, IDC_GATE_PASSWORD, password.value, sizeof password.value);
          right = AccessPasswordCheck(password.value) == 1;
        }
        if (right) {
          EndDialog(dialog, 1);
        } else {
          ErrorBox(dialog, "Mot de passe incorrect");
          RefocusEdit(dialog, IDC_GATE_PASSWORD);
        }
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int AccessPasswordGate() {
  if (!AccessPasswordActive()) return 1;
  const INT_PTR result =
      DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ACCESS_GATE), nullptr, GateProc, 0);
  return result == 1 ? 1 : 0;
}
