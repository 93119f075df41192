// The About box (131): the version line, five feature lines behind bullets, and the
// vendor's web address, which opens in the browser when clicked.
#include "app/dialogs/keys_ui.h"

#include <shellapi.h>

#include <cstdio>

#include "app/logic/vendor.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "resources/resource.h"

namespace {

constexpr int kFeatureLines = 5;

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      char text[128];
      std::snprintf(text, sizeof text, "%s About...", DisplayName());
      SetWindowTextA(dialog, text);
      std::snprintf(text, sizeof text, "%s V%s", DisplayName(), ProductVersion());
      SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text);
      SetDlgItemTextA(dialog, IDC_ABOUT_LINK, VENDOR_WEB_ADDRESS);
      HINSTANCE module = GetModuleHandleA(nullptr);
      for (int i = 0; i < kFeatureLines; ++i) {
        HANDLE bullet = LoadImageA(module, MAKEINTRESOURCEA(IDB_ABOUT_BULLET), IMAGE_BITMAP, 0, 0, LR_SHARED);
        SendDlgItemMessageA(dialog, IDC_ABOUT_BULLET_FIRST + i, STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(bullet));
      }
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, IDC_ABOUT_LINK)) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == GetDlgItem(dialog, IDC_ABOUT_LINK)) {
        HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR));
        SetCursor(hand ? hand : LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // the system's hand
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      break;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_ABOUT_LINK:
          if (HIWORD(wparam) == STN_CLICKED)
            ShellExecuteA(dialog, "open", VENDOR_WEB_ADDRESS, nullptr, nullptr, SW_SHOWNORMAL);
          return TRUE;
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog, 1);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void AboutBox(HWND owner) {
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutProc, 0);
}
