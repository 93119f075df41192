// Program entry of Quillnox.exe: one instance per user (a second start hands its
// command line to the running window and ends), the settings, the access password,
// the command line turned into the document, then the main window for the rest of
// the program's life. The exit code is always 0.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/commands/open_document.h"
#include "app/dialogs/keys_ui.h"
#include "app/logic/command_line.h"
#include "app/logic/document.h"
#include "app/main_window.h"
#include "keys/first_start.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "platform/wipe.h"
#include "resources/resource.h"

namespace {

// The running main window of this user and version, or nullptr: among the windows of
// the stored class titled with the display name (its dialogs and boxes are titled so
// too), the one that carries the main window's property.
HWND RunningMainWindow() {
  char class_name[100];
  if (!SettingsGetString("ClassName", class_name, sizeof class_name) || class_name[0] == '\0') return nullptr;
  for (HWND window = FindWindowExA(nullptr, nullptr, class_name, DisplayName()); window != nullptr;
       window = FindWindowExA(nullptr, window, class_name, DisplayName())) {
    char window_class[100] = "";
    char title[100] = "";
    GetClassNameA(window, window_class, sizeof window_class);
    GetWindowTextA(window, title, sizeof title);
    if (IsRunningMainWindow(class_name, window_class, title, DisplayName(),
                            GetPropA(window, MAIN_WINDOW_PROPERTY) != nullptr))
      return window;
  }
  return nullptr;
}

// A session key given with "/ks:" is wiped from every copy of the command line the
// process holds once it has been taken: the system's two, and the runtime's arguments.
void ForgetSessionKeyEverywhere(char* command_line) {
  ForgetSessionKey(command_line);
  ForgetSessionKey(GetCommandLineA());
  ForgetSessionKeyWide(reinterpret_cast<char16_t*>(GetCommandLineW()));
  for (int i = 0; __argv != nullptr && i < __argc; ++i) ForgetSessionKey(__argv[i]);
  for (int i = 0; __wargv != nullptr && i < __argc; ++i) ForgetSessionKeyWide(reinterpret_cast<char16_t*>(__wargv[i]));
}

void HandOver(HWND running, const char* line) {
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
  COPYDATASTRUCT data = {};
  data.dwData = 0;
  data.cbData = static_cast<DWORD>(std::strlen(line) + 1);
  data.lpData = const_cast<char*>(line);
  SendMessageA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  if (!CommandLineFits(command_line ? command_line : "")) {
    WarningBox(nullptr, COMMAND_LINE_TOO_LONG_TEXT);
    return 0;
  }
  // The process's copy of its command line (the main window looks in it for
  // "/EXPORTWINDOW"), and the copy the open dispatch works on. The session key of a
  // "/ks:" line lives on only in the work copy, which takes it apart.
  char process_line[COMMAND_LINE_SIZE];
  std::snprintf(process_line, sizeof process_line, "%s", command_line ? command_line : "");
  char work[COMMAND_LINE_SIZE];
  std::memcpy(work, process_line, sizeof work);
  ForgetSessionKeyEverywhere(command_line);
  ForgetSessionKey(process_line);

  if (HWND running = RunningMainWindow()) {
    HandOver(running, work);
    SecureWipe(work, sizeof work);
    return 0;
  }
  if (!SettingsInit() || !AccessPasswordGate()) {
    SecureWipe(work, sizeof work);
    return 0;
  }

  Document document{};  // the program's one document, for its whole life
  const int opened = OpenCommandLine(nullptr, &document, work);
  SecureWipe(work, sizeof work);
  if (opened != 1) return 0;

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  RunMainWindow(instance, &document, process_line);
  return 0;
}
