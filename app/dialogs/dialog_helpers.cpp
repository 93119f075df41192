// Bold dialog headings, placing dialogs against their owner, and refocusing an edit.
#include "app/dialogs/dialog_helpers.h"

#include <windows.h>

namespace {

HFONT g_bold_caption_font = nullptr;  // one dialog at a time shows a heading

}  // namespace

void MakeBoldCaptionFont(WindowHandle control) {
  HWND window = static_cast<HWND>(control);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTA description;
  if (GetObjectA(font, sizeof description, &description) != sizeof description) return;
  description.lfWeight = FW_BOLD;
  DeleteBoldCaptionFont();
  g_bold_caption_font = CreateFontIndirectA(&description);
}

void SetBoldCaption(WindowHandle control, const char* text) {
  HWND window = static_cast<HWND>(control);
  if (g_bold_caption_font) SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(g_bold_caption_font), FALSE);
  SetWindowTextA(window, text);
  HDC dc = GetDC(window);
  HGDIOBJ old = g_bold_caption_font ? SelectObject(dc, g_bold_caption_font) : nullptr;
  SIZE extent = {0, 0};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
  if (old) SelectObject(dc, old);
  ReleaseDC(window, dc);
  SetWindowPos(window, nullptr, 0, 0, extent.cx, extent.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window, nullptr, TRUE);
}

void DeleteBoldCaptionFont() {
  if (g_bold_caption_font) DeleteObject(g_bold_caption_font);
  g_bold_caption_font = nullptr;
}

void CenterOnParent(WindowHandle window) {
  HWND self = static_cast<HWND>(window);
  HWND parent = GetParent(self);  // the owner, for a dialog
  if (parent == nullptr) parent = GetDesktopWindow();
  RECT own, outer;
  GetWindowRect(self, &own);
  GetWindowRect(parent, &outer);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  const int x = outer.left + (outer.right - outer.left) / 2 - width / 2;
  const int y = outer.top + (outer.bottom - outer.top) / 2 - height / 2;
  SetWindowPos(self, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

void PlaceBelowOwner(WindowHandle dialog, WindowHandle owner) {
  if (owner == nullptr) return;
  RECT owner_rect;
  if (!GetWindowRect(static_cast<HWND>(owner), &owner_rect)) return;
  RECT offset = {0, 0, 20, 100};
  MapDialogRect(static_cast<HWND>(dialog), &offset);
  SetWindowPos(static_cast<HWND>(dialog), nullptr, owner_rect.left + offset.right, owner_rect.top + offset.bottom, 0,
               0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RefocusEdit(WindowHandle dialog, int id) {
  HWND edit = GetDlgItem(static_cast<HWND>(dialog), id);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
}
