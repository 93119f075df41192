// The main window's procedure: creation and destruction, the command table, the
// system menu, placement, the hand-over of a second start, drops, the frame snap,
// and showing the document with its mode's buttons.
#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/document.h"
#include "app/file_list.h"
#include "app/file_list_view.h"
#include "app/help.h"
#include "app/mail.h"
#include "app/main_layout.h"
#include "app/main_window_look.h"
#include "app/progress_dialog.h"
#include "app/keys_ui.h"
#include "app/commands.h"
#include "app/send_encrypted.h"
#include "app/output_files.h"
#include "keys/access_password.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR TIMER_OPENED_FILES = 1;
constexpr UINT_PTR TIMER_EXPORT_WINDOW = 2;

int g_ready = 1;             // no earlier hand-over is still being handled
int g_text_fit = 1;          // the next side-border snap fits the text

HWND Control(HWND window, int id) { return GetDlgItem(window, id); }

// The control of a pair, whichever of its two ids it carries now.
HWND PairControl(HWND window, int first, int second) {
  HWND control = Control(window, first);
  return control ? control : Control(window, second);
}

void SetControlId(HWND control, int id) {
  if (control) SetWindowLongPtrA(control, GWLP_ID, id);
}

// Quit and close refuse while files opened from the document are in use.
bool MayClose(HWND window) {
  if (OpenedFilesCount(window) <= 0) return true;
  char text[160];
  std::snprintf(text, sizeof text, "You must close the files opened with %s before leaving.", DisplayName());
  WarningBox(window, text);
  return false;
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

void ApplyPlacement(HWND window) {
  int visible = 0;
  SettingsGetFlag(SETTING_VISIBLE, &visible);
  int x = -1, y = -1, width = 0, height = 0;
  const bool stored = SettingsGetWindowRect(&x, &y, &width, &height) != 0;
  if (!stored || (x == -1 && y == -1)) {
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - MAIN_MIN_WIDTH) / 2,
                 area.top + (area.bottom - area.top - MAIN_MIN_HEIGHT) / 2, MAIN_MIN_WIDTH, MAIN_MIN_HEIGHT,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(window, visible == 1 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT client = {};
  GetClientRect(window, &client);
  LayoutMainWindow(window, client.right, client.bottom);
}

void BuildSystemMenu(HWND window) {
  HMENU menu = GetSystemMenu(window, FALSE);
  if (menu == nullptr) return;
  RemoveMenu(menu, SC_RESTORE, MF_BYCOMMAND);
  RemoveMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
  int visible = 0;
  SettingsGetFlag(SETTING_VISIBLE, &visible);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | (visible > 0 ? MF_CHECKED : MF_UNCHECKED), IDM_ALWAYS_VISIBLE, "Always Visible");
  AppendMenuA(menu, MF_STRING, IDM_ABOUT, "About...");
  HBITMAP about = MenuBitmap(IDB_ABOUT_MENU);
  if (about) SetMenuItemBitmaps(menu, IDM_ABOUT, MF_BYCOMMAND, about, about);
}

void ToggleAlwaysVisible(HWND window) {
  int visible = 0;
  SettingsGetFlag(SETTING_VISIBLE, &visible);
  visible = visible ? 0 : 1;
  CheckMenuItem(GetSystemMenu(window, FALSE), IDM_ALWAYS_VISIBLE, MF_BYCOMMAND | (visible ? MF_CHECKED : MF_UNCHECKED));
  SetWindowPos(window, visible ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SettingsSetFlag(SETTING_VISIBLE, visible);
}

void AlgorithmMenu(HWND window, HWND toggle) {
  if (TheDocument()->mode != MODE_ENCRYPT) {
    WarningBox(window,
               "You may choose the encryption algorithm in \"encryption\" mode only.\n"
               "In \"decryption\" mode it shows the algorithm used to encrypt the file.\n");
    return;
  }
  int algo = 1;
  SettingsGetFlag(SETTING_ALGO, &algo);
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING | (algo == 1 ? MF_CHECKED : 0), 1, "DES");
  AppendMenuA(menu, MF_STRING | (algo == 2 ? MF_CHECKED : 0), 2, "AES");
  RECT rect = {};
  GetWindowRect(toggle, &rect);
  const int choice = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_BOTTOMALIGN | TPM_LEFTALIGN, rect.left + 8,
                                    rect.top + 8, 0, window, nullptr);
  DestroyMenu(menu);
  if (choice == 1 || choice == 2) {
    SettingsSetFlag(SETTING_ALGO, choice);
    UpdateButtons(window, TheDocument()->mode);
  }
}

