// The settable parts of the machine facts (see machine.h).
#include "platform/machine.h"

#include <cstdio>
#include <cstring>

#include "platform/paths.h"

namespace {

constexpr std::size_t kPathSize = 260;

bool g_serial_set = false;
std::uint32_t g_serial = 0;
bool g_folder_set = false;
char g_folder[kPathSize];

}  // namespace

std::uint32_t SystemVolumeSerial() { return g_serial_set ? g_serial : PlatformVolumeSerial(); }

void SetSystemVolumeSerial(std::uint32_t serial) {
  g_serial = serial;
  g_serial_set = true;
}

void ResetSystemVolumeSerial() { g_serial_set = false; }

void SetProgramFolder(const char* folder) {
  g_folder_set = folder != nullptr && std::strlen(folder) < sizeof g_folder;
  if (g_folder_set) std::snprintf(g_folder, sizeof g_folder, "%s", folder);
}

int ProgramFolderFile(const char* name, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = '\0';
  if (name == nullptr) return 0;
  char path[kPathSize];
  std::size_t folder_length = 0;
  if (g_folder_set) {
    std::snprintf(path, sizeof path, "%s", g_folder);
    folder_length = std::strlen(path);
    if (folder_length > 0 && path[folder_length - 1] != '\\' && path[folder_length - 1] != '/') {
      if (folder_length + 1 >= sizeof path) return 0;
#ifdef _WIN32
      path[folder_length++] = '\\';
#else
      path[folder_length++] = '/';
#endif
      path[folder_length] = '\0';
    }
  } else {
    if (!PlatformProgramPath(path, sizeof path)) return 0;
    folder_length = static_cast<std::size_t>(PathFileName(path) - path);
  }
  const std::size_t name_length = std::strlen(name);
  if (folder_length + name_length + 1 > size) return 0;
  std::memcpy(buffer, path, folder_length);
  std::memcpy(buffer + folder_length, name, name_length + 1);
  return 1;
}
