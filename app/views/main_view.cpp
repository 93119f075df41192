// The main window's views: the document shown, the buttons of its mode, and the
// layout of every control.
#include "app/views/main_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "app/dialogs/keys_ui.h"
#include "app/logic/document.h"
#include "app/logic/main_layout.h"
#include "app/views/file_list_view.h"
#include "app/views/main_window_look.h"
#include "keys/access_password.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "resources/resource.h"

namespace {

HWND Control(HWND window, int id) { return GetDlgItem(window, id); }

// The control of a pair, whichever of its two ids it carries now.
HWND PairControl(HWND window, int first, int second) {
  HWND control = Control(window, first);
  return control ? control : Control(window, second);
}

// The caption's text measured with the font it is drawn with.
SIZE CaptionExtent(HWND caption, const char* text) {
  SIZE size = {0, 0};
  HDC dc = GetDC(caption);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(caption, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(ANSI_VAR_FONT));
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  SelectObject(dc, old);
  ReleaseDC(caption, dc);
  return size;
}

void Place(HWND control, const ControlBox& box) {
  if (control) MoveWindow(control, box.x, box.y, box.width, box.height, TRUE);
}

int LowestItemBottom(HWND list) {
  const int count = ListView_GetItemCount(list);
  int lowest = 0;
  for (int i = 0; i < count; ++i) {
    RECT rect = {};
    if (ListView_GetItemRect(list, i, &rect, LVIR_BOUNDS)) lowest = std::max(lowest, static_cast<int>(rect.bottom));
  }
  return lowest;
}

}  // namespace

int ShowDocument(HWND window, const Document* document) {
  if (document->file_count > 0 && document->files && std::strcmp(document->files[0].name, "vekflist.tmp") == 0) {
    WarningBox(window, "Unexpected code path");
    return 0;
  }
  ShowFileList(window, document);
  HWND field = Control(window, IDC_MAIN_TEXT);
  SetWindowTextA(field, document->text ? document->text : "");
  SendMessageA(field, EM_SETSEL, 0, -1);
  PostMessageA(field, WM_KEYDOWN, VK_RIGHT, 0);
  KeyFieldRefresh(window, document->identified_passphrase);
  // A text-only document that is no reply is in encryption mode already (its writers
  // see to that).
  UpdateButtons(window, document);
  SetForegroundWindow(window);
  return 1;
}

void ShowFileList(HWND window, const Document* document) {
  FillFileList(window, document);
  RECT client = {};
  GetClientRect(window, &client);
  LayoutMainWindow(window, client.right, client.bottom);
}

void UpdateButtons(HWND window, const Document* document) {
  const int mode = document->mode;
  SetDlgItemTextA(window, IDC_MAIN_REPLY_CAPTION, "Reply");
  EnableWindow(Control(window, IDC_MAIN_REPLY), document->reply ? TRUE : FALSE);
  EnableWindow(Control(window, IDC_MAIN_REPLY_CAPTION), document->reply ? TRUE : FALSE);

  HWND send = PairControl(window, IDC_MAIN_SEND, IDC_MAIN_DECRYPT_OPEN);
  HWND send_caption = PairControl(window, IDC_MAIN_SEND_CAPTION, IDC_MAIN_OPEN_CAPTION);
  if (mode == MODE_ENCRYPT) {
    SetDlgItemTextA(window, IDC_MAIN_LOCAL_CAPTION, "Encrypt");
    SetDlgItemTextA(window, IDC_MAIN_QUIT_CAPTION, "Quit");
    SetControlId(send, IDC_MAIN_SEND);
    SetControlId(send_caption, IDC_MAIN_SEND_CAPTION);
    SetWindowTextA(send_caption, "Send");
    EnableWindow(send, TRUE);
    EnableWindow(send_caption, TRUE);
  } else if (mode == MODE_DECRYPT) {
    SetDlgItemTextA(window, IDC_MAIN_LOCAL_CAPTION, "Decrypt");
    SetDlgItemTextA(window, IDC_MAIN_QUIT_CAPTION, "Quit");
    SetControlId(send, IDC_MAIN_DECRYPT_OPEN);
    SetControlId(send_caption, IDC_MAIN_OPEN_CAPTION);
    SetWindowTextA(send_caption, "Open");
    const BOOL any = ListView_GetItemCount(Control(window, IDC_MAIN_FILES)) > 0 ? TRUE : FALSE;
    EnableWindow(send, any);
    EnableWindow(send_caption, any);
  }
  InvalidateRect(send, nullptr, FALSE);

  int algo = 1;
  SettingsGetFlag(SETTING_ALGO, &algo);
  HWND algorithm = PairControl(window, IDC_MAIN_ALGO_DES, IDC_MAIN_ALGO_AES);
  SetControlId(algorithm, algo == 1 ? IDC_MAIN_ALGO_DES : IDC_MAIN_ALGO_AES);
  InvalidateRect(algorithm, nullptr, FALSE);
  HWND password = PairControl(window, IDC_MAIN_PASSWORD_ON, IDC_MAIN_PASSWORD_OFF);
  SetControlId(password, AccessPasswordActive() ? IDC_MAIN_PASSWORD_ON : IDC_MAIN_PASSWORD_OFF);
  InvalidateRect(password, nullptr, FALSE);

  RECT client = {};
  GetClientRect(window, &client);
  LayoutMainWindow(window, client.right, client.bottom);
}

