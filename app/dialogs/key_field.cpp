// The main window's key field (1056) and the key button's menu (1102).
#include <cstring>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/keys_ui.h"
#include "keys/passphrase_list.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

constexpr char kPlaceholder[] = "Password";
void (*g_state_changed)(HWND) = nullptr;

}  // namespace

void SetKeysStateChanged(void (*changed)(HWND main)) { g_state_changed = changed; }

void KeyFieldRefresh(HWND main, const char* default_text) {
  PassphraseList list;
  std::uint32_t selection = 0;
  if (!PassphraseListLoad(nullptr, &list, &selection, nullptr)) return;
  HWND field = GetDlgItem(main, IDC_KEY_FIELD);
  if (selection != 0) {
    SetWindowTextA(field, list.Label(static_cast<int>(selection) - 1));
    EnableWindow(field, FALSE);
    return;
  }
  if (GetWindowTextLengthA(field) == 0)
    SetWindowTextA(field, default_text && *default_text ? default_text : kPlaceholder);
  if (IsWindowEnabled(field)) return;
  SetWindowTextA(field, kPlaceholder);
  EnableWindow(field, TRUE);
}

int KeyFieldGetPassphrase(HWND main, int purpose, char* out) {
  if (out == nullptr) return 0;
  std::memset(out, 0, KEY_SLOT_SIZE);
  PassphraseList list;
  std::uint32_t selection = 0;
  if (!PassphraseListLoad(nullptr, &list, &selection, nullptr)) return 0;
  if (selection != 0) {
    std::memcpy(out, list.Value(static_cast<int>(selection) - 1), KEY_SLOT_SIZE);
    return 1;
  }
  if (!IsWindowVisible(main)) return 0;
  HWND field = GetDlgItem(main, IDC_KEY_FIELD);
  GetWindowTextA(field, out, KEY_SLOT_SIZE);
  if (out[0] != '\0' && std::strcmp(out, kPlaceholder) != 0) return 1;
  SecureWipe(out, KEY_SLOT_SIZE);
  WarningBox(main, purpose == 1 ? "A password is required to encrypt the file"
                                : "A password is required to decrypt the file");
  RefocusEdit(main, IDC_KEY_FIELD);
  return 0;
}

int KeyMenu(HWND main, HWND key_button) {
  PassphraseList list;
  std::uint32_t selection = 0;
  int count = 0;
  if (!PassphraseListLoad(nullptr, &list, &selection, &count)) return 0;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return 0;
  for (int k = 1; k <= count; ++k) {
    const UINT checked = static_cast<std::uint32_t>(k) == selection ? MF_CHECKED : MF_UNCHECKED;
    AppendMenuA(menu, MF_STRING | checked, static_cast<UINT_PTR>(k), list.Label(k - 1));
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  const int list_item = count + 1;
  const int manual_item = count + 2;
  AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(list_item), "List...");
  AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(manual_item), "Manual");
  HINSTANCE module = GetModuleHandleA(nullptr);
  HBITMAP list_bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(IDB_KEY_MENU_LIST));
  HBITMAP manual_bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(IDB_KEY_MENU_MANUAL));
  SetMenuItemBitmaps(menu, static_cast<UINT>(list_item), MF_BYCOMMAND, list_bitmap, list_bitmap);
  SetMenuItemBitmaps(menu, static_cast<UINT>(manual_item), MF_BYCOMMAND, manual_bitmap, manual_bitmap);

  RECT button;
  GetWindowRect(key_button, &button);
  const int chosen = static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                     button.left + 8, button.top + 16, 0, main, nullptr));
  DestroyMenu(menu);
  if (list_bitmap) DeleteObject(list_bitmap);
  if (manual_bitmap) DeleteObject(manual_bitmap);

  HWND field = GetDlgItem(main, IDC_KEY_FIELD);
  if (chosen <= 0) return 0;
  if (chosen <= count) {
    SetWindowTextA(field, list.Label(chosen - 1));
    EnableWindow(field, FALSE);
    PassphraseListStore(list.Labels(), list.Values(), static_cast<std::uint32_t>(chosen));
    return chosen;
  }
  if (chosen == manual_item) {
    SetWindowTextA(field, kPlaceholder);
    EnableWindow(field, TRUE);
    RefocusEdit(main, IDC_KEY_FIELD);
    PassphraseListStore(list.Labels(), list.Values(), 0);
    return 1;
  }
  const int result = KeyManagementDialog(main, 0);
  if (result != 0) KeyFieldRefresh(main, nullptr);
  if (result == 2) {
    AccessPasswordDialog(main);
    if (g_state_changed) g_state_changed(main);
  }
  return 1;
}
