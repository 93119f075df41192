// The system's temporary folder on Windows (GetTempPathA) and private work folders in it.
#include <windows.h>

#include "platform/tempdir.h"

bool SystemTempFolder(char folder[260]) {
  const DWORD n = GetTempPathA(260, folder);
  return n > 0 && n < 260;
}

char PathSeparator() { return '\\'; }

#include <cstdio>
#include <cstring>

bool MakePrivateFolder(const char* parent, const char* prefix, char out[260]) {
  out[0] = '\0';
  if (parent == nullptr || prefix == nullptr) return false;
  static DWORD counter = 0;
  for (int attempt = 0; attempt < 64; ++attempt) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const DWORD mix = static_cast<DWORD>(now.QuadPart) ^ (GetCurrentProcessId() << 16) ^ (++counter * 0x9E3779B9u);
    char name[260];
    const int n = std::snprintf(name, sizeof name, "%s%s%06lX", parent, prefix, static_cast<unsigned long>(mix & 0xFFFFFF));
    if (n < 0 || n + 2 > static_cast<int>(sizeof name)) return false;
    if (CreateDirectoryA(name, nullptr)) {  // fails when the name exists in any form
      std::memcpy(out, name, static_cast<std::size_t>(n));
      out[n] = '\\';
      out[n + 1] = '\0';
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

namespace {

bool EmptyFolder(const char* folder, int depth) {
  char pattern[MAX_PATH];
  if (std::snprintf(pattern, sizeof pattern, "%s\\*", folder) >= static_cast<int>(sizeof pattern)) return false;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bool ok = true;
  do {
    if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
    char path[MAX_PATH];
    if (std::snprintf(path, sizeof path, "%s\\%s", folder, data.cFileName) >= static_cast<int>(sizeof path)) {
      ok = false;
      continue;
    }
    const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL | (directory ? FILE_ATTRIBUTE_DIRECTORY : 0));
    if (directory) {
      // A junction is removed as it stands; only a real folder is entered.
      if (!link && (depth >= 32 || !EmptyFolder(path, depth + 1))) ok = false;
      if (!RemoveDirectoryA(path)) ok = false;
    } else if (!DeleteFileA(path)) {
      ok = false;
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return ok;
}

}  // namespace

bool RemovePrivateFolder(const char* folder) {
  if (folder == nullptr || *folder == '\0') return false;
  char path[MAX_PATH];
  std::size_t n = std::strlen(folder);
  if (n >= sizeof path) return false;
  std::memcpy(path, folder, n + 1);
  while (n > 3 && (path[n - 1] == '\\' || path[n - 1] == '/')) path[--n] = '\0';
  EmptyFolder(path, 0);
  return RemoveDirectoryA(path) != 0;
}
