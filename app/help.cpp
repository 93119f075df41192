// ShowHelp: the program's own help file, a topic or its contents.
#include "app/help.h"

#include <windows.h>

#include "app/output_names.h"

void ShowHelp(WindowHandle window, int topic) {
  char module[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
  if (n == 0 || n >= sizeof module) return;
  char help[OUTPUT_PATH_SIZE];
  if (!HelpFilePath(module, help)) return;
  if (topic == -1)
    WinHelpA(static_cast<HWND>(window), help, HELP_FINDER, 0);
  else
    WinHelpA(static_cast<HWND>(window), help, HELP_CONTEXT, static_cast<ULONG_PTR>(topic));
}
