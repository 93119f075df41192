// Button images with hover, pressed and disabled looks, link-style captions, colours
// and tooltips of the main window.
#include "app/views/main_window_look.h"

#include <commctrl.h>

#include <cstring>

#include "app/logic/main_layout.h"
#include "platform/msgbox.h"
#include "resources/resource.h"

namespace {

struct Look {
  HBITMAP images[BUTTON_ID_COUNT][4] = {};
  HWND hot_button = nullptr;
  HWND hot_caption = nullptr;
  HFONT normal_font = nullptr;
  HFONT underlined_font = nullptr;
  HCURSOR hand = nullptr;
  HBRUSH light_brush = nullptr;
  HBITMAP menu_bitmaps[3] = {};  // 307, 355, 356
  HBITMAP banner = nullptr;
  HBITMAP filler = nullptr;
  HWND tooltip = nullptr;
  HHOOK hook = nullptr;
  HWND window = nullptr;
};

Look g_look;

constexpr int kMenuBitmapIds[3] = {IDB_ABOUT_MENU, IDB_KEY_LIST, IDB_KEY_MANUAL};
constexpr int kCaptionIds[6] = {IDC_MAIN_SEND_CAPTION,  IDC_MAIN_LOCAL_CAPTION, IDC_MAIN_QUIT_CAPTION,
                                IDC_MAIN_OPEN_CAPTION, IDC_MAIN_REPLY_CAPTION, IDC_INFO_LINK};

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

HBITMAP LoadBitmapResource(int id, UINT flags) {
  return static_cast<HBITMAP>(LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, flags));
}

int ButtonIndex(int id) {
  for (int i = 0; i < BUTTON_ID_COUNT; ++i) {
    if (BUTTON_IDS[i] == id) return i;
  }
  return -1;
}

bool IsCaption(HWND control) {
  if (control == nullptr) return false;
  const int id = GetDlgCtrlID(control);
  for (int caption : kCaptionIds) {
    if (caption == id) return true;
  }
  return false;
}

bool IsImageButton(HWND control) { return control && ButtonIndex(GetDlgCtrlID(control)) >= 0; }

void SetCaptionHot(HWND caption, bool hot) {
  SetClassLongPtrA(caption, GCLP_HCURSOR,
                   reinterpret_cast<LONG_PTR>(hot ? g_look.hand : LoadCursorA(nullptr, IDC_ARROW)));
  SendMessageA(caption, WM_SETFONT, reinterpret_cast<WPARAM>(hot ? g_look.underlined_font : g_look.normal_font),
               TRUE);
  InvalidateRect(caption, nullptr, TRUE);
}

LRESULT CALLBACK RelayMouse(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && g_look.tooltip) {
    MSG* message = reinterpret_cast<MSG*>(lparam);
    switch (message->message) {
      case WM_MOUSEMOVE:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
        if (g_look.window && IsChild(g_look.window, message->hwnd)) {
          SendMessageA(g_look.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message));
        }
        break;
      default: break;
    }
  }
  return CallNextHookEx(g_look.hook, code, wparam, lparam);
}

BOOL CALLBACK AddTool(HWND child, LPARAM lparam) {
  HWND window = reinterpret_cast<HWND>(lparam);
  if (GetParent(child) != window) return TRUE;
  char class_name[32] = "";
  GetClassNameA(child, class_name, sizeof class_name);
  if (lstrcmpiA(class_name, "STATIC") == 0) return TRUE;
  TTTOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(child);
  tool.lpszText = LPSTR_TEXTCALLBACKA;
  return SendMessageA(g_look.tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) ? TRUE : FALSE;
}

}  // namespace

COLORREF LightColour() {
  // The button face made lighter by 0x20 in each channel; a channel already near white
  // stops at 255 instead of carrying into the next one.
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  auto lighter = [](int channel) { return channel + 0x20 > 255 ? 255 : channel + 0x20; };
  HDC dc = GetDC(nullptr);
  const COLORREF colour =
      GetNearestColor(dc, RGB(lighter(GetRValue(face)), lighter(GetGValue(face)), lighter(GetBValue(face))));
  ReleaseDC(nullptr, dc);
  return colour;
}

HBRUSH LightBrush() {
  if (g_look.light_brush == nullptr) g_look.light_brush = CreateSolidBrush(LightColour());
  return g_look.light_brush;
}

HBITMAP MenuBitmap(int id) {
  for (int i = 0; i < 3; ++i) {
    if (kMenuBitmapIds[i] == id) return g_look.menu_bitmaps[i];
  }
  return nullptr;
}

int BannerWidth() {
  BITMAP info = {};
  if (g_look.banner == nullptr || !GetObjectA(g_look.banner, sizeof info, &info)) return 0;
  return info.bmWidth;
}

