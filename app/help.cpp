// Context help through WinHelp with the program's own help file.
#include "app/help.h"

#include <cstring>

void ShowHelp(HWND window, int topic) {
  char path[MAX_PATH + 16] = "";
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  char* last = std::strrchr(path, '\\');
  if (last == nullptr) return;
  std::strcpy(last + 1, "Quillnox.hlp");
  if (topic == -1) {
    WinHelpA(window, path, HELP_FINDER, 0);
  } else {
    WinHelpA(window, path, HELP_CONTEXT, static_cast<ULONG_PTR>(topic));
  }
}
