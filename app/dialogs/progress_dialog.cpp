// The operation progress dialog: the operation runs inside its first timer message on
// the dialog's thread; the notifications arrive as sent messages and move the bars.
// Cancel (or Escape) makes the next notification answer RECEIVER_CANCEL; the operation
// then cleans up and answers 0xF007, which shows no message.
// The self-extractor compiles this file with QLX_EXTRACTOR: it runs decryptions only
// (it carries no encryption side), shows the extractor's icon, and takes the theme
// library from the system folder when it needs it rather than importing it (it runs
// from download folders, where a planted copy would be loaded before its first line).
#include "app/dialogs/progress_dialog.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <cstdint>

#include "base/progress.h"
#include "container/result.h"
#include "platform/progress.h"
#include "resources/resource.h"
#include "ui/progress_display.h"
#include "ui/progress_rows.h"

namespace {

constexpr UINT_PTR TIMER_RUN = 1;
constexpr UINT_PTR TIMER_CLOSE = 2;
constexpr UINT TIMER_MS = 500;
constexpr DWORD PUMP_MS = 50;  // at most this often, messages are handled during the work

#ifdef QLX_EXTRACTOR
constexpr int kDialogIcon = IDI_EXTRACTOR;
#else
constexpr int kDialogIcon = IDI_PROGRAM;
#endif

#ifdef QLX_EXTRACTOR
using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

// SetWindowTheme of the system folder's theme library, or nullptr.
SetWindowThemeFunction SystemSetWindowTheme() {
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + sizeof "\\uxtheme.dll" > MAX_PATH) return nullptr;
  lstrcatA(path, "\\uxtheme.dll");
  HMODULE library = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!library) return nullptr;
  return reinterpret_cast<SetWindowThemeFunction>(reinterpret_cast<void*>(GetProcAddress(library, "SetWindowTheme")));
}
#endif

// Draws the bar unthemed.
void UnthemeBar(HWND bar) {
#ifdef QLX_EXTRACTOR
  if (SetWindowThemeFunction set_theme = SystemSetWindowTheme()) set_theme(bar, L" ", L" ");
#else
  SetWindowTheme(bar, L" ", L" ");
#endif
}

const int kLabels[3] = {IDC_PROGRESS_LABEL1, IDC_PROGRESS_LABEL2, IDC_PROGRESS_LABEL3};
const int kBars[3] = {IDC_PROGRESS_BAR1, IDC_PROGRESS_BAR2, IDC_PROGRESS_BAR3};
const int kStatus[3] = {IDC_PROGRESS_STATUS1, IDC_PROGRESS_STATUS2, IDC_PROGRESS_STATUS3};

// The state of the one dialog (only one operation runs at a time).
struct ProgressDialogState {
  OperationRequest request;  // the dialog's own copy
  std::uint32_t result;
  HBITMAP images[3];  // failed, done, pending (288, 289, 290)
  HBITMAP banner;
  bool running;
  bool finished;  // the operation has answered
  bool cancel;
  DWORD last_pump;
  // Where each row's bar stands. Only ApplyNotification moves the bars once they are
  // set to 0, so the dialog keeps their positions rather than asking a bar for its
  // own on every notification (there are hundreds of thousands on a large file).
  std::int32_t positions[PROGRESS_ROW_COUNT];
};
ProgressDialogState* g_state = nullptr;

// The banner as wide as the dialog's client area: where the dialog font makes the dialog
// wider than the picture, the picture's plain right end is repeated, so no gap shows
// beside it. The picture itself is given back when it is wide enough or on failure.
HBITMAP WidenedBanner(HWND dialog, HBITMAP banner) {
  BITMAP info = {};
  RECT client = {};
  if (banner == nullptr || !GetObjectA(banner, sizeof info, &info) || !GetClientRect(dialog, &client) ||
      client.right <= info.bmWidth) {
    return banner;
  }
  HDC screen = GetDC(dialog);
  HDC from = CreateCompatibleDC(screen);
  HDC to = CreateCompatibleDC(screen);
  HBITMAP wide = from && to ? CreateCompatibleBitmap(screen, client.right, info.bmHeight) : nullptr;
  if (wide) {
    HGDIOBJ old_from = SelectObject(from, banner);
    HGDIOBJ old_to = SelectObject(to, wide);
    BitBlt(to, 0, 0, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY);
    StretchBlt(to, info.bmWidth, 0, client.right - info.bmWidth, info.bmHeight, from, info.bmWidth - 1, 0, 1,
               info.bmHeight, SRCCOPY);
    SelectObject(from, old_from);
    SelectObject(to, old_to);
  }
  if (to) DeleteDC(to);
  if (from) DeleteDC(from);
  ReleaseDC(dialog, screen);
  if (wide == nullptr) return banner;
  DeleteObject(banner);
  return wide;
}


