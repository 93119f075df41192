// RegistryReadText: the one reader of registry text values, over either registry.
#include <cstring>

#include "platform/registry.h"

int RegistryReadText(const RegistryKey& key, const char* name, char* buffer, std::uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  std::uint32_t read = size;
  const long code = RegistryQueryValue(key, name, nullptr, buffer, &read);
  if (code == REGISTRY_OK && read <= size) {
    if (std::memchr(buffer, '\0', read) != nullptr) return 1;
    if (read < size) {  // stored without its terminator: there is room for one
      buffer[read] = '\0';
      return 1;
    }
  }
  buffer[0] = '\0';
  return 0;
}
