// ShowHelp: the program's own help, a topic or its contents. Where Windows has a
// WinHelp viewer, "Quillnox.hlp" through WinHelp; elsewhere (Windows 10 and later, or
// a system without the viewer) the same topics in "Quillnox.htm", opened at the
// topic's anchor with the program registered for ".htm". Both are found beside the
// program through its wide path, whatever its folder is called.
#include "app/dialogs/help.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlwapi.h>

#include <cwchar>

#include "app/logic/help_route.h"

namespace {

// The real major version: GetVersionEx reports 6 for every newer system to a program
// whose manifest does not name them; RtlGetVersion does not.
unsigned WindowsMajor() {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const auto get = ntdll ? reinterpret_cast<RtlGetVersionFunction>(
                               reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                         : nullptr;
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (get && get(&version) == 0) return version.dwMajorVersion;
  return 0;  // unknown: the viewer's presence alone decides
}

bool ViewerIn(UINT folder_length, const char* folder) {
  if (folder_length == 0 || folder_length >= MAX_PATH) return false;
  char path[MAX_PATH + 16];
  lstrcpyA(path, folder);
  lstrcatA(path, "\\winhlp32.exe");
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool ViewerPresent() {
  char folder[MAX_PATH];
  if (ViewerIn(GetWindowsDirectoryA(folder, sizeof folder), folder)) return true;
  return ViewerIn(GetSystemDirectoryA(folder, sizeof folder), folder);
}

// The program's own path as UTF-8, from its wide form, so that a folder whose name the
// ANSI code page cannot write still makes a page address that names it.
bool ModulePathUtf8(char* out, int size) {
  wchar_t wide[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, wide, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  return WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, size, nullptr, nullptr) > 0;
}

// The page at the topic's anchor in the registered browser; without a registered
// command, the shell opens the page at its top. The address is built from the UTF-8
// path, every byte outside plain ASCII percent-encoded.
void ShowHelpPage(HWND window, int topic) {
  char module[4 * MAX_PATH];
  char page[sizeof module], address[3 * sizeof page + 32];
  if (!ModulePathUtf8(module, sizeof module) || !HelpPagePath(module, page, sizeof page)) return;
  char registered[1024], command[sizeof registered + sizeof address];
  DWORD length = sizeof registered;
  if (HelpPageAddress(page, topic, address, sizeof address) &&
      AssocQueryStringA(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, ".htm", "open", registered, &length) == S_OK &&
      BrowserCommand(registered, address, command, sizeof command)) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      return;
    }
  }
  wchar_t wide_page[MAX_PATH];
  if (MultiByteToWideChar(CP_UTF8, 0, page, -1, wide_page, MAX_PATH) > 0)
    ShellExecuteW(window, L"open", wide_page, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

void ShowHelp(WindowHandle window, int topic) {
  const HWND owner = static_cast<HWND>(window);
  if (ChooseHelpRoute(WindowsMajor(), ViewerPresent()) == HelpRoute::HtmlPage) {
    ShowHelpPage(owner, topic);
    return;
  }
  wchar_t help[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, help, MAX_PATH);
  wchar_t* name = n > 0 && n < MAX_PATH ? std::wcsrchr(help, L'\\') : nullptr;
  if (name == nullptr || static_cast<std::size_t>(name + 1 - help) + 13 > MAX_PATH) return;
  std::wcscpy(name + 1, L"Quillnox.hlp");
  const BOOL shown = topic == -1 ? WinHelpW(owner, help, HELP_FINDER, 0)
                                 : WinHelpW(owner, help, HELP_CONTEXT, static_cast<ULONG_PTR>(topic));
  if (!shown) ShowHelpPage(owner, topic);  // the viewer could not be started
}
