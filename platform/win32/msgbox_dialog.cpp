// The message boxes as a real dialog (template 409): title, icon, wrapped text and up
// to three buttons, sized to the text at creation, white background.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/msgbox.h"
#include "resources/resource.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;  // the module (program or library) holding this code

namespace {

struct BoxRequest {
  BoxKind kind;
  std::string text;  // copied: callers may reuse their buffer
  std::string labels[3];
};

HBRUSH WhiteBrush() { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }

SIZE TextExtent(HDC dc, const char* text, int length) {
  SIZE size = {0, 0};
  if (length > 0) GetTextExtentPoint32A(dc, text, length, &size);
  return size;
}

// Resizes the box to its text and places the controls:
//  - w: the larger of 8/10 of the longest word's extent and the template's text width;
//  - lines: the whole text's extent / w plus the line feeds, at least 2, and at least
//    as many as the text takes wrapped at w; h = 13 x lines + 2;
//  - window (w + 85) x (h + 100) where it stands; then text, buttons and separator
//    from the new client size.
void SizeBox(HWND box, const std::string& text) {
  HWND text_control = GetDlgItem(box, IDC_BOX_TEXT);
  RECT template_rect;
  GetWindowRect(text_control, &template_rect);
  const int template_width = template_rect.right - template_rect.left;

  HDC dc = GetDC(text_control);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
  HGDIOBJ old_font = font ? SelectObject(dc, font) : nullptr;

  int longest_word = 0;
  int line_feeds = 0;
  std::string flat;  // the text without its line feeds, measured as one run
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const bool end = i == text.size();
    const char c = end ? ' ' : text[i];
    if (c == '\n') ++line_feeds;
    if (c == ' ' || c == '\n') {
      const SIZE word = TextExtent(dc, text.data() + start, static_cast<int>(i - start));
      longest_word = std::max(longest_word, static_cast<int>(word.cx));
      start = i + 1;
    }
    if (!end && c != '\n' && c != '\r') flat.push_back(c);
  }
  const SIZE whole = TextExtent(dc, flat.data(), static_cast<int>(flat.size()));
  const int w = std::max(longest_word * 8 / 10, template_width);

