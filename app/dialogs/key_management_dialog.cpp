// Dialog 352, "Key management": adds and deletes stored passphrases, exports and
// imports them, hides the typed key, and on "Ok" may ask for the access password. "Cancel" (and Escape) put the list
// back as it was at opening; the system menu's close keeps the changes.
#include <cstring>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/keys_ui.h"
#include "keys/key_rules.h"
#include "keys/passphrase_list.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kExportTimer = 1;

struct ManagementState {
  int export_mode;
  int count_at_opening;
};

void Enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE); }

int ItemCount(HWND dialog) { return static_cast<int>(SendDlgItemMessageA(dialog, IDC_KEY_LIST, LB_GETCOUNT, 0, 0)); }

// Empties the list box and fills it from the stored list; sets the buttons.
void FillList(HWND dialog) {
  SendDlgItemMessageA(dialog, IDC_KEY_LIST, LB_RESETCONTENT, 0, 0);
  PassphraseList list;
  std::uint32_t selection = 0;
  int count = 0;
  if (!PassphraseListLoad(nullptr, &list, &selection, &count)) count = 0;
  for (int i = 0; i < count; ++i)
    SendDlgItemMessageA(dialog, IDC_KEY_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(list.Label(i)));
  if (selection != 0) SendDlgItemMessageA(dialog, IDC_KEY_LIST, LB_SETSEL, TRUE, static_cast<LPARAM>(selection - 1));
  if (count == 0) {
    Enable(dialog, IDC_KEY_DELETE, false);
    Enable(dialog, IDC_KEY_EXPORT, false);
    Enable(dialog, IDC_KEY_IMPORT, true);
  } else if (count < KEY_LIST_CAPACITY) {
    for (int id : {IDC_KEY_NAME, IDC_KEY_VALUE, IDC_KEY_ADD, IDC_KEY_EXPORT, IDC_KEY_IMPORT}) Enable(dialog, id, true);
  }
  if (SendDlgItemMessageA(dialog, IDC_KEY_LIST, LB_GETSELCOUNT, 0, 0) <= 0) {
    Enable(dialog, IDC_KEY_DELETE, false);
    Enable(dialog, IDC_KEY_EXPORT, false);
  }
}

void SetKeyEcho(HWND dialog, bool hidden) {
  HWND edit = GetDlgItem(dialog, IDC_KEY_VALUE);
  SendMessageA(edit, EM_SETPASSWORDCHAR, hidden ? '*' : 0, 0);
  InvalidateRect(edit, nullptr, TRUE);
}

void AddEntry(HWND dialog) {
  SecretBuffer<KEY_SLOT_SIZE> label, value;
  GetDlgItemTextA(dialog, IDC_KEY_NAME, label.value, sizeof label.value);
  GetDlgItemTextA(dialog, IDC_KEY_VALUE, value.value, sizeof value.value);
  if (label.value[0] == '\0' || value.value[0] == '\0') {
    WarningBox(dialog, "Please, enter both a name and a value for a new key.");
  } else if (PassphraseListAdd(dialog, label.value, value.value) == 1) {
    FillList(dialog);
    SetDlgItemTextA(dialog, IDC_KEY_NAME, "");
    SetDlgItemTextA(dialog, IDC_KEY_VALUE, "");
    SetFocus(GetDlgItem(dialog, IDC_KEY_NAME));
    Enable(dialog, IDC_KEY_DELETE, true);
  }
}

