// setup's entry: with an argument, the unattended installation from that INI file.
// (The wizard, for a start without argument, is the installer's other window.)
#include <windows.h>

#include <cstring>

#include "setup/setup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  const char* args = command_line;
  while (*args == ' ' || *args == '\t') ++args;
  if (!*args) return 0;
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
