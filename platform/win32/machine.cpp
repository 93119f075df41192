// The volume serial of the Windows folder's drive and the program's path, from Win32.
#include <windows.h>

#include "platform/machine.h"

std::uint32_t PlatformVolumeSerial() {
  char windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) return 0;
  // The root of the path: "C:\" for a drive, "\\server\share\" for a share.
  char root[MAX_PATH];
  lstrcpynA(root, windows, sizeof root);
  if (root[0] != '\0' && root[1] == ':') {
    root[2] = '\\';
    root[3] = '\0';
  } else if (root[0] == '\\' && root[1] == '\\') {
    int separators = 0;
    for (char* p = root + 2; *p != '\0'; ++p) {
      if (*p == '\\' && ++separators == 2) {
        p[1] = '\0';
        break;
      }
    }
  }
  DWORD serial = 0;
  if (!GetVolumeInformationA(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return 0;
  return serial;
}

int PlatformProgramPath(char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  if (length == 0 || length >= size) {
    buffer[0] = '\0';
    return 0;
  }
  return 1;
}