void ToggleSelfExtract(HWND window, HWND toggle) {
  SetControlId(toggle, self_extract_enabled ? IDC_MAIN_SELFX_OFF : IDC_MAIN_SELFX_ON);
  SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(toggle), 0);
  self_extract_enabled = self_extract_enabled ? 0 : 1;
  InvalidateRect(toggle, nullptr, FALSE);
}

void RunCommand(HWND window, int id, HWND control) {
  Document* document = TheDocument();
  switch (id) {
    case IDC_MAIN_KEY_BUTTON: KeyMenu(window, control); break;
    case IDC_MAIN_OPEN: OpenFiles(window); break;
    case IDC_MAIN_SEND:
    case IDC_MAIN_SEND_CAPTION: SendEncrypted(window, document); break;
    case IDC_MAIN_LOCAL:
    case IDC_MAIN_LOCAL_CAPTION: {
      int done = 0;
      if (document->mode == MODE_ENCRYPT) done = EncryptLocally(window, document);
      else if (document->mode == MODE_DECRYPT) done = DecryptLocally(window, document);
      if (done == 1) EndDialog(window, 1);
      break;
    }
    case IDC_MAIN_QUIT:
    case IDC_MAIN_QUIT_CAPTION:
      if (MayClose(window)) EndDialog(window, 0);
      break;
    case IDC_MAIN_DECRYPT_OPEN:
    case IDC_MAIN_OPEN_CAPTION: DecryptAndOpen(window, document); break;
    case IDC_MAIN_REPLY:
    case IDC_MAIN_REPLY_CAPTION: MakeReply(window, document); break;
    case IDC_MAIN_NEW: NewDocument(window); break;
    case IDC_MAIN_ALGO_DES:
    case IDC_MAIN_ALGO_AES: AlgorithmMenu(window, control); break;
    case IDC_MAIN_PASSWORD_ON:
    case IDC_MAIN_PASSWORD_OFF:
      AccessPasswordDialog(window);
      UpdateButtons(window, document->mode);
      break;
    case IDC_MAIN_SELFX_ON:
    case IDC_MAIN_SELFX_OFF: ToggleSelfExtract(window, control); break;
    case IDC_MAIN_HELP: SendMessageA(window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0); break;
    default: break;
  }
}

void ListMenu(HWND window) {
  HWND list = Control(window, IDC_MAIN_FILES);
  const int selected = SelectedFileIndex(window);
  RECT rect = {};
  if (selected < 0 || !ListView_GetItemRect(list, selected, &rect, LVIR_ICON)) return;
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING | (TheDocument()->mode == MODE_ENCRYPT ? MF_GRAYED : 0), 1, "Open");
  AppendMenuA(menu, MF_STRING, 2, "Suppress");
  const int choice = TrackPopupMenu(menu, TPM_RETURNCMD, rect.left + 8, rect.top + 8, 0, window, nullptr);
  DestroyMenu(menu);
  if (choice == 1) DecryptAndOpen(window, TheDocument());
  if (choice == 2) RemoveSelectedFile(window);
}

void ListNotify(HWND window, NMHDR* header) {
  switch (header->code) {
    case NM_RCLICK: ListMenu(window); break;
    case NM_DBLCLK:
      if (TheDocument()->mode == MODE_DECRYPT) DecryptAndOpen(window, TheDocument());
      break;
    case LVN_KEYDOWN:
      if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) RemoveSelectedFile(window);
      break;
    default: break;
  }
}

