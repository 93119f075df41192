// The protection dialog (404): switches the access password on, changes it, or
// switches it off; its opening state and its checks are the rules of keys/key_rules.
#include <cstdio>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/keys_ui.h"
#include "keys/access_password.h"
#include "keys/key_rules.h"
#include "keys/passphrase_list.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

constexpr int kEdits[3] = {IDC_PROTECT_CURRENT, IDC_PROTECT_NEW, IDC_PROTECT_CONFIRM};

void Enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE); }

void Focus(HWND dialog, ProtectionFocus focus) {
  const int id = focus == ProtectionFocus::NewPassword       ? IDC_PROTECT_NEW
                 : focus == ProtectionFocus::Modify          ? IDC_PROTECT_MODIFY
                 : focus == ProtectionFocus::CurrentPassword ? IDC_PROTECT_CURRENT
                                                             : IDC_PROTECT_ACTIVATE;
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

void SetEcho(HWND dialog, bool hidden) {
  for (int id : kEdits) {
    HWND edit = GetDlgItem(dialog, id);
    SendMessageA(edit, EM_SETPASSWORDCHAR, hidden ? '*' : 0, 0);
    InvalidateRect(edit, nullptr, TRUE);
  }
}

BOOL InitProtection(HWND dialog) {
  SetWindowTextA(dialog, DisplayName());
  PlaceBelowOwner(dialog, GetWindow(dialog, GW_OWNER));
  int stored = 0;
  if (!PassphraseListLoad(nullptr, nullptr, nullptr, &stored)) stored = 0;
  const ProtectionState state = ProtectionOpeningState(AccessPasswordActive(), AccessPasswordAuthreq(), stored);
  for (int id : kEdits) {
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, ACCESS_PASSWORD_MAX, 0);
    Enable(dialog, id, false);
  }
  CheckDlgButton(dialog, IDC_PROTECT_HIDE, BST_CHECKED);
  SetEcho(dialog, true);
  CheckDlgButton(dialog, IDC_PROTECT_ACTIVATE, state.checked ? BST_CHECKED : BST_UNCHECKED);
  Enable(dialog, IDC_PROTECT_ACTIVATE, state.check_enabled);
  Enable(dialog, IDC_PROTECT_MODIFY, state.modify_enabled);
  Enable(dialog, IDC_PROTECT_NEW, state.new_enabled);
  Enable(dialog, IDC_PROTECT_CONFIRM, state.new_enabled);
  Enable(dialog, IDCANCEL, state.cancel_enabled);
  Focus(dialog, state.focus);
  return FALSE;  // the focus is set
}

void ActivateClicked(HWND dialog) {
  if (IsDlgButtonChecked(dialog, IDC_PROTECT_ACTIVATE) == BST_CHECKED) {
    Enable(dialog, IDC_PROTECT_NEW, true);
    Enable(dialog, IDC_PROTECT_CONFIRM, true);
    Focus(dialog, ProtectionFocus::NewPassword);
    return;
  }
  if (!AccessPasswordActive()) {
    for (int id : kEdits) Enable(dialog, id, false);
    Enable(dialog, IDC_PROTECT_MODIFY, false);
    return;
  }
  char text[320];
  std::snprintf(text, sizeof text,
                "Warning: Without a password, %s can be open by everybody.\n\nDo you really want to disable the "
                "password protection ?",
                DisplayName());
  if (QuestionBox(dialog, text, "Yes", "No", nullptr) == 1) {
    AccessPasswordClear();
    EndDialog(dialog, 3);
  } else {
    CheckDlgButton(dialog, IDC_PROTECT_ACTIVATE, BST_CHECKED);
  }
}

void OkClicked(HWND dialog) {
  SecretBuffer<ACCESS_PASSWORD_MAX + 1> current, fresh, confirm;
  GetDlgItemTextA(dialog, IDC_PROTECT_CURRENT, current.value, sizeof current.value);
  GetDlgItemTextA(dialog, IDC_PROTECT_NEW, fresh.value, sizeof fresh.value);
  GetDlgItemTextA(dialog, IDC_PROTECT_CONFIRM, confirm.value, sizeof confirm.value);
  ProtectionFocus focus = ProtectionFocus::Checkbox;
  const bool checked = IsDlgButtonChecked(dialog, IDC_PROTECT_ACTIVATE) == BST_CHECKED;
  const bool changing = IsWindowEnabled(GetDlgItem(dialog, IDC_PROTECT_CURRENT)) != FALSE;
  const int result = ProtectionOk(dialog, checked, changing, current.value, fresh.value, confirm.value, &focus);
  if (result != 0)
    EndDialog(dialog, result);
  else if (checked)
    Focus(dialog, focus);
}

INT_PTR CALLBACK ProtectionProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return InitProtection(dialog);
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_PROTECT_ACTIVATE: ActivateClicked(dialog); return TRUE;
        case IDC_PROTECT_MODIFY:
          for (int id : kEdits) Enable(dialog, id, true);
          Focus(dialog, ProtectionFocus::CurrentPassword);
          return TRUE;
        case IDC_PROTECT_HIDE: SetEcho(dialog, IsDlgButtonChecked(dialog, IDC_PROTECT_HIDE) == BST_CHECKED); return TRUE;
        case IDOK: OkClicked(dialog); return TRUE;
        case IDCANCEL:  // also Escape and the close box: refused while a password must be set
          if (IsWindowEnabled(GetDlgItem(dialog, IDCANCEL))) EndDialog(dialog, 0);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int AccessPasswordDialog(HWND owner) {
  const INT_PTR result =
      DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROTECTION), owner, ProtectionProc, 0);
  return ProtectionReport(owner, result < 0 ? 0 : static_cast<int>(result));
}
