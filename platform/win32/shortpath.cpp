// Short path names through the file system (GetShortPathNameA).
#include <windows.h>

#include "platform/shortpath.h"

bool ShortPathName(const char* path, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = '\0';
  const DWORD length = GetShortPathNameA(path, out, static_cast<DWORD>(size));
  if (length == 0 || length >= size) {
    out[0] = '\0';
    return false;
  }
  return true;
}
