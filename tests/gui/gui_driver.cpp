// Test-side helpers for driving real windows (see gui_driver.h).
#include "tests/gui/gui_driver.h"

#include <cstring>

namespace {

std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

struct FindContext {
  DWORD pid;
  const char* title;
  HWND found;
};

BOOL CALLBACK FindTop(HWND window, LPARAM lparam) {
  auto* context = reinterpret_cast<FindContext*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[256];
  if ((context->pid == 0 || pid == context->pid) && IsWindowVisible(window) &&
      GetWindowTextA(window, title, sizeof title) && std::strcmp(title, context->title) == 0) {
    context->found = window;
    return FALSE;
  }
  return TRUE;
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

std::string TestProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Program::Program(const std::string& exe, const std::vector<std::string>& args) {
  const std::string path = exe.find('\\') == std::string::npos ? TestProgramFolder() + exe : exe;
  std::string command = Quote(path);
  for (const std::string& arg : args) command += " " + Quote(arg);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
  }
}

Program::~Program() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

long Program::WaitExit(DWORD ms) {
  if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<long>(code);
}

HWND WaitForWindow(const std::string& title, DWORD pid, DWORD ms) {
  for (DWORD start = GetTickCount();; Sleep(50)) {
    FindContext context{pid, title.c_str(), nullptr};
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&context));
    if (context.found || GetTickCount() - start > ms) return context.found;
  }
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
