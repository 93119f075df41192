// The work-file folder: the system's, or one the program chose.
#include "platform/tempdir.h"

#include <cstring>

// Each platform answers the system's temporary folder (with its trailing separator).
bool SystemTempFolder(char folder[260]);

namespace {
char g_folder[260];
bool g_chosen = false;
}  // namespace

const char* TempFolder() {
  if (!g_chosen && !SystemTempFolder(g_folder)) std::strcpy(g_folder, ".");
  std::size_t n = std::strlen(g_folder);
  if (n == 0 || (g_folder[n - 1] != PathSeparator() && g_folder[n - 1] != '/' && n < 259)) {
    g_folder[n++] = PathSeparator();
    g_folder[n] = '\0';
  }
  return g_folder;
}

bool SetTempFolder(const char* folder) {
  if (folder == nullptr) {
    g_chosen = false;
    return true;
  }
  const std::size_t n = std::strlen(folder);
  if (n == 0 || n + 1 >= sizeof g_folder) return false;
  std::memcpy(g_folder, folder, n + 1);
  g_chosen = true;
  TempFolder();  // appends the separator
  return true;
}
