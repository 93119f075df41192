// The product version from the running program's version resource.
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/version.h"

bool ModuleProductVersion(char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return false;
  buffer[0] = '\0';
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return false;
  DWORD ignored = 0;
  const DWORD info_size = GetFileVersionInfoSizeA(path, &ignored);
  if (info_size == 0) return false;
  std::vector<char> info(info_size);
  if (!GetFileVersionInfoA(path, 0, info_size, info.data())) return false;
  void* text = nullptr;
  UINT text_length = 0;
  char block[] = "\\StringFileInfo\\040904B0\\ProductVersion";
  if (!VerQueryValueA(info.data(), block, &text, &text_length) || text == nullptr) return false;
  // text_length counts characters and may include the terminator; never read past it.
  const char* chars = static_cast<const char*>(text);
  std::size_t n = 0;
  while (n < text_length && chars[n] != '\0' && n + 1 < size) ++n;
  std::memcpy(buffer, chars, n);
  buffer[n] = '\0';
  return true;
}
