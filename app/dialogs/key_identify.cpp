// Automatic identification of a container's passphrase: the notice (434) shown for
// 500 ms, the stored passphrases tried in list order, and the prompt (435) when none
// opens the container.
#include <cstdio>
#include <cstring>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/keys_ui.h"
#include "base/types.h"
#include "container/operation.h"
#include "container/result.h"
#include "keys/passphrase_list.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kNoticeTimer = 1;
constexpr std::uint32_t kWrongPassphrase = 0xF001;

// Shared with the prompt dialog.
struct KeyPromptRecord {
  std::uint32_t flag;  // 0: test the typed passphrase against the file before accepting it
  char path[QLX_PATH_SIZE];
  const char* text;
  char passphrase[KEY_SLOT_SIZE];
};

HBRUSH WhiteBrush() { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }

INT_PTR CALLBACK NoticeProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextA(dialog, DisplayName());
      SetTimer(dialog, kNoticeTimer, 500, nullptr);
      return TRUE;
    case WM_TIMER:
      if (wparam != kNoticeTimer) break;
      KillTimer(dialog, kNoticeTimer);
      EndDialog(dialog, 1);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDCANCEL) {
        KillTimer(dialog, kNoticeTimer);
        EndDialog(dialog, 0);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* record = reinterpret_cast<KeyPromptRecord*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      record = reinterpret_cast<KeyPromptRecord*>(lparam);
      SetWindowTextA(dialog, DisplayName());
      SetDlgItemTextA(dialog, IDC_PROMPT_TEXT, record->text);
      SendDlgItemMessageA(dialog, IDC_PROMPT_PASSPHRASE, EM_LIMITTEXT, KEY_SLOT_SIZE - 1, 0);
      return TRUE;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(WhiteBrush());
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wparam), RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(WhiteBrush());
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        GetDlgItemTextA(dialog, IDC_PROMPT_PASSPHRASE, record->passphrase, sizeof record->passphrase);
        if (record->flag == 0) {
          const std::uint32_t code = PassphraseOpensContainer(record->path, record->passphrase);
          if (code != 1) {
            SecureWipe(record->passphrase, sizeof record->passphrase);
            ReportOperationError(dialog, code, record->path);
            RefocusEdit(dialog, IDC_PROMPT_PASSPHRASE);
            return TRUE;
          }
        }
        EndDialog(dialog, 1);
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

int KeyIdentify(HWND owner, const char* path, char* out) {
  if (path == nullptr || out == nullptr || std::strlen(path) >= QLX_PATH_SIZE) return 0;
  PassphraseList list;
  int count = 0;
  if (!PassphraseListLoad(nullptr, &list, nullptr, &count)) return 0;
  HINSTANCE module = GetModuleHandleA(nullptr);
  DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_IDENTIFY_NOTICE), owner, NoticeProc, 0);

  std::uint32_t code = kWrongPassphrase;
  int index = 0;
  for (; index < count; ++index) {
    code = PassphraseOpensContainer(path, list.Value(index));
    if (code != kWrongPassphrase) break;
  }
  if (code == 1) {
    std::memcpy(out, list.Value(index), KEY_SLOT_SIZE);
    PassphraseListStore(list.Labels(), list.Values(), static_cast<std::uint32_t>(index + 1));
    return 1;
  }
  if (code != kWrongPassphrase) {
    ReportOperationError(owner, code, path);
    return 0;
  }

  KeyPromptRecord record{};
  record.flag = 0;
  std::snprintf(record.path, sizeof record.path, "%s", path);
  record.text = "The password used to encrypt this file does not belong to your list\n\nEnter the correct password :";
  const INT_PTR accepted = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_IDENTIFY_PROMPT), owner, PromptProc,
                                           reinterpret_cast<LPARAM>(&record));
  int result = 0;
  if (accepted == 1) {
    std::memcpy(out, record.passphrase, KEY_SLOT_SIZE);
    PassphraseListStore(list.Labels(), list.Values(), 0);
    result = 1;
  }
  SecureWipe(record.passphrase, sizeof record.passphrase);
  return result;
}
