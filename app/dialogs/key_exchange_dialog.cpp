// "Export" and "Import" of the key management dialog: selected entries travel in an
// ordinary container (one text, no files) under a transfer password typed in a small
// dialog (357), twice when exporting. Import checks every line before it adds any.
#include "app/dialogs/keys_ui.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/types.h"
#include "container/operation.h"
#include "container/result.h"
#include "keys/key_exchange.h"
#include "keys/passphrase_list.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

struct TransferRequest {
  bool confirm;  // export: typed twice
  char password[KEY_SLOT_SIZE];
};

INT_PTR CALLBACK TransferProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* request = reinterpret_cast<TransferRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      request = reinterpret_cast<TransferRequest*>(lparam);
      SetWindowTextA(dialog, DisplayName());
      SetDlgItemTextA(dialog, IDC_TRANSFER_TEXT,
                      request->confirm ? "Enter a transfer password for the exported keys, twice:"
                                       : "Enter the transfer password of the keys to import:");
      SendDlgItemMessageA(dialog, IDC_TRANSFER_PASSWORD, EM_LIMITTEXT, KEY_SLOT_SIZE - 1, 0);
      SendDlgItemMessageA(dialog, IDC_TRANSFER_CONFIRM, EM_LIMITTEXT, KEY_SLOT_SIZE - 1, 0);
      if (!request->confirm) {
        ShowWindow(GetDlgItem(dialog, IDC_TRANSFER_CONFIRM), SW_HIDE);
        ShowWindow(GetDlgItem(dialog, IDC_TRANSFER_CONFIRM_CAPTION), SW_HIDE);
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        GetDlgItemTextA(dialog, IDC_TRANSFER_PASSWORD, request->password, sizeof request->password);
        const bool valid = KeyExchangeFieldValid(request->password) == 1;
        bool same = true;
        if (request->confirm) {
          SecretBuffer<KEY_SLOT_SIZE> confirm;
          GetDlgItemTextA(dialog, IDC_TRANSFER_CONFIRM, confirm.value, sizeof confirm.value);
          same = std::strcmp(request->password, confirm.value) == 0;
        }
        if (!valid) {
          WarningBox(dialog, "The transfer password is 1 to 31 characters long.");
        } else if (!same) {
          WarningBox(dialog, "The password is different from the confirmation\nRetry a new password.");
        } else {
          EndDialog(dialog, 1);
          return TRUE;
        }
        SecureWipe(request->password, sizeof request->password);
        SetFocus(GetDlgItem(dialog, IDC_TRANSFER_PASSWORD));
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

bool AskTransferPassword(HWND owner, TransferRequest* request) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TRANSFER_PASSWORD), owner, TransferProc,
                         reinterpret_cast<LPARAM>(request)) == 1;
}

// The file dialog for a key-exchange file; path holds QLX_PATH_SIZE bytes.
bool AskFile(HWND owner, bool save, char* path) {
  path[0] = '\0';
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = "Quillnox keys (*.vek)\0*.vek\0All files (*.*)\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = QLX_PATH_SIZE;
  dialog.lpstrDefExt = "vek";
  dialog.lpstrTitle = save ? "Export keys" : "Import keys";
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  return save ? GetSaveFileNameA(&dialog) != FALSE : GetOpenFileNameA(&dialog) != FALSE;
}

void WipeText(std::string* text) {
  if (!text->empty()) SecureWipe(text->data(), text->size());
  text->clear();
}

}  // namespace

int ExportKeys(HWND dialog) {
  HWND box = GetDlgItem(dialog, IDC_KEY_LIST);
  const int count = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
  PassphraseList list;
  if (!PassphraseListLoad(nullptr, &list, nullptr, nullptr)) return 0;
  std::string text;
  int exported = 0;
  for (int i = 0; i < count && i < KEY_LIST_CAPACITY; ++i) {
    if (SendMessageA(box, LB_GETSEL, static_cast<WPARAM>(i), 0) <= 0) continue;
    exported += KeyExchangeAppend(&text, list.Label(i), list.Value(i));
  }
  if (exported == 0) {
    WarningBox(dialog, "Please, select the keys to export.");
    return 0;
  }
  char path[QLX_PATH_SIZE];
  TransferRequest request{true, {}};
  int done = 0;
  if (AskFile(dialog, true, path) && AskTransferPassword(dialog, &request)) {
    char* buffer = OperationTextAllocate(text.size() + 1);
    if (buffer != nullptr) {
      std::memcpy(buffer, text.c_str(), text.size() + 1);
      OperationRequest operation{DIRECTION_ENCRYPT, buffer, request.password, nullptr, 0, nullptr, 0, ALGORITHM_AES};
      const std::uint32_t code = EncryptOperation(&operation);
      SecureWipe(buffer, text.size() + 1);
      OperationTextFree(buffer);
      if (code != 1) {
        ReportOperationError(dialog, code, path);
      } else {
        const char* made = operation.entries[0].container;
        if (MoveFileExA(made, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
          char message[QLX_PATH_SIZE + 64];
          std::snprintf(message, sizeof message, "%d key%s exported in file:\n%s", exported, exported > 1 ? "s" : "",
                        path);
          WarningBox(dialog, message);
          done = 1;
        } else {
          DeleteFileA(made);
          char message[QLX_PATH_SIZE + 64];
          std::snprintf(message, sizeof message, "The keys cannot be written to the file:\n%s", path);
          ErrorBox(dialog, message);
        }
        FileEntriesFree(operation.entries);
      }
    }
  }
  SecureWipe(&request, sizeof request);
  WipeText(&text);
  return done;
}

int ImportKeys(HWND dialog) {
  char path[QLX_PATH_SIZE];
  TransferRequest request{false, {}};
  if (!AskFile(dialog, false, path) || !AskTransferPassword(dialog, &request)) {
    SecureWipe(&request, sizeof request);
    return 0;
  }
  FileEntry* entries = nullptr;
  std::uint32_t count = 0;
  char* text = nullptr;
  const int opened = OpenContainer(dialog, path, request.password, &entries, &count, &text);
  SecureWipe(&request, sizeof request);
  if (!opened) return 0;  // its message has been shown
  std::vector<KeyExchangeEntry> keys;
  const std::size_t length = text ? std::strlen(text) : 0;
  const int parsed = count == 0 && KeyExchangeParse(text, length, &keys, nullptr);
  if (text) {
    SecureWipe(text, length);
    OperationTextFree(text);
  }
  FileEntriesFree(entries);
  if (!parsed) {
    char message[QLX_PATH_SIZE + 80];
    std::snprintf(message, sizeof message, "The file does not hold keys to import:\n%s\n\nNo key was added.", path);
    WarningBox(dialog, message);
    return 0;
  }
  int added = 0;
  for (const KeyExchangeEntry& key : keys) {
    if (PassphraseListAdd(dialog, key.label, key.value) != 1) {
      int stored = 0;
      if (!PassphraseListLoad(nullptr, nullptr, nullptr, &stored) || stored >= KEY_LIST_CAPACITY) break;
      continue;  // an empty field cannot be here; a refused replacement goes on
    }
    ++added;
  }
  KeyExchangeWipe(&keys);
  return added > 0 ? 1 : 0;
}