void HandOverReceived(HWND window, const COPYDATASTRUCT* data) {
  if (data == nullptr || data->dwData != 0 || data->cbData < 1 || data->cbData > COMMAND_LINE_SIZE ||
      data->lpData == nullptr || std::memchr(data->lpData, '\0', data->cbData) == nullptr) {
    return;
  }
  if (!g_ready || OperationRunning()) return;  // an operation is reading the document's files
  g_ready = 0;
  char line[COMMAND_LINE_SIZE];
  std::memcpy(line, data->lpData, data->cbData);
  if (OpenCommandLine(window, TheDocument(), line) == 1) ShowDocument(window, TheDocument());
  g_ready = 1;
}

void Dropped(HWND window, HDROP drop) {
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> names;
  for (UINT i = 0; i < count; ++i) {
    char path[MAX_PATH] = "";
    if (DragQueryFileA(drop, i, path, sizeof path)) names.emplace_back(path);
  }
  DragFinish(drop);
  if (names.empty()) return;
  std::vector<const char*> paths;
  for (const std::string& name : names) paths.push_back(name.c_str());
  if (!WriteFileList(paths.data(), static_cast<int>(paths.size()))) return;
  char list_path[QLX_PATH_SIZE];
  if (!FileListPath(list_path)) return;
  char line[COMMAND_LINE_SIZE];
  std::snprintf(line, sizeof line, "/d %s", list_path);
  if (OpenCommandLine(window, TheDocument(), line) == 1) ShowDocument(window, TheDocument());
}

