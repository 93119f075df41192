// Program entry of Quillnox.exe: one instance per user (a second start hands its
// command line to the running window and ends), the settings, the access password,
// the command line turned into the document, then the main window for the rest of
// the program's life. The exit code is always 0.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/commands/open_document.h"
#include "app/dialogs/keys_ui.h"
#include "app/logic/command_line.h"
#include "app/logic/document.h"
#include "app/main_window.h"
#include "keys/first_start.h"
#include "keys/settings.h"
#include "platform/msgbox.h"
#include "resources/resource.h"

namespace {

// The running main window of this user and version, or nullptr.
HWND RunningMainWindow() {
  char class_name[100];
  if (!SettingsGetString("ClassName", class_name, sizeof class_name) || class_name[0] == '\0') return nullptr;
  return FindWindowA(class_name, DisplayName());
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
  const char* line = command_line ? command_line : "";
  if (!CommandLineFits(line)) {
    WarningBox(nullptr, COMMAND_LINE_TOO_LONG_TEXT);
    return 0;
  }
  if (HWND running = RunningMainWindow()) {
    HandOver(running, line);
    return 0;
  }
  if (!SettingsInit()) return 0;
  if (!AccessPasswordGate()) return 0;
  // The process's copy of its command line (the main window looks in it for
  // "/EXPORTWINDOW"), and the copy the open dispatch works on.
  char process_line[COMMAND_LINE_SIZE];
  std::snprintf(process_line, sizeof process_line, "%s", line);
  char work[COMMAND_LINE_SIZE];
  std::memcpy(work, process_line, sizeof work);

  Document document{};  // the program's one document, for its whole life
  if (OpenCommandLine(nullptr, &document, work) != 1) return 0;

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  RunMainWindow(instance, &document, process_line);
  return 0;
}