void LookCreate(HWND window) {
  g_look.window = window;
  for (int i = 0; i < BUTTON_ID_COUNT; ++i) {
    const int* ids = ButtonImages(BUTTON_IDS[i]);
    for (int k = 0; k < 4; ++k) g_look.images[i][k] = LoadBitmapResource(ids[k], LR_LOADTRANSPARENT);
  }
  g_look.hot_button = nullptr;
  g_look.hot_caption = nullptr;

  g_look.normal_font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  LOGFONTA font = {};
  if (g_look.normal_font && GetObjectA(g_look.normal_font, sizeof font, &font)) {
    font.lfUnderline = TRUE;
    g_look.underlined_font = CreateFontIndirectA(&font);
  }
  g_look.hand = static_cast<HCURSOR>(LoadImageA(Module(), MAKEINTRESOURCEA(IDR_HAND_CURSOR), IMAGE_CURSOR, 0, 0, 0));
  if (g_look.hand == nullptr) g_look.hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND

  for (int i = 0; i < 3; ++i) g_look.menu_bitmaps[i] = LoadBitmapResource(kMenuBitmapIds[i], 0);
  g_look.banner = LoadBitmapResource(IDB_BANNER, 0);
  g_look.filler = LoadBitmapResource(IDB_FILLER, 0);
  if (g_look.banner) {
    SendDlgItemMessageA(window, IDC_MAIN_BANNER, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(g_look.banner));
  }
  if (g_look.filler) {
    SendDlgItemMessageA(window, IDC_MAIN_FILLER, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(g_look.filler));
  }
}

void LookDestroy() {
  if (g_look.hook) UnhookWindowsHookEx(g_look.hook);
  g_look.hook = nullptr;
  g_look.tooltip = nullptr;  // owned by the window, destroyed with it
  for (auto& images : g_look.images) {
    for (HBITMAP& image : images) {
      if (image) DeleteObject(image);
      image = nullptr;
    }
  }
  if (g_look.hot_caption) SetClassLongPtrA(g_look.hot_caption, GCLP_HCURSOR,
                                           reinterpret_cast<LONG_PTR>(LoadCursorA(nullptr, IDC_ARROW)));
  if (g_look.underlined_font) DeleteObject(g_look.underlined_font);
  if (g_look.light_brush) DeleteObject(g_look.light_brush);
  for (HBITMAP& bitmap : g_look.menu_bitmaps) {
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
  }
  if (g_look.banner) DeleteObject(g_look.banner);
  if (g_look.filler) DeleteObject(g_look.filler);
  g_look = Look{};
}

void TooltipsCreate(HWND window) {
  g_look.tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                   Module(), nullptr);
  bool made = g_look.tooltip != nullptr;
  if (made) made = EnumChildWindows(window, AddTool, reinterpret_cast<LPARAM>(window)) != FALSE;
  if (made) {
    g_look.hook = SetWindowsHookExA(WH_GETMESSAGE, RelayMouse, nullptr, GetCurrentThreadId());
    made = g_look.hook != nullptr;
  }
  if (!made) {
    ErrorBox(window, "Unable to create tooltips.");
    if (g_look.tooltip) DestroyWindow(g_look.tooltip);
    g_look.tooltip = nullptr;
  }
}

int TooltipNotify(HWND, NMHDR* header, int mode, int reply) {
  if (g_look.tooltip == nullptr || header->hwndFrom != g_look.tooltip || header->code != TTN_GETDISPINFOA) {
    return 0;
  }
  NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
  const int id = GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom));
  const char* text = TooltipText(id, mode, reply);
  info->hinst = nullptr;
  info->szText[0] = '\0';
  info->lpszText = const_cast<char*>(text ? text : "");
  return 1;
}

void DrawImageButton(const DRAWITEMSTRUCT* item) {
  if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return;
  const int index = ButtonIndex(static_cast<int>(item->CtlID));
  if (index < 0) return;
  int state = item->hwndItem == g_look.hot_button ? 1 : 0;
  if (item->itemState & ODS_SELECTED) {
    state = 2;
  } else if (item->itemState & ODS_DISABLED) {
    state = 3;
  }
  FillRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HBITMAP image = g_look.images[index][state];
  BITMAP info = {};
  if (image && GetObjectA(image, sizeof info, &info)) {
    HDC memory = CreateCompatibleDC(item->hDC);
    HGDIOBJ old = SelectObject(memory, image);
    BitBlt(item->hDC, item->rcItem.left, item->rcItem.top, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
}

void HoverUpdate(HWND under) {
  if (g_look.hot_caption == nullptr && IsCaption(under)) {
    g_look.hot_caption = under;
    SetCaptionHot(under, true);
  } else if (g_look.hot_caption && g_look.hot_caption != under) {
    HWND previous = g_look.hot_caption;
    g_look.hot_caption = nullptr;
    SetCaptionHot(previous, false);
  }
  if (g_look.hot_button == nullptr && IsImageButton(under)) {
    g_look.hot_button = under;
    InvalidateRect(under, nullptr, FALSE);
  } else if (g_look.hot_button && g_look.hot_button != under) {
    HWND previous = g_look.hot_button;
    g_look.hot_button = nullptr;
    InvalidateRect(previous, nullptr, FALSE);
  }
}

HBRUSH ControlColours(HDC dc, HWND control) {
  const int id = control ? GetDlgCtrlID(control) : 0;
  if (control && control == g_look.hot_caption) {
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkColor(dc, RGB(255, 255, 255));
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  }
  if (id == 1056 || id == 1224 || id == 1108 || id == 1038 || id == 1110) {
    SetBkColor(dc, LightColour());
    return LightBrush();
  }
  SetBkColor(dc, RGB(255, 255, 255));
  return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}