HBITMAP Image(int id) {
  const int index = id - PROGRESS_IMAGE_FAILED;
  return (index >= 0 && index < 3) ? g_state->images[index] : nullptr;
}

void ShowImage(HWND status, int id) {
  if (status) SendMessageA(status, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Image(id)));
}

// Handles the dialog's own pending messages (paint, the Cancel button, Escape) while
// the operation runs; other windows of the program wait.
void PumpOwnMessages(HWND dialog) {
  const DWORD now = GetTickCount();
  if (now - g_state->last_pump < PUMP_MS) return;
  g_state->last_pump = now;
  MSG message;
  while (PeekMessageA(&message, dialog, 0, 0, PM_REMOVE)) {
    if (message.message == WM_TIMER) continue;
    if (!IsDialogMessageA(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

void ApplyNotification(HWND dialog, int row_index, std::uint32_t value) {
  ProgressRow& row = ProgressRows()[row_index];
  if (!row.bar) return;
  HWND bar = static_cast<HWND>(row.bar);
  std::int32_t& position = g_state->positions[row_index];
  const ProgressMove move = ProgressApply(&row, position, value);
  if (move.delta != 0) {
    SendMessageA(bar, PBM_DELTAPOS, static_cast<WPARAM>(move.delta), 0);
    position += move.delta;
  }
  if (move.image) ShowImage(static_cast<HWND>(row.status), move.image);
  if (move.repaint) UpdateWindow(dialog);
}

void DetachRows() {
  for (int i = 0; i < PROGRESS_ROW_COUNT; ++i) {
    ProgressRows()[i].bar = nullptr;
    ProgressRows()[i].status = nullptr;
  }
}

int DialogReceiver(void* context, std::uint32_t notification, std::uint32_t value);

void InitDialog(HWND dialog) {
  ProgressSetReceiver(DialogReceiver, dialog);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(kDialogIcon));
  if (icon) {
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT box;
  GetWindowRect(dialog, &box);
  int x = box.left, y = box.top;
  if (owner && IsWindowVisible(owner)) {
    RECT over;
    GetWindowRect(owner, &over);
    x = over.left + ((over.right - over.left) - (box.right - box.left)) / 2;
    y = over.top + ((over.bottom - over.top) - (box.bottom - box.top)) / 2;
    SetWindowPos(dialog, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
  } else {
    // No visible owner: the middle of the screen.
    x = (GetSystemMetrics(SM_CXSCREEN) - (box.right - box.left)) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - (box.bottom - box.top)) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }

  const OperationRequest& request = g_state->request;
  char title[QLX_PATH_SIZE + 16];
  ProgressTitle(request.direction, request.count > 0 && request.entries ? request.entries[0].name : "", title,
                sizeof title);
  SetWindowTextA(dialog, title);
  SetDlgItemTextA(dialog, IDCANCEL, "Cancel");

  g_state->banner = WidenedBanner(dialog, static_cast<HBITMAP>(LoadImageA(
                                              instance, MAKEINTRESOURCEA(IDB_PROGRESS_BANNER), IMAGE_BITMAP, 0, 0, 0)));
  if (g_state->banner)
    SendDlgItemMessageA(dialog, IDC_PROGRESS_BANNER, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(g_state->banner));
  for (int i = 0; i < 3; ++i)
    g_state->images[i] = static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(PROGRESS_IMAGE_FAILED + i), IMAGE_BITMAP, 0, 0, LR_LOADTRANSPARENT));

  const ProgressLine* lines = ProgressLines(request.direction);
  for (int i = 0; i < 3; ++i) {
    SetDlgItemTextA(dialog, kLabels[i], lines[i].label);
    ProgressRows()[lines[i].row].bar = GetDlgItem(dialog, kBars[i]);
    ProgressRows()[lines[i].row].status = GetDlgItem(dialog, kStatus[i]);
  }
  ProgressReset(request.count > 0 && request.entries ? request.entries[0].size : 0);
  for (std::int32_t& position : g_state->positions) position = 0;

  const COLORREF background = ProgressBarBackground(GetSysColor(COLOR_BTNFACE));
  for (int i = 0; i < 3; ++i) {
    HWND bar = GetDlgItem(dialog, kBars[i]);
    // A themed bar (modern controls) ignores its colours: draw it the classic way, with
    // the classic bar's edge.
    UnthemeBar(bar);
    SetWindowLongPtrA(bar, GWL_EXSTYLE, GetWindowLongPtrA(bar, GWL_EXSTYLE) | WS_EX_STATICEDGE);
    SetWindowPos(bar, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(PROGRESS_BAR_COLOUR));
    SendMessageA(bar, CCM_SETBKCOLOR, 0, static_cast<LPARAM>(background));
    ShowImage(GetDlgItem(dialog, kStatus[i]), PROGRESS_IMAGE_PENDING);
  }
  SetTimer(dialog, TIMER_RUN, TIMER_MS, nullptr);
}

// One progress notification applied to the rows, with the dialog's own messages pumped
// now and then; RECEIVER_CANCEL once Cancel was pressed.
int HandleNotification(HWND dialog, std::uint32_t notification, std::uint32_t value) {
  if (notification == NOTIFY_WORK_SIZE) {
    ProgressReset(value);
  } else {
    const int row = notification == NOTIFY_CIPHER   ? PROGRESS_ROW_CIPHER
                    : notification == NOTIFY_DIGEST ? PROGRESS_ROW_DIGEST
                                                    : PROGRESS_ROW_CODEC;
    ApplyNotification(dialog, row, value);
  }
  if (g_state->running) PumpOwnMessages(dialog);
  return g_state->cancel ? RECEIVER_CANCEL : RECEIVER_GO_ON;
}

// The operation runs on the dialog's own thread, so its notifications come straight
// here rather than through SendMessage: a large file makes hundreds of thousands of
// them, and each message costs more than the work it reports.
int DialogReceiver(void* context, std::uint32_t notification, std::uint32_t value) {
  switch (notification) {
    case NOTIFY_CIPHER:
    case NOTIFY_DIGEST:
    case NOTIFY_CODEC:
    case NOTIFY_WORK_SIZE:
      return HandleNotification(static_cast<HWND>(context), notification, value);
    default:
      return RECEIVER_GO_ON;
  }
}

// The notification's answer for SendMessage.
INT_PTR Answer(HWND dialog, LRESULT answer) {
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, answer);
  return TRUE;
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return TRUE;
    case NOTIFY_CIPHER:
    case NOTIFY_DIGEST:
    case NOTIFY_CODEC:
    case NOTIFY_WORK_SIZE:
      return Answer(dialog, HandleNotification(dialog, message, static_cast<std::uint32_t>(wparam)));
    case WM_TIMER:
      if (wparam == TIMER_RUN) {
        KillTimer(dialog, TIMER_RUN);
        g_state->running = true;
        g_state->last_pump = GetTickCount();
        OperationRequest* request = &g_state->request;
#ifdef QLX_EXTRACTOR
        g_state->result = DecryptOperation(request);
#else
        g_state->result =
            request->direction == DIRECTION_ENCRYPT ? EncryptOperation(request) : DecryptOperation(request);
#endif
        g_state->running = false;
        g_state->finished = true;
        SetTimer(dialog, TIMER_CLOSE, TIMER_MS, nullptr);
      } else if (wparam == TIMER_CLOSE) {
        ProgressClearReceiver();
        KillTimer(dialog, TIMER_CLOSE);
        EndDialog(dialog, static_cast<INT_PTR>(g_state->result));
      }
      return TRUE;
    case WM_COMMAND:
      // Cancel and Escape: the operation stops at its next notification. Before it
      // starts, it stops at its first; once it has ended there is nothing to stop.
      if (LOWORD(wparam) == IDCANCEL && !g_state->finished) g_state->cancel = true;
      return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wparam), RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    case WM_DESTROY:
      ProgressClearReceiver();
      DetachRows();
      return FALSE;
  }
  return FALSE;
}

}  // namespace

bool OperationRunning() { return g_state != nullptr && g_state->running; }

int RunOperation(HWND owner, OperationRequest* request) {
  ProgressDialogState state = {};
  state.request = *request;
  g_state = &state;
  const INT_PTR shown = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), owner,
                                        ProgressDialogProc, 0);
  g_state = nullptr;
  ProgressClearReceiver();
  DetachRows();
  for (HBITMAP image : state.images)
    if (image) DeleteObject(image);
  if (state.banner) DeleteObject(state.banner);

  const auto result = static_cast<std::uint32_t>(shown);
  if (request->direction != DIRECTION_ENCRYPT) request->algorithm = state.request.algorithm;
  if (result == RESULT_OK) {
    *request = state.request;
    return 1;
  }
  const char* path = request->count > 0 && request->entries ? request->entries[0].path : "";
  ReportOperationError(owner, result, path);
  return 0;
}
