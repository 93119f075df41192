// Short path names: POSIX file systems have none, so a path that exists is its own.
#include <sys/stat.h>

#include <cstring>

#include "platform/shortpath.h"

bool ShortPathName(const char* path, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = '\0';
  struct stat status;
  const std::size_t length = std::strlen(path);
  if (stat(path, &status) != 0 || length >= size) return false;
  std::memcpy(out, path, length + 1);
  return true;
}
