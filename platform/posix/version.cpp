// Without resources the product version is the build's own text (resources/version.h).
#include "platform/version.h"

#include <cstdio>

#include "resources/version.h"

bool ModuleProductVersion(char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return false;
  std::snprintf(buffer, size, "%s", QLX_PRODUCT_VERSION);
  return true;
}
