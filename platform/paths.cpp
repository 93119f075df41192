// Path helpers shared by all platforms.
#include "platform/paths.h"

const char* PathFileName(const char* path) {
  if (path == nullptr) return nullptr;
  const char* name = path;
  for (const char* p = path; *p; ++p) {
    const bool separator = *p == '\\' || *p == '/' || *p == ':';
    if (separator && p[1] != '\0' && p[1] != '\\' && p[1] != '/') name = p + 1;
  }
  return name;
}