void LayoutMainWindow(HWND window, int width, int height) {
  HWND list = Control(window, IDC_MAIN_FILES);
  const int row = ListRowHeight(LowestItemBottom(list));
  LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
  const LONG_PTR wanted = row == 17 ? (style | LVS_NOSCROLL) : (style & ~static_cast<LONG_PTR>(LVS_NOSCROLL));
  if (wanted != style) SetWindowLongPtrA(list, GWL_STYLE, wanted);

  const int caption_ids[4][2] = {{IDC_MAIN_REPLY_CAPTION, 0},
                                 {IDC_MAIN_SEND_CAPTION, IDC_MAIN_OPEN_CAPTION},
                                 {IDC_MAIN_LOCAL_CAPTION, 0},
                                 {IDC_MAIN_QUIT_CAPTION, 0}};
  HWND captions[4];
  CaptionSizes sizes = {};
  for (int i = 0; i < 4; ++i) {
    captions[i] = caption_ids[i][1] ? PairControl(window, caption_ids[i][0], caption_ids[i][1])
                                    : Control(window, caption_ids[i][0]);
    char text[32] = "";
    GetWindowTextA(captions[i], text, sizeof text);
    const SIZE extent = CaptionExtent(captions[i], text);
    sizes.width[i] = extent.cx;
    sizes.height[i] = extent.cy;
  }
  const int banner = BannerWidth();
  const MainLayout layout = ComputeMainLayout(width, height, banner, row, sizes);
  Place(Control(window, IDC_MAIN_BANNER), {0, 10, banner, 29});
  Place(Control(window, IDC_MAIN_FILLER), layout.filler);
  Place(Control(window, IDC_MAIN_OPEN), layout.open);
  Place(Control(window, IDC_MAIN_NEW), layout.new_document);
  Place(list, layout.files);
  Place(Control(window, IDC_MAIN_TEXT), layout.text);
  Place(Control(window, IDC_MAIN_KEY_FIELD), layout.key_field);
  Place(Control(window, IDC_MAIN_KEY_BUTTON), layout.key_button);
  const HWND buttons[4] = {Control(window, IDC_MAIN_REPLY), PairControl(window, IDC_MAIN_SEND, IDC_MAIN_DECRYPT_OPEN),
                           Control(window, IDC_MAIN_LOCAL), Control(window, IDC_MAIN_QUIT)};
  for (int i = 0; i < 4; ++i) {
    Place(buttons[i], layout.buttons[i]);
    Place(captions[i], layout.captions[i]);
  }
  Place(PairControl(window, IDC_MAIN_ALGO_DES, IDC_MAIN_ALGO_AES), layout.algorithm);
  Place(PairControl(window, IDC_MAIN_SELFX_ON, IDC_MAIN_SELFX_OFF), layout.self_extract);
  Place(PairControl(window, IDC_MAIN_PASSWORD_ON, IDC_MAIN_PASSWORD_OFF), layout.password);
  Place(Control(window, IDC_MAIN_HELP), layout.help);
}

void SetControlId(HWND control, int id) {
  if (control) SetWindowLongPtrA(control, GWLP_ID, id);
}
