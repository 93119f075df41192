// The information box (template 437): a notice with the information icon and the
// maker's web link, sized to its text at creation.
#include "app/dialogs/info_box.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "app/logic/output_names.h"
#include "app/logic/vendor.h"
#include "resources/resource.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;  // the module holding this code and its template

namespace {

struct InfoBoxState {
  std::string text;  // copied: callers may reuse their buffer
  HFONT underlined = nullptr;
  bool link_hot = false;
};

HBRUSH WhiteBrush() { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }

InfoBoxState* State(HWND box) { return reinterpret_cast<InfoBoxState*>(GetWindowLongPtrA(box, DWLP_USER)); }

void SizeInfoBox(HWND box, const std::string& text) {
  HWND text_control = GetDlgItem(box, IDC_BOX_TEXT);
  HDC dc = GetDC(text_control);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
  HGDIOBJ old_font = font ? SelectObject(dc, font) : nullptr;

  std::string flat;  // the text without its line feeds, measured as one run
  int line_feeds = 0;
  for (char c : text) {
    if (c == '\n') ++line_feeds;
    else if (c != '\r') flat.push_back(c);
  }
  SIZE link = {0, 0};
  GetTextExtentPoint32A(dc, VENDOR_WEB_ADDRESS, static_cast<int>(sizeof VENDOR_WEB_ADDRESS - 1), &link);
  SIZE whole = {0, 0};
  if (!flat.empty()) GetTextExtentPoint32A(dc, flat.data(), static_cast<int>(flat.size()), &whole);
  constexpr int kTextWidth = 216;  // the width the text gets below
  RECT wrapped = {0, 0, kTextWidth, 0};
  DrawTextA(dc, text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  const int line_height = std::max(1, static_cast<int>(metrics.tmHeight));
  if (old_font) SelectObject(dc, old_font);
  ReleaseDC(text_control, dc);

  InfoBoxLayout layout = InfoBoxLines(static_cast<int>(whole.cx), kTextWidth, line_feeds,
                                      (wrapped.bottom + line_height - 1) / line_height, wrapped.bottom);
  RECT window;
  GetWindowRect(box, &window);
  SetWindowPos(box, nullptr, 0, 0, window.right - window.left, layout.window_height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(box, &client);
  InfoBoxPlace(&layout, client.right, client.bottom, static_cast<int>(link.cx) + 2);
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(text_control, nullptr, layout.text_x, layout.text_y, layout.text_width, layout.text_height, flags);
  SetWindowPos(GetDlgItem(box, IDC_INFO_LINK), nullptr, layout.link_x, layout.link_y, layout.link_width,
               layout.link_height, flags);
  SetWindowPos(GetDlgItem(box, IDOK), nullptr, layout.ok_x, layout.ok_y, layout.ok_width, layout.ok_height, flags);
  SetWindowPos(GetDlgItem(box, IDC_BOX_SEPARATOR), nullptr, layout.separator_x, layout.separator_y,
               layout.separator_width, layout.separator_height, flags);
}

BOOL InitInfoBox(HWND box, InfoBoxState* state) {
  SetWindowLongPtrA(box, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  HINSTANCE module = reinterpret_cast<HINSTANCE>(&__ImageBase);
  if (HICON big = LoadIconA(module, MAKEINTRESOURCEA(IDI_PROGRAM)))
    SendMessageA(box, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SetWindowTextA(box, DisplayName());
  SendDlgItemMessageA(box, IDC_BOX_ICON, STM_SETICON,
                      reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_INFORMATION)), 0);
  SetDlgItemTextA(box, IDC_BOX_TEXT, state->text.c_str());
  SetDlgItemTextA(box, IDC_INFO_LINK, VENDOR_WEB_ADDRESS);

  // The hot link is drawn in an underlined copy of the dialog font.
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
  LOGFONTA description;
  if (font && GetObjectA(font, sizeof description, &description) == sizeof description) {
    description.lfUnderline = TRUE;
    state->underlined = CreateFontIndirectA(&description);
  }
  SizeInfoBox(box, state->text);
  return TRUE;
}

// The link's hover: hot while the cursor is over it (hand cursor, underlined, blue).
void SetLinkHot(HWND box, InfoBoxState* state, bool hot) {
  if (state->link_hot == hot) return;
  state->link_hot = hot;
  HWND link = GetDlgItem(box, IDC_INFO_LINK);
  HFONT font = hot && state->underlined ? state->underlined
                                        : reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
  SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  InvalidateRect(link, nullptr, TRUE);
}

HCURSOR HandCursor() {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(&__ImageBase);
  if (FindResourceA(module, MAKEINTRESOURCEA(424), MAKEINTRESOURCEA(12)))  // the program's own hand (group cursor)
    if (HCURSOR own = LoadCursorA(module, MAKEINTRESOURCEA(424))) return own;
  return LoadCursorA(nullptr, IDC_HAND);
}

INT_PTR CALLBACK InfoBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  InfoBoxState* state = State(box);
  switch (message) {
    case WM_INITDIALOG:
      return InitInfoBox(box, reinterpret_cast<InfoBoxState*>(lparam));
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:  // "OK" and Escape
          EndDialog(box, 0);
          return TRUE;
        case IDC_INFO_LINK:
          if (HIWORD(wparam) == STN_CLICKED) {
            char address[300];
            VendorOpenAddress(address, sizeof address);
            ShellExecuteA(box, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
          }
          return TRUE;
      }
      break;
    case WM_CLOSE:  // the title-bar close
      EndDialog(box, 1);
      return TRUE;
    case WM_SETCURSOR:
      if (state) {
        const bool over_link = reinterpret_cast<HWND>(wparam) == GetDlgItem(box, IDC_INFO_LINK);
        SetLinkHot(box, state, over_link);
        if (over_link) {
          SetCursor(HandCursor());
          SetWindowLongPtrA(box, DWLP_MSGRESULT, TRUE);
          return TRUE;
        }
      }
      break;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(WhiteBrush());
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetBkColor(dc, RGB(255, 255, 255));
      if (state && state->link_hot && reinterpret_cast<HWND>(lparam) == GetDlgItem(box, IDC_INFO_LINK))
        SetTextColor(dc, RGB(0, 0, 255));
      return reinterpret_cast<INT_PTR>(WhiteBrush());
    }
    case WM_DESTROY:
      if (state && state->underlined) {
        DeleteObject(state->underlined);
        state->underlined = nullptr;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int InfoBox(WindowHandle owner, const char* text) {
  InfoBoxState state;
  state.text = text ? text : "";
  HWND owner_window = owner ? static_cast<HWND>(owner) : GetDesktopWindow();
  const INT_PTR end = DialogBoxParamA(reinterpret_cast<HINSTANCE>(&__ImageBase), MAKEINTRESOURCEA(IDD_INFO_BOX),
                                      owner_window, InfoBoxProc, reinterpret_cast<LPARAM>(&state));
  return end == 1 ? 1 : 0;
}