  // The estimate above loses a line whenever short lines add up to less than one
  // width (three short lines would get the height of two), so the box is never made
  // lower than the text needs when wrapped at w.
  RECT wrapped = {0, 0, w, 0};
  DrawTextA(dc, text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  const int line_height = std::max(1, static_cast<int>(metrics.tmHeight));
  const int needed_lines = (wrapped.bottom + line_height - 1) / line_height;

  if (old_font) SelectObject(dc, old_font);
  ReleaseDC(text_control, dc);

  const int lines = std::max({2, static_cast<int>(whole.cx) / w + line_feeds, needed_lines});
  const int h = std::max(13 * lines, needed_lines * line_height) + 2;

  SetWindowPos(box, nullptr, 0, 0, w + 85, h + 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(box, &client);
  const int cw = client.right;
  const int ch = client.bottom;
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(text_control, nullptr, cw - w - 10, 19, w, h, flags);
  const int button_x[3] = {cw - 251, cw - 167, cw - 84};
  const int button_id[3] = {IDC_BOX_BUTTON1, IDC_BOX_BUTTON2, IDC_BOX_BUTTON3};
  for (int i = 0; i < 3; ++i)
    SetWindowPos(GetDlgItem(box, button_id[i]), nullptr, button_x[i], ch - 29, 72, 23, flags);
  SetWindowPos(GetDlgItem(box, IDC_BOX_SEPARATOR), nullptr, 3, ch - 37, cw - 6, 1, flags);
}

BOOL InitBox(HWND box, const BoxRequest& request) {
  char title[96];
  BoxTitle(request.kind, title, sizeof title);
  SetWindowTextA(box, title);

  HINSTANCE module = reinterpret_cast<HINSTANCE>(&__ImageBase);
  if (HICON big = LoadIconA(module, MAKEINTRESOURCEA(IDI_PROGRAM)))
    SendMessageA(box, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));

  LPCSTR kind_icon = request.kind == BoxKind::Error      ? IDI_HAND
                     : request.kind == BoxKind::Question ? IDI_QUESTION
                                                         : IDI_EXCLAMATION;
  SendDlgItemMessageA(box, IDC_BOX_ICON, STM_SETICON,
                      reinterpret_cast<WPARAM>(LoadIconA(nullptr, kind_icon)), 0);
  SetDlgItemTextA(box, IDC_BOX_TEXT, request.text.c_str());

  const int button_id[3] = {IDC_BOX_BUTTON1, IDC_BOX_BUTTON2, IDC_BOX_BUTTON3};
  for (int i = 0; i < 3; ++i) {
    HWND button = GetDlgItem(box, button_id[i]);
    SetWindowTextA(button, request.labels[i].c_str());
    ShowWindow(button, request.labels[i].empty() ? SW_HIDE : SW_SHOW);
  }

  SizeBox(box, request.text);

  if (!request.labels[2].empty()) {
    SendMessageA(box, DM_SETDEFID, IDC_BOX_BUTTON3, 0);
    SetFocus(GetDlgItem(box, IDC_BOX_BUTTON3));
    return FALSE;  // focus set here
  }
  return TRUE;
}

INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return InitBox(box, *reinterpret_cast<const BoxRequest*>(lparam));
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_BOX_BUTTON1: EndDialog(box, 1); return TRUE;
        case IDC_BOX_BUTTON2: EndDialog(box, 2); return TRUE;
        case IDC_BOX_BUTTON3: EndDialog(box, 3); return TRUE;
        case IDCANCEL: EndDialog(box, 0); return TRUE;  // Escape
      }
      break;
    case WM_CLOSE:  // the title-bar close: QuestionBox counts it as the first button
      EndDialog(box, BOX_END_CLOSE);
      return TRUE;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(WhiteBrush());
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wparam), RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(WhiteBrush());
  }
  return FALSE;
}

// The raw end value.
int ShowBoxRaw(WindowHandle owner, BoxKind kind, const char* text, const char* label1,
               const char* label2, const char* label3) {
  BoxRequest request{kind, text ? text : "", {label1 ? label1 : "", label2 ? label2 : "",
                                              label3 ? label3 : ""}};
  HWND owner_window = owner ? static_cast<HWND>(owner) : GetDesktopWindow();
  const INT_PTR end = DialogBoxParamA(reinterpret_cast<HINSTANCE>(&__ImageBase),
                                      MAKEINTRESOURCEA(IDD_MESSAGE_BOX), owner_window, BoxProc,
                                      reinterpret_cast<LPARAM>(&request));
  return end < 0 ? 0 : static_cast<int>(end);
}

int ShowBox(WindowHandle owner, BoxKind kind, const char* text, const char* label1,
            const char* label2, const char* label3) {
  return BoxResult(kind, ShowBoxRaw(owner, kind, text, label1, label2, label3));
}

}  // namespace

int WarningBox(WindowHandle owner, const char* text) {
  return ShowBox(owner, BoxKind::Warning, text, nullptr, nullptr, "OK");
}

int ErrorBox(WindowHandle owner, const char* text) {
  return ShowBox(owner, BoxKind::Error, text, nullptr, nullptr, "OK");
}

int QuestionBox(WindowHandle owner, const char* text, const char* label1, const char* label2,
                const char* label3) {
  return ShowBox(owner, BoxKind::Question, text, label1, label2, label3);
}

int QuestionBoxOrClose(WindowHandle owner, const char* text, const char* label1, const char* label2,
                       const char* label3) {
  return ShowBoxRaw(owner, BoxKind::Question, text, label1, label2, label3);
}
