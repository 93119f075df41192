// setup's entry: with an argument, the unattended installation from that INI file;
// without one, the wizard.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstring>

#include "setup/setup.h"
#include "setup/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  const char* args = command_line;
  while (*args == ' ' || *args == '\t') ++args;
  if (!*args) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    RunSetupWizard(instance);
    return 0;
  }
  char ini[MAX_PATH];
  lstrcpynA(ini, args, sizeof ini);
  // One pair of quotes around the INI path.
  std::size_t n = std::strlen(ini);
  while (n && (ini[n - 1] == ' ' || ini[n - 1] == '\t')) ini[--n] = '\0';
  if (n >= 2 && ini[0] == '"' && ini[n - 1] == '"') {
    ini[n - 1] = '\0';
    std::memmove(ini, ini + 1, n - 1);
  }
  UnattendedInstall(ini);
  return 0;
}
