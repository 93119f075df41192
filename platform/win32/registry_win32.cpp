// The registry seam over the real Windows registry (advapi32, ANSI calls).
#include <windows.h>

#include "platform/registry.h"

namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
  }
  return HKEY_CURRENT_USER;
}

HKEY Raw(const RegistryKey& key) { return static_cast<HKEY>(key.get()); }

void SetError(long* error, LONG code) {
  if (error) *error = static_cast<long>(code);
}

}  // namespace

void RegistryKeyCloser::operator()(void* key) const {
  if (key) RegCloseKey(static_cast<HKEY>(key));
}

RegistryKey RegistryOpen(RegistryRoot root, const char* path, RegistryAccess access, long* error) {
  HKEY key = nullptr;
  const REGSAM sam = access == RegistryAccess::All ? KEY_ALL_ACCESS : KEY_READ;
  const LONG code = RegOpenKeyExA(RootKey(root), path ? path : "", 0, sam, &key);
  SetError(error, code);
  return RegistryKey(code == ERROR_SUCCESS ? key : nullptr);
}

RegistryKey RegistryCreate(RegistryRoot root, const char* path, long* error) {
  HKEY key = nullptr;
  const LONG code = RegCreateKeyExA(RootKey(root), path ? path : "", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
  SetError(error, code);
  return RegistryKey(code == ERROR_SUCCESS ? key : nullptr);
}

long RegistryQueryValue(const RegistryKey& key, const char* name, std::uint32_t* type, void* data,
                        std::uint32_t* size) {
  if (!key || size == nullptr) return REGISTRY_INVALID_PARAMETER;
  DWORD value_type = 0;
  DWORD count = *size;
  const LONG code =
      RegQueryValueExA(Raw(key), name, nullptr, &value_type, static_cast<BYTE*>(data), &count);
  if (code == ERROR_SUCCESS || code == ERROR_MORE_DATA) {
    *size = count;
    if (type) *type = value_type;
  }
  return code;
}

long RegistrySetValue(const RegistryKey& key, const char* name, std::uint32_t type, const void* data,
                      std::uint32_t size) {
  if (!key || (data == nullptr && size > 0)) return REGISTRY_INVALID_PARAMETER;
  return RegSetValueExA(Raw(key), name, 0, type, static_cast<const BYTE*>(data), size);
}

long RegistryEnumKey(const RegistryKey& key, std::uint32_t index, char* name, std::uint32_t size) {
  if (!key || name == nullptr) return REGISTRY_INVALID_PARAMETER;
  DWORD count = size;
  return RegEnumKeyExA(Raw(key), index, name, &count, nullptr, nullptr, nullptr, nullptr);
}

long RegistryDeleteKey(const RegistryKey& key, const char* subkey) {
  if (!key || subkey == nullptr || *subkey == '\0') return REGISTRY_INVALID_PARAMETER;
  return RegDeleteKeyA(Raw(key), subkey);
}
