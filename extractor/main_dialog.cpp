// The extractor's dialog (101): password, destination folder with its browser, Extract
// and Quit. Extract copies the container out, tests the password and decrypts; every
// failure leaves the dialog open with the fields as typed.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "container/operation.h"
#include "container/result.h"
#include "extractor/extractor.h"
#include "extractor/package.h"
#include "extractor/rules.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

// Room for more than the longest passphrase taken, so that a longer one is seen and
// refused rather than cut.
constexpr int PASSPHRASE_FIELD_LIMIT = 255;

void InitMainDialog(HWND dialog) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_EXTRACTOR));
  if (icon) {
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  SendDlgItemMessageA(dialog, IDC_EXTRACT_PASSWORD, EM_LIMITTEXT, PASSPHRASE_FIELD_LIMIT, 0);
  SendDlgItemMessageA(dialog, IDC_EXTRACT_FOLDER, EM_LIMITTEXT, MAX_PATH - 1, 0);
  char personal[MAX_PATH] = {};
  if (SHGetSpecialFolderPathA(nullptr, personal, CSIDL_PERSONAL, FALSE))
    SetDlgItemTextA(dialog, IDC_EXTRACT_FOLDER, personal);
}

void BrowseForFolder(HWND dialog) {
  char chosen[MAX_PATH] = {};
  BROWSEINFOA browse = {};
  browse.hwndOwner = dialog;
  browse.pszDisplayName = chosen;
  browse.lpszTitle = "";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE list = SHBrowseForFolderA(&browse);
  if (!list) return;
  if (SHGetPathFromIDListA(list, chosen)) SetDlgItemTextA(dialog, IDC_EXTRACT_FOLDER, chosen);
  CoTaskMemFree(list);
}

// The Extract button. true when the package has been extracted.
bool Extract(HWND dialog) {
  char passphrase[PASSPHRASE_FIELD_LIMIT + 1] = {};
  char folder[MAX_PATH] = {};
  GetDlgItemTextA(dialog, IDC_EXTRACT_PASSWORD, passphrase, sizeof passphrase);
  GetDlgItemTextA(dialog, IDC_EXTRACT_FOLDER, folder, sizeof folder);
  const std::size_t length = std::strlen(passphrase);
  int refused = 0;
  if (length == 0)
    refused = EXTRACT_NO_PASSPHRASE;
  else if (folder[0] == '\0')
    refused = EXTRACT_NO_FOLDER;
  else if (length > EXTRACT_PASSPHRASE_MAX)
    refused = EXTRACT_PASSPHRASE_TOO_LONG;
  if (refused != 0) {
    SecureWipe(passphrase, sizeof passphrase);
    ExtractorMessage(dialog, refused);
    return false;
  }

  char container[MAX_PATH];
  std::memcpy(container, folder, sizeof container);
  const int unpacked = ExtractorUnpack(dialog, container);
  if (unpacked != EXTRACT_OK) {
    SecureWipe(passphrase, sizeof passphrase);
    ExtractorMessage(dialog, unpacked);
    return false;
  }
  // The copy goes in every case: here, or inside ExtractorDecryptAll.
  bool done = false;
  const std::uint32_t opens = PassphraseOpensContainer(container, passphrase);
  if (opens != RESULT_OK) {
    DeleteFileA(container);
    ReportOperationError(dialog, opens, container);
  } else {
    done = ExtractorDecryptAll(dialog, passphrase, container) == 1;
  }
  SecureWipe(passphrase, sizeof passphrase);
  return done;
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitMainDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          if (Extract(dialog)) {
            MessageBoxA(dialog, EXTRACT_DONE_TEXT, "Quillnox", MB_OK | MB_ICONINFORMATION);
            EndDialog(dialog, 1);
          }
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_EXTRACT_BROWSE:
          BrowseForFolder(dialog);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
