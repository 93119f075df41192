// The system's temporary folder on Windows: GetTempPathA.
#include <windows.h>

#include "platform/tempdir.h"

bool SystemTempFolder(char folder[260]) {
  const DWORD n = GetTempPathA(260, folder);
  return n > 0 && n < 260;
}

char PathSeparator() { return '\\'; }
