// The replace prompt (103) and ConfirmOverwrite: Replace, Rename (a save dialog on the
// name with "(n)" before its extension) or Cancel, for as long as the file exists.
#include <windows.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <cstring>
#include <string>

#include "app/logic/output_names.h"
#include "extractor/extractor.h"
#include "extractor/rules.h"
#include "resources/resource.h"

namespace {

constexpr INT_PTR PROMPT_REPLACE = 1;
constexpr INT_PTR PROMPT_RENAME = 2;
constexpr INT_PTR PROMPT_CANCEL = 0;

INT_PTR CALLBACK ReplacePromptProc(HWND prompt, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(prompt, IDC_REPLACE_TEXT, reinterpret_cast<const char*>(lparam));
      SendDlgItemMessageA(prompt, IDC_REPLACE_ICON, STM_SETICON,
                          reinterpret_cast<WPARAM>(LoadIconA(nullptr, MAKEINTRESOURCEA(32515))), 0);  // IDI_EXCLAMATION
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK: EndDialog(prompt, PROMPT_REPLACE); return TRUE;
        case IDC_REPLACE_RENAME: EndDialog(prompt, PROMPT_RENAME); return TRUE;
        case IDCANCEL: EndDialog(prompt, PROMPT_CANCEL); return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int ConfirmOverwrite(HWND owner, char path[MAX_PATH]) {
  char start_name[MAX_PATH];  // the name the loop started with
  std::memcpy(start_name, PathFindFileNameA(path), std::strlen(PathFindFileNameA(path)) + 1);
  int counter = 0;
  while (PathFileExistsA(path)) {
    const std::string text = ReplacePromptText(PathFindFileNameA(path));
    const INT_PTR answer = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EXTRACT_REPLACE), owner,
                                           ReplacePromptProc, reinterpret_cast<LPARAM>(text.c_str()));
    if (answer == PROMPT_REPLACE) return 1;
    if (answer != PROMPT_RENAME) return 0;
    char proposal[MAX_PATH];
    if (!RenameProposal(path, start_name, ++counter, proposal)) return 0;
    OPENFILENAMEA save = {};
    save.lStructSize = sizeof save;
    save.hwndOwner = owner;
    save.lpstrFile = proposal;
    save.nMaxFile = sizeof proposal;
    save.lpstrTitle = "Extract the file to...";
    save.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&save)) return 0;
    std::memcpy(path, proposal, sizeof proposal);
  }
  return 1;
}
