// setup's entry: with an argument, the unattended installation from that INI file
// (its exit code names the first failure); without one, the wizard.
#include <windows.h>

#include "remover/library_search.h"
#include "remover/remover_rules.h"
#include "setup/setup.h"
#include "setup/setup_rules.h"
#include "setup/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // setup runs as administrator from a download folder: libraries from the system
  // folder only, before anything is loaded.
  RestrictLibrarySearch();
  // The line as Windows passes it: the program's path may be unquoted, with blanks.
  char program[MAX_PATH];
  const DWORD got = GetModuleFileNameA(nullptr, program, sizeof program);
  if (!got || got >= sizeof program) program[0] = '\0';
  const char* args = ArgumentsAfterProgram(GetCommandLineA(), program);
  if (!*args) {
    InitProgressBarClass();
    RunSetupWizard(instance);
    return 0;
  }
  char ini[MAX_PATH];
  if (!IniPathFromArguments(args, ini, sizeof ini)) ini[0] = '\0';
  return UnattendedInstall(ini);
}