void DeleteSelected(HWND dialog) {
  if (QuestionBox(dialog, "Warning : All selected Passphrases will definitely be removed.\nDo you wish to proceed ?\n",
                  "Yes", "No", nullptr) != 1)
    return;
  HWND box = GetDlgItem(dialog, IDC_KEY_LIST);
  for (int i = 0; i < ItemCount(dialog);) {
    if (SendMessageA(box, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) {
      PassphraseListRemove(i);
      SendMessageA(box, LB_DELETESTRING, static_cast<WPARAM>(i), 0);
    } else {
      ++i;
    }
  }
  const int count = ItemCount(dialog);
  if (count < KEY_LIST_CAPACITY)
    for (int id : {IDC_KEY_NAME, IDC_KEY_VALUE, IDC_KEY_ADD, IDC_KEY_IMPORT}) Enable(dialog, id, true);
  if (count == 0) Enable(dialog, IDC_KEY_DELETE, false);
}

BOOL InitManagement(HWND dialog, ManagementState* state) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  SetWindowTextA(dialog, "Key management");
  PassphraseListSnapshot();
  FillList(dialog);
  state->count_at_opening = ItemCount(dialog);
  SendDlgItemMessageA(dialog, IDC_KEY_NAME, EM_LIMITTEXT, KEY_SLOT_SIZE - 1, 0);
  SendDlgItemMessageA(dialog, IDC_KEY_VALUE, EM_LIMITTEXT, KEY_SLOT_SIZE - 1, 0);
  int hidden = 0;
  SettingsGetFlag(SETTING_HIDEPWD, &hidden);
  CheckDlgButton(dialog, IDC_KEY_HIDE, hidden == 1 ? BST_CHECKED : BST_UNCHECKED);
  SetKeyEcho(dialog, hidden == 1);
  PlaceBelowOwner(dialog, GetWindow(dialog, GW_OWNER));
  if (state->export_mode) SetTimer(dialog, kExportTimer, 500, nullptr);
  return TRUE;
}

INT_PTR CALLBACK ManagementProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<ManagementState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      return InitManagement(dialog, reinterpret_cast<ManagementState*>(lparam));
    case WM_TIMER:
      if (wparam == kExportTimer) {
        KillTimer(dialog, kExportTimer);
        ExportKeys(dialog);
      }
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:  // Enter: "Add" while the focus is in the key edit
          if (GetFocus() == GetDlgItem(dialog, IDC_KEY_VALUE)) AddEntry(dialog);
          return TRUE;
        case IDC_KEY_ADD: AddEntry(dialog); return TRUE;
        case IDC_KEY_DELETE: DeleteSelected(dialog); return TRUE;
        case IDC_KEY_EXPORT: ExportKeys(dialog); return TRUE;
        case IDC_KEY_IMPORT:
          if (ImportKeys(dialog)) FillList(dialog);
          return TRUE;
        case IDC_KEY_LIST:
          if (HIWORD(wparam) == LBN_SETFOCUS && ItemCount(dialog) > 0) {
            Enable(dialog, IDC_KEY_DELETE, true);
            Enable(dialog, IDC_KEY_EXPORT, true);
          }
          return TRUE;
        case IDC_KEY_HIDE: {
          int hidden = 0;
          SettingsGetFlag(SETTING_HIDEPWD, &hidden);
          hidden = hidden == 1 ? 0 : 1;
          SettingsSetFlag(SETTING_HIDEPWD, hidden);
          CheckDlgButton(dialog, IDC_KEY_HIDE, hidden ? BST_CHECKED : BST_UNCHECKED);
          SetKeyEcho(dialog, hidden == 1);
          return TRUE;
        }
        case IDC_KEY_OK: {
          const int result = KeyManagementOk(dialog, state->count_at_opening, ItemCount(dialog));
          PassphraseListDropSnapshot();
          EndDialog(dialog, result);
          return TRUE;
        }
        case IDC_KEY_CANCEL:
        case IDCANCEL:  // Escape acts as "Cancel"
          PassphraseListRestore();
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
    case WM_CLOSE:  // the system menu's close keeps the changes
      PassphraseListDropSnapshot();
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int KeyManagementDialog(HWND main, int export_mode) {
  ManagementState state{export_mode, 0};
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KEY_MANAGEMENT), main,
                                         ManagementProc, reinterpret_cast<LPARAM>(&state));
  return result < 0 ? 0 : static_cast<int>(result);
}
