// File times on Windows: GetFileTime / SetFileTime on the file's handle.
#include "platform/filetime.h"

#include <windows.h>

namespace {

HANDLE OpenForTimes(const char* path, DWORD access) {
  return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

bool FileGetWriteTime(const char* path, FileTime* time) {
  if (path == nullptr) return false;
  HANDLE file = OpenForTimes(path, FILE_READ_ATTRIBUTES);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME written;
  const bool ok = GetFileTime(file, nullptr, nullptr, &written) != 0;
  CloseHandle(file);
  if (ok) *time = FileTime{written.dwLowDateTime, written.dwHighDateTime};
  return ok;
}

bool FileSetWriteTime(const char* path, const FileTime& time) {
  if (path == nullptr) return false;
  HANDLE file = OpenForTimes(path, FILE_WRITE_ATTRIBUTES);
  if (file == INVALID_HANDLE_VALUE) return false;
  const FILETIME written = {time.low, time.high};
  const bool ok = SetFileTime(file, nullptr, nullptr, &written) != 0;
  CloseHandle(file);
  return ok;
}
