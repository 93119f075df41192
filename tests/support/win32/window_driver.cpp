// Driving real windows from a test (see window_driver.h).
#include "tests/support/win32/window_driver.h"

#include <cstring>

namespace {

struct FindContext {
  DWORD pid;
  const char* title;  // nullptr: any title
  int control;        // 0: any window
  HWND other;         // never this one
  HWND found;
};

BOOL CALLBACK FindTop(HWND window, LPARAM lparam) {
  auto* context = reinterpret_cast<FindContext*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[256];
  if ((context->pid == 0 || pid == context->pid) && window != context->other && IsWindowVisible(window) &&
      (context->title == nullptr ||
       (GetWindowTextA(window, title, sizeof title) && std::strcmp(title, context->title) == 0)) &&
      (context->control == 0 || GetDlgItem(window, context->control) != nullptr)) {
    context->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForTop(const char* title, DWORD pid, int control, HWND other, DWORD ms) {
  for (DWORD start = GetTickCount();; Sleep(50)) {
    FindContext context{pid, title, control, other, nullptr};
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&context));
    if (context.found || GetTickCount() - start > ms) return context.found;
  }
}

struct PopupFind {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindPopupMenu(HWND window, LPARAM lparam) {
  auto* find = reinterpret_cast<PopupFind*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char class_name[16] = "";
  GetClassNameA(window, class_name, sizeof class_name);
  if (pid == find->pid && IsWindowVisible(window) && std::strcmp(class_name, "#32768") == 0) {
    find->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND WaitForPopupMenu(DWORD pid) {
  for (int i = 0; i < 100; ++i) {
    PopupFind find = {pid, nullptr};
    EnumWindows(FindPopupMenu, reinterpret_cast<LPARAM>(&find));
    if (find.found) return find.found;
    Sleep(50);
  }
  return nullptr;
}

HWND WaitForWindow(const std::string& title, DWORD pid, DWORD ms) {
  return WaitForTop(title.c_str(), pid, 0, nullptr, ms);
}

HWND WaitForWindowWith(const std::string& title, DWORD pid, int id, DWORD ms) {
  return WaitForTop(title.c_str(), pid, id, nullptr, ms);
}

HWND WaitForOtherWindow(const char* title, DWORD pid, int id, HWND other, DWORD ms) {
  return WaitForTop(title, pid, id, other, ms);
}

std::string ControlText(HWND dialog, int id) {
  char buffer[4096] = "";
  SendMessageTimeoutA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  return buffer;
}

void SetControlText(HWND dialog, int id, const std::string& text) {
  SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
}

bool ControlVisible(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PressKey(HWND dialog, UINT virtual_key) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  HWND target = dialog;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus)
    target = info.hwndFocus;
  PostMessageA(target, WM_KEYDOWN, virtual_key, 1);
  PostMessageA(target, WM_KEYUP, virtual_key, 0xC0000001);
}

void CloseFromTitleBar(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

void Sync(HWND window) {
  DWORD_PTR result;
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
}

RECT WindowRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

RECT ControlRect(HWND dialog, int id) { return WindowRect(GetDlgItem(dialog, id)); }