int WidestTextLine(HWND window) {
  HWND field = Control(window, IDC_MAIN_TEXT);
  const int length = GetWindowTextLengthA(field);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowTextA(field, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
  int widest = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    SIZE size = {0, 0};
    if (stop > start) GetTextExtentPoint32A(dc, text.data() + start, static_cast<int>(stop - start), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
    start = end + 1;
  }
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return widest;
}

bool FrameSnap(HWND window, WPARAM hit) {
  Border border = Border::Other;
  switch (hit) {
    case HTLEFT: border = Border::Left; break;
    case HTRIGHT: border = Border::Right; break;
    case HTTOP: border = Border::Top; break;
    case HTTOPLEFT: border = Border::TopLeft; break;
    case HTTOPRIGHT: border = Border::TopRight; break;
    case HTBOTTOM: border = Border::Bottom; break;
    case HTBOTTOMLEFT: border = Border::BottomLeft; break;
    case HTBOTTOMRIGHT: border = Border::BottomRight; break;
    default: return false;
  }
  RECT rect = {};
  GetWindowRect(window, &rect);
  int fit = MAIN_MIN_WIDTH;
  if (border == Border::Left || border == Border::Right) {
    const bool empty = GetWindowTextLengthA(Control(window, IDC_MAIN_TEXT)) == 0;
    fit = TextFitWidth(&g_text_fit, empty, empty ? 0 : WidestTextLine(window));
  }
  const WindowEdges snapped = SnapRectangle(border, {rect.left, rect.top, rect.right, rect.bottom}, fit);
  MoveWindow(window, snapped.left, snapped.top, snapped.right - snapped.left, snapped.bottom - snapped.top, TRUE);
  return true;
}

void Create(HWND window) {
  SetMainWindowHandle(window);
  char class_name[101] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  SettingsSetString("ClassName", class_name, static_cast<std::uint32_t>(std::strlen(class_name) + 1));

  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  if (icon) SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SetWindowTextA(window, DisplayName());

  OpenedFilesCreate(window);
  TooltipsCreate(window);
  LookCreate(window);

  HWND list = Control(window, IDC_MAIN_FILES);
  ListView_SetBkColor(list, LightColour());
  ListView_SetTextBkColor(list, LightColour());

  BuildSystemMenu(window);
  ShowDocument(window, TheDocument());
  ApplyPlacement(window);
  SetFocus(Control(window, IDC_MAIN_TEXT));
  if (std::strstr(ProcessCommandLine(), "/EXPORTWINDOW")) SetTimer(window, TIMER_EXPORT_WINDOW, 500, nullptr);
}

void Destroy(HWND window) {
  Document* document = TheDocument();
  if (document->file_count > 0 && document->files && document->reply && document->files[0].container[0]) {
    DeleteFileA(document->files[0].container);
  }
  ClearFileList(window);
  ClearDocument(document);
  RECT rect = {};
  if (GetWindowRect(window, &rect)) {
    SettingsSetWindowRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  }
  LookDestroy();
  SettingsSetString("ClassName", "", 1);
  MapiUnload();
  SetMainWindowHandle(nullptr);
}

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      Create(window);
      return FALSE;
    case WM_COMMAND:
      if (HIWORD(wparam) == 0) RunCommand(window, LOWORD(wparam), reinterpret_cast<HWND>(lparam));
      return FALSE;
    case WM_SYSCOMMAND:
      if (wparam == IDM_ABOUT) {
        AboutBox(window);
        return TRUE;
      }
      if (wparam == IDM_ALWAYS_VISIBLE) {
        ToggleAlwaysVisible(window);
        return TRUE;
      }
      if ((wparam & 0xFFF0) == SC_CLOSE) {
        if (MayClose(window)) EndDialog(window, 1);
        return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      if (wparam == TIMER_OPENED_FILES) {
        if (OpenedFilesCleanUp(window)) KillTimer(window, TIMER_OPENED_FILES);
      } else if (wparam == TIMER_EXPORT_WINDOW) {
        KillTimer(window, TIMER_EXPORT_WINDOW);
        KeyManagementDialog(window, 1);
      }
      return FALSE;
    case WM_DRAWITEM:
      DrawImageButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_SETCURSOR:
      HoverUpdate(reinterpret_cast<HWND>(wparam));
      return FALSE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(
          ControlColours(reinterpret_cast<HDC>(wparam), message == WM_CTLCOLORDLG ? nullptr : reinterpret_cast<HWND>(lparam)));
    case WM_NOTIFY: {
      NMHDR* header = reinterpret_cast<NMHDR*>(lparam);
      if (!TooltipNotify(window, header, TheDocument()->mode, TheDocument()->reply) &&
          header->idFrom == IDC_MAIN_FILES) {
        ListNotify(window, header);
      }
      return TRUE;
    }
    case WM_HELP: {
      const HELPINFO* info = reinterpret_cast<const HELPINFO*>(lparam);
      ShowHelp(window, HelpTopic(info->iCtrlId));
      return FALSE;
    }
    case WM_COPYDATA:
      HandOverReceived(window, reinterpret_cast<const COPYDATASTRUCT*>(lparam));
      SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_DROPFILES:
      Dropped(window, reinterpret_cast<HDROP>(wparam));
      return FALSE;
    case WM_GETMINMAXINFO: {
      MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMinTrackSize.x = MAIN_MIN_WIDTH;
      info->ptMinTrackSize.y = MAIN_MIN_HEIGHT;
      return TRUE;
    }
    case WM_SIZE:
      LayoutMainWindow(window, LOWORD(lparam), HIWORD(lparam));
      return TRUE;
    case WM_NCLBUTTONDBLCLK:
      return FrameSnap(window, wparam) ? TRUE : FALSE;
    case WM_EXITSIZEMOVE:
      InvalidateRect(window, nullptr, TRUE);
      return TRUE;
    case WM_DESTROY:
      Destroy(window);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int SelfExtractEnabled() { return self_extract_enabled; }

void RunMainWindow(HINSTANCE instance) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainWindowProc, 0);
}

int ShowDocument(HWND window, Document* document) {
  if (document->file_count > 0 && document->files && std::strcmp(document->files[0].name, "vekflist.tmp") == 0) {
    WarningBox(window, "Unexpected code path");
    return 0;
  }
  FillFileList(window, document);
  HWND field = Control(window, IDC_MAIN_TEXT);
  SetWindowTextA(field, document->text ? document->text : "");
  SendMessageA(field, EM_SETSEL, 0, -1);
  PostMessageA(field, WM_KEYDOWN, VK_RIGHT, 0);
  KeyFieldRefresh(window, document->identified_passphrase);
  if (document->text && document->text[0] && document->file_count == 0 && !document->reply) {
    document->mode = MODE_ENCRYPT;
  }
  UpdateButtons(window, document->mode);
  SetForegroundWindow(window);
  return 1;
}

void UpdateButtons(HWND window, int mode) {
  const Document* document = TheDocument();
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
