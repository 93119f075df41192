// The main window's procedure: creation and destruction, the command table, the
// system menu, placement, the hand-over of a second start, drops and the frame snap.
// It alone, with main.cpp, reaches the program's one document; everything it calls
// gets the document from it.
#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/commands/document_commands.h"
#include "app/commands/local_commands.h"
#include "app/commands/open_document.h"
#include "app/commands/send_encrypted.h"
#include "app/dialogs/help.h"
#include "app/dialogs/keys_ui.h"
#include "app/dialogs/output_files.h"
#include "app/dialogs/progress_dialog.h"
#include "app/logic/command_line.h"
#include "app/logic/document.h"
#include "app/logic/file_list.h"
#include "app/logic/main_layout.h"
#include "app/send/mail.h"
#include "app/views/file_list_view.h"
#include "app/views/main_view.h"
#include "app/views/main_window_look.h"
#include "app/views/text_field.h"
#include "container/operation.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR TIMER_OPENED_FILES = 1;
constexpr UINT_PTR TIMER_EXPORT_WINDOW = 2;

// What the main window keeps while it exists (its dialog data).
struct MainWindowState {
  Document* document;        // the program's one document
  const char* command_line;  // the process's command line
  bool self_extracting;      // the self-extracting toggle: the next send makes a package
  bool ready;                // no earlier hand-over is still being handled
  int text_fit;              // the next side-border snap fits the text
};

MainWindowState* State(HWND window) {
  return reinterpret_cast<MainWindowState*>(GetWindowLongPtrA(window, DWLP_USER));
}

HWND Control(HWND window, int id) { return GetDlgItem(window, id); }

// Quit and close refuse while files opened from the document are in use.
bool MayClose(HWND window) {
  if (OpenedFilesCount(window) <= 0) return true;
  char text[160];
  std::snprintf(text, sizeof text, "You must close the files opened with %s before leaving.", DisplayName());
  WarningBox(window, text);
  return false;
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

void AlgorithmMenu(HWND window, const Document* document, HWND toggle) {
  if (document->mode != MODE_ENCRYPT) {
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
    UpdateButtons(window, document);
  }
}

void ToggleSelfExtract(HWND window, MainWindowState* state, HWND toggle) {
  SetControlId(toggle, state->self_extracting ? IDC_MAIN_SELFX_OFF : IDC_MAIN_SELFX_ON);
  SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(toggle), 0);
  state->self_extracting = !state->self_extracting;
  InvalidateRect(toggle, nullptr, FALSE);
}

void RunCommand(HWND window, MainWindowState* state, int id, HWND control) {
  Document* document = state->document;
  switch (id) {
    case IDC_MAIN_KEY_BUTTON: KeyMenu(window, control); break;
    case IDC_MAIN_OPEN: OpenFiles(window, document); break;
    case IDC_MAIN_SEND:
    case IDC_MAIN_SEND_CAPTION: SendEncrypted(window, document, state->self_extracting); break;
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
    case IDC_MAIN_NEW: NewDocument(window, document); break;
    case IDC_MAIN_ALGO_DES:
    case IDC_MAIN_ALGO_AES: AlgorithmMenu(window, document, control); break;
    case IDC_MAIN_PASSWORD_ON:
    case IDC_MAIN_PASSWORD_OFF:
      AccessPasswordDialog(window);
      UpdateButtons(window, document);
      break;
    case IDC_MAIN_SELFX_ON:
    case IDC_MAIN_SELFX_OFF: ToggleSelfExtract(window, state, control); break;
    case IDC_MAIN_HELP: SendMessageA(window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0); break;
    default: break;
  }
}

void ListMenu(HWND window, Document* document) {
  HWND list = Control(window, IDC_MAIN_FILES);
  const int selected = SelectedFileIndex(window);
  RECT rect = {};
  if (selected < 0 || !ListView_GetItemRect(list, selected, &rect, LVIR_ICON)) return;
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING | (document->mode == MODE_ENCRYPT ? MF_GRAYED : 0), 1, "Open");
  AppendMenuA(menu, MF_STRING, 2, "Suppress");
  const int choice = TrackPopupMenu(menu, TPM_RETURNCMD, rect.left + 8, rect.top + 8, 0, window, nullptr);
  DestroyMenu(menu);
  if (choice == 1) DecryptAndOpen(window, document);
  if (choice == 2) RemoveSelectedFile(window, document);
}

