// The work files' lock on Windows: a mutex of the user's session named after the folder
// (its path without regard to case, hashed, since a name may not hold backslashes). A
// program that ends while it holds the mutex leaves it abandoned, which the next one
// takes. A mutex belongs to its thread: the same thread may take it again.
#include "platform/worklock.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// FNV-1a over the path in lower case, without a trailing separator.
std::uint32_t FolderHash(const char* folder) {
  std::size_t length = std::strlen(folder);
  while (length > 0 && (folder[length - 1] == '\\' || folder[length - 1] == '/')) --length;
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < length; ++i) {
    char c = folder[i] == '/' ? '\\' : folder[i];
    CharLowerBuffA(&c, 1);
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  }
  return hash;
}

}  // namespace

WorkFilesLock::WorkFilesLock(const char* folder) {
  if (folder == nullptr) return;
  char name[64];
  std::snprintf(name, sizeof name, "Local\\Quillnox work files %08lX", static_cast<unsigned long>(FolderHash(folder)));
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) return;
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
  const DWORD waited = WaitForSingleObject(mutex, 0);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    held_ = true;
  } else {
    busy_ = waited == WAIT_TIMEOUT;
  }
}

WorkFilesLock::~WorkFilesLock() {
  if (handle_ == -1) return;
  HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  if (held_) ReleaseMutex(mutex);
  CloseHandle(mutex);
}
