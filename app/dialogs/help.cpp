// ShowHelp: the program's own help, a topic or its contents. Where Windows has a
// WinHelp viewer, "Quillnox.hlp" through WinHelp; elsewhere (Windows 10 and later, or
// a system without the viewer) the same topics in "Quillnox.htm", opened at the
// topic's anchor with the program registered for ".htm".
#include "app/dialogs/help.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlwapi.h>

#include "app/logic/help_route.h"
#include "app/logic/output_names.h"

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

// The page at the topic's anchor in the registered browser; without a registered
// command, the shell opens the page at its top.
void ShowHelpPage(HWND window, const char* module, int topic) {
  char page[OUTPUT_PATH_SIZE], address[3 * OUTPUT_PATH_SIZE + 32];
  if (!HelpPagePath(module, page, sizeof page)) return;
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
  ShellExecuteA(window, "open", page, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

void ShowHelp(WindowHandle window, int topic) {
  char module[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
  if (n == 0 || n >= sizeof module) return;
  const HWND owner = static_cast<HWND>(window);
  if (ChooseHelpRoute(WindowsMajor(), ViewerPresent()) == HelpRoute::HtmlPage) {
    ShowHelpPage(owner, module, topic);
    return;
  }
  char help[OUTPUT_PATH_SIZE];
  if (!HelpFilePath(module, help)) return;
  const BOOL shown = topic == -1 ? WinHelpA(owner, help, HELP_FINDER, 0)
                                 : WinHelpA(owner, help, HELP_CONTEXT, static_cast<ULONG_PTR>(topic));
  if (!shown) ShowHelpPage(owner, module, topic);  // the viewer could not be started
}