void ListNotify(HWND window, Document* document, NMHDR* header) {
  switch (header->code) {
    case NM_RCLICK: ListMenu(window, document); break;
    case NM_DBLCLK:
      if (document->mode == MODE_DECRYPT) DecryptAndOpen(window, document);
      break;
    case LVN_KEYDOWN:
      if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) RemoveSelectedFile(window, document);
      break;
    default: break;
  }
}

void HandOverReceived(HWND window, MainWindowState* state, const COPYDATASTRUCT* data) {
  if (data == nullptr || data->dwData != 0 || data->cbData < 1 || data->cbData > COMMAND_LINE_SIZE ||
      data->lpData == nullptr || std::memchr(data->lpData, '\0', data->cbData) == nullptr) {
    return;
  }
  if (!state->ready || OperationRunning()) return;  // an operation is reading the document's files
  state->ready = false;
  char line[COMMAND_LINE_SIZE];
  std::memcpy(line, data->lpData, data->cbData);
  if (OpenCommandLine(window, state->document, line) == 1) ShowDocument(window, state->document);
  state->ready = true;
}

void Dropped(HWND window, Document* document, HDROP drop) {
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
  if (OpenCommandLine(window, document, line) == 1) ShowDocument(window, document);
}

int WidestTextLine(HWND window) {
  char* copy = TextFieldCopy(window, EmptyText::Kept);
  const std::string text = copy ? copy : "";
  OperationTextFree(copy);
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

bool FrameSnap(HWND window, MainWindowState* state, WPARAM hit) {
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
    const bool empty = TextFieldEmpty(window);
    fit = TextFitWidth(&state->text_fit, empty, empty ? 0 : WidestTextLine(window));
  }
  const WindowEdges snapped = SnapRectangle(border, {rect.left, rect.top, rect.right, rect.bottom}, fit);
  MoveWindow(window, snapped.left, snapped.top, snapped.right - snapped.left, snapped.bottom - snapped.top, TRUE);
  return true;
}

void Create(HWND window, MainWindowState* state) {
  SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
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
  ShowDocument(window, state->document);
  ApplyPlacement(window);
  SetFocus(Control(window, IDC_MAIN_TEXT));
  if (std::strstr(state->command_line, "/EXPORTWINDOW")) SetTimer(window, TIMER_EXPORT_WINDOW, 500, nullptr);
}

void Destroy(HWND window, MainWindowState* state) {
  Document* document = state->document;
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
  if (message == WM_INITDIALOG) {
    Create(window, reinterpret_cast<MainWindowState*>(lparam));
    return FALSE;
  }
  MainWindowState* state = State(window);
  switch (message) {
    case WM_COMMAND:
      if (state && HIWORD(wparam) == 0) RunCommand(window, state, LOWORD(wparam), reinterpret_cast<HWND>(lparam));
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
      if (state && !TooltipNotify(window, header, state->document->mode, state->document->reply) &&
          header->idFrom == IDC_MAIN_FILES) {
        ListNotify(window, state->document, header);
      }
      return TRUE;
    }
    case WM_HELP: {
      const HELPINFO* info = reinterpret_cast<const HELPINFO*>(lparam);
      ShowHelp(window, HelpTopic(info->iCtrlId));
      return FALSE;
    }
    case WM_COPYDATA:
      if (state) HandOverReceived(window, state, reinterpret_cast<const COPYDATASTRUCT*>(lparam));
      SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_DROPFILES:
      if (state) Dropped(window, state->document, reinterpret_cast<HDROP>(wparam));
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
      return state && FrameSnap(window, state, wparam) ? TRUE : FALSE;
    case WM_EXITSIZEMOVE:
      InvalidateRect(window, nullptr, TRUE);
      return TRUE;
    case WM_DESTROY:
      if (state) Destroy(window, state);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunMainWindow(HINSTANCE instance, Document* document, const char* command_line) {
  MainWindowState state{document, command_line, false, true, 1};
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainWindowProc, reinterpret_cast<LPARAM>(&state));
}
